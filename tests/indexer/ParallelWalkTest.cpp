// The walk on several threads against the one-thread walk, and the build from
// posting runs against a one-pass build over the same file list.
#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/KeyScheme.h"
#include "indexer/ParallelWalk.h"
#include "indexer/TreeWalk.h"
#include "tests/indexer/IndexFiles.h"
#include "tests/indexer/IndexerFixture.h"
#include "tests/support/TestMount.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

// A file-list line without its access time: listing a folder may change it.
std::string lineOf(const std::string& folder, std::string_view name, const EntryState& state) {
    std::string line;
    FileTimes times = state.times;
    times.accessed = 0;
    appendFileListLine(line, state.isFolder, name, folder, state.size, times);
    return line;
}

// The file list as the one-thread walk gives it.
std::string oneThreadList(const TreeWalk& rules, const std::string& root) {
    struct Lines : TreeWalk::Visitor {
        std::string out;
        bool entry(const std::string& folder, std::string_view name, const EntryState& s) override {
            out += lineOf(folder, name, s);
            return true;
        }
    } lines;
    TreeWalk walk = rules;
    walk.walk(root, lines);
    return lines.out;
}

struct Lines : ParallelWalk::Lister {
    std::function<void()> onEntry = [] {};
    bool entry(std::string& block, const std::string& folder, std::string_view name,
               const EntryState& state) override {
        onEntry();
        block += lineOf(folder, name, state);
        return true;
    }
};

std::string parallelList(const TreeWalk& rules, const std::string& root, unsigned threads,
                         std::size_t heldBound, Lines& lister, const std::atomic<bool>& stop,
                         bool* walked = nullptr) {
    ParallelWalk walk(rules, threads);
    walk.setHeldBytesBound(heldBound);
    std::string out;
    bool done = walk.walk(
        root, lister,
        [&](const std::string&, const std::string& block) {
            out += block;
            return true;
        },
        stop);
    if (walked) *walked = done;
    return out;
}

class ParallelWalkTest : public IndexerFixture {
protected:
    // Deep and wide folders, one folder past a piece of listing, links.
    void makeTree() {
        fs::path deep = tree / "deep";
        for (int level = 0; level < 40; ++level) {
            deep /= "level" + std::to_string(level);
            writeFile(deep / "file.txt", "x");
        }
        for (int i = 0; i < 3000; ++i)
            writeFile(tree / "wide" / ("a-rather-long-name-for-a-picture-" + std::to_string(i) + ".jpg"), "");
        for (int i = 0; i < 150; ++i)
            for (int j = 0; j < 4; ++j)
                writeFile(tree / "many" / std::to_string(i) / std::to_string(j) / "f.txt", "x");
        fs::create_directory_symlink(tree / "many", tree / "link-to-many");
        fs::create_directory_symlink(tree.path(), tree / "many" / "0" / "loop");
        fs::create_symlink(tree / "missing", tree / "dangling");
    }
    std::atomic<bool> noStop{false};
};

TEST_F(ParallelWalkTest, GivesTheOneThreadFileListWhateverTheThreadsAndRunAfterRun) {
    makeTree();
    TestMount mount(tree / "mnt", "size=1m");
    if (mount.mounted()) writeFile(tree / "mnt" / "below" / "on-the-mount.txt", "x");
    TreeWalk rules([](std::string_view type) {
        return type == "tmpfs" ? FsKind::Real : classifyFsType(type);
    });
    const std::string expected = oneThreadList(rules, treePath());
    ASSERT_NE(expected.find("level39"), std::string::npos);
    if (mount.mounted()) {
        ASSERT_NE(expected.find("on-the-mount.txt"), std::string::npos);
    }

    for (unsigned threads : {1u, 2u, 3u, 8u})
        for (std::size_t bound : {std::size_t{1}, std::size_t{64} << 10, std::size_t{8} << 20})
            for (int run = 0; run < 2; ++run) {
                Lines lister;
                ASSERT_EQ(parallelList(rules, treePath(), threads, bound, lister, noStop), expected)
                    << threads << " threads, bound " << bound << ", run " << run;
            }
}

TEST_F(ParallelWalkTest, AStopEndsEveryThreadAndWhatWasWrittenIsTheListsBeginning) {
    makeTree();
    TreeWalk rules;
    const std::string expected = oneThreadList(rules, treePath());
    for (int run = 0; run < 5; ++run) {
        std::atomic<bool> stop{false};
        std::atomic<int> seen{0};
        Lines lister;
        lister.onEntry = [&] {
            if (++seen == 2000 + run * 500) stop = true;
        };
        bool walked = true;
        std::string out = parallelList(rules, treePath(), 3, std::size_t{64} << 10, lister, stop, &walked);
        EXPECT_FALSE(walked);
        EXPECT_LT(out.size(), expected.size());
        EXPECT_EQ(expected.compare(0, out.size(), out), 0) << "run " << run;
    }
}

