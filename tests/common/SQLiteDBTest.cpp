#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "common/SQLiteDB.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

using test::TempFolder;

class SQLiteDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = (folder / "t.sqlite").string();
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
        sqlite3_exec(raw, "create table T(a integer, b text)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        ASSERT_TRUE(db.Open(file, false));
    }
    TempFolder folder;
    std::string file;
    CSQLiteDB db;
};

TEST(SQLiteDBOpen, MissingFileIsAnErrorAndCreatesNothing) {
    TempFolder folder;
    CSQLiteDB db;
    auto missing = folder / "ZephConfig.sqlite";
    EXPECT_FALSE(db.Open(missing.string(), false));
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(db.Open("", false));
    EXPECT_EQ(db.lastError(), "数据库文件名为空");
}

TEST_F(SQLiteDBTest, QueryWithoutRowsEndsAtOnceAndFinalizeIsHarmless) {
    Statement query = db.Prepare("select a,b from T");
    ASSERT_TRUE(query.ok());
    Row row;
    EXPECT_EQ(query.FetchRow(row), kSqlDone);
    EXPECT_TRUE(row.empty());
    EXPECT_EQ(query.Finalize(), 0);
}

TEST_F(SQLiteDBTest, NullColumnsComeBackEmptyInTheirPlace) {
    ASSERT_EQ(db.Execute("insert into T values(NULL,'x'),(7,NULL)"), kSqlOk);
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows("select a,b from T order by rowid", rows), kSqlOk);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"", "x"}));
    EXPECT_EQ(rows[1], (Row{"7", ""}));
}

TEST_F(SQLiteDBTest, MissingTextIsRefusedWithoutTouchingTheLastResult) {
    ASSERT_EQ(db.Execute("insert into T values(1,'a')"), kSqlOk);
    int before = db.lastResult();
    EXPECT_EQ(db.Execute(""), kSqlMissing);
    EXPECT_EQ(db.lastError(), "The inputed SQL sentence is empty .");
    EXPECT_EQ(db.lastResult(), before);
    EXPECT_EQ(db.Prepare("").result(), kSqlMissing);
    EXPECT_EQ(db.lastError(), "The inputed SQL is empty.");
}

TEST_F(SQLiteDBTest, FailuresReportTheLibraryText) {
    EXPECT_NE(db.Execute("insert into Missing values(1)"), kSqlOk);
    EXPECT_NE(db.lastError().find("no such table"), std::string::npos);
    Statement bad = db.Prepare("select nothing from Missing");
    EXPECT_FALSE(bad.ok());
    Row row;
    EXPECT_NE(bad.FetchRow(row), kSqlRow);
}

TEST_F(SQLiteDBTest, BusyStatementIsRetriedUntilTheOtherWriterLetsGo) {
    CSQLiteDB other;
    ASSERT_TRUE(other.Open(file, false));
    ASSERT_EQ(other.Execute("begin exclusive"), kSqlOk);
    db.SetBusyTimeout(1);
    db.setRetryPolicy(200, 10);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        other.Execute("commit");
    });
    EXPECT_EQ(db.Execute("insert into T values(1,'after')"), kSqlOk);
    release.join();
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows("select b from T", rows), kSqlOk);
    EXPECT_EQ(rows, (std::vector<Row>{{"after"}}));
}

TEST_F(SQLiteDBTest, BusyOnTheLastAttemptIsReportedAsFailure) {
    CSQLiteDB other;
    ASSERT_TRUE(other.Open(file, false));
    ASSERT_EQ(other.Execute("begin exclusive"), kSqlOk);
    db.SetBusyTimeout(1);
    db.setRetryPolicy(3, 1);
    EXPECT_EQ(db.Execute("insert into T values(1,'x')"), kSqlBusy);
    EXPECT_FALSE(db.lastError().empty());
    other.Execute("commit");
}

// A query holds the connection until it is finalized: another thread's
// statement waits instead of interleaving with it.
TEST_F(SQLiteDBTest, OpenQueryKeepsOtherThreadsOut) {
    ASSERT_EQ(db.Execute("insert into T values(1,'a'),(2,'b')"), kSqlOk);
    std::atomic<bool> inserted{false};
    std::thread writer;
    {
        Statement query = db.Prepare("select a from T order by a");
        Row row;
        ASSERT_EQ(query.FetchRow(row), kSqlRow);
        writer = std::thread([&] {
            db.Execute("insert into T values(3,'c')");
            inserted = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(inserted);
        EXPECT_EQ(query.FetchRow(row), kSqlRow);
        EXPECT_EQ(row[0], "2");
    }
    writer.join();
    EXPECT_TRUE(inserted);
}

}  // namespace
}  // namespace zeph
