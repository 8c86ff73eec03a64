#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/KeyScheme.h"
#include "indexer/IndexPublisher.h"
#include "tests/indexer/IndexFiles.h"
#include "tests/indexer/IndexerFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using IndexRunTest = IndexerFixture;

std::map<std::uint32_t, std::string> linesByOffset(const std::string& list) {
    std::map<std::uint32_t, std::string> out;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t end = list.find('\n', pos);
        out[static_cast<std::uint32_t>(pos)] = list.substr(pos, end - pos);
        pos = end + 1;
    }
    return out;
}

std::int64_t extendIdOf(CSQLiteDB& db, const std::string& name) {
    std::vector<Row> rows;
    db.QueryRows(sqlFormat(sql::kSelectExtendIdByName, {sqlText(name)}), rows);
    return rows.empty() ? -1 : std::stoll(rows[0][0]);
}

TEST_F(IndexRunTest, IndexFilesHoldEveryKeyOfEveryNameInTheStoredLayout) {
    for (std::string name : {"ab1.txt", "README.TXT", "photo.JPG", "noext", "dot.", "odd.zzqq",
                             "odd2.zzqq", "odd3.yyrr"})
        writeFile(tree / "files" / name, "x");
    writeFile(tree / "files" / utf8(u8"报告2023.doc"), "x");
    writeFile(tree / "files" / utf8(u8"乤x.md"), "x");
    fs::create_directory(tree / "files" / "folder.txt");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);

    std::string meta = published("MetaIndex.idx");
    std::string data = published("IndexData.idx");
    ASSERT_EQ(meta.size(), index::kMetaIndexSize);
    ReadIndex idx = readIndex(meta, data);
    std::uint32_t expectedOffset = 0;
    for (size_t slot = 0; slot < idx.records.size(); ++slot) {
        ASSERT_EQ(idx.records[slot].first, expectedOffset) << "slot " << slot;
        expectedOffset += idx.records[slot].second * 4;
        auto postings = idx.postings(slot);
        ASSERT_TRUE(std::is_sorted(postings.begin(), postings.end()));
        ASSERT_EQ(std::adjacent_find(postings.begin(), postings.end()), postings.end());
    }
    EXPECT_EQ(expectedOffset, data.size());

    auto lines = linesByOffset(published("AllFiles.dat"));
    std::map<std::string, std::uint32_t> idOf;
    std::int64_t largestId = 0;
    std::vector<Row> rows;
    db.QueryRows("select max(ExtendID) from ExtendName", rows);
    largestId = std::stoll(rows[0][0]);
    for (const auto& [id, text] : lines) {
        auto line = parseFileListLine(text);
        idOf[std::string(line->name)] = id;
        forEachNameKey(lowerBytes(line->name), [&, id = id](KeyTable t, std::uint32_t key) {
            auto slot = t == KeyTable::Character ? index::characterSlot(key) : index::pairSlot(key);
            auto p = idx.postings(slot);
            EXPECT_TRUE(std::binary_search(p.begin(), p.end(), id)) << text << " key " << key;
        });
    }
    auto inSuffix = [&](std::int64_t extendId, const char* name) {
        auto p = idx.postings(index::suffixSlot(index::suffixBucketOf(extendId)));
        return std::binary_search(p.begin(), p.end(), idOf.at(name));
    };
    EXPECT_TRUE(inSuffix(extendIdOf(db, "txt"), "ab1.txt"));
    EXPECT_TRUE(inSuffix(extendIdOf(db, "txt"), "README.TXT"));  // suffix lower-cased
    EXPECT_TRUE(inSuffix(extendIdOf(db, "jpg"), "photo.JPG"));
    EXPECT_FALSE(inSuffix(extendIdOf(db, "txt"), "folder.txt"));  // folders: no suffix posting
    // Unknown suffixes are numbered from the largest stored id upwards, in line order.
    std::set<std::int64_t> newIds;
    for (std::int64_t id = largestId + 1; id <= largestId + 4; ++id)
        for (const char* name : {"odd.zzqq", "odd2.zzqq", "odd3.yyrr", "dot."})
            if (inSuffix(id, name)) newIds.insert(id);
    EXPECT_EQ(newIds.size(), 3u);  // zzqq shared, yyrr, and the empty suffix of "dot."
    EXPECT_EQ(idx.postings(index::characterSlot(0x8161)),
              std::vector<std::uint32_t>{idOf.at("乤x.md")});
}

TEST_F(IndexRunTest, NoFolderToIndexStillPublishesAnEmptyIndexAndRecordsTheRun) {
    setRoots({});
    std::string before = lastIndexTime();
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    EXPECT_EQ(published("AllFiles.dat"), "");
    EXPECT_EQ(published("IndexData.idx"), "");
    EXPECT_EQ(published("MetaIndex.idx"), std::string(index::kMetaIndexSize, '\0'));
    EXPECT_NE(lastIndexTime(), before);
    EXPECT_EQ(lastIndexTime().substr(lastIndexTime().find('/')), "/0");
}

