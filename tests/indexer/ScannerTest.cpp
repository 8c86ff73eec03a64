#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "indexer/FileScanner.h"
#include "indexer/IndexerTexts.h"
#include "tests/indexer/IndexerFixture.h"
#include "tests/support/TestMount.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using Scanner = IndexerFixture;

std::vector<std::string> listingOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (dirent* e = readdir(dir))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..")
            names.push_back(e->d_name);
    closedir(dir);
    return names;
}

// name and folder of each line, as "name|folder"
std::vector<std::string> namesAndFolders(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& text : lines) {
        auto line = parseFileListLine(text);
        EXPECT_TRUE(line) << text;
        if (line)
            out.push_back(std::string(1, text[0]) + std::string(line->name) + "|" +
                          std::string(line->folder));
    }
    return out;
}

TEST_F(Scanner, ListsAFolderThenItsSubfoldersInReverseListingOrder) {
    for (const char* sub : {"A", "B", "C"}) {
        writeFile(tree / sub / "f.txt", "x");
        fs::create_directory(tree / sub / "inner");
    }
    writeFile(tree / "top.txt", "hello");
    writeFile(tree / ".hidden" / "secret.txt", "x");
    writeFile(tree / ".dotfile", "x");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);

    std::vector<std::string> expected;
    auto listed = listingOrder(treePath());
    for (const auto& name : listed)
        expected.push_back((fs::is_directory(tree / name) ? "D" : "_") + name + "|" + treePath());
    for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
        if (!fs::is_directory(tree / *it)) continue;
        std::string sub = treePath(*it);
        for (const auto& name : listingOrder(sub))
            expected.push_back((fs::is_directory(tree / *it / name) ? "D" : "_") + name + "|" +
                               sub);
    }
    EXPECT_EQ(namesAndFolders(publishedLines()), expected);
}

TEST_F(Scanner, LineCarriesSizeTimesAndFolderSizeZero) {
    writeFile(tree / "five.bin", "12345");
    fs::create_directory(tree / "sub");
    struct timespec times[2] = {{1000, 0}, {4102444800, 0}};  // accessed, modified (past 2038)
    ASSERT_EQ(utimensat(AT_FDCWD, treePath("five.bin").c_str(), times, 0), 0);
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    for (const auto& text : publishedLines()) {
        auto line = parseFileListLine(text);
        ASSERT_TRUE(line);
        ASSERT_EQ(line->numberCount, 4);
        if (line->isFolder) {
            EXPECT_EQ(line->size, 0);
        } else {
            EXPECT_EQ(line->size, 5);
            EXPECT_EQ(line->times.modified, 4102444800LL);
            EXPECT_EQ(line->times.accessed, 1000);
            EXPECT_GT(line->times.created, 0);
        }
    }
}

TEST_F(Scanner, RootsInOrderNestedRootsTwiceEmptyAndMissingRootsNothing) {
    writeFile(tree / "one" / "a.txt", "");
    writeFile(tree / "one" / "inner" / "b.txt", "");
    writeFile(tree / "two" / "c.txt", "");
    fs::create_directory(tree / "empty");
    setRoots({treePath("two"), treePath("empty"), treePath("missing"), treePath("one/"),
              treePath("one/inner")});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    auto got = namesAndFolders(publishedLines());
    std::string one = treePath("one");
    std::vector<std::string> expected = {"_c.txt|" + treePath("two")};
    for (const auto& name : listingOrder(one))
        expected.push_back((name == "inner" ? "D" : "_") + name + "|" + one);
    expected.push_back("_b.txt|" + one + "/inner");
    expected.push_back("_b.txt|" + one + "/inner");
    EXPECT_EQ(got, expected);
}

TEST_F(Scanner, SymbolicLinksAreListedNeverFollowed) {
    fs::create_directories(tree / "loop" / "deep");
    writeFile(tree / "target.txt", "0123456789");
    fs::create_symlink(treePath(), tree / "loop" / "deep" / "up");  // link to an ancestor
    fs::create_symlink("b", tree / "a");                            // a 2-link loop
    fs::create_symlink("a", tree / "b");
    fs::create_symlink("nowhere", tree / "dangling");
    fs::create_symlink("target.txt", tree / "tolink");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    auto lines = publishedLines();
    EXPECT_EQ(lines.size(), 8u);  // loop, deep, target, up, a, b, dangling, tolink
    for (const auto& text : lines) {
        auto line = parseFileListLine(text);
        if (line->name == "up" || line->name == "a" || line->name == "dangling" ||
            line->name == "tolink") {
            EXPECT_FALSE(line->isFolder) << text;
            struct stat st;
            ASSERT_EQ(
                lstat((std::string(line->folder) + "/" + std::string(line->name)).c_str(), &st), 0);
            EXPECT_EQ(line->size, st.st_size) << text;  // the link's own size
        }
    }
}

