#include <filesystem>

#include "common/IndexFormat.h"
#include "tests/engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

const char kFirstRunQuestion[] =
    "这是您第一次运行ZEPH桌面搜索，您必须建立索引。您现在要退出ZEPH桌面搜索主程序,"
    "并启动ZEPH桌面搜索索引程序吗？";

class EngineStartup : public EngineFixture {
protected:
    int exitCodeOfStart(std::int64_t now = 0) {
        try {
            CSQLiteDB startDb;
            CSearchEngine start(startDb, program.str(), now);
        } catch (const ProcessExit& exit) {
            return exit.code;
        }
        return 999;  // started
    }
    void noExpiry() {
        CSQLiteDB settings;
        openConfigDatabase(settings, program.str());
        settings.Execute("update SystemSetting set UpdateFrequency=4");
    }
    fs::path indexFile(const char* name) { return fs::canonical(program / "index") / name; }
};

TEST_F(EngineStartup, FirstRunQuestionNoEndsWithTwoYesStartsTheIndexer) {
    noExpiry();
    EXPECT_EQ(exitCodeOfStart(), 2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kFirstRunQuestion);
    EXPECT_EQ(messages.shown[0].caption, "第一次运行");

    messages.shown.clear();
    messages.answer(true);
    EXPECT_EQ(exitCodeOfStart(), 1);  // no indexer in this folder: reported, then the end
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除.");

    auto indexer = program / "ZEPHIndexer";
    writeFile(indexer, "#!/bin/sh\nexit 0\n");
    fs::permissions(indexer, fs::perms::owner_all);
    messages.shown.clear();
    messages.answer(true);
    EXPECT_EQ(exitCodeOfStart(), 1);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(EngineStartup, ExpiryQuestionComesBeforeTheFirstRunQuestion) {
    EXPECT_EQ(exitCodeOfStart(4'000'000'000LL), 2);  // daily updates, no index for years
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].caption, "索引过期");
    EXPECT_EQ(messages.shown[1].caption, "第一次运行");
}

TEST_F(EngineStartup, MissingOrCorruptIndexFilesEndWithMinusOne) {
    writeFile(tree / "a.txt", "x");
    indexAndLoad();
    engine.reset();
    std::string meta = readFile(indexFile("MetaIndex.idx"));
    std::string list = readFile(indexFile("AllFiles.dat"));

    struct Damage {
        const char* what;
        std::function<void()> apply;
    };
    std::vector<Damage> damages = {
        {"directory missing", [&] { fs::remove(indexFile("MetaIndex.idx")); }},
        {"directory truncated",
         [&] { writeFile(indexFile("MetaIndex.idx"), meta.substr(0, 1000)); }},
        {"directory too long", [&] { writeFile(indexFile("MetaIndex.idx"), meta + "xxxxxxxx"); }},
        {"bucket past the postings",
         [&] {
             std::string bad = meta;
             bad.replace(8 * 'a', 8, std::string("\xF0\xFF\xFF\x7F\x10\x00\x00\x00", 8));
             writeFile(indexFile("MetaIndex.idx"), bad);
         }},
        {"file list missing", [&] { fs::remove(indexFile("AllFiles.dat")); }},
    };
    for (const auto& damage : damages) {
        writeFile(indexFile("MetaIndex.idx"), meta);
        writeFile(indexFile("AllFiles.dat"), list);
        damage.apply();
        messages.shown.clear();
        EXPECT_EQ(exitCodeOfStart(), -1) << damage.what;
        ASSERT_EQ(messages.shown.size(), 1u) << damage.what;
        EXPECT_EQ(messages.shown[0].text, "系统文件丢失，请与开发商联系!");
        EXPECT_EQ(messages.shown[0].caption, "系统文件丢失");
    }
}

TEST_F(EngineStartup, BrokenSuffixTableEndsWithCodeOne) {
    noExpiry();
    {
        CSQLiteDB settings;
        openConfigDatabase(settings, program.str());
        settings.Execute("alter table ExtendName rename to Gone");
    }
    EXPECT_EQ(exitCodeOfStart(), 1);
    EXPECT_EQ(messages.shown.back().text, "数据库查询异常，请与开发商联系！");
}

TEST_F(EngineStartup, PostingsPointingPastTheFileListAreSkipped) {
    writeFile(tree / "only.txt", "x");
    indexAndLoad();
    engine.reset();
    // Shorten the file list under the index: its ids now point past its end.
    writeFile(indexFile("AllFiles.dat"), "");
    engine = std::make_unique<CSearchEngine>(db, program.str(), 0);
    EXPECT_EQ(searchName("only"), std::vector<std::string>{});
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace zeph::test
