// ZEPHIndexer: rebuilds the whole index once, with a progress window, and ends.
#include <QApplication>

#include "common/IndexLock.h"
#include "common/Messages.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/QtMessages.h"
#include "common/widgets/QtTranslations.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/IndexerDialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPHIndexer"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索索引程序"));
    zeph::installQtTranslations(app);
    zeph::QtMessages messages;
    zeph::installMessageService(&messages);

    // Every path comes from the program's own folders, wherever it was started.
    const std::string dataFolder = zeph::initialiseProgramFolders();

    zeph::CSQLiteDB db;
    zeph::openConfigDatabase(db, dataFolder);
    zeph::IndexRun run(db, dataFolder);
    if (!run.lock())
        zeph::fatalExit(zeph::kExitIndexRunning, zeph::indexRunningText(),
                        zeph::indexRunningCaption());
    zeph::IndexerDialog dialog(run);
    dialog.show();
    dialog.startRun();
    int code = app.exec();
    // A run that failed (its message was shown) does not end as a success.
    return dialog.outcome() == zeph::IndexRun::Outcome::Failed ? -1 : code;
}
