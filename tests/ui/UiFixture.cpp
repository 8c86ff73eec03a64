#include "tests/ui/UiFixture.h"

#include <QDir>
#include <QPixmap>

#include <filesystem>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/StartupSettings.h"
#include "common/Statements.h"
#include "common/widgets/ProgramFolders.h"
#include "indexer/IndexRun.h"

namespace fs = std::filesystem;

namespace zeph::test {

void grabToFile(QWidget* widget, const QString& name) {
    QByteArray folder = qgetenv("ZEPH_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    widget->grab().save(
        QDir(QString::fromLocal8Bit(folder)).filePath(name + QStringLiteral(".png")));
}

UiFixture::UiFixture() {
    // Pictures, icons and pages of the built program folder.
    for (const auto& entry : fs::directory_iterator(ZEPH_TEST_PROGRAM_DIR)) {
        std::string name = entry.path().filename().string();
        bool picture = name == "icons" || name.ends_with(".gif") || name.ends_with(".png") ||
                       name.ends_with(".html");
        if (picture) fs::copy(entry.path(), program / name, fs::copy_options::recursive);
    }
    setPictureFolder(folder());
    setDataFolder(folder());
    CSQLiteDB db;
    openConfigDatabase(db, program.str());
    db.Execute("update SystemSetting set UpdateFrequency=4");
}

void UiFixture::indexTree() {
    CSQLiteDB db;
    openConfigDatabase(db, program.str());
    db.Execute("delete from ScanConfig");
    db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(tree.str())}));
    IndexRun run(db, program.str());
    ASSERT_EQ(run.run(), IndexRun::Outcome::Published);
}

}  // namespace zeph::test