TEST_F(ParallelWalkTest, FoldersVanishingDuringTheWalkLeaveTheRestInOrder) {
    makeTree();
    for (int i = 0; i < 50; ++i) writeFile(tree / "vanishing" / std::to_string(i) / "gone.txt", "x");
    TreeWalk rules;
    auto withoutVanishing = [](const std::string& list) {
        std::string kept;
        for (std::size_t pos = 0, end; pos < list.size(); pos = end + 1) {
            end = list.find('\n', pos);
            std::string line = list.substr(pos, end - pos + 1);
            if (line.find("vanishing") == std::string::npos) kept += line;
        }
        return kept;
    };
    const std::string expected = withoutVanishing(oneThreadList(rules, treePath()));
    for (int run = 0; run < 3; ++run) {
        std::once_flag removed;
        Lines lister;
        lister.onEntry = [&] {
            std::call_once(removed, [&] {
                for (int i = 0; i < 50; i += 1 + run) fs::remove_all(tree / "vanishing" / std::to_string(i));
            });
        };
        bool walked = false;
        std::string out = parallelList(rules, treePath(), 3, std::size_t{64} << 10, lister, noStop, &walked);
        EXPECT_TRUE(walked);
        EXPECT_EQ(withoutVanishing(out), expected) << "run " << run;
        writeFile(tree / "vanishing" / "0" / "gone.txt", "x");
    }
}

// The index a single pass over the file list gives, bucket by bucket.
std::vector<std::vector<std::uint32_t>> onePassBuckets(const std::string& list,
                                                       std::map<std::string, std::int64_t> ids,
                                                       std::int64_t nextId) {
    std::vector<std::vector<std::uint32_t>> buckets(index::kTotalBuckets);
    auto add = [&](std::uint32_t slot, std::uint32_t id) {
        if (buckets[slot].empty() || buckets[slot].back() != id) buckets[slot].push_back(id);
    };
    for (std::size_t pos = 0, end; pos < list.size(); pos = end + 1) {
        end = list.find('\n', pos);
        auto line = parseFileListLine(std::string_view(list).substr(pos, end - pos));
        if (!line) continue;
        auto id = static_cast<std::uint32_t>(pos);
        std::string lowered = lowerBytes(line->name);
        forEachNameKey(lowered, [&](KeyTable t, std::uint32_t key) {
            add(t == KeyTable::Character ? index::characterSlot(key) : index::pairSlot(key), id);
        });
        Suffix suffix = nameSuffix(lowered);
        if (line->isFolder || !suffix.hasSuffix) continue;
        auto [it, inserted] = ids.try_emplace(std::string(suffix.text), nextId);
        if (inserted) ++nextId;
        add(index::suffixSlot(index::suffixBucketOf(it->second)), id);
    }
    return buckets;
}

TEST_F(ParallelWalkTest, PostingsMergedFromManyRunsEqualASinglePassOverTheFileList) {
    // Suffixes the table lacks turn up first in different chunks, some in
    // more than one, so their numbering crosses runs.
    const char* suffixes[] = {"txt", "jpg", "zzqq", "yyrr", "tar.gz", "doc", "qqzz", "md"};
    for (int i = 0; i < 4000; ++i)
        writeFile(tree / ("f" + std::to_string(i % 37)) /
                      (std::string(i % 3 ? "report" : "报告") + std::to_string(i) + "." +
                       suffixes[(i * 7 + i / 500) % 8]),
                  "");
    // Past the table's buckets every suffix shares the last one: so many new
    // ones that they get there, with a suffix of the table that is there too.
    for (int i = 0; i < 2000; ++i)
        writeFile(tree / ("g" + std::to_string(i % 13)) /
                      ("n" + std::to_string(i) + (i % 4 ? ".s" + std::to_string(i) : ".far")),
                  "");
    ASSERT_EQ(db.Execute("insert into ExtendName(ExtendID, Name, Type, Description) "
                         "values(2500, 'far', 0, '')"),
              kSqlOk);
    setRoots({treePath()});
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows("select ExtendID, Name from ExtendName", rows), kSqlOk);
    ASSERT_FALSE(rows.empty());
    std::map<std::string, std::int64_t> table;
    std::int64_t largest = 0;
    for (const Row& row : rows) {
        table[row[1]] = std::stoll(row[0]);
        largest = std::max<std::int64_t>(largest, std::stoll(row[0]));
    }

    for (auto [chunkBytes, threads] : {std::pair{std::size_t{1} << 30, 1u}, {std::size_t{4096}, 3u},
                                       {std::size_t{512}, 2u}}) {
        IndexRun run(db, program.str());
        run.builder().setChunking(chunkBytes, threads);
        ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
        ReadIndex idx = readIndex(published("MetaIndex.idx"), published("IndexData.idx"));
        auto expected = onePassBuckets(published("AllFiles.dat"), table, largest + 1);
        for (std::uint32_t slot = 0; slot < index::kTotalBuckets; ++slot)
            ASSERT_EQ(idx.postings(slot), expected[slot]) << "slot " << slot << ", chunk " << chunkBytes;
    }
}

}  // namespace
}  // namespace zeph::test
