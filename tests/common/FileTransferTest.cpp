// Replacing a file by a move or a copy never loses the file in the way.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "common/FileTransfer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestMount.h"

namespace fs = std::filesystem;

namespace zeph {
namespace {

using test::readFile;
using test::writeFile;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileTransfer, AFailedCopyOrMoveLeavesTheTargetAsItWas) {
    test::TempFolder folder;
    writeFile(folder / "to" / "a.txt", "the user's file");
    const std::string target = (folder / "to" / "a.txt").string();
    const std::string vanished = (folder / "gone.txt").string();
    EXPECT_FALSE(copyReplacing(vanished, target));
    EXPECT_FALSE(moveReplacing(vanished, target));
    fs::create_directory(folder / "dir");
    EXPECT_FALSE(copyReplacing((folder / "dir").string(), target));  // no regular file
    EXPECT_EQ(readFile(target), "the user's file");
    EXPECT_EQ(namesIn(folder / "to"), std::vector<std::string>{"a.txt"});  // no leftovers
}

TEST(FileTransfer, ACopyThatRunsOutOfSpaceLeavesTheTargetAsItWas) {
    test::TempFolder folder;
    test::TestMount full(folder / "small", "size=64k");
    if (!full.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    writeFile(folder / "small" / "a.txt", "the user's file");
    writeFile(folder / "big.txt", std::string(1 << 20, 'x'));
    const std::string target = (folder / "small" / "a.txt").string();
    EXPECT_FALSE(copyReplacing((folder / "big.txt").string(), target));
    EXPECT_FALSE(moveReplacing((folder / "big.txt").string(), target));
    EXPECT_EQ(readFile(target), "the user's file");
    EXPECT_TRUE(fs::exists(folder / "big.txt"));  // the move kept its source
    EXPECT_EQ(namesIn(folder / "small"), std::vector<std::string>{"a.txt"});
}

TEST(FileTransfer, ReplacesKeepingTimesAndModeAcrossFileSystems) {
    test::TempFolder folder;
    test::TestMount other(folder / "other", "size=1m");
    if (!other.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    for (const char* name : {"copy.txt", "move.txt"}) {
        writeFile(folder / name, std::string("new ") + name);
        fs::permissions(folder / name,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        struct timespec times[2] = {{1000000000, 0}, {1200000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder / name).c_str(), times, 0), 0);
        writeFile(folder / "other" / name, "old");
    }
    ASSERT_TRUE(
        copyReplacing((folder / "copy.txt").string(), (folder / "other/copy.txt").string()));
    ASSERT_TRUE(
        moveReplacing((folder / "move.txt").string(), (folder / "other/move.txt").string()));
    EXPECT_TRUE(fs::exists(folder / "copy.txt"));
    EXPECT_FALSE(fs::exists(folder / "move.txt"));
    for (const char* name : {"copy.txt", "move.txt"}) {
        EXPECT_EQ(readFile(folder / "other" / name), std::string("new ") + name);
        struct stat st;
        ASSERT_EQ(::stat((folder / "other" / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1200000000) << name;
        EXPECT_EQ(st.st_mode & 0777, 0640u) << name;
    }
}

}  // namespace
}  // namespace zeph
