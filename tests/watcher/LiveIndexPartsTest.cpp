// The live index's parts at their own level, without events: the pending
// changes of a batch, the watches, and the journal writer (torn tails, a full
// disk, what a new generation carries over).
#include <fcntl.h>
#include <sys/inotify.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/ChangeJournal.h"
#include "common/IndexManifest.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestMount.h"
#include "watcher/JournalWriter.h"
#include "watcher/PendingChanges.h"
#include "watcher/Watches.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

// What a batch holds, as "-path", "~path" (read the state) or "*path" (walk).
std::vector<std::string> batch(PendingChanges& pending) {
    std::vector<std::string> out;
    for (const auto& change : pending.take()) {
        const char mark = change.kind == PendingChanges::Change::Removed   ? '-'
                          : change.kind == PendingChanges::Change::Changed ? '~'
                                                                           : '*';
        out.push_back(mark + change.folder + "/" + change.name);
    }
    return out;
}

using Batch = std::vector<std::string>;

TEST(PendingChanges, EachPathKeepsItsRemovalThenItsLatestState) {
    PendingChanges pending;
    // Written, removed and made again: the removal, then the state read at the batch.
    pending.changed("/d", "f", false);
    pending.changed("/d", "f", false);
    pending.removed("/d", "f");
    pending.changed("/d", "f", false);
    EXPECT_EQ(batch(pending), (Batch{"-/d/f", "~/d/f"}));

    // A folder renamed back and forth: two paths however often.
    for (int i = 0; i < 401; ++i) {
        pending.removed("/d", i % 2 ? "b" : "a");
        pending.changed("/d", i % 2 ? "a" : "b", true);
    }
    EXPECT_EQ(pending.size(), 2u);
    EXPECT_EQ(batch(pending), (Batch{"-/d/b", "-/d/a", "*/d/b"}));

    // A removal makes what is pending below it moot, and only below it.
    pending.changed("/d", "box", true);
    pending.changed("/d/box", "in.txt", false);
    pending.changed("/d/box/deep", "x", false);
    pending.changed("/d", "box 2", false);
    pending.changed("/d/box 2", "y", false);
    pending.removed("/d", "box");
    EXPECT_EQ(batch(pending), (Batch{"~/d/box 2", "~/d/box 2/y", "-/d/box"}));
    EXPECT_TRUE(pending.empty());
}

TEST(Watches, ForgettingAFolderLeavesItsNamesakesWatched) {
    TempFolder tree;
    for (const char* folder : {"proj/sub", "proj 2/sub", "proj2", "proj-x", "proj.x"})
        fs::create_directories(tree / folder);
    Watches watches;
    ASSERT_TRUE(watches.watchTree(tree.str()));
    watches.forgetTree((tree / "proj").string());
    EXPECT_FALSE(watches.watchesFolder((tree / "proj").string()));
    EXPECT_FALSE(watches.watchesFolder((tree / "proj/sub").string()));
    for (const char* folder : {"proj 2", "proj 2/sub", "proj2", "proj-x", "proj.x"})
        EXPECT_TRUE(watches.watchesFolder((tree / folder).string())) << folder;
    EXPECT_TRUE(watches.watchesFolder(tree.str()));

    // A stopped walk ends before setting any watch.
    Watches stopped;
    std::atomic<bool> stop{true};
    stopped.watchTree(tree.str(), {}, &stop);
    EXPECT_EQ(stopped.count(), 0u);
}

class JournalWriterTest : public ::testing::Test {
protected:
    // A published generation whose walk began at the given time.
    fs::path publish(const std::string& name, std::uint64_t walkStarted) {
        fs::path generation = data / name;
        fs::create_directories(generation);
        index::Manifest manifest;
        manifest.walkStarted = walkStarted;
        writeFile(generation / index::kManifestName, index::formatManifest(manifest));
        fs::remove(data / "index");
        fs::create_symlink(name, data / "index");
        return generation;
    }
    static std::string removal(const std::string& path) {
        std::string record;
        journal::appendRemoved(record, path);
        return record;
    }
    static std::vector<std::string> records(const fs::path& generation) {
        std::string text = readFile(generation / journal::kJournalName);
        std::vector<std::string> read;
        size_t taken = journal::forEachRecord(
            text, [&](const journal::Record& record) { read.emplace_back(record.text); });
        EXPECT_EQ(taken, text.size()) << "a torn record is left";
        return read;
    }

