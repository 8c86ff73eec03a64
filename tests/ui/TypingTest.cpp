// Searching while the user types: driven through the name box and the
// criteria as a user does, waiting on the panel's signals, never on the clock.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/Statements.h"
#include "common/widgets/GbkText.h"
#include "search/engine/ResultStore.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/MainWindow.h"
#include "search/ui/ResultModel.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class Typing : public UiFixture {
protected:
    virtual int alphaFiles() const { return 3000; }
    void SetUp() override {
        for (int i = 0; i < alphaFiles(); ++i)
            writeFile(
                tree / ("d" + std::to_string(i % 20)) / ("alpha_" + std::to_string(i) + ".txt"),
                "x");
        for (const char* name : {"report.txt", "report_2023.md", "reprint.log", "zeta.txt"})
            writeFile(tree / name, "x");
        indexTree();
        window = std::make_unique<MainWindow>(db);
        window->show();
        panel = window->searchPanel();
        results = window->resultPanel();
        QObject::connect(panel, &SearchPanel::searchFinished, [this] { ++finished; });
    }
    void TearDown() override { window.reset(); }

    // Waits until the pause after the last change is over and no search runs.
    void settle() {
        int before = -1;
        ASSERT_TRUE(waitFor([&] {
            bool quiet = !panel->searching() && before == finished;
            before = finished;
            return quiet && !panel->typingPending();
        }));
    }
    QStringList names() {
        QStringList shown;
        for (int row = 0; row < results->model()->rowCount(); ++row)
            shown << results->model()->index(row, 0).data().toString();
        return shown;
    }
    std::int64_t logRows() {
        std::vector<Row> rows;
        db.QueryRows(sql::kCountLog, rows);
        return std::stoll(rows.at(0).at(0));
    }

    CSQLiteDB db;
    std::unique_ptr<MainWindow> window;
    SearchPanel* panel = nullptr;
    ResultPanel* results = nullptr;
    int finished = 0;
};

TEST_F(Typing, EachKeyRefinesTheListAndOnlyTheLastWordIsShown) {
    // Each prefix's search starts and is overtaken by the next key.
    for (QChar c : QStringLiteral("report")) {
        int started = finished;
        QTest::keyClick(panel->nameBox(), c.toLatin1());
        waitFor([&] { return panel->searching() || finished > started; }, 2000);
    }
    settle();
    EXPECT_EQ(names(),
              (QStringList{QStringLiteral("report.txt"), QStringLiteral("report_2023.md")}));
    EXPECT_EQ(results->hits(), 2);
    EXPECT_EQ(readResultPage(db, 0).size(), 2u);  // the table holds the same two rows
    EXPECT_EQ(logRows(), 0);                      // nothing typed is logged
}

// Enough hits that a search storing them all is still running at the next key.
class TypingOnALargeTree : public Typing {
    int alphaFiles() const override { return 40000; }
};

TEST_F(TypingOnALargeTree, AChangeDuringASearchStopsItAndShowsOnlyTheNewOne) {
    panel->nameBox()->setText(QStringLiteral("alpha"));
    ASSERT_TRUE(waitFor([&] { return results->hits() >= 100; }));
    panel->nameBox()->setText(QStringLiteral("zeta"));
    settle();
    EXPECT_EQ(names(), QStringList{QStringLiteral("zeta.txt")});
    EXPECT_EQ(results->hits(), 1);
    auto stored = readResultPage(db, 0);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "zeta.txt");
}

TEST_F(TypingOnALargeTree, EmptyingTheBoxBehindARunningAndAQueuedSearchLeavesTheListEmpty) {
    // Another connection's write lock holds the search at its first row, so
    // the next text is sure to queue behind it.
    CSQLiteDB holder;
    holder.Open(program.database(), false);
    ASSERT_EQ(holder.Execute("BEGIN IMMEDIATE"), kSqlOk);
    panel->nameBox()->setText(QStringLiteral("alpha"));
    ASSERT_TRUE(waitFor([&] { return panel->searching(); }));
    panel->nameBox()->setText(QStringLiteral("alpha_1"));
    ASSERT_TRUE(waitFor([&] { return panel->searchQueued(); }));
    panel->nameBox()->clear();
    ASSERT_TRUE(waitFor([&] { return !panel->typingPending(); }));
    holder.Execute("ROLLBACK");
    settle();
    EXPECT_EQ(results->model()->rowCount(), 0);
    // Nothing arrives late from the searches that were stopped.
    QTest::qWait(300);
    EXPECT_EQ(results->model()->rowCount(), 0);
}