// Stops the run when a given step starts.
class StopAtStep : public RunObserver {
public:
    StopAtStep(int step, std::function<void()> stop) : m_step(step), m_stop(std::move(stop)) {}
    void stepStarted(int step) override {
        if (step == m_step) m_stop();
    }
    void stepFinished(int) override {}
    void statusChanged(const std::string&) override {}

private:
    int m_step;
    std::function<void()> m_stop;
};

TEST_F(IndexRunTest, StopDuringScanOrBuildLeavesThePublishedIndexAndSettings) {
    writeFile(tree / "first.txt", "x");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    std::string list = published("AllFiles.dat"), meta = published("MetaIndex.idx");
    std::string recorded = lastIndexTime();
    writeFile(tree / "second.txt", "x");

    for (int step : {1, 2}) {
        IndexRun run(db, program.str());
        StopAtStep stopper(step, [&] { run.requestStop(); });
        EXPECT_EQ(run.run(&stopper), IndexRun::Outcome::Stopped) << step;
        EXPECT_EQ(run.stage(), kStageFinished);
        EXPECT_EQ(published("AllFiles.dat"), list);
        EXPECT_EQ(published("MetaIndex.idx"), meta);
        EXPECT_EQ(lastIndexTime(), recorded);
    }
    EXPECT_TRUE(messages.shown.empty());  // a stop is quiet
}

TEST_F(IndexRunTest, FailedFolderQueryPublishesNothingAndNeverIndexesAStaleList) {
    writeFile(program / "tmp" / "AllFiles.dat", "_stale.txt\t/old\t1\t1\t1\t1\n");
    std::string recorded = lastIndexTime();
    db.Execute("alter table ScanConfig rename to Broken");
    EXPECT_EQ(runIndexer(), IndexRun::Outcome::Failed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "SQL执行错误");
    EXPECT_FALSE(fs::exists(program / "index" / "AllFiles.dat"));
    EXPECT_EQ(lastIndexTime(), recorded);
}

TEST_F(IndexRunTest, FailedSuffixQuerySkipsTheBuild) {
    setRoots({treePath()});
    db.Execute("alter table ExtendName rename to Broken");
    EXPECT_EQ(runIndexer(), IndexRun::Outcome::Failed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("SQL语句执行错误,错误代码为 "), std::string::npos);
    EXPECT_FALSE(fs::exists(program / "index" / "MetaIndex.idx"));
}

// Each generation's three files carry the same tag, so a mix is visible.
void writeTaggedTmpFiles(const std::string& program, std::uint32_t tag) {
    std::string tagBytes(reinterpret_cast<const char*>(&tag), 4);
    writeFile(fs::path(program) / "tmp" / "AllFiles.dat", tagBytes + std::string(100000, 'a'));
    std::string meta(index::kMetaIndexSize, '\0');
    meta.replace(0, 4, tagBytes);
    writeFile(fs::path(program) / "tmp" / "MetaIndex.idx", meta);
    writeFile(fs::path(program) / "tmp" / "IndexData.idx", tagBytes + std::string(200000, 'b'));
}

TEST_F(IndexRunTest, KillingThePublisherAtAnyMomentLeavesACompleteIndex) {
    writeTaggedTmpFiles(program.str(), 0);
    ASSERT_TRUE(publishIndex(program.str()));
    std::mt19937 random(42);
    for (int round = 0; round < 25; ++round) {
        pid_t child = fork();
        if (child == 0) {
            for (std::uint32_t tag = 1;; ++tag) {
                writeTaggedTmpFiles(program.str(), round * 100000 + tag);
                publishIndex(program.str());
            }
        }
        usleep(1000 + random() % 40000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        std::string list = published("AllFiles.dat"), meta = published("MetaIndex.idx"),
                    data = published("IndexData.idx");
        ASSERT_EQ(list.size(), 100004u) << round;
        ASSERT_EQ(meta.size(), index::kMetaIndexSize) << round;
        ASSERT_EQ(data.size(), 200004u) << round;
        EXPECT_EQ(list.substr(0, 4), meta.substr(0, 4)) << round;
        EXPECT_EQ(list.substr(0, 4), data.substr(0, 4)) << round;
    }
    removeStaleGenerations(program.str());
    int generations = 0;
    for (const auto& entry : fs::directory_iterator(program.path()))
        generations += entry.path().filename().string().starts_with(kGenerationPrefix);
    EXPECT_EQ(generations, 1);
}

}  // namespace
}  // namespace zeph::test
