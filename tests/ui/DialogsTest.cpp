#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "common/widgets/ColorTabBar.h"
#include "common/widgets/GbkText.h"
#include "search/ui/ExtensionEditor.h"
#include "search/ui/SettingsDialog.h"
#include "search/ui/SystemLogDialog.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class Dialogs : public UiFixture {
protected:
    void SetUp() override { openConfigDatabase(db, program.str()); }
    std::vector<Row> rows(const char* query) {
        std::vector<Row> out;
        db.QueryRows(query, out);
        return out;
    }
    std::string extendId(const char* name) {
        auto found = rows(sqlFormat(sql::kSelectExtendIdByName, {std::string_view(name)}).c_str());
        return found.empty() ? "" : found[0][0];
    }
    CSQLiteDB db;
};

TEST_F(Dialogs, SettingsShowTheStoredRowsAndStoreTheScanFlag) {
    db.Execute(sqlFormat(sql::kInsertScanFolder, {std::string_view("/data/it's 100%")}));
    db.Execute(sqlFormat(sql::kInsertScanFolder, {std::string_view("/srv")}));
    db.Execute("update SystemSetting set UpdateFrequency=2");
    SettingsDialog dialog(db);
    dialog.show();
    grabToFile(&dialog, QStringLiteral("settings"));
    ASSERT_EQ(dialog.folderList()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.folderList()->topLevelItem(0)->text(0), QStringLiteral("/data/it's 100%"));
    EXPECT_EQ(dialog.frequencyBox()->currentText(), QStringLiteral("每周更新一次索引"));
    EXPECT_GT(dialog.suffixList()->topLevelItemCount(), 10);  // type 1, text files
    dialog.tabs()->setCurrentIndex(1);
    bool hasJpg = false;
    for (int i = 0; i < dialog.suffixList()->topLevelItemCount(); ++i)
        hasJpg = hasJpg || dialog.suffixList()->topLevelItem(i)->text(0) == QStringLiteral("jpg");
    EXPECT_TRUE(hasJpg);

    dialog.folderList()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(rows(sql::kSelectScanFolders), (std::vector<Row>{{"/data/it's 100%"}}));

    dialog.frequencyBox()->setCurrentIndex(4);
    dialog.reject();  // Cancel keeps the frequency
    EXPECT_EQ(rows(sql::kSelectSystemSetting)[0][0], "2");
    dialog.accept();
    EXPECT_EQ(rows(sql::kSelectSystemSetting)[0][0], "4");
}

TEST_F(Dialogs, StoredFrequenciesOutsideTheListAreShownSafely) {
    struct Case {
        int stored;
        int shown;
    };
    for (auto c : {Case{-1, -1}, Case{7, 0}, Case{0, 0}, Case{4, 4}}) {
        db.Execute(
            sqlFormat("update SystemSetting set UpdateFrequency=%d", {std::int64_t{c.stored}}));
        SettingsDialog dialog(db);
        EXPECT_EQ(dialog.frequencyBox()->currentIndex(), c.shown) << c.stored;
        dialog.accept();  // stores what is shown: -1 when nothing is selected
        EXPECT_EQ(rows(sql::kSelectSystemSetting)[0][0], std::to_string(c.shown)) << c.stored;
    }
}

TEST_F(Dialogs, AFrequencyThatCannotBeReadIsSaidAndKept) {
    db.Execute("update SystemSetting set UpdateFrequency=2");
    db.Execute("alter table SystemSetting rename to Away");
    SettingsDialog dialog(db);
    db.Execute("alter table Away rename to SystemSetting");  // back before OK
    EXPECT_EQ(dialog.frequencyBox()->currentIndex(), -1);
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("读取设置失败"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(rows(sql::kSelectSystemSetting)[0][0], "2");
}

TEST_F(Dialogs, SearchAsYouTypeAndLiveUpdatesAreStoredWithOk) {
    {
        SettingsDialog dialog(db);
        EXPECT_TRUE(dialog.searchAsYouTypeBox()->isChecked());  // on by default
        EXPECT_TRUE(dialog.liveIndexBox()->isChecked());
        dialog.searchAsYouTypeBox()->setChecked(false);
        dialog.liveIndexBox()->setChecked(false);
        dialog.reject();
    }
    EXPECT_TRUE(readPreference(db, Preference::SearchAsYouType));
    EXPECT_TRUE(readPreference(db, Preference::LiveIndex));
    SettingsDialog dialog(db);
    dialog.searchAsYouTypeBox()->setChecked(false);
    dialog.liveIndexBox()->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(readPreference(db, Preference::SearchAsYouType));
    EXPECT_FALSE(readPreference(db, Preference::LiveIndex));
}

TEST_F(Dialogs, DeletingFoldersAsksThenDeletesEverySelectedRow) {
    for (const char* folder : {"/a", "/b", "/c"})
        db.Execute(sqlFormat(sql::kInsertScanFolder, {std::string_view(folder)}));
    SettingsDialog dialog(db);
    dialog.deleteFolders();
    EXPECT_EQ(toQString(messages.shown.back().text), QStringLiteral("请选择待删除的扫描路径！"));
    dialog.folderList()->topLevelItem(0)->setSelected(true);
    dialog.folderList()->topLevelItem(2)->setSelected(true);
    messages.answer(true);
    dialog.deleteFolders();
    EXPECT_EQ(rows(sql::kSelectScanFolders), (std::vector<Row>{{"/b"}}));
    EXPECT_EQ(dialog.folderList()->topLevelItemCount(), 1);
}

TEST_F(Dialogs, ExtensionEditorNormalisesAndRefusesDuplicatesInBothModes) {
    ExtensionEditor add(db, 1);
    add.nameEdit()->setText(QStringLiteral(".TXT"));
    add.accept();
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("该后缀已经登记，请不要重复登记！"));
    EXPECT_EQ(add.result(), QDialog::Rejected);

    add.nameEdit()->setText(QStringLiteral(".NewExt"));
    add.descriptionEdit()->setText(QStringLiteral("新的 'quoted' 100% 类型"));
    add.typeBox()->setCurrentIndex(3);
    add.accept();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    auto stored = rows("select Name,Type,Description from ExtendName where Name='newext'");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][1], "4");
    EXPECT_EQ(toQString(stored[0][2]), QStringLiteral("新的 'quoted' 100% 类型"));

    std::string id = extendId("newext");
    ExtensionEditor modify(db, 4, QString::fromStdString(id), QStringLiteral("newext"),
                           QStringLiteral("d"));
    modify.nameEdit()->setText(QStringLiteral("jpg"));  // another record's name
    modify.accept();
    EXPECT_EQ(modify.result(), QDialog::Rejected);
    EXPECT_EQ(extendId("newext"), id);
    modify.nameEdit()->setText(QStringLiteral("NEWEXT2"));
    modify.accept();
    EXPECT_EQ(extendId("newext2"), id);

    ExtensionEditor bad(db, 1);
    bad.nameEdit()->setText(QStringLiteral("a/b"));
    bad.accept();
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("后缀名称不合法"));
}

