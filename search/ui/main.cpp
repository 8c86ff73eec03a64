// ZEPHSearch: the search program.
#include <QApplication>
#include <QDir>
#include <QIcon>

#include <unistd.h>

#include "common/SQLiteDB.h"
#include "common/widgets/ProgramIcons.h"
#include "common/widgets/QtMessages.h"
#include "search/ui/FileIcons.h"
#include "search/ui/MainWindow.h"
#include "search/ui/SingleInstance.h"

int main(int argc, char** argv) {
    // The browser panes run as root only without their sandbox.
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZEPHSearch"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索"));
    const QString programFolder = QCoreApplication::applicationDirPath();
    QApplication::setWindowIcon(
        QIcon(QDir(programFolder).filePath(QStringLiteral("icons/app.svg"))));
    zeph::ensureIconTheme();

    zeph::SingleInstance instance(programFolder);
    if (instance.handedOver()) return 0;

    zeph::QtMessages messages;
    zeph::installMessageService(&messages);
    zeph::CSQLiteDB db;
    // Creating the window constructs the engine: its start-up questions come
    // before the window shows, and may end the program.
    zeph::MainWindow window(db, programFolder);
    instance.listen();
    QObject::connect(&instance, &zeph::SingleInstance::raiseRequested, &window, [&window] {
        window.showMaximized();
        window.raise();
        window.activateWindow();
    });
    window.showMaximized();
    return app.exec();
}
