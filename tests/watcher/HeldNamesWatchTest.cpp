// The watcher holds names as the walk does: a raw GBK folder renamed is
// followed by its characters, and what is excluded never reaches the journal.
#include "common/Exclusions.h"
#include "tests/watcher/WatcherFixture.h"

namespace zeph::test {
namespace {

bool holds(const std::vector<std::string>& records, const std::string& part) {
    for (const std::string& record : records)
        if (record.find(part) != std::string::npos) return true;
    return false;
}

TEST_F(Watcher, ARawGbkFolderRenamedIsFollowedByItsCharacters) {
    // Literals are GBK: as names on disk they are raw bytes.
    writeFile(tree / std::string("资料") / "plan.txt", "x");
    startWatching();
    ASSERT_TRUE(findsExactly("plan", {"资料/plan.txt"}));
    fs::rename(tree / std::string("资料"), tree / std::string("文件"));
    EXPECT_TRUE(eventually([&] { return findsExactly("plan", {"文件/plan.txt"}); }));
    auto records = journalRecords();
    EXPECT_TRUE(holds(records, "-" + tree.str() + "/资料"));
    EXPECT_TRUE(holds(records, "+_plan.txt\t" + tree.str() + "/文件\t"));
    // A file made inside it afterwards is found too: its watch stands for its bytes.
    writeFile(tree / std::string("文件") / "later.txt", "x");
    EXPECT_TRUE(eventually([&] { return findsExactly("later", {"文件/later.txt"}); }));
}

TEST_F(Watcher, WhatIsExcludedNeverReachesTheJournal) {
    storeExclusions(db, Exclusions({tree.str() + "/private"}, {"node_modules", "*.tmp"}));
    startWatching();
    writeFile(tree / "private" / "new.txt", "x");
    writeFile(tree / "docs" / "node_modules" / "lib.js", "x");
    writeFile(tree / "docs" / "scratch.tmp", "x");
    writeFile(tree / "docs" / "kept.txt", "x");
    ASSERT_TRUE(eventually([&] { return findsExactly("kept", {"docs/kept.txt"}); }));
    stopWatching();  // everything seen is written
    auto records = journalRecords();
    for (const char* excluded : {"private", "node_modules", "lib.js", "scratch.tmp"})
        EXPECT_FALSE(holds(records, excluded)) << excluded;
}

}  // namespace
}  // namespace zeph::test
