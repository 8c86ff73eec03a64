// The windows as a user meets them at 1024×768 and above: the wheel over the
// criteria, the advertisement strip among the controls, files no program
// opens, the lock-key panes, the sort mark, and the search program coming
// back after an index run it started.
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>

#include "common/SQLiteDB.h"
#include "common/widgets/ColorTabBar.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/SortHeader.h"
#include "search/ui/CriteriaSections.h"
#include "search/ui/FileActions.h"
#include "search/ui/MainWindow.h"
#include "search/ui/SearchPanel.h"
#include "tests/support/RunProgram.h"
#include "tests/ui/UiFixture.h"
#include "web/LocalPageWindow.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class WindowsAsUsed : public UiFixture {
protected:
    void SetUp() override {
        writeFile(tree / "report.unknown-kind", "x");
        indexTree();
    }
    void open(QSize size) {
        window = std::make_unique<MainWindow>(db);
        window->resize(size);
        window->show();
        QCoreApplication::processEvents();
    }
    static void wheelDown(QWidget* widget) {
        QPointF at(widget->width() / 2.0, widget->height() / 2.0);
        QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget, &wheel);
    }
    // An opener on the PATH that ends with the code given: 3 is xdg-open's
    // "no program for this kind", 4 a program that failed.
    void openerEndingWith(int code) {
        writeFile(bin / "xdg-open", "#!/bin/sh\nexit " + std::to_string(code) + "\n");
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin.str()) + ":" + path);
    }
    void TearDown() override {
        window.reset();
        if (!path.isEmpty()) qputenv("PATH", path);
    }

    CSQLiteDB db;
    std::unique_ptr<MainWindow> window;
    TempFolder bin;
    QByteArray path;
};

TEST_F(WindowsAsUsed, TheWheelScrollsTheCriteriaInsteadOfChangingThem) {
    open(QSize(1024, 768));
    SearchPanel* panel = window->searchPanel();
    for (int section = 0; section < 3; ++section) panel->setSectionOpen(section, true);
    QCoreApplication::processEvents();
    QAbstractScrollArea* pane = nullptr;
    for (QWidget* up = panel->parentWidget(); up && !pane; up = up->parentWidget())
        pane = qobject_cast<QAbstractScrollArea*>(up);
    ASSERT_NE(pane, nullptr);
    QScrollBar* bar = pane->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the criteria fit: nothing to scroll";

    QComboBox* kind = panel->timeSection()->kindBox();
    QDateEdit* from = panel->timeSection()->fromEdit();
    ColorTabBar* tabs = panel->advancedSection()->tabs();
    const int kindIndex = kind->currentIndex(), tab = tabs->currentIndex();
    const QDate fromDate = from->date();
    for (QWidget* control : std::initializer_list<QWidget*>{kind, from, tabs}) {
        bar->setValue(0);
        wheelDown(control);
        EXPECT_GT(bar->value(), 0) << control->metaObject()->className();
    }
    EXPECT_EQ(kind->currentIndex(), kindIndex);
    EXPECT_EQ(from->date(), fromDate);
    EXPECT_EQ(tabs->currentIndex(), tab);
    EXPECT_FALSE(panel->typingPending() || panel->searching());  // nothing was searched
}

TEST_F(WindowsAsUsed, TheStripStaysInTheWindowClearOfEveryControl) {
    for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        open(size);
        QWidget* strip = nullptr;
        ASSERT_TRUE(waitFor([&] {
            strip = window->findChild<QWidget*>(QStringLiteral("advertisementStrip"));
            return strip != nullptr;
        }));
        EXPECT_FALSE(strip->isWindow());  // never above a dialog or another program
        auto* bar = window->findChild<QToolBar*>(QStringLiteral("toolbar"));
        ASSERT_EQ(strip->parentWidget(), bar);
        if (strip->isVisible()) {
            EXPECT_TRUE(bar->rect().contains(strip->geometry())) << size.width();
            for (QToolButton* button : bar->findChildren<QToolButton*>()) {
                if (!button->isVisible()) continue;
                EXPECT_FALSE(button->geometry().intersects(strip->geometry()))
                    << size.width() << " " << button->text().toStdString();
            }
        }
        if (size.width() >= 1920) {
            EXPECT_TRUE(strip->isVisible());
        }
        grabToFile(window.get(), QStringLiteral("strip-%1").arg(size.width()));
    }
}