class LogViewer : public Dialogs {
protected:
    void SetUp() override {
        Dialogs::SetUp();
        db.Execute("begin");
        const std::string content = toGbk(QStringLiteral("更改系统设置"));
        for (int i = 0; i < 250; ++i)
            db.Execute(sqlFormat(sql::kInsertLog, {std::int64_t{6}, sqlText(content)}));
        db.Execute("commit");
    }
};

TEST_F(LogViewer, PagesOf100WithStatusAndBounds) {
    SystemLogDialog dialog(db);
    dialog.show();
    grabToFile(&dialog, QStringLiteral("log-viewer"));
    EXPECT_EQ(dialog.statusLine()->text(),
              QStringLiteral("现有日志 250 条，共分 3 页显示，当前显示 第 1 页。"));
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 100);
    EXPECT_EQ(rows("select count(*) from Log where Type=28")[0][0],
              "1");  // the first page was viewed
    dialog.lastPage();
    EXPECT_EQ(dialog.list()->topLevelItemCount(),
              51);  // the viewer's own record of the opening is the 251st
    EXPECT_EQ(dialog.list()->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(dialog.statusLine()->text(),
              QStringLiteral("现有日志 250 条，共分 3 页显示，当前显示 第 3  页。"));
    dialog.nextPage();
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("当前页面已经是最后一页，不能往后翻页！"));
    dialog.pageEdit()->setText(QStringLiteral("5"));
    dialog.goToPage();
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("您输入页面数不能大于搜索结果页面数量！"));
}

TEST_F(LogViewer, DeleteSelectedAndExportThePage) {
    SystemLogDialog dialog(db);
    dialog.list()->topLevelItem(1)->setSelected(true);
    dialog.list()->topLevelItem(4)->setSelected(true);
    dialog.deleteSelected();
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 98);
    EXPECT_EQ(rows("select count(*) from Log where LogID in (2,5)")[0][0], "0");
    EXPECT_EQ(rows("select count(*) from Log where Type=30")[0][0], "1");

    // The export is UTF-8, which every Linux editor reads.
    std::string path = (tree / "log.xls").string();
    ASSERT_TRUE(dialog.exportTo(QString::fromStdString(path)));
    std::string exported = readFile(path);
    std::string firstLine = exported.substr(0, exported.find("\r\n") + 2);
    QString time = dialog.list()->topLevelItem(0)->text(1);
    EXPECT_EQ(QString::fromUtf8(firstLine), QStringLiteral("1\t%1\t6\t更改系统设置\r\n").arg(time));
    EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 98);

    dialog.deleteAll();  // asked first; the answer is No
    EXPECT_TRUE(messages.shown.back().question);
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("确实需要删除全部日志记录吗？"));
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 98);
    EXPECT_EQ(rows("select count(*) from Log")[0][0], "250");
    messages.answer(true);
    dialog.deleteAll();
    EXPECT_EQ(rows("select Type,Content from Log").size(), 1u);
    ASSERT_TRUE(dialog.exportTo(QString::fromStdString(path)));
    EXPECT_EQ(readFile(path), "");
}

TEST_F(LogViewer, DeletesThatFailAreReportedAndTheRowsStay) {
    SystemLogDialog dialog(db);
    db.Execute("create trigger keep before delete on Log begin select raise(abort, 'kept'); end");
    dialog.list()->topLevelItem(0)->setSelected(true);
    dialog.deleteSelected();
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 100);
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("SQL语句异常"));
    EXPECT_EQ(rows("select count(*) from Log where Type=30")[0][0], "0");  // nothing deleted
    messages.answer(true);
    messages.shown.clear();
    dialog.deleteAll();
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 100);
    ASSERT_EQ(messages.shown.size(), 2u);  // the question, then the failure
    EXPECT_NE(toQString(messages.shown[1].text).indexOf(QStringLiteral("kept")), -1);
    EXPECT_EQ(rows("select count(*) from Log where Type=30")[0][0], "0");
}

}  // namespace
}  // namespace zeph::test
