// The watcher's test fixture: a small tree configured as the only root of a
// test program folder, a watcher running on a thread, and searches through
// the engine.
#pragma once

#include <spawn.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "common/ChangeJournal.h"
#include "common/IndexLock.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "search/engine/ResultStore.h"
#include "search/engine/SearchEngine.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"
#include "watcher/LiveIndex.h"

extern char** environ;

namespace zeph::test {

namespace fs = std::filesystem;

// Waits for a condition without judging how long it took.
inline bool eventually(const std::function<bool()>& condition, int seconds = 30) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class NoView : public ResultView {
public:
    void addFirstPageRow(int, const ResultRow&) override {}
    void setHits(std::int64_t) override {}
    void showNoResults(const std::string&) override {}
};

class Watcher : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(tree / "docs" / "first.txt", "x");
        writeFile(tree / "docs" / "deep" / "second.txt", "x");
        openConfigDatabase(db, program.str());
        db.Execute("delete from ScanConfig");
        db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(tree.str())}));
        db.Execute("update SystemSetting set UpdateFrequency=4, isFirstRun=0");
    }
    void setRoot(const fs::path& root) {
        db.Execute("delete from ScanConfig");
        db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(root.string())}));
    }
    void TearDown() override { stopWatching(); }

    void startWatching(LiveIndex::Options options = {}) {
        live = std::make_unique<LiveIndex>(program.str(), std::move(options));
        loop = std::thread([this] { live->run(); });
        ASSERT_TRUE(eventually([&] { return live->fullRunsDone() >= 1; }));
    }
    void stopWatching() {
        if (!live) return;
        live->stop();
        loop.join();
        live.reset();
    }
    // The paths a search for the name finds now, index and journal together.
    std::vector<std::string> found(const std::string& name) {
        CSQLiteDB searchDb;
        CSearchEngine engine(searchDb, program.str(), 0);
        SearchCriteria c;
        c.name = name;
        c.typeFlags.assign(engine.typeFlagCount(), 1);
        NoView view;
        engine.Search(c, &view);
        std::vector<std::string> paths;
        for (const ResultRow& row : readResultPage(searchDb, 0))
            paths.push_back(row.folder + "/" + row.name);
        return paths;
    }
    bool findsExactly(const std::string& name, const std::vector<std::string>& relatives) {
        std::vector<std::string> expected;
        for (const std::string& relative : relatives)
            expected.push_back(tree.str() + "/" + relative);
        return found(name) == expected;
    }
    // The records of the published generation's journal: '+' or '-' and the text.
    std::vector<std::string> journalRecords() {
        fs::path path = program / "index" / journal::kJournalName;
        std::string text = fs::exists(path) ? readFile(path) : std::string();
        std::vector<std::string> records;
        journal::forEachRecord(text, [&](const journal::Record& record) {
            records.push_back((record.added ? "+" : "-") + std::string(record.text));
        });
        return records;
    }
    std::vector<std::string> logLines() {
        std::vector<Row> rows;
        db.QueryRows("select Content from Log where Type=40", rows);
        std::vector<std::string> lines;
        for (const Row& row : rows) lines.push_back(row[0]);
        return lines;
    }
    bool logged(const std::string& part) {
        for (const std::string& line : logLines())
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    ScriptedMessages messages;
    ProgramFolder program;
    TempFolder tree;
    CSQLiteDB db;
    std::unique_ptr<LiveIndex> live;
    std::thread loop;
};

// The watcher program itself, with the test's program folder as its data folder.
inline pid_t startWatcherProgram(const std::string& dataFolder) {
    std::string program = std::string(ZEPH_TEST_PROGRAM_DIR) + "/ZEPHWatcher";
    std::string variable = "ZEPH_DATA_DIR=" + dataFolder;
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(variable.data());
    env.push_back(nullptr);
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data());
    return pid;
}

}  // namespace zeph::test
