// ZEPHIndexer: rebuilds the whole index once, with a progress window, and ends.
#include <QApplication>
#include <QIcon>

#include <unistd.h>

#include "common/Codec.h"
#include "common/DataFolder.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/QtMessages.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/IndexerDialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPHIndexer"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索索引程序"));
    zeph::QtMessages messages;
    zeph::installMessageService(&messages);

    // Every path comes from the program's own folders, wherever it was started.
    const std::string programFolder = zeph::executableFolder();
    auto dataFolder = zeph::prepareDataFolder(programFolder);
    if (!dataFolder) zeph::fatalExit(0, "连接数据库失败，请与系统管理员联系！");
    zeph::setPictureFolder(zeph::toQString(programFolder));
    zeph::setDataFolder(zeph::toQString(*dataFolder));
    QApplication::setWindowIcon(zeph::programIcon("app"));
    [[maybe_unused]] int changed = chdir(zeph::osPath(*dataFolder).c_str());

    zeph::CSQLiteDB db;
    zeph::openConfigDatabase(db, *dataFolder);
    zeph::IndexRun run(db, *dataFolder);
    zeph::IndexerDialog dialog(run);
    dialog.show();
    dialog.startRun();
    int code = app.exec();
    // A run that failed (its message was shown) does not end as a success.
    return dialog.outcome() == zeph::IndexRun::Outcome::Failed ? -1 : code;
}