TEST_F(Scanner, EveryNameIsHeldRawGbkAsItsCharactersOtherBytesAndLineBreaksEscaped) {
    // Literals here are GBK: "报告" is the raw GBK name an archive from Windows unpacks.
    for (std::string name :
         {std::string("it's 100%.txt"), std::string("say \"hi\""), utf8(u8"报告2023.doc"),
          std::string("tab\there"), std::string("lf\nhere"), std::string("cr\rhere"),
          std::string("bad\xFF\xFFutf8"), std::string(".bashrc"), std::string("报告.txt")})
        writeFile(tree / name, "x");
    writeFile(tree / std::string("资料") / "inside.txt", "x");  // a raw GBK folder
    writeFile(tree / std::string("资料") / "deeper" / "more.txt", "x");
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    std::set<std::string> paths;
    for (const auto& text : publishedLines()) {
        auto line = parseFileListLine(text);
        ASSERT_TRUE(line) << text;
        paths.insert(std::string(line->folder.substr(tree.str().size())) + "/" +
                     std::string(line->name));
    }
    EXPECT_EQ(paths, (std::set<std::string>{
                         "/it's 100%.txt", "/say \"hi\"", "/报告2023.doc", "/tab\\there",
                         "/lf\\nhere", "/cr\\rhere", "/bad\\xFF\\xFFutf8", "/.bashrc", "/报告.txt",
                         "/资料", "/资料/inside.txt", "/资料/deeper", "/资料/deeper/more.txt"}));
    // Each held name leads back to the bytes on disk.
    for (std::string name : {std::string("lf\\nhere"), std::string("bad\\xFF\\xFFutf8"),
                             std::string("报告.txt"), std::string("资料/deeper/more.txt")})
        EXPECT_FALSE(osPathOf(tree.str() + "/" + name).empty()) << name;
    EXPECT_EQ(osPathOf(tree.str() + "/lf\\nhere"), treePath("lf\nhere"));
    EXPECT_EQ(osPathOf(tree.str() + "/报告.txt"), treePath("报告.txt"));
}

TEST_F(Scanner, FiveGibibyteSparseFileKeepsItsSize) {
    UniqueFd fd(::open(treePath("big.iso").c_str(), O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(ftruncate(fd.get(), 5368709120LL), 0);
    fd.close();
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    auto lines = publishedLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\t5368709120\t"), std::string::npos) << lines[0];
}

TEST_F(Scanner, PathsDeeperThanTheKernelLimitAreWalkedWhole) {
    // Built with openat, since such a path cannot be created by name.
    const std::string component(200, 'd');
    UniqueFd fd(::open(treePath().c_str(), O_RDONLY | O_DIRECTORY));
    std::string expectedFolder = treePath();
    for (int depth = 0; depth < 30; ++depth) {  // about 6,000 bytes
        ASSERT_EQ(mkdirat(fd.get(), component.c_str(), 0755), 0);
        fd = UniqueFd(::openat(fd.get(), component.c_str(), O_RDONLY | O_DIRECTORY));
        expectedFolder += "/" + component;
    }
    UniqueFd file(::openat(fd.get(), "deepest.txt", O_WRONLY | O_CREAT, 0644));
    setRoots({treePath()});
    ASSERT_EQ(runIndexer(), IndexRun::Outcome::Published);
    auto lines = publishedLines();
    ASSERT_EQ(lines.size(), 31u);
    auto last = parseFileListLine(lines.back());
    EXPECT_EQ(last->name, "deepest.txt");
    EXPECT_EQ(last->folder, expectedFolder);
    EXPECT_GT(expectedFolder.size(), 6000u);
}

TEST_F(Scanner, FolderThatCannotBeListedIsSkippedSilently) {
    writeFile(tree / "closed" / "inside.txt", "x");
    writeFile(tree / "open.txt", "x");
    setRoots({treePath()});
    db.Close();
    // Permissions do not bind root: run the indexer as an ordinary user then.
    for (const fs::path& p : {program.path(), tree.path()})
        for (auto it = fs::recursive_directory_iterator(p);
             it != fs::recursive_directory_iterator(); ++it)
            fs::permissions(it->path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(program.path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(tree.path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(tree / "closed", fs::perms::none);
    pid_t child = fork();
    if (child == 0) {
        try {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
            CSQLiteDB childDb;
            openConfigDatabase(childDb, program.str());
            IndexRun run(childDb, program.str());
            _exit(run.run() == IndexRun::Outcome::Published && messages.shown.empty() ? 0 : 91);
        } catch (...) {
            _exit(92);  // never back into the test
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    auto lines = namesAndFolders(publishedLines());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Dclosed|" + treePath(), "_open.txt|" + treePath()}));
}

TEST_F(Scanner, AnotherRealFileSystemBelowARootIsEnteredAPseudoOneOnlyListed) {
    writeFile(tree / "top.txt", "x");
    TestMount mount(tree / "mnt", "size=1m");
    if (!mount.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    writeFile(tree / "mnt" / "below.txt", "x");

    struct Case {
        FsKind tmpfsKind;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {FsKind::Real,
         {"Dmnt|" + treePath(), "_below.txt|" + treePath("mnt"), "_top.txt|" + treePath()}},
        {FsKind::Pseudo, {"Dmnt|" + treePath(), "_top.txt|" + treePath()}},
        {FsKind::Network, {"Dmnt|" + treePath(), "_top.txt|" + treePath()}},
    };
    for (const Case& c : cases) {
        CFileScanner scanner(program.str());
        scanner.setFsClassifier([&](std::string_view type) {
            return type == "tmpfs" ? c.tmpfsKind : classifyFsType(type);
        });
        ASSERT_EQ(scanner.ScanRoots({treePath()}), kScanDone);
        std::vector<std::string> lines;
        std::string list = readFile(tmpFile(program.str(), "AllFiles.dat"));
        for (size_t pos = 0, end; pos < list.size(); pos = end + 1) {
            end = list.find('\n', pos);
            lines.push_back(list.substr(pos, end - pos));
        }
        auto listed = namesAndFolders(lines);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, c.lines) << static_cast<int>(c.tmpfsKind);
    }
}

}  // namespace
}  // namespace zeph::test
