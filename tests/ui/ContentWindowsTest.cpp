// The content index in the windows: its settings stored and shown again, a
// hit shown in context in the preview, the reading's progress in the status bar.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

#include "common/ContentSettings.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/GbkText.h"
#include "content/ContentIndexer.h"
#include "search/ui/ContentSettingsDialog.h"
#include "search/ui/MainWindow.h"
#include "search/ui/PreviewPage.h"
#include "search/ui/ResultPanel.h"
#include "search/ui/SearchPanel.h"
#include "tests/content/Documents.h"
#include "tests/ui/UiFixture.h"

namespace zeph::test {
namespace {

class ContentWindows : public UiFixture {
protected:
    void SetUp() override { openConfigDatabase(db, program.str()); }
    CSQLiteDB db;
};

TEST_F(ContentWindows, SettingsAreStoredAndShownAgain) {
    {
        ContentSettingsDialog dialog(db, folder());
        EXPECT_TRUE(dialog.enabledBox()->isChecked());
        EXPECT_EQ(dialog.folderList()->count(), 0);  // the home folder
        EXPECT_EQ(dialog.sizeBox()->value(), 100);
        auto pdf = dialog.typeList()->findItems(QStringLiteral("pdf"), Qt::MatchExactly);
        ASSERT_EQ(pdf.size(), 1);
        EXPECT_EQ(pdf[0]->checkState(), Qt::Checked);
        EXPECT_TRUE(
            dialog.typeList()->findItems(QStringLiteral("doc"), Qt::MatchExactly).isEmpty());
        dialog.addFolder(QString::fromStdString(tree.str()) + QStringLiteral("/"));
        pdf[0]->setCheckState(Qt::Unchecked);
        dialog.sizeBox()->setValue(10);
        dialog.enabledBox()->setChecked(false);
        dialog.show();
        grabToFile(&dialog, QStringLiteral("content-settings"));
        dialog.accept();
    }
    ContentSettings stored = readContentSettings(db);
    EXPECT_FALSE(stored.enabled);
    EXPECT_EQ(stored.folders, std::vector<std::string>{tree.str()});
    EXPECT_EQ(stored.skippedTypes, std::vector<std::string>{"pdf"});
    EXPECT_EQ(stored.maxFileMB, 10);
    ContentSettingsDialog again(db, folder());
    EXPECT_FALSE(again.enabledBox()->isChecked());
    EXPECT_EQ(again.folderList()->item(0)->text(), QString::fromStdString(tree.str()));
    EXPECT_EQ(again.typeList()->findItems(QStringLiteral("pdf"), Qt::MatchExactly)[0]->checkState(),
              Qt::Unchecked);
}

TEST_F(ContentWindows, AHitIsPreviewedInContextAndTheReadingsProgressShows) {
    writeFile(tree / "contract.docx",
              documentHolding("docx", utf8(u8"第一条\n本合同甲方为蓝鲸公司\n第二条")));
    writeFile(tree / "guide.docx", documentHolding("docx", utf8(u8"Change the conﬁguration file")));
    ContentSettings settings;
    settings.folders = {tree.str()};
    storeContentSettings(db, settings);
    indexTree();
    {
        content::ContentIndexer indexer(program.str(), content::ContentScope::read(db),
                                        ZEPH_TEST_PROGRAM_DIR "/zeph-extract", 1);
        std::atomic<bool> stop{false};
        ASSERT_TRUE(indexer.compare(stop) && indexer.extractPending(stop));
    }
    MainWindow window(db);
    window.show();
    SearchPanel* panel = window.searchPanel();
    panel->contentBox()->setText(QStringLiteral("甲方"));
    panel->startOrStop();
    ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
    QCoreApplication::processEvents();
    ResultPanel* results = window.resultPanel();
    ASSERT_EQ(results->hits(), 1);
    QString page;
    QObject::connect(results, &ResultPanel::pageRequested,
                     [&](const QString& path) { page = path; });
    QAbstractItemView* view = results->currentView();
    QRect first = view->visualRect(view->model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
    ASSERT_FALSE(page.isEmpty());
    QString html = QString::fromStdString(readFile(page.toStdString()));
    EXPECT_TRUE(html.contains(QStringLiteral("本合同<mark>甲方</mark>为蓝鲸公司")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("第一条")));

    // Typed in capitals, a word printed with a ligature: found, and shown
    // marked as the document prints it.
    panel->contentBox()->setText(QStringLiteral("CONFIGURATION"));
    panel->startOrStop();
    ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(results->hits(), 1);
    view = results->currentView();
    page.clear();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, 0)).center());
    ASSERT_FALSE(page.isEmpty());
    html = QString::fromStdString(readFile(page.toStdString()));
    EXPECT_TRUE(html.contains(QStringLiteral("the <mark>conﬁguration</mark> file"))) << html.toStdString();
    grabToFile(&window, QStringLiteral("content-ligature"));

    EXPECT_TRUE(window.contentStateText().isEmpty());  // nothing waits
    content::ContentStore::open(program.str(), false)->addPending(tree.str(), "new.docx");
    window.showContentProgress();
    EXPECT_EQ(window.contentStateText(), QStringLiteral("正在读取文档内容：已读 2 个，还有 1 个"));
}

// A content search over a folder whose documents are not read says so in the
// status bar, with a link to the setting; once the folder is read, it does not.
TEST_F(ContentWindows, ASearchWhereNoDocumentIsReadSaysSo) {
    writeFile(tree / "contract.docx", documentHolding("docx", utf8(u8"本合同甲方为蓝鲸公司")));
    indexTree();  // the content index reads the home folder, not the tree
    auto searchFor = [&](MainWindow& window) {
        SearchPanel* panel = window.searchPanel();
        panel->contentBox()->setText(QStringLiteral("甲方"));
        panel->startOrStop();
        ASSERT_TRUE(waitFor([&] { return !panel->searching(); }));
        QCoreApplication::processEvents();
    };
    {
        MainWindow window(db);
        window.show();
        searchFor(window);
        EXPECT_TRUE(window.contentNote()->isVisible());
        EXPECT_TRUE(window.contentNote()->text().contains(QString::fromStdString(tree.str())));
        EXPECT_TRUE(window.contentNote()->text().contains(QStringLiteral("<a href")));
        grabToFile(&window, QStringLiteral("content-not-read"));
    }
    ContentSettings settings;
    settings.folders = {tree.str()};
    storeContentSettings(db, settings);
    MainWindow window(db);
    window.show();
    searchFor(window);
    EXPECT_FALSE(window.contentNote()->isVisible());
}

}  // namespace
}  // namespace zeph::test
