// The content index's settings, kept in the configuration database: whether
// it is on, its folders (none stored: the user's home folder), the suffixes
// left out of it, and the largest file it reads. A database from before them
// gains their tables and columns when opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeph {

class CSQLiteDB;

struct ContentSettings {
    bool enabled = true;
    std::vector<std::string> folders;       // GBK; empty: the home folder
    std::vector<std::string> skippedTypes;  // suffixes, lower case
    std::int64_t maxFileMB = 100;
};

void addContentSettingTables(CSQLiteDB& db);
ContentSettings readContentSettings(CSQLiteDB& db);
bool storeContentSettings(CSQLiteDB& db, const ContentSettings& settings);

// The folders the index covers (GBK): those stored, else the home folder.
std::vector<std::string> contentFolders(const ContentSettings& settings);

}  // namespace zeph
