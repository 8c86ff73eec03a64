// The content index's store when it fails: damaged pages, a store that may
// only be read, a full disk. A search never answers from it as if it were
// whole (zeph-query ends with 2 and says why), the next run makes a damaged
// one anew, and what a full disk kept from being stored stays queued.
#include <sys/mount.h>

#include <fstream>
#include <random>

#include "common/ContentSettings.h"
#include "tests/content/ContentFixture.h"
#include "tests/content/Documents.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestMount.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class ContentStoreFault : public ContentIndex {
protected:
    static constexpr int kDocuments = 60;
    // The scope the settings give, as the search reads it too.
    void SetUp() override {
        ContentIndex::SetUp();
        ContentSettings settings;
        settings.folders = {tree.str()};
        storeContentSettings(db, settings);
    }
    ContentScope scope() const override { return ContentScope::read(const_cast<CSQLiteDB&>(db)); }
    // Documents of words that compress and index poorly, so they fill a disk.
    void writeDocuments(const std::string& prefix, int count) {
        std::mt19937 random(static_cast<unsigned>(count));
        for (int i = 0; i < count; ++i) {
            std::string text = "zebracorn item" + std::to_string(i);
            for (int word = 0; word < 400; ++word) {
                text += ' ';
                for (int letter = 0; letter < 7; ++letter) text += static_cast<char>('a' + random() % 26);
            }
            writeFile(tree / (prefix + std::to_string(i) + ".docx"), documentHolding("docx", text));
        }
    }
    ProgramRun query(const std::string& word) {
        static const std::string command = fs::path(ZEPH_TEST_PROGRAM_DIR) / "zeph-query";
        return runProgram(command, {"--content", word, "--count"},
                          {{"ZEPH_DATA_DIR", program.str()}});
    }
    fs::path storeFile() const { return program / "content" / "Content.sqlite"; }
};

TEST_F(ContentStoreFault, ADamagedStoreIsReportedNeverAnsweredFromAndMadeAnewByTheNextRun) {
    writeDocuments("doc", kDocuments);
    EXPECT_EQ(index(), kDocuments);
    ProgramRun whole = query("zebracorn");
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    ASSERT_EQ(whole.out, std::to_string(kDocuments) + "\n");
    // Pages in the middle overwritten with noise.
    const auto size = fs::file_size(storeFile());
    ASSERT_FALSE(fs::exists(program / "content" / "Content.sqlite-wal") &&
                 fs::file_size(program / "content" / "Content.sqlite-wal") > 0);
    {
        std::fstream file(storeFile(), std::ios::in | std::ios::out | std::ios::binary);
        std::mt19937 noise(7);
        file.seekp(static_cast<std::streamoff>(size / 3));
        for (std::uintmax_t i = 0; i < size / 3; ++i) file.put(static_cast<char>(noise()));
    }
    // Never fewer hits passed off as the answer.
    ProgramRun damaged = query("zebracorn");
    if (damaged.exitCode == 0) {
        EXPECT_EQ(damaged.out, std::to_string(kDocuments) + "\n");
    } else {
        EXPECT_EQ(damaged.exitCode, 2);
        EXPECT_FALSE(damaged.err.empty());
    }
    // The next run sees it, sets it aside, and reads every document again.
    Pass again = pass();
    EXPECT_TRUE(again.compared && again.stored) << again.problem;
    EXPECT_EQ(again.read, kDocuments);
    EXPECT_TRUE(fs::exists(program / "content" / "Content.sqlite.damaged"));
    EXPECT_FALSE(notes.empty());  // the store was made anew, and the log says so
    EXPECT_EQ(query("zebracorn").out, std::to_string(kDocuments) + "\n");

    // A store that is no database at all: the search says so and ends with 2.
    {
        std::fstream file(storeFile(), std::ios::in | std::ios::out | std::ios::binary);
        file.write("this is not a database at all", 29);
    }
    ProgramRun broken = query("zebracorn");
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find(utf8(u8"文档内容索引")), std::string::npos) << broken.err;
    Pass rebuilt = pass();
    EXPECT_TRUE(rebuilt.compared && rebuilt.stored) << rebuilt.problem << rebuilt.compared << notes.size();
    EXPECT_EQ(query("zebracorn").out, std::to_string(kDocuments) + "\n");
}

TEST_F(ContentStoreFault, AStoreOnAReadOnlyDiskIsReportedNotTakenForAnEmptyOne) {
    writeDocuments("doc", 10);
    EXPECT_EQ(index(), 10);
    std::string bytes = readFile(storeFile());
    TestMount content(program / "content", "size=8m");
    if (!content.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    writeFile(storeFile(), bytes);
    ASSERT_EQ(::mount("", (program / "content").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    ProgramRun search = query("zebracorn");
    if (search.exitCode != 2) {
        EXPECT_EQ(search.out, "10\n") << search.err;
    }
    // A run cannot store anything there: it says so instead of ending well.
    writeDocuments("more", 2);
    Pass run = pass();
    EXPECT_FALSE(run.compared && run.stored);
    EXPECT_FALSE(run.problem.empty()) << run.compared;
}

TEST_F(ContentStoreFault, WhatAFullDiskKeptFromBeingStoredStaysQueued) {
    TestMount content(program / "content", "size=8m");
    if (!content.mounted()) GTEST_SKIP() << "cannot mount a file system here";
    writeDocuments("doc", kDocuments);
    // Full but for a little room, which the reading fills halfway.
    writeFile(program / "content" / "room", std::string(96 * 1024, 'r'));
    {
        std::ofstream filler(program / "content" / "filler", std::ios::binary);
        std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    fs::remove(program / "content" / "room");
    Pass full = pass();
    EXPECT_FALSE(full.compared && full.stored);
    EXPECT_FALSE(full.problem.empty());
    // Room again: the next run stores every document, none lost on the way.
    fs::remove(program / "content" / "filler");
    Pass room = pass();
    EXPECT_TRUE(room.compared && room.stored) << room.problem;
    auto store = content::ContentStore::open(program.str(), false);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->pendingCount(), 0);
    EXPECT_EQ(store->documentCount(), kDocuments);
    EXPECT_EQ(query("zebracorn").out, std::to_string(kDocuments) + "\n");
}

}  // namespace
}  // namespace zeph::test
