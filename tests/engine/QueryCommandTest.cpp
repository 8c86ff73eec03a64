// zeph-query as a user runs it from a terminal, over an indexed test tree.
#include <filesystem>

#include "common/Preferences.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class QueryCommand : public EngineFixture {
protected:
    void SetUp() override {
        for (const char* name : {"alpha report.txt", "beta-report.md", "gamma.txt", "notes.log"})
            writeFile(tree / name, "x");
        writeFile(tree / utf8(u8"报告.doc"), "zephyrquill");
        indexAndLoad();
    }
    ProgramRun query(std::vector<std::string> args, const std::string& workingFolder = "") {
        return runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query", args,
                          {{"ZEPH_DATA_DIR", program.str()}}, workingFolder);
    }
    std::string lines(std::initializer_list<std::string> names, char end = '\n') {
        std::string out;
        for (const std::string& name : names) out += tree.str() + "/" + name + end;
        return out;
    }
};

TEST_F(QueryCommand, PrintsFullPathsCountsAndStopsAtTheLimit) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int code;
    };
    const Case cases[] = {
        {{"report"}, lines({"alpha report.txt", "beta-report.md"}), 0},
        {{"*.txt"}, lines({"alpha report.txt", "gamma.txt"}), 0},
        {{"report", "!beta"}, lines({"alpha report.txt"}), 0},
        {{"alpha report"}, lines({"alpha report.txt"}), 0},  // one word with a space
        {{utf8(u8"报告")}, lines({utf8(u8"报告.doc")}), 0},
        {{"--content", "zephyrquill", "--ext", "doc"}, lines({utf8(u8"报告.doc")}), 0},
        {{"-0", "report"}, lines({"alpha report.txt", "beta-report.md"}, '\0'), 0},
        {{"--count", "*.txt|*.md"}, "3\n", 0},
        {{"--limit", "1", "report"}, lines({"alpha report.txt"}), 0},
        {{"--limit", "0", "report"}, "", 1},
        {{"--count", "--limit", "1", "report"}, "1\n", 0},
        {{"nothing-like-this"}, "", 1},
        // The search language in the words, and every option beside it.
        {{"ext:md;log"}, lines({"notes.log", "beta-report.md"}), 0},  // by suffix bucket
        {{"report", "!ext:md"}, lines({"alpha report.txt"}), 0},
        {{"ext:txt,log", "--count"}, "3\n", 0},
        {{"regex:^[a-z]+\\.txt$"}, lines({"gamma.txt"}), 0},
        {{"content:zephyrquill"}, lines({utf8(u8"报告.doc")}), 0},
        {{"size:1", "--ext", "log"}, lines({"notes.log"}), 0},
    };
    for (const Case& c : cases) {
        ProgramRun run = query(c.args);
        EXPECT_EQ(run.out, c.out) << c.args[0] << ": " << run.err;
        EXPECT_EQ(run.exitCode, c.code) << c.args[0];
    }
}

TEST_F(QueryCommand, LettersFindChineseNamesByPinyinUnlessTurnedOff) {
    for (const char8_t* name : {u8"長城.jpg", u8"音乐", u8"乐队", u8"长江.txt"})
        writeFile(tree / utf8(name), "x");
    indexAndLoad();
    const std::string report = utf8(u8"报告.doc"), wall = utf8(u8"長城.jpg");
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"bg"}, lines({report})},
        {{"BaoGao"}, lines({report})},
        {{utf8(u8"報告")}, lines({report})},
        {{"changcheng"}, lines({wall})},
        {{"cc"}, lines({wall})},
        {{utf8(u8"长城")}, lines({wall})},
        {{utf8(u8"長江")}, lines({utf8(u8"长江.txt")})},  // 長 is E94C: its 'L' is no letter
        {{"yinyue"}, lines({utf8(u8"音乐")})},
        {{"yuedui"}, lines({utf8(u8"乐队")})},
        {{"yue", "!yinyue"}, lines({utf8(u8"乐队")})},
        {{"--no-pinyin", "bg"}, ""},
        {{"--no-pinyin", utf8(u8"報告")}, ""},
    };
    for (const Case& c : cases) {
        ProgramRun run = query(c.args);
        EXPECT_EQ(run.out, c.out) << c.args.back() << ": " << run.err;
        EXPECT_EQ(run.exitCode, c.out.empty() ? 1 : 0) << c.args.back();
    }
    // The setting turned off is the default of every command.
    storePreference(db, Preference::Pinyin, false);
    EXPECT_EQ(query({"bg"}).exitCode, 1);
}

