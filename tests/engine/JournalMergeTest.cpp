// The engine answers from the index and the change journal beside it: an
// entry the journal names shows the journal's state, one it removed (or one
// below a folder it removed) is gone, and what it adds follows the index.
#include <fcntl.h>

#include <filesystem>

#include "common/ChangeJournal.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "indexer/IndexPublisher.h"
#include "search/engine/JournalView.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using Paths = std::vector<std::string>;

class JournalMerge : public EngineFixture {
protected:
    void SetUp() override {
        for (const char* name : {"keep.txt", "grows.txt", "gone.txt", "old-name.txt"})
            writeFile(tree / name, "x");
        for (int i = 0; i < 3; ++i)
            writeFile(tree / "album" / ("photo" + std::to_string(i) + ".jpg"), "x");
        indexAndLoad();
    }
    // Appends records to the published generation's journal, as the watcher does.
    void journalAppend(const std::string& records) {
        std::string path = (fs::canonical(program / "index") / journal::kJournalName).string();
        std::string before = fs::exists(path) ? readFile(path) : std::string();
        writeFile(path, before + records);
    }
    std::string added(const std::string& relative, std::int64_t size) {
        fs::path path = tree / relative;
        std::string record;
        journal::appendAdded(record, fs::is_directory(path), path.filename().string(),
                             path.parent_path().string(), size, {10, 20, 30});
        return record;
    }
    std::string removed(const std::string& relative) {
        std::string record;
        journal::appendRemoved(record, at(relative));
        return record;
    }
    std::string sizeOf(const std::string& name) {
        searchName(name);
        return view.firstPage.empty() ? "" : view.firstPage[0].sizeText;
    }
};

TEST_F(JournalMerge, ChangedRemovedRenamedAndMovedEntries) {
    writeFile(tree / "grows.txt", "now longer");
    fs::remove(tree / "gone.txt");
    fs::rename(tree / "old-name.txt", tree / "new-name.txt");
    fs::rename(tree / "album", tree / "holiday");
    journalAppend(added("grows.txt", 10) + removed("gone.txt") + removed("old-name.txt") +
                  added("new-name.txt", 1) + removed("album") + added("holiday", 0));
    for (int i = 0; i < 3; ++i)
        journalAppend(added("holiday/photo" + std::to_string(i) + ".jpg", 1));

    EXPECT_EQ(sizeOf("grows"), "                 10");
    EXPECT_EQ(searchName("gone"), Paths{});
    EXPECT_EQ(searchName("old-name"), Paths{});
    EXPECT_EQ(searchName("new-name"), Paths{at("new-name.txt")});
    EXPECT_EQ(searchName("photo1"), Paths{at("holiday/photo1.jpg")});
    EXPECT_EQ(searchName("album"), Paths{});
    // The index's answers first, then the journal's, in the order they came.
    EXPECT_EQ(searchName(".txt"), (Paths{at("keep.txt"), at("grows.txt"), at("new-name.txt")}));
}

TEST_F(JournalMerge, LaterRecordsWinAndATornOneWaits) {
    writeFile(tree / "late.txt", "x");
    journalAppend(added("late.txt", 1) + removed("late.txt"));
    EXPECT_EQ(searchName("late"), Paths{});
    journalAppend(added("late.txt", 7));
    EXPECT_EQ(sizeOf("late"), "                  7");
    // A record cut short is not read until its line feed arrives.
    std::string record = added("late.txt", 99);
    journalAppend(record.substr(0, record.size() - 1));
    EXPECT_EQ(sizeOf("late"), "                  7");
    journalAppend("\n");
    EXPECT_EQ(sizeOf("late"), "                 99");
    // A folder removed after an entry was added below it takes the entry along.
    fs::create_directories(tree / "box");
    writeFile(tree / "box" / "inside.txt", "x");
    journalAppend(added("box", 0) + added("box/inside.txt", 1));
    EXPECT_EQ(searchName("inside"), Paths{at("box/inside.txt")});
    journalAppend(removed("box"));
    EXPECT_EQ(searchName("inside"), Paths{});
}

TEST_F(JournalMerge, ANewGenerationIsLoadedAndItsOwnJournalRead) {
    writeFile(tree / "fresh.txt", "x");
    journalAppend(added("fresh.txt", 1) + removed("keep.txt"));
    EXPECT_EQ(searchName("fresh"), Paths{at("fresh.txt")});
    EXPECT_EQ(searchName("keep"), Paths{});
    // Another run publishes: its index holds fresh.txt and keep.txt, its journal nothing.
    {
        CSQLiteDB indexerDb;
        openConfigDatabase(indexerDb, program.str());
        IndexRun run(indexerDb, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
    }
    EXPECT_EQ(searchName("fresh"), Paths{at("fresh.txt")});
    EXPECT_EQ(searchName("keep"), Paths{at("keep.txt")});
}

}  // namespace
}  // namespace zeph::test