    TempFolder data;
    std::uint64_t now = 1'000'000'000'000'000'000;
};

TEST_F(JournalWriterTest, ATornLastRecordIsCutBeforeTheFirstAppend) {
    fs::path generation = publish("index.gen-1", 0);
    writeFile(generation / journal::kJournalName, removal("/kept") + "-/torn-by-a-ki");
    JournalWriter writer(data.str());
    writer.openPublished();
    ASSERT_TRUE(writer.append(removal("/next"), 1));
    EXPECT_EQ(records(generation), (std::vector<std::string>{"/kept", "/next"}));
}

// Another program appends while the watcher writes: its whole records stay,
// a torn one is cut off and said, and no record of ours is glued to it.
TEST_F(JournalWriterTest, ATornRecordAnotherProgramLeftIsCutBeforeTheNextAppend) {
    fs::path generation = publish("index.gen-1", 0);
    JournalWriter writer(data.str());
    std::uint64_t cut = 0;
    writer.repaired = [&](std::uint64_t bytes) { cut = bytes; };
    writer.openPublished();
    ASSERT_TRUE(writer.append(removal("/first"), 1));
    {
        std::ofstream other(generation / journal::kJournalName, std::ios::app | std::ios::binary);
        other << removal("/theirs") << "+torn\t/tm";
    }
    ASSERT_TRUE(writer.append(removal("/second"), 1));
    EXPECT_EQ(cut, 9u);  // "+torn\t/tm"
    EXPECT_EQ(records(generation), (std::vector<std::string>{"/first", "/theirs", "/second"}));
    ASSERT_TRUE(writer.append(removal("/third"), 1));
    EXPECT_EQ(records(generation),
              (std::vector<std::string>{"/first", "/theirs", "/second", "/third"}));
}

TEST_F(JournalWriterTest, ANewGenerationCarriesOnlyTheBatchesFromAroundItsWalkOn) {
    JournalWriter writer(data.str(), [&] { return now; });
    publish("index.gen-1", 0);
    writer.openPublished();
    const std::uint64_t second = 1'000'000'000;
    writer.append(removal("/long-before"), 1);
    now += 10 * second;
    writer.append(removal("/just-before"), 1);  // may have come too late for the walk
    now += 2 * second;
    writer.append(removal("/after"), 1);
    fs::path next = publish("index.gen-2", now - second);
    ASSERT_TRUE(writer.adopt(next));
    EXPECT_EQ(records(next), (std::vector<std::string>{"/just-before", "/after"}));
    EXPECT_EQ(writer.records(), 2);
    writer.append(removal("/later"), 1);
    EXPECT_EQ(records(next), (std::vector<std::string>{"/just-before", "/after", "/later"}));
}

TEST_F(JournalWriterTest, AFailedAppendLeavesNothingAndTheBatchGoesWholeLater) {
    fs::path generation = publish("index.gen-1", 0);
    TestMount small(generation, "size=64k");
    if (!small.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    JournalWriter writer(data.str());
    writer.openPublished();
    ASSERT_TRUE(writer.append(removal("/first"), 1));
    {
        std::ofstream filler(generation / "filler", std::ios::binary);
        std::string block(1024, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    // A batch larger than what room is left: part of it could be written.
    std::string big;
    for (int i = 0; i < 2000; ++i) big += removal("/big/" + std::to_string(i));
    EXPECT_FALSE(writer.append(big, 2000));
    EXPECT_EQ(records(generation), (std::vector<std::string>{"/first"}));
    fs::remove(generation / "filler");
    ASSERT_TRUE(writer.append(big, 2000));
    EXPECT_EQ(records(generation).size(), 2001u);
    EXPECT_EQ(writer.records(), 2001);
}

}  // namespace
}  // namespace zeph::test
