// Build step: creates the shipped configuration database from the schema
// script. The script is UTF-8; its texts are stored as GBK, like everything
// the programs store.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/Codec.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_config_db SCHEMA.sql OUTPUT.sqlite\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream script;
    script << in.rdbuf();
    auto gbk = zeph::toGbk(script.str());
    if (!in || !gbk) {
        std::fprintf(stderr, "make_config_db: cannot read %s as UTF-8\n", argv[1]);
        return 1;
    }
    std::string temporary = std::string(argv[2]) + ".new";
    std::remove(temporary.c_str());
    sqlite3* db = nullptr;
    int rc = sqlite3_open(temporary.c_str(), &db);
    char* error = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, gbk->c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "make_config_db: %s\n", error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        sqlite3_close(db);
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(temporary.c_str(), argv[2]) != 0) {
        std::perror("make_config_db: rename");
        return 1;
    }
    return 0;
}
