// The result list as a user drives it: clicks on the header, selections, keys,
// the chosen time kind, Enter in the criteria boxes.
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTreeView>

#include <map>

#include "common/SQLiteDB.h"
#include "common/widgets/QtTranslations.h"
#include "common/widgets/SortHeader.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/MainWindow.h"
#include "search/ui/PreviewPage.h"
#include "search/ui/ResultModel.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class ResultList : public UiFixture {
protected:
    void SetUp() override {
        // Sizes and names in different orders; 250 reports give three pages.
        for (int i = 0; i < 250; ++i)
            writeFile(tree / ("report_" + std::to_string(i % 7) + "_" + std::to_string(i) + ".txt"),
                      std::string(static_cast<size_t>((i * 37) % 200), 'x'));
        indexTree();
        window = std::make_unique<MainWindow>(db);
        window->resize(1280, 800);
        window->show();
        results = window->resultPanel();
        panel = window->searchPanel();
    }
    void TearDown() override { window.reset(); }

    void search(const QString& name) {
        panel->nameBox()->setText(name);
        panel->startOrStop();
        ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
        QCoreApplication::processEvents();
    }
    QTreeView* view() { return static_cast<QTreeView*>(results->currentView()); }
    void clickHeader(int column) {
        QHeaderView* header = view()->header();
        QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QStringList column(int c) {
        QStringList texts;
        for (int row = 0; row < results->model()->rowCount(); ++row)
            texts << results->model()->index(row, c).data().toString();
        return texts;
    }
    // The stored bytes of a column, in the order the list shows them.
    std::vector<std::string> stored(int c) {
        std::vector<std::string> texts;
        for (int row = 0; row < results->model()->rowCount(); ++row) {
            const ResultRow& r = results->model()->row(row);
            texts.push_back(c == ResultModel::Name ? r.name : r.sizeText);
        }
        return texts;
    }

    CSQLiteDB db;
    std::unique_ptr<MainWindow> window;
    ResultPanel* results = nullptr;
    SearchPanel* panel = nullptr;
};

TEST_F(ResultList, AClickOnAHeaderSortsThePageEitherWayAndMarksIt) {
    search(QStringLiteral("report"));
    auto* header = static_cast<SortHeader*>(view()->header());
    for (int c : {ResultModel::Size, ResultModel::Name}) {
        for (bool ascending : {false, true}) {  // the first click of all sorts descending
            clickHeader(c);
            std::vector<std::string> texts = stored(c), expected = texts;
            std::sort(expected.begin(), expected.end());
            if (!ascending) std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(texts, expected) << c << " " << ascending;
            EXPECT_EQ(header->sortColumn(), c);
            EXPECT_EQ(header->ascending(), ascending);
        }
    }
    // Another page keeps the order the user chose.
    results->nextPage();
    EXPECT_EQ(results->pageShown(), 2);
    std::vector<std::string> names = stored(ResultModel::Name), expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    clickHeader(ResultModel::Name);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(stored(ResultModel::Name), expected);
    // A new search comes in the order it is found, without a mark.
    search(QStringLiteral("report_3"));
    EXPECT_EQ(header->sortColumn(), -1);
}

TEST_F(ResultList, ASelectedRowIsDrawnInTheHighlightColours) {
    search(QStringLiteral("report"));
    for (bool list : {false, true}) {
        results->setListStyle(list);
        QAbstractItemView* shown = results->currentView();
        shown->setCurrentIndex(results->model()->index(0, 0));
        for (bool focused : {true, false}) {
            if (focused)
                shown->setFocus();
            else
                panel->nameBox()->setFocus();
            QCoreApplication::processEvents();
            QRect row = shown->visualRect(results->model()->index(0, list ? 0 : 1));
            QImage picture = shown->viewport()->grab().toImage();
            std::map<QRgb, int> colours;
            for (int x = row.left() + 1; x < row.right(); ++x)
                ++colours[picture.pixel(x, row.top() + 1)];
            QRgb most = std::max_element(colours.begin(), colours.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
            // The style may shade the highlight a little, never more.
            QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
            QColor expected = shown->palette().color(group, QPalette::Highlight);
            int distance = std::abs(qRed(most) - expected.red()) +
                           std::abs(qGreen(most) - expected.green()) +
                           std::abs(qBlue(most) - expected.blue());
            EXPECT_LE(distance, 24)
                << "list " << list << " focused " << focused << ": "
                << QColor(most).name().toStdString() << " for " << expected.name().toStdString();
        }
    }
}

TEST_F(ResultList, TheTimeColumnAndThePreviewNameTheChosenTime) {
    const QString names[] = {QStringLiteral("创建时间"), QStringLiteral("修改时间"),
                             QStringLiteral("访问时间")};
    for (int kind : {0, 1, 2}) {
        panel->timeSection()->kindBox()->setCurrentIndex(kind);
        search(QStringLiteral("report_1_1.txt"));
        EXPECT_EQ(view()->model()->headerData(ResultModel::Time, Qt::Horizontal).toString(),
                  names[kind]);
        ASSERT_GE(results->model()->rowCount(), 1);
        QString html = previewHtml(results->model()->row(0), 10,
                                   ResultModel::timeCaption(results->model()->timeKind()));
        EXPECT_NE(html.indexOf(names[kind] + QStringLiteral("：")), -1) << kind;
    }
}

TEST_F(ResultList, ArrowKeysDoNotPageTheNoResultsRow) {
    search(QStringLiteral("nothing-like-this"));
    ASSERT_TRUE(results->model()->isMessageRow());
    messages.shown.clear();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left}) QTest::keyClick(view(), key);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(results->pageShown(), 1);
}