namespace zeph::test {
namespace {

// The view at its own level: what it hides and what it adds, read from a
// journal file, without the engine's existence check in between.
class JournalViewTest : public ::testing::Test {
protected:
    void append(const std::string& records) {
        std::string path = (folder / journal::kJournalName).string();
        writeFile(path, (fs::exists(path) ? readFile(path) : std::string()) + records);
    }
    void read() {
        UniqueFd fd(::open(folder.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        view.update(fd.get());
    }
    static std::string add(const std::string& folder, const std::string& name) {
        std::string record;
        journal::appendAdded(record, false, name, folder, 1, {1, 2, 3});
        return record;
    }
    static std::string remove(const std::string& path) {
        std::string record;
        journal::appendRemoved(record, path);
        return record;
    }
    // The file-list line a record adds.
    static std::string lineOf(const std::string& record) {
        return record.substr(1, record.size() - 2);
    }
    std::vector<std::string> entries() const {
        return {view.entries().begin(), view.entries().end()};
    }

    TempFolder folder;
    JournalView view;
};

TEST_F(JournalViewTest, ARemovedFolderHidesWhatIsBelowItAndNothingBeside) {
    append(remove("/a"));
    read();
    EXPECT_TRUE(view.hidesFolder("/a"));
    EXPECT_TRUE(view.hidesFolder("/a/b"));
    EXPECT_TRUE(view.hidesFolder("/a/b/c"));
    EXPECT_FALSE(view.hidesFolder("/a b"));
    EXPECT_FALSE(view.hidesFolder("/ab"));
    EXPECT_FALSE(view.hidesFolder("/"));
    EXPECT_TRUE(view.names("/", "a"));
    EXPECT_FALSE(view.names("/", "a b"));
    // Added below it afterwards: there again; added before a removal: gone with it.
    append(add("/a/b", "late.txt") + add("/x", "early.txt") + remove("/x"));
    read();
    EXPECT_EQ(entries(), std::vector<std::string>{lineOf(add("/a/b", "late.txt"))});
}

TEST_F(JournalViewTest, AnEntryAddedAndChangedAppearsOnceWithItsLastState) {
    std::string first, last;
    journal::appendAdded(first, false, "note.txt", "/d", 1, {1, 2, 3});
    journal::appendAdded(last, false, "note.txt", "/d", 500, {1, 9, 9});
    append(first + last);
    read();
    ASSERT_EQ(view.entries().size(), 1u);
    EXPECT_EQ(std::string(view.entries()[0]), lineOf(last));
}

TEST_F(JournalViewTest, AnotherJournalAtLeastAsLongIsReadFromItsStart) {
    append(add("/d", "old.txt"));
    read();
    ASSERT_EQ(view.entries().size(), 1u);
    // The journal is replaced by another file holding more bytes.
    writeFile(folder / "other", add("/d", "new-one.txt") + add("/d", "new-two.txt"));
    fs::rename(folder / "other", folder / journal::kJournalName);
    read();
    EXPECT_EQ(view.entries().size(), 2u);
    EXPECT_FALSE(view.names("/d", "old.txt"));
    EXPECT_TRUE(view.names("/d", "new-one.txt"));
}

TEST_F(JournalMerge, ANewerGenerationsJournalIsReadFromItsStartWhateverWasReadBefore) {
    // The window has read this many bytes of the old generation's journal.
    journalAppend(added("keep.txt", 1) + added("grows.txt", 2) + added("gone.txt", 3));
    EXPECT_EQ(searchName("keep"), Paths{at("keep.txt")});
    {
        CSQLiteDB indexerDb;
        openConfigDatabase(indexerDb, program.str());
        IndexRun run(indexerDb, program.str());
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
    }
    // The newer generation's journal is as long or longer: its first record
    // removes keep.txt (still on disk, so only the journal can hide it).
    journalAppend(removed("keep.txt") + added("grows.txt", 22) + added("gone.txt", 33) +
                  added("old-name.txt", 44));
    EXPECT_EQ(searchName("keep"), Paths{});
}

}  // namespace
}  // namespace zeph::test
