// The content index over a tree: the first run reads every document, an
// unchanged run reads nothing, changed, removed and renamed files follow;
// documents that crash or hang their reader, or inflate without end, cost
// only their worker.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "content/ContentIndexer.h"
#include "content/ContentTokenizer.h"
#include "content/ExtractorPool.h"
#include "indexer/IndexRun.h"
#include "tests/content/ContentFixture.h"
#include "tests/content/Documents.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using content::ContentIndexer;
using content::ContentScope;

using Paths = std::vector<std::string>;

TEST_F(ContentIndex, ReadsOnceAndFollowsChangedRemovedAndRenamedFiles) {
    writeFile(tree / "contract.docx", documentHolding("docx", utf8(u8"甲方 force majeure")));
    writeFile(tree / "sheet.xlsx", documentHolding("xlsx", utf8(u8"甲方 budget")));
    writeFile(tree / "notes.txt", utf8(u8"乙方 notes"));
    writeFile(tree / "photo.jpg", utf8(u8"甲方"));  // not a document: left out
    writeFile(tree / "deep" / "old.md", "majeure");
    EXPECT_EQ(index(), 4);
    EXPECT_EQ(holding(utf8(u8"甲方")), (Paths{"contract.docx", "sheet.xlsx"}));
    EXPECT_EQ(holding(utf8(u8"甲")), (Paths{"contract.docx", "sheet.xlsx"}));
    EXPECT_EQ(holding("majeure"), (Paths{"contract.docx", "deep/old.md"}));
    EXPECT_EQ(holding("ce maj"), (Paths{"contract.docx"}));

    EXPECT_EQ(index(), 0);  // nothing changed: nothing read
    EXPECT_EQ(pending(), 0);

    writeFile(tree / "notes.txt", utf8(u8"丙方 was 乙方 no more, and longer"));
    fs::remove(tree / "sheet.xlsx");
    fs::rename(tree / "deep", tree / "moved");
    EXPECT_EQ(index(), 2);  // the changed file and the renamed one
    EXPECT_EQ(holding(utf8(u8"乙方")), (Paths{"notes.txt"}));
    EXPECT_EQ(holding(utf8(u8"丙方")), (Paths{"notes.txt"}));
    EXPECT_EQ(holding(utf8(u8"甲方")), (Paths{"contract.docx"}));
    EXPECT_EQ(holding("majeure"), (Paths{"contract.docx", "moved/old.md"}));
    EXPECT_TRUE(unreadable.empty());
}

// The name index's list is read a part at a time: a list far longer than one
// part (long folder paths) is compared whole, and an unchanged tree leaves
// nothing to read.
TEST_F(ContentIndex, ALongListIsComparedWhole) {
    fs::path deep = tree.path();
    for (int level = 0; level < 13; ++level) deep /= std::string(250, static_cast<char>('a' + level));
    fs::create_directories(deep);
    for (int i = 0; i < 400; ++i) writeFile(deep / ("n" + std::to_string(i) + ".txt"), "quoll");
    EXPECT_EQ(index(), 400);
    EXPECT_EQ(index(), 0);
    EXPECT_EQ(pending(), 0);
    EXPECT_EQ(holding("quoll").size(), 400u);
}

// A list that names every covered file as the last one did is compared
// without reading the documents; a document dropped meanwhile (its file was
// away when its turn came) is still read again once the list names it as
// before.
TEST_F(ContentIndex, AFileAwayWhenItsTurnCameIsReadOnceListedAgain) {
    writeFile(tree / "a.docx", documentHolding("docx", "bandicoot"));
    writeFile(tree / "b.txt", "bandicoot");
    EXPECT_EQ(index(), 2);
    fs::rename(tree / "a.docx", program / "away.docx");
    {
        ContentIndexer indexer(program.str(), scope(), kWorker, 1);
        ASSERT_TRUE(indexer.prepareStore());
        ASSERT_TRUE(indexer.store().addPending(tree.str(), "a.docx"));
        std::atomic<bool> stop{false};
        ASSERT_TRUE(indexer.extractPending(stop));
    }
    EXPECT_EQ(holding("bandicoot"), Paths{"b.txt"});
    fs::rename(program / "away.docx", tree / "a.docx");
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(holding("bandicoot"), (Paths{"a.docx", "b.txt"}));
    EXPECT_EQ(index(), 0);
}

// A kind the user left out of the content index is never read, and leaving
// it out later drops what was read of it.
TEST_F(ContentIndex, AKindLeftOutIsNeverRead) {
    writeFile(tree / "kept.docx", documentHolding("docx", "platypus kept"));
    writeFile(tree / "left.xlsx", documentHolding("xlsx", "platypus left"));
    skipped = {"xlsx"};
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(holding("platypus"), Paths{"kept.docx"});
    skipped = {"docx"};
    index();
    EXPECT_EQ(holding("platypus"), Paths{"left.xlsx"});
}

