// The watcher on a small tree: every kind of change reaches the journal (and
// so the next search); lost events, watches running out and a root going away
// end in a full run and a line in the system log; one watcher per data
// folder; a watcher killed at any moment leaves a journal the engine reads.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/inotify.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "common/ChangeJournal.h"
#include "common/IndexLock.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "indexer/IndexRun.h"
#include "search/engine/JournalView.h"
#include "search/engine/ResultStore.h"
#include "search/engine/SearchEngine.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"
#include "watcher/LiveIndex.h"

extern char** environ;
namespace fs = std::filesystem;

namespace zeph::test {
namespace {

// Waits for a condition without judging how long it took.
bool eventually(const std::function<bool()>& condition, int seconds = 30) {
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

TEST_F(Watcher, EveryKindOfChangeIsFoundWithoutAFullRun) {
    startWatching();
    const std::int64_t runs = live->fullRunsDone();
    EXPECT_TRUE(logged("监视程序启动"));

    writeFile(tree / "docs" / "created.txt", "new");
    EXPECT_TRUE(eventually([&] { return findsExactly("created", {"docs/created.txt"}); }));

    {  // appended: the size follows
        std::ofstream grow(tree / "docs" / "created.txt", std::ios::app);
        grow << std::string(1000, 'y');
    }
    EXPECT_TRUE(eventually([&] {
        CSQLiteDB searchDb;
        CSearchEngine engine(searchDb, program.str(), 0);
        SearchCriteria c;
        c.name = "created";
        c.typeFlags.assign(engine.typeFlagCount(), 1);
        c.sizeMin = 1000;
        NoView view;
        engine.Search(c, &view);
        return readResultPage(searchDb, 0).size() == 1;
    }));

    fs::rename(tree / "docs" / "first.txt", tree / "docs" / "renamed.txt");
    EXPECT_TRUE(eventually([&] {
        return findsExactly("renamed", {"docs/renamed.txt"}) && findsExactly("first", {});
    }));

    // A folder made with files in it at once: all of it is found.
    fs::create_directories(tree / "made" / "inner");
    writeFile(tree / "made" / "inner" / "quick.txt", "x");
    EXPECT_TRUE(eventually([&] { return findsExactly("quick", {"made/inner/quick.txt"}); }));

    // A folder moved: found under its new path only.
    fs::rename(tree / "docs" / "deep", tree / "moved");
    EXPECT_TRUE(eventually([&] { return findsExactly("second", {"moved/second.txt"}); }));

    fs::remove(tree / "docs" / "renamed.txt");
    fs::remove_all(tree / "made");
    EXPECT_TRUE(eventually([&] {
        return findsExactly("renamed", {}) && findsExactly("quick", {}) &&
               findsExactly("inner", {});
    }));
    EXPECT_EQ(live->fullRunsDone(), runs);  // all of it without a full run
}

TEST_F(Watcher, LostEventsEndInAFullRunAndALogLine) {
    startWatching();
    const std::int64_t runs = live->fullRunsDone();
    live->simulateOverflow();
    EXPECT_TRUE(eventually([&] { return live->fullRunsDone() > runs; }));
    EXPECT_TRUE(logged("事件队列溢出"));
}

TEST_F(Watcher, WatchesRunningOutEndInAFullRunAndALogLine) {
    int allowed = 2;  // the root and one folder: the rest find no watch
    LiveIndex::Options options;
    options.addWatch = [&](int fd, const char* path, std::uint32_t mask) {
        if (allowed-- <= 0) {
            errno = ENOSPC;
            return -1;
        }
        return ::inotify_add_watch(fd, path, mask);
    };
    startWatching(options);
    EXPECT_TRUE(logged("max_user_watches"));
    EXPECT_TRUE(findsExactly("second", {"docs/deep/second.txt"}));  // the full run has it
}

TEST_F(Watcher, ARootThatGoesAwayEndsInAFullRun) {
    startWatching();
    const std::int64_t runs = live->fullRunsDone();
    fs::path away = tree.path().string() + "-away";
    fs::rename(tree.path(), away);
    EXPECT_TRUE(eventually([&] { return live->fullRunsDone() > runs; }));
    EXPECT_TRUE(logged("已不存在"));
    EXPECT_TRUE(findsExactly("first", {}));
    fs::rename(away, tree.path());
}

TEST_F(Watcher, TurnedOffOrWithoutItsDataFolderItEnds) {
    startWatching();
    storePreference(db, Preference::LiveIndex, false);
    loop.join();  // it ends by itself
    live.reset();

    storePreference(db, Preference::LiveIndex, true);
    startWatching();
    fs::remove_all(program.path());
    loop.join();
    live.reset();
}

// The watcher program itself, with the test's program folder as its data folder.
pid_t startWatcherProgram(const std::string& dataFolder) {
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

TEST_F(Watcher, ASecondWatcherEndsAtOnce) {
    IndexLock first = IndexLock::acquire(program.str(), kWatcherLockName);
    ASSERT_EQ(first.state(), IndexLock::State::Held);
    pid_t second = startWatcherProgram(program.str());
    int status = 0;
    ASSERT_EQ(waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(logLines().empty());  // it did nothing
}

TEST_F(Watcher, KilledAtAnyMomentItLeavesAJournalTheEngineReads) {
    {
        IndexRun run(db, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
    }
    std::mt19937 random(5);
    for (int round = 0; round < 8; ++round) {
        pid_t watcher = startWatcherProgram(program.str());
        ASSERT_TRUE(eventually([&] { return lockHeld(program.str(), kWatcherLockName); }));
        for (int i = 0; i < 200; ++i) {
            writeFile(tree / "churn" / ("f" + std::to_string(round) + "_" + std::to_string(i)),
                      "x");
            if (i % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
        }
        ::kill(watcher, SIGKILL);
        waitpid(watcher, nullptr, 0);
        // Whatever it left, the engine loads the index and reads the journal.
        EXPECT_NO_THROW(found("churn")) << round;
        if (fs::exists(program / "index" / journal::kJournalName)) {
            std::string text = readFile(program / "index" / journal::kJournalName);
            size_t taken = journal::forEachRecord(text, [](const journal::Record&) {});
            EXPECT_EQ(text.find('\n', taken), std::string::npos) << round;  // only a torn tail
        }
    }
}

}  // namespace
}  // namespace zeph::test
