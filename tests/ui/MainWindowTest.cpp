#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include <set>

#include <filesystem>

#include "common/IndexLock.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/Statements.h"
#include "common/widgets/GbkText.h"
#include "search/ui/MainWindow.h"
#include "search/ui/ResultModel.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class MainWindowTest : public UiFixture {
protected:
    void SetUp() override {
        for (const char* name : {"report.txt", "Report_2023.md", "budget.xls", "notes.txt"})
            writeFile(tree / name, "x");
        writeFile(tree / "<script>alert(1)&.txt", "x");
        indexTree();
        window = std::make_unique<MainWindow>(db);
        window->resize(1280, 800);
        window->show();
    }
    void TearDown() override { window.reset(); }

    int logRows() {
        std::vector<Row> rows;
        db.QueryRows(sql::kSelectAllLog, rows);
        return static_cast<int>(rows.size());
    }
    void search(const QString& name) {
        SearchPanel* panel = window->searchPanel();
        panel->nameBox()->setText(name);
        panel->startOrStop();
        ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
        QCoreApplication::processEvents();
    }

    CSQLiteDB db;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, MenusToolbarAndStatusBarCarryTheirCaptions) {
    QStringList menus;
    for (QAction* action : window->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("文件(&F)"), QStringLiteral("视图(&V)"),
                                  QStringLiteral("工具(&T)"), QStringLiteral("帮助(&H)")}));
    QStringList tools;
    for (QAction* action : window->findChild<QToolBar*>()->actions()) tools << action->text();
    EXPECT_EQ(tools, (QStringList{"更新索引", "搜索日志", "意见反馈", "ZEPH主页", "显示样式",
                                  "系统设置", "帮助", "退出"}));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("就绪"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("ZEPH桌面搜索"));
    grabToFile(window.get(), QStringLiteral("main-window"));
}

TEST_F(MainWindowTest, SearchFillsTheFirstPageAndTheHitLabel) {
    for (int section = 0; section < 3; ++section)
        window->searchPanel()->setSectionOpen(section, true);
    search(QStringLiteral("report"));
    ResultPanel* results = window->resultPanel();
    EXPECT_EQ(results->model()->rowCount(), 2);
    EXPECT_EQ(results->hits(), 2);
    EXPECT_EQ(results->hitLabelText(),
              QStringLiteral("ZEPH桌面搜索找到文件  2  个，共分为  1  页。"));
    EXPECT_EQ(window->searchPanel()->searchButton()->text(), QStringLiteral("搜  索"));
    grabToFile(window.get(), QStringLiteral("main-window-results"));

    search(QStringLiteral("nothing-like-this"));
    EXPECT_EQ(results->model()->rowCount(), 1);
    EXPECT_TRUE(results->model()->isMessageRow());
    EXPECT_EQ(results->model()->index(0, 0).data().toString(),
              QStringLiteral("搜索完毕，没有结果可显示"));
    EXPECT_EQ(results->hits(), 0);
}

TEST_F(MainWindowTest, AContentSearchShowsItsProgressInTheStatusBar) {
    QStringList shown;
    QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& text) { shown << text; });
    SearchPanel* panel = window->searchPanel();
    panel->contentBox()->setText(QStringLiteral("x"));
    search(QString());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.first().startsWith(QStringLiteral("正在搜索文件内容：已搜索 0 / ")))
        << shown.first().toStdString();
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("就绪"));
}

