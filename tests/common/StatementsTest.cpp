#include <gtest/gtest.h>

#include <set>

#include "common/ConfigCodes.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "common/SystemLog.h"
#include "tests/support/TempFolder.h"

namespace zeph {
namespace {

using test::ProgramFolder;

struct StatementCase {
    const char* text;
    std::vector<SqlArg> args;
    bool query;
};

class ShippedDatabase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db.Open(folder.database(), false)) << db.lastError(); }
    ProgramFolder folder;
    CSQLiteDB db;
};

std::string format(const char* text, const std::vector<SqlArg>& args) {
    switch (args.size()) {
        case 0:
            return sqlFormat(text, {});
        case 1:
            return sqlFormat(text, {args[0]});
        case 2:
            return sqlFormat(text, {args[0], args[1]});
        case 3:
            return sqlFormat(text, {args[0], args[1], args[2]});
        case 4:
            return sqlFormat(text, {args[0], args[1], args[2], args[3]});
        default:
            return sqlFormat(text, {args[0], args[1], args[2], args[3], args[4], args[5]});
    }
}

TEST_F(ShippedDatabase, EveryStatementRunsAgainstIt) {
    using namespace sql;
    const std::vector<StatementCase> cases = {
        {kSelectExtendNamesOrdered, {}, true},
        {kSelectExtendNames, {}, true},
        {kSelectExtendNamesOfType, {std::int64_t{2}}, true},
        {kSelectSettingsExtendNamesOfType, {std::int64_t{3}}, true},
        {kSelectExtendIdByName, {std::string_view("txt")}, true},
        {kInsertExtendName,
         {std::string_view("zz"), std::int64_t{5}, std::string_view("测试")},
         false},
        {kUpdateExtendName,
         {std::string_view("zy"), std::string_view("描述"), std::int64_t{4}, std::string_view("1")},
         false},
        {kDeleteExtendName, {std::string_view("2")}, false},
        {kSelectScanFolders, {}, true},
        {kSelectScanConfig, {}, true},
        {kInsertScanFolder, {std::string_view("/home")}, false},
        {kSelectFolderIdByName, {std::string_view("/home")}, true},
        {kUpdateScanFolder, {std::string_view("/srv"), std::string_view("1")}, false},
        {kUpdateScanFlag, {std::int64_t{0}, std::string_view("1")}, false},
        {kDeleteScanFolder, {std::string_view("1")}, false},
        {kSelectSystemSetting, {}, true},
        {kUpdateFrequency, {std::int64_t{2}}, false},
        {kRecordIndexRun, {std::int64_t{4102444800}}, false},
        {kDeleteSearchResult, {}, false},
        {kSelectResultPage, {std::int64_t{0}}, true},
        {kBeginBatch, {}, false},
        {kCommitBatch, {}, false},
        {kInsertLog, {std::int64_t{2}, std::string_view("更新索引")}, false},
        {kCountLog, {}, true},
        {kSelectFirstLogPage, {}, true},
        {kSelectLogPage, {std::int64_t{100}}, true},
        {kSelectAllLog, {}, true},
        {kDeleteLogRow, {std::int64_t{1}}, false},
        {kDeleteAllLog, {}, false},
    };
    for (const auto& c : cases) {
        std::string text = format(c.text, c.args);
        ASSERT_FALSE(text.empty()) << c.text;
        if (c.query) {
            std::vector<Row> rows;
            EXPECT_EQ(db.QueryRows(text, rows), kSqlOk) << text << ": " << db.lastError();
        } else {
            EXPECT_EQ(db.Execute(text), kSqlOk) << text << ": " << db.lastError();
        }
    }
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows(sql::kSelectSystemSetting, rows), kSqlOk);
    EXPECT_EQ(rows[0][1], "4102444800");  // a time past 2038 is stored whole
}

TEST_F(ShippedDatabase, HoldsTheInitialRows) {
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows(sql::kSelectSystemSetting, rows), kSqlOk);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], "1");
    EXPECT_TRUE(expiryInterval(std::stoi(rows[0][0])).has_value());

    ASSERT_EQ(db.QueryRows(sql::kSelectExtendNamesOrdered, rows), kSqlOk);
    EXPECT_GE(rows.size(), 80u);
    std::set<std::string> types, names;
    for (const Row& row : rows) {
        types.insert(row[2]);
        EXPECT_TRUE(names.insert(row[1]).second) << "duplicate suffix " << row[1];
        EXPECT_LT(std::stoi(row[0]), 2000);
        EXPECT_FALSE(row[3].empty());
    }
    EXPECT_EQ(types, (std::set<std::string>{"1", "2", "3", "4", "5"}));
    for (const char* suffix :
         {"txt", "c",   "cpp", "h",   "py",   "html", "md",   "log", "jpg", "png",
          "gif", "bmp", "mp3", "mp4", "avi",  "mkv",  "exe",  "so",  "zip", "7z",
          "tar", "gz",  "pdf", "doc", "docx", "xls",  "xlsx", "ppt"})
        EXPECT_TRUE(names.count(suffix)) << suffix;

    for (const char* empty :
         {sql::kSelectScanConfig, sql::kSelectAllLog, "select * from SearchResult"}) {
        ASSERT_EQ(db.QueryRows(empty, rows), kSqlOk);
        EXPECT_TRUE(rows.empty()) << empty;
    }
}

