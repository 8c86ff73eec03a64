// Every window at a small and a large screen: each fits the small one, and
// with ZEPH_SCREENSHOTS set each is saved as a picture to look at.
#include <QLineEdit>

#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/IndexerDialog.h"
#include "search/ui/AboutDialog.h"
#include "search/ui/ExtensionEditor.h"
#include "search/ui/MainWindow.h"
#include "search/ui/PropertiesDialog.h"
#include "search/ui/SearchPanel.h"
#include "search/ui/SettingsDialog.h"
#include "search/ui/SystemLogDialog.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class Screens : public UiFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 150; ++i)
            writeFile(tree / "docs" / ("report " + std::to_string(i) + ".txt"), "x");
        indexTree();
    }
    // Shows a window at its own size, checks it fits the small screen, saves its picture.
    void look(QWidget* window, const QString& name) {
        window->show();
        QCoreApplication::processEvents();
        EXPECT_LE(window->width(), 1024) << name.toStdString();
        EXPECT_LE(window->height(), 768) << name.toStdString();
        EXPECT_GE(window->width(), window->minimumSizeHint().width()) << name.toStdString();
        grabToFile(window, name);
    }
    CSQLiteDB db;
};

TEST_F(Screens, EveryWindowFitsASmallScreenAndFillsALargeOne) {
    {
        MainWindow window(db);
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            window.resize(size);
            window.show();
            for (int section = 0; section < 3; ++section)
                window.searchPanel()->setSectionOpen(section, true);
            window.searchPanel()->nameBox()->setText(QStringLiteral("report"));
            window.searchPanel()->startOrStop();
            ASSERT_TRUE(waitFor([&] { return !window.searchPanel()->searching(); }));
            QCoreApplication::processEvents();
            EXPECT_EQ(window.size(), size);
            grabToFile(&window, QStringLiteral("main-%1x%2").arg(size.width()).arg(size.height()));
        }
        SettingsDialog settings(db, &window);
        look(&settings, QStringLiteral("settings"));
        ExtensionEditor editor(db, 1, &window);
        look(&editor, QStringLiteral("extension-editor"));
        SystemLogDialog log(db, &window);
        look(&log, QStringLiteral("log-viewer"));
        AboutDialog about(&window);
        look(&about, QStringLiteral("about"));
        PropertiesDialog properties(treeFile("docs/report 1.txt"), &window);
        look(&properties, QStringLiteral("properties"));
    }
    CSQLiteDB indexerDb;
    openConfigDatabase(indexerDb, program.str());
    IndexRun run(indexerDb, program.str());
    IndexerDialog indexer(run);
    look(&indexer, QStringLiteral("indexer"));
}

}  // namespace
}  // namespace zeph::test