TEST_F(MainWindowTest, PreviewEscapesTheNameAndLivesInTheProgramFolder) {
    search(QStringLiteral("script"));
    ResultPanel* results = window->resultPanel();
    ASSERT_EQ(results->model()->rowCount(), 1);
    results->currentView()->selectionModel()->select(
        results->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QString page;
    QObject::connect(results, &ResultPanel::pageRequested,
                     [&](const QString& file) { page = file; });
    QMetaObject::invokeMethod(results->currentView(), "clicked",
                              Q_ARG(QModelIndex, results->model()->index(0, 0)));
    ASSERT_EQ(page, folder() + QStringLiteral("/tmp/preview.html"));
    std::string html = readFile(page.toStdString());
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&amp;.txt"), std::string::npos);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
}

TEST_F(MainWindowTest, DisplayStyleAlternatesAndIsLogged) {
    ResultPanel* results = window->resultPanel();
    window->toggleDisplayStyle();
    EXPECT_TRUE(results->listStyle());
    window->toggleDisplayStyle();
    EXPECT_FALSE(results->listStyle());
    window->setDisplayStyle(true);
    window->setDisplayStyle(true);
    EXPECT_TRUE(results->listStyle());
    window->setDisplayStyle(false);
    EXPECT_FALSE(results->listStyle());
    EXPECT_EQ(logRows(), 5);
}

TEST_F(MainWindowTest, UpdateIndexDeclinedChangesNothingAcceptedStartsAndCloses) {
    window->updateIndex();  // the scripted answer is No
    EXPECT_EQ(logRows(), 0);
    EXPECT_TRUE(window->isVisible());

    messages.answer(true);
    window->updateIndex();  // no indexer in this folder: reported, nothing logged, still open
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("打开ZEPH桌面搜索索引程序失败，请与开发商联系！"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(logRows(), 0);

    {
        // While a run holds the data folder, the program says so and asks nothing.
        IndexLock running = IndexLock::acquire(program.str());
        messages.shown.clear();
        window->updateIndex();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_FALSE(messages.shown[0].question);
        EXPECT_EQ(messages.shown[0].text, indexRunningText());
    }

    std::filesystem::path indexer = program / "ZEPHIndexer";
    writeFile(indexer, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(indexer, std::filesystem::perms::owner_all);
    messages.answer(true);
    window->updateIndex();  // started: logged, and the program closes
    ASSERT_TRUE(waitFor([&] { return !window->isVisible(); }));
    EXPECT_EQ(logRows(), 1);
}

TEST_F(MainWindowTest, TheStatusBarSaysWhetherTheIndexIsLive) {
    // No watcher can be started from the test's program folder.
    EXPECT_TRUE(window->indexStateText().startsWith(QStringLiteral("索引建立于 ")));
    IndexLock watcher = IndexLock::acquire(program.str(), kWatcherLockName);
    window->keepIndexLive();
    EXPECT_EQ(window->indexStateText(), QStringLiteral("索引实时更新中"));
    storePreference(db, Preference::LiveIndex, false);
    window->keepIndexLive();
    EXPECT_TRUE(window->indexStateText().startsWith(QStringLiteral("索引建立于 ")));
}

TEST_F(MainWindowTest, PagingBeforeAnySearchReportsTheRange) {
    ResultPanel* results = window->resultPanel();
    results->lastPage();
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("页面范围之内在 1 到 0 之间，您输入的页面数不在此范围！"));
    results->previousPage();
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("首页"));
    results->nextPage();
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("最后一页"));
}

}  // namespace
}  // namespace zeph::test

namespace zeph::test {
namespace {

TEST_F(MainWindowTest, LooksFinishedAtTwoSizes) {
    for (QSize size : {QSize(1024, 700), QSize(1600, 1000)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        QImage picture = window->grab().toImage();
        ASSERT_EQ(picture.size(), size);
        std::set<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7) colours.insert(picture.pixel(x, y));
        EXPECT_GT(colours.size(), 30u) << "a blank window";  // panes, text, icons
        EXPECT_EQ(QColor(picture.pixel(3, size.height() / 2)),
                  QColor(104, 138, 221));  // the criteria pane
        EXPECT_GT(window->resultPanel()->width(), window->searchPanel()->width());
        grabToFile(window.get(), QStringLiteral("main-window-%1").arg(size.width()));
    }
}

}  // namespace
}  // namespace zeph::test
