// A program folder with its database, a tree to index, and helpers to run the
// indexer over it and read back what it published.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "indexer/IndexRun.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {

class IndexerFixture : public ::testing::Test {
protected:
    void SetUp() override { openConfigDatabase(db, program.str()); }

    void setRoots(const std::vector<std::string>& roots) {
        db.Execute("delete from ScanConfig");
        for (const auto& root : roots)
            db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(root)}));
    }
    IndexRun::Outcome runIndexer(RunObserver* observer = nullptr) {
        IndexRun run(db, program.str());
        return run.run(observer);
    }
    std::string published(const char* name) const { return readFile(program / "index" / name); }
    std::vector<std::string> publishedLines() const {
        std::vector<std::string> lines;
        std::string text = published("AllFiles.dat");
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 1;
        }
        return lines;
    }
    std::string lastIndexTime() {
        std::vector<Row> rows;
        db.QueryRows(sql::kSelectSystemSetting, rows);
        return rows.at(0).at(1) + "/" + rows.at(0).at(2);
    }
    std::string treePath(const std::string& relative = "") const {
        return relative.empty() ? tree.str() : (tree / relative).string();
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder tree;
    CSQLiteDB db;
};

}  // namespace zeph::test