TEST_F(ContentIndex, AnUnreadableDocumentIsRecordedAndNotReadAgain) {
    writeFile(tree / "broken.docx", "PK\x03\x04 not really");
    writeFile(tree / "good.txt", "fine words");
    EXPECT_EQ(index(), 2);
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_NE(unreadable[0].find("broken.docx"), std::string::npos);
    auto store = content::ContentStore::open(program.str(), false);
    auto broken = store->find(tree.str(), "broken.docx");
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->state, content::Document::Unreadable);
    EXPECT_EQ(index(), 0);
    EXPECT_EQ(holding("fine"), Paths{"good.txt"});
}

TEST_F(ContentIndex, ATextFileTheReaderFailedOnIsQueuedAgainNotRecordedUnreadable) {
    writeFile(tree / "good.txt", "fine words");
    TempFolder bin;
    writeFile(bin / "crashes.sh", "#!/bin/sh\nkill -SEGV $$\n");
    fs::permissions(bin / "crashes.sh", fs::perms::owner_all);
    index((bin / "crashes.sh").string());
    // Still queued, so a search reads the file itself meanwhile.
    EXPECT_FALSE(content::ContentStore::open(program.str(), false)->find(tree.str(), "good.txt"));
    EXPECT_EQ(pending(), 1);
    // Not tried again at once, however often the queue is worked through,
    // and told once.
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(index((bin / "crashes.sh").string()), 0);
    EXPECT_EQ(unreadable.size(), 1u);
    now += 61;
    EXPECT_EQ(index(), 1);  // the next try, a minute later, reads it
    EXPECT_EQ(holding("fine"), Paths{"good.txt"});
    EXPECT_EQ(pending(), 0);
}