TEST_F(ShippedDatabase, ValuesWithQuotesPercentAndChineseAreStoredIntact) {
    for (std::string name : {"it's.txt", "say \"hi\".md", "100%.log", "a;b'; drop table Log; --",
                             "报告'2023'.doc", "%s%d%%"}) {
        ASSERT_EQ(db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(name)})), kSqlOk) << name;
        std::vector<Row> rows;
        ASSERT_EQ(db.QueryRows(sqlFormat(sql::kSelectFolderIdByName, {sqlText(name)}), rows),
                  kSqlOk);
        ASSERT_EQ(rows.size(), 1u) << name;
        ASSERT_EQ(db.QueryRows(sqlFormat("select FolderName from ScanConfig where FolderID=%s",
                                         {sqlText(rows[0][0])}),
                               rows),
                  kSqlOk);
        EXPECT_EQ(rows[0][0], name);
    }
    std::vector<Row> logRows;
    EXPECT_EQ(db.QueryRows(sql::kCountLog, logRows), kSqlOk);  // the Log table survived
}

TEST_F(ShippedDatabase, ResultRowsAreStoredThroughBoundValuesIntact) {
    ReusableStatement insert = db.PrepareReusable(sql::kInsertSearchResult);
    ASSERT_TRUE(insert.ok()) << db.lastError();
    const std::vector<std::string> names = {"it's.txt", "a;b'; drop table Log; --",
                                            "报告'2023'.doc", "%s%d%%",
                                            std::string("nul\0inside", 11)};
    for (size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(
            insert.run({std::int64_t(i), names[i], std::string_view("/x"), std::string_view("1"),
                        std::string_view("文本文档"), std::string_view("2010-03-03 14:05:09")}),
            kSqlOk);
    std::vector<Row> rows;
    {
        // Another statement may run between two runs of the kept one.
        Statement page = db.Prepare(sqlFormat(sql::kSelectResultPage, {std::int64_t{0}}));
        Row row;
        while (page.FetchRow(row) == kSqlRow) rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(rows[i][0], names[i]);
    EXPECT_EQ(insert.run({std::int64_t{0}, std::string_view("dup")}), 19);  // a taken ID: refused
}

TEST(SqlFormat, BareIdsMustBeIntegersAndArgumentsMustFit) {
    EXPECT_EQ(sqlFormat(sql::kDeleteScanFolder, {std::string_view("12")}),
              "delete from ScanConfig where FolderID=12");
    EXPECT_EQ(sqlFormat(sql::kDeleteScanFolder, {std::string_view("1 or 1=1")}), "");
    EXPECT_EQ(sqlFormat(sql::kDeleteScanFolder, {std::string_view("")}), "");
    EXPECT_EQ(sqlFormat(sql::kUpdateFrequency, {std::string_view("1")}), "");  // text for %d
    EXPECT_EQ(sqlFormat(sql::kUpdateFrequency, {}), "");                       // too few
    EXPECT_EQ(sqlFormat(sql::kCountLog, {std::int64_t{1}}), "");               // too many
    EXPECT_EQ(sqlFormat(sql::kInsertScanFolder, {std::string_view("a\0b", 3)}), "");
}

TEST_F(ShippedDatabase, WriteLogStoresCodeTextAndLocalTime) {
    EXPECT_EQ(WriteLog(db, LogEvent::UpdateIndex), 0);
    EXPECT_EQ(WriteLog(db, 30, "删除日志"), 0);
    std::vector<Row> rows;
    ASSERT_EQ(db.QueryRows(sql::kSelectAllLog, rows), kSqlOk);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][2], "2");
    EXPECT_EQ(rows[0][3], "更新索引");
    EXPECT_EQ(rows[1][3], "删除日志");
    EXPECT_EQ(rows[0][1].size(), 19u);  // 2010-03-03 14:05:09
    EXPECT_EQ(rows[0][1][4], '-');
    EXPECT_EQ(rows[0][1][13], ':');
    // After deleting everything a new row gets a fresh id.
    ASSERT_EQ(db.Execute(sql::kDeleteAllLog), kSqlOk);
    EXPECT_EQ(WriteLog(db, LogEvent::Help), 0);
    ASSERT_EQ(db.QueryRows(sql::kSelectAllLog, rows), kSqlOk);
    EXPECT_EQ(rows[0][0], "3");
    db.Execute("drop table Log");
    EXPECT_EQ(WriteLog(db, LogEvent::Help), -2);
}

}  // namespace
}  // namespace zeph
