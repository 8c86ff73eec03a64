// The watcher on a small tree: every kind of change reaches the journal (and
// so the next search); lost events, watches running out and a root going away
// end in a full run and a line in the system log; one watcher per data
// folder; a watcher killed at any moment leaves a journal the engine reads.
#include <signal.h>
#include <sys/wait.h>

#include <fstream>
#include <random>

#include "common/ChangeJournal.h"
#include "common/Preferences.h"
#include "indexer/IndexRun.h"
#include "tests/watcher/WatcherFixture.h"

namespace zeph::test {
namespace {

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
