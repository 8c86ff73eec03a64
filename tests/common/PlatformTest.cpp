#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "common/Codec.h"
#include "common/Drives.h"
#include "common/Paths.h"
#include "common/Process.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

TEST(Codec, RoundTripsChineseAndFourByteCharacters) {
    // Literals here are compiled to GB18030, the bytes the programs hold.
    const std::string gbk = "报告_2023 乤x 😀.txt";
    const std::string utf8 = "\xE6\x8A\xA5\xE5\x91\x8A_2023 \xE4\xB9\xA4x \xF0\x9F\x98\x80.txt";
    EXPECT_EQ(toGbk(utf8), gbk);
    EXPECT_EQ(toUtf8(gbk), utf8);
    EXPECT_EQ(toGbk("plain ascii"), "plain ascii");
    EXPECT_EQ(toUtf8(*toGbk("\xC3\xB1")), "\xC3\xB1");  // ñ is a four-byte GB18030 character
    EXPECT_EQ(toGbk("\xC3\xB1")->size(), 4u);
}

TEST(Codec, RefusesTextThatIsNotValidUtf8) {
    for (const char* bad : {"\xFF", "abc\xC3", "\xC0\xAF", "\xED\xA0\x80", "a\x80z"})
        EXPECT_FALSE(toGbk(bad).has_value()) << bad;
    EXPECT_FALSE(toUtf8("\x81").has_value());  // a lead byte with nothing after it
    EXPECT_EQ(toUtf8Lossy("ok\x81"), "ok\xEF\xBF\xBD");
}

struct JoinCase {
    const char* folder;
    const char* name;
    const char* joined;
};

TEST(Paths, JoinNeverDoublesTheSeparator) {
    for (auto c : {JoinCase{"/", "usr", "/usr"}, JoinCase{"/usr", "bin", "/usr/bin"},
                   JoinCase{"/data/", "a.txt", "/data/a.txt"}, JoinCase{"/data", "/a", "/data/a"}})
        EXPECT_EQ(joinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
    EXPECT_EQ(normalizeFolder("/data/"), "/data");
    EXPECT_EQ(normalizeFolder("//"), "/");
    EXPECT_EQ(normalizeFolder("/"), "/");
}

struct ContainsCase {
    const char* folder;
    const char* path;
    bool contains;
};

TEST(Paths, FolderContainsWholeComponentsOnly) {
    for (auto c :
         {ContainsCase{"/data/ab", "/data/abc", false}, ContainsCase{"/data/ab", "/data/ab", true},
          ContainsCase{"/data/ab", "/data/ab/c", true},
          ContainsCase{"/data/ab/", "/data/ab/c", true},
          ContainsCase{"/", "/anything/at/all", true}, ContainsCase{"/Data", "/data/x", false},
          ContainsCase{"/data/Work", "/data/Workshop", false}, ContainsCase{"/a/b", "/a", false}})
        EXPECT_EQ(folderContains(c.folder, c.path), c.contains) << c.folder << " vs " << c.path;
}

TEST(Drives, MountInfoKeepsRealAndNetworkFileSystemsOnly) {
    const char* text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "23 22 0:5 / /proc rw,nosuid shared:12 - proc proc rw\n"
        "24 22 0:21 / /sys rw - sysfs sysfs rw\n"
        "25 22 0:24 / /tmp rw - tmpfs tmpfs rw\n"
        "26 22 8:17 / /media/My\\040Disk rw,relatime shared:30 - vfat /dev/sdb1 rw\n"
        "27 22 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
        "28 22 0:51 / /home/u/sshfs rw - fuse.sshfs host: rw\n"
        "29 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
        "30 22 8:2 / /home rw master:3 propagate_from:1 - btrfs /dev/sda2 rw\n"
        "garbage line\n";
    auto mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 9u);
    EXPECT_EQ(mounts[4].mountPoint, "/media/My Disk");
    EXPECT_EQ(mounts[4].major, 8u);
    EXPECT_EQ(mounts[4].minor, 17u);
    EXPECT_EQ(mounts[8].fsType, "btrfs");
    EXPECT_EQ(classifyFsType("fuse.sshfs"), FsKind::Network);
    EXPECT_EQ(classifyFsType("cgroup2"), FsKind::Pseudo);
    EXPECT_EQ(listDrives(mounts), (std::vector<std::string>{"/", "/home", "/home/u/sshfs",
                                                            "/media/My Disk", "/mnt/share"}));
    EXPECT_EQ(listDrives({}), std::vector<std::string>{"/"});
    EXPECT_EQ(listDrives().front(), "/");
}

TEST(Process, ADetachedProgramHasOnlyNullStreamsAndTheEnvironmentItWasGiven) {
    test::TempFolder folder;
    int inheritable[2];
    ASSERT_EQ(::pipe(inheritable), 0);  // a descriptor of ours without close-on-exec
    const std::string report = (folder / "report").string();
    ASSERT_TRUE(startDetached("/bin/sh",
                              {"-c", "echo \"$$ $ZEPH_DATA_DIR\" > '" + report + ".part'; mv '" +
                                         report + ".part' '" + report + "'; exec sleep 30"},
                              {{"ZEPH_DATA_DIR", "/chosen/data"}}));
    ::close(inheritable[0]);
    ::close(inheritable[1]);
    for (int i = 0; i < 500 && !std::filesystem::exists(report); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::istringstream words(test::readFile(report));
    pid_t pid = 0;
    std::string data;
    words >> pid >> data;
    EXPECT_EQ(data, "/chosen/data");
    ASSERT_GT(pid, 0);
    // Once it runs sleep, what it holds open is what it was started with.
    std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    std::map<std::string, std::string> open;
    std::error_code ec;
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).filename() ==
            "sleep")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& entry : std::filesystem::directory_iterator(fds, ec))
        open[entry.path().filename().string()] =
            std::filesystem::read_symlink(entry.path(), ec).string();
    ::kill(pid, SIGKILL);
    EXPECT_EQ(open, (std::map<std::string, std::string>{
                        {"0", "/dev/null"}, {"1", "/dev/null"}, {"2", "/dev/null"}}));
}

}  // namespace
}  // namespace zeph