// A page number out of range is refused and the box shows the page again;
// the paging buttons go on from the page shown.
TEST_F(ResultList, TheBoxNeverKeepsARefusedPage) {
    search(QStringLiteral("report"));
    ASSERT_EQ(results->pageCount(), 3);
    results->nextPage();
    ASSERT_EQ(results->pageShown(), 2);
    QLineEdit* box = results->pageBox();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("9"));
    messages.shown.clear();
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(box->text(), QStringLiteral("2"));
    EXPECT_EQ(results->pageShown(), 2);
    results->nextPage();
    EXPECT_EQ(results->pageShown(), 3);
    EXPECT_EQ(box->text(), QStringLiteral("3"));
    EXPECT_EQ(messages.shown.size(), 1u);
    results->previousPage();
    EXPECT_EQ(results->pageShown(), 2);
    EXPECT_EQ(messages.shown.size(), 1u);
    // Typed but not entered: the buttons still page from the page shown.
    box->setText(QStringLiteral("1"));
    results->nextPage();
    EXPECT_EQ(results->pageShown(), 3);
}

// At 1024×768 the name keeps the widest column and its share, sizes and
// times are not cut, the preview has room for its lines; what the user drags
// comes back at the next start.
TEST_F(ResultList, TheNameComesFirstAndTheLayoutIsRemembered) {
    window->resize(1024, 768);
    window->close();
    window = std::make_unique<MainWindow>(db);
    window->resize(1024, 768);
    window->show();
    results = window->resultPanel();
    QCoreApplication::processEvents();
    QTreeView* list = view();
    const int width = list->viewport()->width();
    for (int c = ResultModel::Folder; c < ResultModel::ColumnCount; ++c)
        EXPECT_GT(list->columnWidth(ResultModel::Name), list->columnWidth(c)) << c;
    EXPECT_GE(list->columnWidth(ResultModel::Name), width / 3);
    const QFontMetrics metrics = list->fontMetrics();
    EXPECT_GT(list->columnWidth(ResultModel::Size), metrics.horizontalAdvance(QStringLiteral("99,999,999,999")));
    EXPECT_GT(list->columnWidth(ResultModel::Time), metrics.horizontalAdvance(QStringLiteral("2026-12-31 23:59:59")));
    auto* inner = qobject_cast<QSplitter*>(results->parentWidget());
    ASSERT_NE(inner, nullptr);
    EXPECT_GE(inner->sizes().at(1), 200);

    // The user drags the folder column wider and the preview taller.
    QHeaderView* header = list->header();
    const int before = list->columnWidth(ResultModel::Folder);
    const int edge = header->sectionViewportPosition(ResultModel::Folder) +
                     header->sectionSize(ResultModel::Folder) - 1;
    const QPoint from(edge, header->height() / 2), to(edge + 60, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, header->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header->viewport(), &move);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, to);
    const int folderWidth = list->columnWidth(ResultModel::Folder);
    ASSERT_GE(folderWidth, before + 50);
    inner->setSizes({300, 340});
    const QList<int> dragged = inner->sizes();
    window->close();

    window = std::make_unique<MainWindow>(db);
    window->resize(1024, 768);
    window->show();
    QCoreApplication::processEvents();
    results = window->resultPanel();
    EXPECT_NEAR(view()->columnWidth(ResultModel::Folder), folderWidth, 2);
    EXPECT_EQ(qobject_cast<QSplitter*>(results->parentWidget())->sizes(), dragged);
}

TEST_F(ResultList, EnterInTheSizeBoxesSearches) {
    panel->setSectionOpen(1, true);
    panel->nameBox()->setText(QStringLiteral("report_2"));
    bool finished = false;
    QObject::connect(panel, &SearchPanel::searchFinished, [&] { finished = true; });
    QTest::keyClick(panel->sizeSection()->maximumEdit(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return finished; }));
    EXPECT_GT(results->hits(), 0);
}

TEST_F(ResultList, TheDatesFitThePanelAtItsNarrowest) {
    panel->setSectionOpen(0, true);
    window->resize(1024, 768);
    panel->resize(panel->minimumWidth(), panel->height());
    QCoreApplication::processEvents();
    for (QDateEdit* edit : {panel->timeSection()->fromEdit(), panel->timeSection()->toEdit()})
        EXPECT_GE(edit->width(), edit->sizeHint().width());
}

TEST(QtTexts, StandardButtonsSpeakChinese) {
    ASSERT_TRUE(installQtTranslations(*QCoreApplication::instance()))
        << "qtbase_zh_CN is missing (package qt6-translations-l10n)";
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                         QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_TRUE(box.button(QDialogButtonBox::Yes)->text().startsWith(QStringLiteral("是")));
    EXPECT_TRUE(box.button(QDialogButtonBox::No)->text().startsWith(QStringLiteral("否")));
    // The kind of a folder in Qt's file dialogs, which the catalogue lacks.
    QFileIconProvider kinds;
    EXPECT_EQ(kinds.type(QFileInfo(QDir::tempPath())), QStringLiteral("文件夹"));
}

}  // namespace
}  // namespace zeph::test
