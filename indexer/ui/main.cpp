// ZEPHIndexer: rebuilds the whole index once, with a progress window, and ends.
#include <QApplication>
#include <QIcon>

#include <unistd.h>

#include "common/Codec.h"
#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/widgets/QtMessages.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/IndexerDialog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPHIndexer"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索索引程序"));
    QApplication::setWindowIcon(
        QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/icons/app.svg")));

    zeph::QtMessages messages;
    zeph::installMessageService(&messages);

    // Every data path comes from the program's own folder, wherever it was started.
    std::string programFolder = zeph::executableFolder();
    if (chdir(zeph::osPath(programFolder).c_str()) != 0) return 1;

    zeph::CSQLiteDB db;
    zeph::openConfigDatabase(db, programFolder);

    zeph::IndexRun run(db, programFolder);
    zeph::IndexerDialog dialog(run, QString::fromStdString(zeph::toUtf8Lossy(programFolder)));
    dialog.show();
    dialog.startRun();
    return app.exec();
}
