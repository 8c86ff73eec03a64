#include <QLabel>
#include <QPainter>

#include <filesystem>

#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/GbkText.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/GradientProgressBar.h"
#include "indexer/ui/IndexerDialog.h"
#include "tests/support/RunProgram.h"
#include "tests/ui/UiFixture.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

class IndexerWindow : public UiFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 300; ++i)
            writeFile(tree / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i)), "x");
        openConfigDatabase(db, program.str());
        db.Execute("delete from ScanConfig");
        db.Execute("insert into ScanConfig(ifScan,FolderName) values(1,'" + tree.str() + "')");
    }
    CSQLiteDB db;
};

TEST_F(IndexerWindow, ARunMovesForwardToOneHundredAndClosesItself) {
    IndexRun run(db, program.str());
    IndexerDialog dialog(run);
    std::vector<int> seen;
    dialog.show();
    grabToFile(&dialog, QStringLiteral("indexer-start"));
    dialog.startRun();
    ASSERT_TRUE(waitFor([&] {
        seen.push_back(dialog.progressBar()->pos());
        return !dialog.isVisible();
    }));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(dialog.progressBar()->pos(), 100);
    EXPECT_EQ(dialog.stepLabel(3)->font().bold(), true);
    EXPECT_TRUE(dialog.stepLabel(0)->font().italic());
    EXPECT_TRUE(fs::exists(program / "index" / "AllFiles.dat"));
    grabToFile(&dialog, QStringLiteral("indexer-end"));
}

TEST_F(IndexerWindow, CancelAsksAndYesStopsWithoutPublishing) {
    IndexRun run(db, program.str());
    IndexerDialog dialog(run);
    dialog.show();
    dialog.reject();  // Escape: asks, the scripted answer is No
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(toQString(messages.shown[0].text),
              QStringLiteral("索引更新尚未完成，确定需要退出吗？"));
    EXPECT_EQ(toQString(messages.shown[0].caption), QStringLiteral("确定退出"));
    EXPECT_FALSE(run.stopRequested());
    messages.answer(true);
    dialog.cancelRun();
    EXPECT_TRUE(run.stopRequested());
    dialog.startRun();
    ASSERT_TRUE(waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_FALSE(fs::exists(program / "index" / "AllFiles.dat"));
}

TEST_F(IndexerWindow, UnattendedAFailedRunSaysWhyOnStandardErrorAndEnds) {
    // Files may not grow past 8 KiB: the file list cannot be written. Were a
    // message box waiting for a click, the time limit would end it instead.
    ProgramRun run =
        runProgram("/usr/bin/timeout",
                   {"120", "/bin/sh", "-c", "ulimit -f 16 && exec \"$0\"",
                    ZEPH_TEST_PROGRAM_DIR "/ZEPHIndexer"},
                   {{"ZEPH_DATA_DIR", program.str()}, {"QT_QPA_PLATFORM", "offscreen"}});
    EXPECT_EQ(run.exitCode, 255);  // -1
    EXPECT_NE(run.err.find("写入文件列表失败"), std::string::npos) << run.err;
    for (const char* name : {"AllFiles.dat", "MetaIndex.idx", "IndexData.idx"})
        EXPECT_FALSE(fs::exists(program / "tmp" / name)) << name;
}

// Paints a bar and returns the picture.
QImage paintedBar(int width, const QColor& start, const QColor& end, int position) {
    GradientProgressBar bar;
    bar.setRange(0, 100);
    bar.setPos(position);
    bar.setColours(start, end, QColor(240, 240, 240), QColor(0, 255, 0));
    bar.setShowPercent(false);
    QImage image(std::max(width, 1), 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    bar.paintBar(painter, QSize(width, 10));
    return image;
}

TEST(GradientProgressBar, PaintsEveryColourPairAndWidth) {
    QImage full = paintedBar(300, QColor(0, 0, 255), QColor(255, 0, 0), 100);
    EXPECT_EQ(QColor(full.pixel(0, 5)), QColor(0, 0, 255));
    EXPECT_GT(qRed(full.pixel(299, 5)), 250);
    QImage half = paintedBar(300, QColor(0, 0, 255), QColor(255, 0, 0), 50);
    EXPECT_EQ(QColor(half.pixel(290, 5)), QColor(240, 240, 240));
    QImage same = paintedBar(300, QColor(9, 9, 9), QColor(9, 9, 9),
                             60);  // equal colours: no division by zero
    EXPECT_EQ(QColor(same.pixel(10, 5)), QColor(9, 9, 9));
    EXPECT_EQ(QColor(same.pixel(250, 5)), QColor(240, 240, 240));
    paintedBar(0, QColor(0, 0, 255), QColor(255, 0, 0), 100);  // zero width
    paintedBar(1, QColor(0, 0, 255), QColor(255, 0, 0), 100);
    QImage none = paintedBar(50, QColor(0, 0, 255), QColor(255, 0, 0), 0);
    EXPECT_NE(QColor(none.pixel(5, 5)), QColor(0, 0, 255));
}

}  // namespace
}  // namespace zeph::test