TEST_F(TypingOnALargeTree, EnterDuringATypedSearchRunsTheUsersSearchAlone) {
    for (bool button : {false, true}) {
        panel->nameBox()->setText(QStringLiteral("alpha"));
        ASSERT_TRUE(waitFor([&] { return results->hits() >= 100 && panel->searching(); }));
        panel->nameBox()->setText(button ? QStringLiteral("report") : QStringLiteral("zeta"));
        if (button)
            panel->startOrStop();
        else
            QTest::keyClick(panel->nameBox(), Qt::Key_Return);
        settle();
        QStringList expected =
            button ? QStringList{QStringLiteral("report.txt"), QStringLiteral("report_2023.md")}
                   : QStringList{QStringLiteral("zeta.txt")};
        EXPECT_EQ(names(), expected) << button;
        EXPECT_EQ(results->hits(), expected.size()) << button;
        EXPECT_EQ(readResultPage(db, 0).size(), static_cast<size_t>(expected.size())) << button;
        panel->nameBox()->clear();
        settle();
    }
}

TEST_F(Typing, AContentTextWaitsForTheButton) {
    QStringList status;
    QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& text) { status << text; });
    panel->contentBox()->setText(QStringLiteral("x"));
    QTest::keyClicks(panel->nameBox(), QStringLiteral("zeta"));
    settle();
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(
        status.contains(QStringLiteral("搜索文件内容时，请按“搜  索”按钮或回车键开始搜索")));
    QTest::keyClick(panel->nameBox(), Qt::Key_Return);
    settle();
    EXPECT_EQ(finished, 1);
}

TEST_F(Typing, AnEmptyNameEmptiesTheListQuietly) {
    QTest::keyClicks(panel->nameBox(), QStringLiteral("zeta"));
    settle();
    ASSERT_EQ(names().size(), 1);
    messages.shown.clear();
    panel->nameBox()->clear();
    settle();
    EXPECT_EQ(results->model()->rowCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
    panel->startOrStop();  // the button still says what is missing
    settle();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(toQString(messages.shown[0].text), QStringLiteral("请输入查询条件！"));
}

TEST_F(Typing, OtherCriteriaSearchAgainAsTheyChange) {
    QTest::keyClicks(panel->nameBox(), QStringLiteral("rep"));
    settle();
    EXPECT_EQ(names().size(), 3);
    panel->advancedSection()->exactBox()->setChecked(true);
    settle();
    EXPECT_TRUE(names().isEmpty() || results->model()->isMessageRow());
    panel->advancedSection()->exactBox()->setChecked(false);
    panel->sizeSection()->maximumEdit()->setText(QStringLiteral("0"));
    settle();
    EXPECT_TRUE(results->model()->isMessageRow());
}

TEST_F(Typing, TurnedOffTheButtonAloneSearches) {
    panel->setSearchAsYouType(false);
    QTest::keyClicks(panel->nameBox(), QStringLiteral("zeta"));
    settle();
    EXPECT_EQ(finished, 0);
    QTest::keyClick(panel->nameBox(), Qt::Key_Return);
    settle();
    EXPECT_EQ(names(), QStringList{QStringLiteral("zeta.txt")});
}

// Filters typed in the box: marked, said under it, searched as typed; a value
// not understood marked red with why and never searched; names and types
// offered for completion.
TEST_F(Typing, FiltersInTheBoxAreMarkedSaidAndSearchedAsTyped) {
    SearchLineBox* box = panel->nameBox();
    QTest::keyClicks(box, QStringLiteral("rep ext:md;log"));
    settle();
    EXPECT_EQ(names().size(), 2);  // report_2023.md, reprint.log
    EXPECT_EQ(box->parsed().filterSpans.size(), 1u);
    EXPECT_TRUE(box->summary()->isVisible());
    EXPECT_TRUE(box->summary()->text().contains(QStringLiteral("后缀 md、log")));
    grabToFile(window.get(), QStringLiteral("filters-typed"));

    const int before = finished;
    QStringList status;
    QObject::connect(window->statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& text) { status << text; });
    QTest::keyClicks(box, QStringLiteral(" size:>abc"));
    settle();
    EXPECT_EQ(finished, before);  // not searched: the list stays
    EXPECT_EQ(names().size(), 2);
    EXPECT_FALSE(box->problem().isEmpty());
    EXPECT_TRUE(box->toolTip().startsWith(box->problem()));
    EXPECT_TRUE(box->styleSheet().contains(QStringLiteral("border")));
    QTest::keyClick(box, Qt::Key_Return);
    settle();
    EXPECT_EQ(finished, before);
    EXPECT_TRUE(status.contains(box->problem()));
    grabToFile(window.get(), QStringLiteral("filters-wrong"));

    // Completion: a filter's name from its first letters, a type by its pinyin.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("reg"));
    auto offered = [&] {
        QStringList shown;
        QAbstractItemModel* model = box->filterCompleter()->completionModel();
        for (int row = 0; row < model->rowCount(); ++row) shown << model->index(row, 0).data().toString();
        return shown;
    };
    EXPECT_EQ(offered(), QStringList{QStringLiteral("regex:")});
    box->clear();
    QTest::keyClicks(box, QStringLiteral("zeta type:tup"));
    EXPECT_EQ(offered(), QStringList{QStringLiteral("type:tupian")});
    QTest::keyClick(box->filterCompleter()->popup(), Qt::Key_Return);
    EXPECT_EQ(box->text(), QStringLiteral("zeta type:tupian"));
}

}  // namespace
}  // namespace zeph::test
