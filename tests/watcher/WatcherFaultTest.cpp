// The watcher under hostile conditions, read at the journal's own level where
// a search would hide a fault (the engine drops hits no longer on disk):
// renames and rewrites inside one batch, a stop right after a change, a root
// replaced under it, a full disk, rename storms, and names the walk leaves out.
#include <fstream>
#include <map>
#include <set>

#include "indexer/TreeWalk.h"
#include "tests/support/TestMount.h"
#include "tests/watcher/WatcherFixture.h"

namespace zeph::test {
namespace {

bool holds(const std::vector<std::string>& records, const std::string& record) {
    return std::find(records.begin(), records.end(), record) != records.end();
}

// The '+' records of entries named name in folder.
size_t additionsOf(const std::vector<std::string>& records, const std::string& folder,
                   const std::string& name) {
    size_t count = 0;
    for (const std::string& record : records)
        count += record.size() > 1 && record[0] == '+' &&
                 record.substr(2).starts_with(name + "\t" + folder + "\t");
    return count;
}

TEST_F(Watcher, ARenameIsARemovalAndAnAdditionAndAGrowingFileIsOneEntry) {
    startWatching();
    const std::string docs = (tree / "docs").string();
    fs::rename(tree / "docs" / "first.txt", tree / "docs" / "renamed.txt");
    writeFile(tree / "docs" / "made.txt", "x");
    {
        std::ofstream grow(tree / "docs" / "made.txt", std::ios::app);
        grow << std::string(999, 'y');
    }
    ASSERT_TRUE(eventually([&] {
        auto records = journalRecords();
        return holds(records, "-" + docs + "/first.txt") &&
               additionsOf(records, docs, "renamed.txt") == 1 &&
               additionsOf(records, docs, "made.txt") >= 1 &&
               findsExactly("made", {"docs/made.txt"});
    }));
    // Every row of the answer: the file once, with its last size.
    CSQLiteDB searchDb;
    CSearchEngine engine(searchDb, program.str(), 0);
    SearchCriteria c;
    c.name = "made";
    c.typeFlags.assign(engine.typeFlagCount(), 1);
    NoView view;
    ASSERT_TRUE(eventually([&] {
        engine.Search(c, &view);
        auto rows = readResultPage(searchDb, 0);
        return rows.size() == 1 && rows[0].sizeText.ends_with(" 1,000");
    }));
}

TEST_F(Watcher, AFileWrittenRemovedAndMadeAgainWithinOneBatchIsThere) {
    LiveIndex::Options options;
    options.batchPause = std::chrono::milliseconds(1500);
    startWatching(options);
    writeFile(tree / "docs" / "again.txt", "one");
    fs::remove(tree / "docs" / "again.txt");
    writeFile(tree / "docs" / "again.txt", "two");
    ASSERT_TRUE(eventually([&] { return !journalRecords().empty(); }));
    auto records = journalRecords();
    EXPECT_EQ(records.back().substr(0, 11), "+_again.txt");
    EXPECT_TRUE(findsExactly("again", {"docs/again.txt"}));
}

TEST_F(Watcher, AChangeMadeJustBeforeTheStopIsJournaled) {
    {
        IndexRun run(db, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
    }
    // The change and the stop come as soon as the watches are set, before the
    // watcher has read a single event.
    LiveIndex::Options options;
    options.fullRunAtStart = false;
    options.report = [&](const std::string&) {
        writeFile(tree / "docs" / "last-minute.txt", "x");
        live->stop();
    };
    live = std::make_unique<LiveIndex>(program.str(), options);
    live->run();
    EXPECT_EQ(additionsOf(journalRecords(), (tree / "docs").string(), "last-minute.txt"), 1u);
    live.reset();
}

TEST_F(Watcher, ARootRenamedAwayAndMadeAgainIsWatchedAgain) {
    startWatching();
    const std::int64_t runs = live->fullRunsDone();
    fs::path away = tree.path().string() + "-away";
    fs::rename(tree.path(), away);
    ASSERT_TRUE(eventually([&] { return live->fullRunsDone() > runs; }));
    fs::create_directories(tree.path());
    writeFile(tree / "back.txt", "x");
    EXPECT_TRUE(eventually([&] { return findsExactly("back", {"back.txt"}); }));
    // One run for the root gone, one for it made again.
    ASSERT_TRUE(eventually([&] { return logged("重新出现") && live->fullRunsDone() >= runs + 2; }));
    // Watched again: a change is found without another full run.
    const std::int64_t settled = live->fullRunsDone();
    writeFile(tree / "later.txt", "x");
    EXPECT_TRUE(eventually([&] { return findsExactly("later", {"later.txt"}); }));
    EXPECT_EQ(live->fullRunsDone(), settled);
    fs::remove_all(away);
}

TEST_F(Watcher, ARootWhoseParentWasRenamedAndThatWasMadeAgainIsWatchedAgain) {
    fs::path root = tree / "parent" / "root";
    writeFile(root / "before.txt", "x");
    setRoot(root);
    startWatching();
    fs::rename(tree / "parent", tree / "parent-away");  // no event reaches the root's watch
    fs::create_directories(root);
    writeFile(root / "after.txt", "x");
    EXPECT_TRUE(eventually([&] {
        return found("after") == std::vector<std::string>{(root / "after.txt").string()} &&
               found("before").empty();
    }));
    EXPECT_TRUE(logged("已被移走或替换") || logged("重新出现"));
}

TEST_F(Watcher, ABatchThatCannotBeWrittenIsKeptUntilThereIsRoom) {
    {
        IndexRun run(db, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
    }
    // The generation's folder becomes a small file system of its own.
    fs::path generation = fs::canonical(program / "index");
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::directory_iterator(generation))
        files[entry.path()] = readFile(entry.path());
    TestMount small(generation, "size=1m");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    for (const auto& [path, bytes] : files) writeFile(path, bytes);

    LiveIndex::Options options;
    options.fullRunAtStart = false;
    live = std::make_unique<LiveIndex>(program.str(), options);
    loop = std::thread([this] { live->run(); });
    {
        std::ofstream filler(generation / "filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    ASSERT_TRUE(eventually([&] {  // written until the watcher, starting, sees it
        writeFile(tree / "docs" / "while-full.txt", "x");
        return logged("写入变更记录失败") && live->unwrittenRecords() > 0;
    }));
    EXPECT_TRUE(journalRecords().empty());
    fs::remove(generation / "filler");
    EXPECT_TRUE(eventually([&] {
        return additionsOf(journalRecords(), (tree / "docs").string(), "while-full.txt") >= 1;
    }));
    EXPECT_TRUE(eventually([&] { return logged("变更记录恢复写入"); }));  // logged after the write
    stopWatching();
}

TEST_F(Watcher, ARenameStormCostsAWalkPerBatchAndEndsRight) {
    constexpr int kFiles = 3000;
    for (int i = 0; i < kFiles; ++i)
        writeFile(tree / "storm" / ("stormfile-" + std::to_string(i) + ".txt"), "");
    startWatching();
    for (int i = 0; i < 401; ++i) {
        bool there = i % 2 == 0;
        fs::rename(tree / (there ? "storm" : "storm-b"), tree / (there ? "storm-b" : "storm"));
    }
    EXPECT_TRUE(
        eventually([&] { return findsExactly("stormfile-1234", {"storm-b/stormfile-1234.txt"}); }));
    EXPECT_LE(live->largestBatch(), 2 * kFiles);
}

TEST_F(Watcher, NamesAreTakenExactlyAsTheWalkTakesThem) {
    fs::path odd = tree / "odd";
    fs::create_directories(odd);
    startWatching();
    for (const char* name :
         {".hidden", "plain.txt", "tab\tname", "line\nfeed", "\xff\xfe-not-utf8", "#%?.txt"})
        writeFile(odd / name, "x");
    writeFile(odd / ".dotfolder" / "inside.txt", "x");
    writeFile(odd / "folder" / "inside.txt", "x");
    ASSERT_TRUE(eventually([&] { return additionsOf(journalRecords(), odd.string(), "folder"); }));
    stopWatching();

    class Names : public TreeWalk::Visitor {
    public:
        bool entry(const std::string& folder, std::string_view name, const EntryState&) override {
            taken.insert(folder + "/" + std::string(name));
            return true;
        }
        std::set<std::string> taken;
    } walked;
    TreeWalk().walk(odd.string(), walked);
    std::set<std::string> journaled;
    for (const std::string& record : journalRecords())
        if (record[0] == '+')
            if (auto line = parseFileListLine(std::string_view(record).substr(1)))
                journaled.insert(std::string(line->folder) + "/" + std::string(line->name));
    EXPECT_EQ(journaled, walked.taken);
}

}  // namespace
}  // namespace zeph::test
