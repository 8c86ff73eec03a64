// Names as users' files have them: raw GBK bytes (files, and a folder with a
// subtree), bytes of no encoding, line breaks, and hidden names - each found
// by its characters, and the terminal command printing its real bytes;
// hidden entries shown only when asked for, without a new index; excluded
// folders and names never indexed.
#include <filesystem>
#include <set>

#include "common/Exclusions.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

using Paths = std::vector<std::string>;

class HeldNames : public EngineFixture {
protected:
    // The bytes of a path below the tree, as the file system has them.
    std::string treeRaw(const std::string& relative) const { return tree.str() + "/" + relative; }
    ProgramRun query(std::vector<std::string> args) {
        return runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query", args,
                          {{"ZEPH_DATA_DIR", program.str()}});
    }
};

TEST_F(HeldNames, RawGbkAndUndecodableNamesAreFoundByTheirCharactersAndPrintedAsTheirBytes) {
    // Literals are GBK here: written as file names they are the raw bytes.
    const std::string report = "季度报告.txt", folder = "项目资料";
    writeFile(tree / report, "x");
    writeFile(tree / folder / "plan.txt", "x");
    writeFile(tree / folder / "sub" / "deep.txt", "x");
    writeFile(tree / "odd\xFF\xFFname.txt", "x");
    writeFile(tree / "two\nlines.txt", "x");
    indexAndLoad();
    EXPECT_EQ(searchName("报告"), Paths{at(report)});
    EXPECT_EQ(searchName("deep"), Paths{at(folder + "/sub/deep.txt")});  // the subtree is whole
    EXPECT_EQ(searchName("资料"), Paths{at(folder)});
    EXPECT_EQ(searchName("odd"), Paths{at("odd\\xFF\\xFFname.txt")});
    EXPECT_EQ(searchName("lines"), Paths{at("two\\nlines.txt")});
    // The terminal prints the bytes the files have, for scripts to act on.
    EXPECT_EQ(query({utf8(u8"报告")}).out, treeRaw(report) + "\n");
    EXPECT_EQ(query({"deep"}).out, treeRaw(folder + "/sub/deep.txt") + "\n");
    EXPECT_EQ(query({"-0", "lines"}).out, treeRaw("two\nlines.txt") + std::string(1, '\0'));
}

// A TAB and a backslash followed by 't' are two names: each is held, found
// and printed as its own bytes, in a folder whose name has a TAB too.
TEST_F(HeldNames, ATabAndABackslashFollowedByTAreTwoNames) {
    writeFile(tree / "a\\tb.txt", "backslash");
    writeFile(tree / "a\tb.txt", "tab");
    writeFile(tree / "c\\\\d.txt", "two backslashes");
    writeFile(tree / "tab\tfolder" / "inner.txt", "x");
    writeFile(tree / "raw\xFF.txt", "x");
    writeFile(tree / "raw\\xFF.txt", "x");
    indexAndLoad();
    std::vector<std::string> shown = searchName("txt");
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(std::set<std::string>(shown.begin(), shown.end()).size(), 6u);
    ProgramRun found = query({"-0", "txt"});
    std::set<std::string> printed;
    for (size_t at = 0, end; (end = found.out.find('\0', at)) != std::string::npos; at = end + 1)
        printed.insert(found.out.substr(at, end - at));
    EXPECT_EQ(printed, (std::set<std::string>{treeRaw("a\tb.txt"), treeRaw("a\\tb.txt"),
                                               treeRaw("c\\\\d.txt"), treeRaw("tab\tfolder/inner.txt"),
                                               treeRaw("raw\xFF.txt"), treeRaw("raw\\xFF.txt")}));
    // Each printed path opens the file it names.
    for (const std::string& path : printed) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(readFile(treeRaw("a\tb.txt")), "tab");
}

// --json for other programs: Python's json reads every line, and each path's
// bytes (its text, or the base64 of bytes that are not UTF-8) are the file's.
TEST_F(HeldNames, JsonLinesCarryEveryPathsOwnBytes) {
    const std::string gbk = "季度报告.txt";  // GBK bytes on disk
    writeFile(tree / gbk, "x");
    writeFile(tree / utf8(u8"报告.txt"), "x");
    writeFile(tree / "two\nlines.txt", "x");
    writeFile(tree / "quote\"and\\.txt", "x");
    indexAndLoad();
    ProgramRun found = query({"--json", "txt"});
    ASSERT_EQ(found.exitCode, 0) << found.err;
    const std::string script =
        "import base64, json, sys\n"
        "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
        "    hit = json.loads(line)\n"
        "    raw = base64.b64decode(hit['path_base64']) if 'path_base64' in hit else hit['path'].encode()\n"
        "    assert hit['kind'] == 'file' and hit['size'] == 1 and hit['modified'][4] == '-'\n"
        "    sys.stdout.buffer.write(raw + b'\\0')\n";
    ProgramRun parsed = runProgram("/bin/sh", {"-c", "printf '%s' \"$0\" | python3 -c \"$1\"",
                                               found.out, script});
    ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
    std::set<std::string> paths;
    for (size_t at = 0, end; (end = parsed.out.find('\0', at)) != std::string::npos; at = end + 1)
        paths.insert(parsed.out.substr(at, end - at));
    EXPECT_EQ(paths, (std::set<std::string>{treeRaw(gbk), treeRaw(utf8(u8"报告.txt")),
                                             treeRaw("two\nlines.txt"), treeRaw("quote\"and\\.txt")}));
}

TEST_F(HeldNames, HiddenEntriesShowOnlyWhenAskedForWithoutANewIndex) {
    writeFile(tree / ".bashrc", "x");
    writeFile(tree / ".config" / "app" / "settings.ini", "x");
    writeFile(tree / "visible" / "settings.ini", "x");
    indexAndLoad();
    EXPECT_EQ(searchName("bashrc"), Paths{});
    EXPECT_EQ(searchName("settings"), Paths{at("visible/settings.ini")});
    SearchCriteria c = criteria();
    c.showHidden = true;
    c.name = "bashrc";
    EXPECT_EQ(search(c), Paths{at(".bashrc")});
    c.name = "settings";
    EXPECT_EQ(search(c), (Paths{at(".config/app/settings.ini"), at("visible/settings.ini")}));
    EXPECT_EQ(query({"bashrc"}).exitCode, 1);
    EXPECT_EQ(query({"--hidden", "bashrc"}).out, at(".bashrc") + "\n");
}

TEST_F(HeldNames, ExcludedFoldersAndNamesAreNeverIndexed) {
    writeFile(tree / "app" / "node_modules" / "lib" / "index.js", "x");
    writeFile(tree / "app" / "main.js", "x");
    writeFile(tree / "app" / "cache.tmp", "x");
    writeFile(tree / "build" / "out.js", "x");
    writeFile(tree / "builder" / "keep.js", "x");
    CSQLiteDB config;
    openConfigDatabase(config, program.str());
    storeExclusions(config, Exclusions({tree.str() + "/build"}, {"node_modules", "*.TMP"}));
    indexAndLoad();
    std::vector<std::string> all = searchName("js");
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (Paths{at("app/main.js"), at("builder/keep.js")}));
    EXPECT_EQ(searchName("cache"), Paths{});
    EXPECT_EQ(searchName("node_modules"), Paths{});
    EXPECT_EQ(searchName("out"), Paths{});
}

}  // namespace
}  // namespace zeph::test
