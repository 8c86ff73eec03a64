#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/IndexFormat.h"
#include "common/Preferences.h"
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
    {
        CSQLiteDB settings;
        openConfigDatabase(settings, program.str());
        storePreference(settings, Preference::LiveIndex, false);
    }
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
        {"postings cut short", [&] { writeFile(indexFile("IndexData.idx"), ""); }},
    };
    const std::string postings = readFile(indexFile("IndexData.idx"));
    for (const auto& damage : damages) {
        writeFile(indexFile("MetaIndex.idx"), meta);
        writeFile(indexFile("AllFiles.dat"), list);
        writeFile(indexFile("IndexData.idx"), postings);
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

TEST_F(EngineStartup, AnIndexChangedSincePublishingIsRebuiltNeverAnsweredInPart) {
    writeFile(tree / "only.txt", "x");
    indexAndLoad();
    engine.reset();
    const std::string list = readFile(indexFile("AllFiles.dat"));
    const std::string postings = readFile(indexFile("IndexData.idx"));
    struct Damage {
        const char* what;
        std::function<void()> apply;
    };
    const Damage damages[] = {
        {"file list cut short", [&] { writeFile(indexFile("AllFiles.dat"), list.substr(0, 5)); }},
        {"file list grown", [&] { writeFile(indexFile("AllFiles.dat"), list + list); }},
        {"postings grown", [&] { writeFile(indexFile("IndexData.idx"), postings + "xxxx"); }},
        {"no manifest", [&] { fs::remove(indexFile("Manifest.txt")); }},
    };
    const std::string manifest = readFile(indexFile("Manifest.txt"));
    for (const Damage& damage : damages) {
        writeFile(indexFile("AllFiles.dat"), list);
        writeFile(indexFile("IndexData.idx"), postings);
        writeFile(indexFile("Manifest.txt"), manifest);
        damage.apply();
        messages.shown.clear();
        EXPECT_EQ(exitCodeOfStart(), 2) << damage.what;  // the rebuild question, answered No
        ASSERT_EQ(messages.shown.size(), 1u) << damage.what;
        EXPECT_EQ(messages.shown[0].text, kFirstRunQuestion) << damage.what;
    }
}

TEST_F(EngineStartup, AFifoInPlaceOfAnIndexFileNeverHangsTheStart) {
    writeFile(tree / "only.txt", "x");
    indexAndLoad();
    engine.reset();
    struct Case {
        const char* name;
        int code;  // no postings: the first-run question; the others: files missing
    };
    alarm(60);  // a start that blocks ends the test program instead of the suite
    for (const Case& c : {Case{"IndexData.idx", 2}, Case{"MetaIndex.idx", -1},
                          Case{"AllFiles.dat", -1}, Case{"Manifest.txt", 2}}) {
        fs::path path = indexFile(c.name);
        std::string kept = readFile(path);
        fs::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        EXPECT_EQ(exitCodeOfStart(), c.code) << c.name;
        fs::remove(path);
        writeFile(path, kept);
    }
    alarm(0);
}

}  // namespace
}  // namespace zeph::test
