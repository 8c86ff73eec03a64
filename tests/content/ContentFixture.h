// A content index over a tree for the tests: the name run, then the content
// index compared and read, and what its store holds.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "content/ContentIndexer.h"
#include "content/ContentTokenizer.h"
#include "indexer/IndexRun.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace zeph::test {

using content::ContentIndexer;
using content::ContentScope;

inline const std::string kWorker = std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-extract";

class ContentIndex : public ::testing::Test {
protected:
    void SetUp() override {
        openConfigDatabase(db, program.str());
        db.Execute("delete from ScanConfig");
        db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(tree.str())}));
    }
    virtual ContentScope scope() const {
        return ContentScope(true, {tree.str()}, {"txt", "md"}, skipped, 1 << 20);
    }
    // A name run, then the content index compared and read.
    struct Pass {
        bool compared = false, stored = false;
        std::int64_t read = 0;
        std::string problem;  // the store's, when it failed
    };
    Pass pass(const std::string& worker = kWorker, content::ExtractorPool::Limits limits = {}) {
        IndexRun run(db, program.str());
        EXPECT_EQ(run.run(), IndexRun::Outcome::Published);
        ContentIndexer indexer(program.str(), scope(), worker, 2);
        indexer.setLimits(limits);
        indexer.setClock([&] { return now; });
        indexer.onUnreadable = [&](const std::string& path, const std::string& reason) {
            unreadable.push_back(path + ": " + reason);
        };
        indexer.onNote = [&](const std::string& text) { notes.push_back(text); };
        std::atomic<bool> stop{false};
        Pass done;
        done.compared = indexer.compare(stop);
        done.stored = done.compared && indexer.extractPending(stop);
        done.read = indexer.done();
        done.problem = indexer.ready() ? indexer.store().failureText() : indexer.problem();
        return done;
    }
    // The same where everything must go well; how many documents were read.
    std::int64_t index(const std::string& worker = kWorker,
                       content::ExtractorPool::Limits limits = {}) {
        Pass done = pass(worker, limits);
        EXPECT_TRUE(done.compared && done.stored) << done.problem;
        return done.read;
    }
    // Paths (relative) of the documents holding the text, by the index's keys and their text.
    std::vector<std::string> holding(const std::string& utf8Text) {
        auto store = content::ContentStore::open(program.str(), false);
        std::vector<std::string> paths;
        auto keys = content::queryKeys(utf8Text);
        const std::string word = content::searchForm(utf8Text, content::LetterCase::Kept);
        for (const content::Document& document :
             keys ? store->candidateDocuments(*keys) : store->allDocumentPaths()) {
            if (store->holds(document.id, document.pieces, word, content::LetterCase::Kept)
                    .value_or(false))
                paths.push_back(std::filesystem::relative(
                    std::filesystem::path(document.folder) / document.name, tree.path()));
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    std::int64_t pending() {
        return content::ContentStore::open(program.str(), false)->pendingCount();
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder tree;
    CSQLiteDB db;
    std::vector<std::string> unreadable;
    std::vector<std::string> notes;
    std::set<std::string> skipped;  // suffixes the scope leaves out
    std::int64_t now = 1'700'000'000;  // the clock that spaces out the tries
};

}  // namespace zeph::test
