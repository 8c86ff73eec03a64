// A program folder indexed by the real indexer over a test tree, an engine
// loaded from it, and a result view that records what it is handed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "indexer/IndexRun.h"
#include "search/engine/ResultStore.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/ResultView.h"
#include "search/engine/SearchEngine.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {

class RecordingView : public ResultView {
public:
    void addFirstPageRow(int index, const ResultRow& row) override {
        EXPECT_EQ(index, static_cast<int>(firstPage.size()));
        firstPage.push_back(row);
        hitsAtRow.push_back(hits);
    }
    void setHits(std::int64_t count) override {
        label = hitLabelText(count);
        hits = count;
        if (onStored) onStored(count);
    }
    void showNoResults(const std::string& text) override { noResults = text; }

    std::vector<ResultRow> firstPage;
    std::vector<std::int64_t> hitsAtRow;  // the count handed on when each row arrived
    std::string label;
    std::int64_t hits = -1;
    std::string noResults;
    std::function<void(std::int64_t)> onStored;  // after each stored row, with the count
};

class EngineFixture : public ::testing::Test {
protected:
    // Indexes `tree` (or the given roots) with the real indexer, then loads the engine.
    void indexAndLoad(std::vector<std::string> roots = {}) {
        if (roots.empty()) roots.push_back(tree.str());
        {
            CSQLiteDB indexerDb;
            openConfigDatabase(indexerDb, program.str());
            indexerDb.Execute("delete from ScanConfig");
            for (const auto& root : roots)
                indexerDb.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(root)}));
            indexerDb.Execute("update SystemSetting set UpdateFrequency=4");
            IndexRun run(indexerDb, program.str());
            ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
        }
        engine = std::make_unique<CSearchEngine>(db, program.str(), 0);
    }
    SearchCriteria criteria() const {
        SearchCriteria c;
        c.typeFlags.assign(engine->typeFlagCount(), 1);
        return c;
    }
    // Full paths of every stored result, in result order.
    std::vector<std::string> search(const SearchCriteria& c, int* outcome = nullptr) {
        view = RecordingView();
        int result = engine->Search(c, &view);
        if (outcome) *outcome = result;
        return storedPaths();
    }
    std::vector<std::string> searchName(const std::string& name) {
        SearchCriteria c = criteria();
        c.name = name;
        return search(c);
    }
    std::vector<std::string> storedPaths() {
        std::vector<std::string> paths;
        for (std::int64_t first = 0;; first += 100) {
            auto page = readResultPage(db, first);
            for (const auto& row : page) paths.push_back(row.folder + "/" + row.name);
            if (page.size() < 100) break;
        }
        return paths;
    }
    std::string at(const std::string& relative) const { return tree.str() + "/" + relative; }
    std::int64_t extendId(const std::string& suffix) {
        std::vector<Row> rows;
        db.QueryRows(sqlFormat(sql::kSelectExtendIdByName, {sqlText(suffix)}), rows);
        return rows.empty() ? -1 : std::stoll(rows[0][0]);
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder tree;
    CSQLiteDB db;
    std::unique_ptr<CSearchEngine> engine;
    RecordingView view;
};

}  // namespace zeph::test
