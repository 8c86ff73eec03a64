#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

using test::ProcessExit;
using test::ProgramFolder;
using test::ScriptedMessages;

const char kExpiryQuestion[] =
    "您的索引已经过期，建议您重新建立索引。您现在要退出ZEPH桌面搜索主程序，并启动索引程序吗？";

class StartupSettingsTest : public ::testing::Test {
protected:
    // The described start-up, without a live index (which never expires).
    void SetUp() override {
        openConfigDatabase(db, folder.str());
        storePreference(db, Preference::LiveIndex, false);
    }

    void setSettings(int frequency, std::int64_t last, int firstRun) {
        db.Execute(
            sqlFormat("update SystemSetting set UpdateFrequency=%d,LastIndexTime=%d,isFirstRun=%d",
                      {std::int64_t{frequency}, last, std::int64_t{firstRun}}));
    }
    std::vector<Row> folders() {
        std::vector<Row> rows;
        db.QueryRows(sql::kSelectScanConfig, rows);
        return rows;
    }
    // An indexer that only leaves a mark when it is started.
    void installFakeIndexer() {
        auto indexer = folder / "ZEPHIndexer";
        test::writeFile(indexer, "#!/bin/sh\ntouch \"$(dirname \"$0\")/indexer-started\"\n");
        std::filesystem::permissions(indexer, std::filesystem::perms::owner_all);
    }
    int exitCodeOf(std::int64_t now) {
        try {
            runStartupSettings(db, folder.str(), folder.str(), now);
        } catch (const ProcessExit& exit) {
            return exit.code;
        }
        return 999;  // went on
    }

    ScriptedMessages messages;
    ProgramFolder folder;
    CSQLiteDB db;
};

TEST(OpenConfigDatabase, MissingDatabaseEndsWithCodeZero) {
    ScriptedMessages messages;
    test::TempFolder empty;
    CSQLiteDB db;
    try {
        openConfigDatabase(db, empty.str());
        FAIL() << "went on without a database";
    } catch (const ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "连接数据库失败，请与系统管理员联系！");
    EXPECT_FALSE(std::filesystem::exists(empty / "ZephConfig.sqlite"));
}

TEST_F(StartupSettingsTest, FirstRunStoresTheRootOnceAcrossStarts) {
    setSettings(4, 0, 1);
    EXPECT_EQ(exitCodeOf(1000), 999);
    EXPECT_EQ(exitCodeOf(1000), 999);
    auto rows = folders();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], "1");
    EXPECT_EQ(rows[0][2], "/");
    EXPECT_TRUE(messages.shown.empty());
}

struct ExpiryCase {
    int frequency;
    std::int64_t age;  // seconds since the last index run
    bool asks;
};

TEST_F(StartupSettingsTest, ExpiryQuestionFollowsTheFrequency) {
    const std::int64_t now = 4'000'000'000;  // past 2038
    for (auto c :
         {ExpiryCase{0, 1, true}, ExpiryCase{1, 86400, false}, ExpiryCase{1, 86401, true},
          ExpiryCase{2, 604801, true}, ExpiryCase{3, 2592000, false}, ExpiryCase{3, 2592001, true},
          ExpiryCase{4, 1'000'000'000, false}, ExpiryCase{-1, 1'000'000'000, false}}) {
        messages.shown.clear();
        setSettings(c.frequency, now - c.age, 0);
        EXPECT_EQ(exitCodeOf(now), 999);  // the scripted answer is No
        EXPECT_EQ(messages.shown.size(), c.asks ? 1u : 0u) << c.frequency << " " << c.age;
        if (c.asks) {
            EXPECT_EQ(messages.shown[0].text, kExpiryQuestion);
            EXPECT_EQ(messages.shown[0].caption, "索引过期");
        }
    }
}

TEST_F(StartupSettingsTest, ALiveIndexIsNeverOfferedForRebuilding) {
    storePreference(db, Preference::LiveIndex, true);
    setSettings(0, 0, 0);  // daily updates, last run in 1970
    EXPECT_EQ(exitCodeOf(4'000'000'000), 999);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartupSettingsTest, YesStartsTheIndexerAndEndsWithMinusTwo) {
    installFakeIndexer();
    setSettings(0, 0, 0);
    messages.answer(true);
    EXPECT_EQ(exitCodeOf(100), -2);
    for (int i = 0; i < 500 && !std::filesystem::exists(folder / "indexer-started"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(folder / "indexer-started"));
}

TEST_F(StartupSettingsTest, IndexerThatCannotStartIsReportedAndTheProgramGoesOn) {
    setSettings(0, 0, 0);
    messages.answer(true);
    EXPECT_EQ(exitCodeOf(100), 999);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "打开ZEPH桌面搜索索引程序失败，请与开发商联系！");
    EXPECT_EQ(messages.shown[1].caption, "系统文件丢失");
}

TEST_F(StartupSettingsTest, BrokenSettingsRowEndsWithCodeOne) {
    db.Execute("delete from SystemSetting");
    EXPECT_EQ(exitCodeOf(0), 1);
    EXPECT_EQ(messages.shown.back().text, "数据库配置异常，请与开发商联系！");
    db.Execute("drop table SystemSetting");
    EXPECT_EQ(exitCodeOf(0), 1);
    EXPECT_EQ(messages.shown.back().text, "数据库查询异常，请与开发商联系！");
    EXPECT_EQ(messages.shown.back().caption, "SQL查询失败");
}

TEST(Preferences, AnOlderDatabaseGainsTheColumnsOnOpenAndKeepsWhatIsStored) {
    ProgramFolder folder;
    {
        CSQLiteDB old;
        ASSERT_TRUE(old.Open(folder.database(), false));
        for (const char* column : {"SearchAsYouType", "LiveIndex"})
            ASSERT_EQ(old.Execute(std::string("alter table SystemSetting drop column ") + column),
                      kSqlOk);
        old.Execute("update SystemSetting set UpdateFrequency=3");
    }
    CSQLiteDB db;
    openConfigDatabase(db, folder.str());
    for (Preference preference : {Preference::SearchAsYouType, Preference::LiveIndex}) {
        EXPECT_TRUE(readPreference(db, preference));  // on by default
        ASSERT_TRUE(storePreference(db, preference, false));
        EXPECT_FALSE(readPreference(db, preference));
    }
    std::vector<Row> rows;
    db.QueryRows(sql::kSelectSystemSetting, rows);
    EXPECT_EQ(rows.at(0).at(0), "3");
    CSQLiteDB again;  // a second opening adds nothing more
    openConfigDatabase(again, folder.str());
    EXPECT_FALSE(readPreference(again, Preference::LiveIndex));
}

}  // namespace
}  // namespace zeph