TEST_F(WindowsAsUsed, AFileNoProgramOpensIsSaidSo) {
    openerEndingWith(3);
    FileActions::openFiles({treeFile("report.unknown-kind")});
    ASSERT_TRUE(waitFor([&] { return !messages.shown.empty(); }));
    EXPECT_TRUE(toQString(messages.shown.back().text).startsWith(QStringLiteral("没有可以打开这类文件的程序")));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the busy pointer is gone again
    openerEndingWith(4);
    messages.shown.clear();
    FileActions::openFiles({treeFile("report.unknown-kind")});
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);  // busy at once, while it looks
    ASSERT_TRUE(waitFor([&] { return !messages.shown.empty(); }));
    EXPECT_EQ(toQString(messages.shown.back().text),
              QStringLiteral("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除."));
}

// The help needs no web browser: it shows in the program's own window, and
// a second click raises that window instead of opening another.
TEST_F(WindowsAsUsed, TheHelpShowsInTheProgramsOwnWindowOnce) {
    openerEndingWith(3);
    open(QSize(1024, 768));
    window->showHelp();
    window->showHelp();
    QCoreApplication::processEvents();
    EXPECT_TRUE(messages.shown.empty());
    auto pages = window->findChildren<LocalPageWindow*>();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0]->isVisible());
    EXPECT_TRUE(pages[0]->page().toLocalFile().endsWith(QStringLiteral("ZEPHHelp.html")));
    // Without its page the help says the file is missing, and only that.
    pages[0]->close();
    fs::remove(program / "ZEPHHelp.html");
    window->showHelp();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(toQString(messages.shown.back().caption), QStringLiteral("系统文件丢失"));
}

TEST_F(WindowsAsUsed, LockKeyPanesShowOnlyWhatThePlatformTells) {
    open(QSize(1024, 768));
    ASSERT_EQ(window->lockKeyPanes().size(), 3);
    // Offscreen no keyboard state is known: no pane pretends to show one.
    for (QLabel* pane : window->lockKeyPanes()) EXPECT_FALSE(pane->isVisible());
}

TEST_F(WindowsAsUsed, TheSortMarkIsThePlatformsOwn) {
    QStandardItemModel model(1, 2);
    model.setHorizontalHeaderLabels({QStringLiteral("文件名"), QStringLiteral("文件大小")});
    for (bool ascending : {true, false}) {
        SortHeader ours;
        QHeaderView platform(Qt::Horizontal);
        for (QHeaderView* header : {static_cast<QHeaderView*>(&ours), &platform}) {
            header->setModel(&model);
            header->resize(400, 28);
            header->resizeSection(0, 200);
            header->resizeSection(1, 200);
        }
        ours.setSortMark(1, ascending);
        platform.setSortIndicatorShown(true);
        platform.setSortIndicator(1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QImage a = ours.grab().toImage(), b = platform.grab().toImage();
        ASSERT_EQ(a.size(), b.size());
        // The sorted section, pixel for pixel, and the mark inked in it.
        int differing = 0, inked = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 200; x < a.width(); ++x) {
                differing += a.pixel(x, y) != b.pixel(x, y);
                inked += qGray(b.pixel(x, y)) < 128;
            }
        EXPECT_GT(inked, 0) << "the platform draws a mark there";
        EXPECT_EQ(differing, 0) << ascending;
    }
}

TEST_F(WindowsAsUsed, TheSearchProgramComesBackAfterTheIndexRunItStarted) {
    // The indexer of a program folder of its own, whose search program only
    // notes that it was started, and for which data folder.
    TempFolder folder;
    fs::copy_file(fs::path(ZEPH_TEST_PROGRAM_DIR) / "ZEPHIndexer", folder / "ZEPHIndexer");
    writeFile(folder / "ZEPHSearch",
              "#!/bin/sh\necho \"$ZEPH_DATA_DIR\" > \"$(dirname \"$0\")/started.part\"\n"
              "mv \"$(dirname \"$0\")/started.part\" \"$(dirname \"$0\")/started\"\n");
    fs::permissions(folder / "ZEPHSearch", fs::perms::owner_all);
    ProgramRun run =
        runProgram((folder / "ZEPHIndexer").string(), {"--then-search"},
                   {{"ZEPH_DATA_DIR", program.str()}, {"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(waitFor([&] { return fs::exists(folder / "started"); }));
    EXPECT_EQ(readFile(folder / "started"), program.str() + "\n");
}

}  // namespace
}  // namespace zeph::test