TEST_F(QueryCommand, ARefusedOrEmptySearchPrintsNothingAndSaysWhy) {
    ASSERT_EQ(searchName("report").size(), 2u);  // an earlier search's rows in the table
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--content", std::string(151, 'z')},
          std::vector<std::string>{"*"}, std::vector<std::string>{}}) {
        ProgramRun run = query(args);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(query({"--bogus"}).exitCode, 2);
    // A value not understood says which part, in the locale's encoding.
    for (const char* wrong : {"size:>abc", "dm:2024-13", "regex:(", "type:spaceship"}) {
        ProgramRun run = query({"report", wrong}, "");
        EXPECT_EQ(run.exitCode, 2) << wrong;
        EXPECT_EQ(run.out, "") << wrong;
        EXPECT_NE(run.err.find(wrong), std::string::npos) << run.err;
    }
}

TEST_F(QueryCommand, EveryErrorEndsWithTwoAndAMessage) {
    ProgramFolder notADatabase;
    writeFile(notADatabase / "ZephConfig.sqlite", "these bytes are no database");
    auto fails = [&](const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& environment, const Output& output,
                     const std::string& what) {
        ProgramRun run = runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query", args,
                                    environment, "", output);
        EXPECT_EQ(run.exitCode, 2) << what;
        EXPECT_FALSE(run.err.empty()) << what;
    };
    const std::map<std::string, std::string> ours{{"ZEPH_DATA_DIR", program.str()}};
    fails({"--in", "", "report"}, ours, {}, "an empty look-in folder");
    fails({"--folder", "", "report"}, {}, {}, "an empty data folder");
    fails({"--folder", (tree / "missing").string(), "report"}, {}, {}, "a missing data folder");
    fails({"--folder", notADatabase.str(), "report"}, {}, {}, "a file that is no database");
    fails({"report"}, ours, {Output::File, "/dev/full"}, "a full output");
    fails({"report"}, ours, {Output::Closed, ""}, "a closed output");
    fails({"--count", "report"}, ours, {Output::File, "/dev/full"}, "a full output for a count");
    // The index without its bucket directory, then the database without a table.
    fs::remove(fs::canonical(program / "index") / "MetaIndex.idx");
    fails({"report"}, ours, {}, "a damaged index");
    db.Execute("drop table SystemSetting");
    fails({"report"}, ours, {}, "a database without a table");
}

TEST_F(QueryCommand, TheWindowsResultsStayAsTheyWere) {
    auto before = searchName("txt");
    ASSERT_EQ(before.size(), 2u);
    EXPECT_EQ(query({"report"}).exitCode, 0);
    EXPECT_EQ(storedPaths(), before);
}

TEST_F(QueryCommand, ARelativeDataFolderAndLookInFolder) {
    fs::path parent = program.path().parent_path();
    ProgramRun run =
        runProgram(std::string(ZEPH_TEST_PROGRAM_DIR) + "/zeph-query",
                   {"--folder", program.path().filename().string(), "report"}, {}, parent.string());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, lines({"alpha report.txt", "beta-report.md"}));
    run = query({"--in", ".", "gamma"}, tree.str());
    EXPECT_EQ(run.out, lines({"gamma.txt"}));
}

}  // namespace
}  // namespace zeph::test