// A change the file list cannot see - rewritten at the same size within the
// same second, or another file of the same size and time renamed over it -
// is read again when the watcher queues the path.
TEST_F(ContentIndex, AFileRewrittenWithinASecondOrReplacedByAnotherIsReadAgain) {
    auto setTimes = [](const fs::path& path, long nanoseconds) {
        const struct timespec times[2] = {{1'700'000'000, nanoseconds}, {1'700'000'000, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    writeFile(tree / "letter.txt", "alpha one");
    setTimes(tree / "letter.txt", 100'000'000);
    writeFile(tree / "other.txt", "gamma six");
    setTimes(tree / "other.txt", 100'000'000);
    EXPECT_EQ(index(), 2);
    auto queue = [&](const std::string& name) {
        auto store = content::ContentStore::open(program.str(), false);
        ASSERT_TRUE(store->begin() && store->addPending(tree.str(), name) && store->commit());
    };
    writeFile(tree / "letter.txt", "alpha two");  // the same size, the same second
    setTimes(tree / "letter.txt", 700'000'000);
    queue("letter.txt");
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(holding("alpha two"), Paths{"letter.txt"});
    EXPECT_EQ(holding("alpha one"), Paths{});
    // Renamed over: same size, same times to the nanosecond, another file.
    writeFile(tree / "new.txt", "gamma ten");
    setTimes(tree / "new.txt", 100'000'000);
    fs::rename(tree / "new.txt", tree / "other.txt");
    queue("other.txt");
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(holding("gamma ten"), Paths{"other.txt"});
}

// A document that runs out of time is tried again, spaced out, each time in a
// fresh worker; only after its tries is it recorded unreadable, with why.
TEST_F(ContentIndex, ADocumentOutOfTimeIsTriedAgainBeforeItIsRecordedUnreadable) {
    writeFile(tree / "slow.docx", documentHolding("docx", "patience"));
    TempFolder bin;
    writeFile(bin / "hangs.sh", "#!/bin/sh\nsleep 60\n");
    fs::permissions(bin / "hangs.sh", fs::perms::owner_all);
    const content::ExtractorPool::Limits impatient{.stalled = std::chrono::milliseconds(300)};
    auto store = [&] { return content::ContentStore::open(program.str(), false); };
    for (std::int64_t wait : {0, 60, 240}) {
        now += wait;
        index((bin / "hangs.sh").string(), impatient);
        EXPECT_EQ(pending(), wait == 240 ? 0 : 1) << wait;
    }
    auto recorded = store()->find(tree.str(), "slow.docx");
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->state, content::Document::Unreadable);
    EXPECT_FALSE(store()->failure(tree.str(), "slow.docx").empty());
    // Had the second try been the real reader's, it would have read it.
    fs::remove(tree / "slow.docx");
    writeFile(tree / "slow2.docx", documentHolding("docx", "patience"));
    index((bin / "hangs.sh").string(), impatient);
    now += 60;
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(holding("patience"), Paths{"slow2.docx"});
}

TEST(ExtractorPool, ACrashAHangAndABombCostOnlyTheirWorker) {
    TempFolder folder;
    writeFile(folder / "hangs.sh", "#!/bin/sh\nsleep 60\n");
    writeFile(folder / "crashes.sh", "#!/bin/sh\nkill -SEGV $$\n");
    for (const char* script : {"hangs.sh", "crashes.sh"})
        fs::permissions(folder / script, fs::perms::owner_all);
    writeFile(folder / "a.txt", "alpha");
    std::atomic<bool> stop{false};
    for (const char* script : {"hangs.sh", "crashes.sh"}) {
        const auto started = std::chrono::steady_clock::now();
        content::ExtractorPool pool((folder / script).string(), 2,
                                    {.stalled = std::chrono::milliseconds(500)});
        std::vector<content::ExtractedText> results(3);
        std::vector<content::ExtractorPool::Job> jobs(
            3, {(folder / "a.txt").string(), content::DocumentKind::PlainText});
        pool.extract(
            jobs, [&](size_t i, content::ExtractedText text) { results[i] = std::move(text); },
            stop);
        for (const auto& result : results) {
            EXPECT_EQ(result.outcome, content::ExtractedText::Unreadable) << script;
            EXPECT_FALSE(result.reason.empty()) << script;
        }
        // A worker that makes no progress is ended soon after the bound, not
        // at some far larger one (two rounds of 500 ms, and the checks' second).
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << script;
    }
    // The real reader between bad ones: its documents are read, a bomb is cut.
    // Time is bounded by the CPU the reader uses, so a loaded machine only
    // makes it slower.
    writeFile(folder / "bomb.docx", inflatingDocument(200u << 20));
    content::ExtractorPool pool(kWorker, 2);
    std::vector<content::ExtractedText> results(2);
    pool.extract(
        {{(folder / "bomb.docx").string(), content::DocumentKind::WordProcessing},
         {(folder / "a.txt").string(), content::DocumentKind::PlainText}},
        [&](size_t i, content::ExtractedText text) { results[i] = std::move(text); }, stop);
    EXPECT_EQ(results[0].outcome, content::ExtractedText::Read) << results[0].reason;
    EXPECT_TRUE(results[0].cut);
    EXPECT_LE(results[0].text.size(), content::kTextCap);
    EXPECT_EQ(results[1].text, "alpha") << results[1].reason;
}

// The reader program confines itself before it reads anything: bounded
// memory, no core files, the seccomp filter and no new privileges.
TEST(ExtractorPool, TheReaderRunsWithinItsBounds) {
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        ::dup2(input[0], 0);
        ::close(input[1]);
        ::execl(kWorker.c_str(), kWorker.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(input[0]);
    const std::string proc = "/proc/" + std::to_string(reader);
    // Waiting for its first request, it is confined.
    std::string status;
    for (int i = 0; i < 200 && status.find("Seccomp:\t2") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        status = readFile(proc + "/status");
    }
    std::string limits = readFile(proc + "/limits");
    ::close(input[1]);  // its input ends: it leaves
    ::waitpid(reader, nullptr, 0);
    EXPECT_NE(status.find("Seccomp:\t2"), std::string::npos) << status;
    EXPECT_NE(status.find("NoNewPrivs:\t1"), std::string::npos) << status;
    EXPECT_NE(limits.find("Max core file size        0"), std::string::npos) << limits;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_NE(limits.find("Max address space         2147483648"), std::string::npos) << limits;
#endif
}

// The CPU budget is per document: a worker reads document after document past
// the budget in sum, without the privilege to raise a hard limit (dropped
// here from the programs this test starts, where the test runs with it).
TEST(ExtractorPool, TheCpuBudgetIsEachDocumentsNotTheWorkersLife) {
    TempFolder folder;
    // Each takes the reader a good part of a second: a zip bomb inflated to the cap.
    writeFile(folder / "heavy.docx", inflatingDocument(64u << 20));
    const int documents = 20;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_CAPBSET_DROP, CAP_SYS_RESOURCE, 0, 0, 0);
        std::atomic<bool> stop{false};
        int read = 0;
        std::string reasons;
        {
        content::ExtractorPool pool(kWorker, 1, {.cpuSeconds = 1});
        pool.extract(std::vector<content::ExtractorPool::Job>(
                         documents, {(folder / "heavy.docx").string(),
                                     content::DocumentKind::WordProcessing}),
                     [&](size_t, content::ExtractedText text) {
                         read += text.outcome == content::ExtractedText::Read;
                         reasons += text.reason + " ";
                     },
                     stop);
        }  // the worker ends: its CPU time is counted
        rusage used{};
        ::getrusage(RUSAGE_CHILDREN, &used);
        double cpu = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                     static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
        std::fprintf(stderr, "read %d of %d, worker CPU %.2f s; %s\n", read, documents, cpu,
                     reasons.c_str());
        // The worker's CPU in sum must pass its budget, or this shows nothing.
        ::_exit(read == documents && cpu > 2.5 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace zeph::test
