// ZEPHSearch: the search program.
#include <QApplication>

#include <unistd.h>

#include "common/SQLiteDB.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/QtMessages.h"
#include "common/widgets/QtTranslations.h"
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
    zeph::installQtTranslations(app);
    zeph::QtMessages messages;
    zeph::installMessageService(&messages);

    zeph::initialiseProgramFolders();
    zeph::ensureIconTheme();

    // One search program per data folder: they would share the result table.
    zeph::SingleInstance instance(zeph::dataFolder());
    if (instance.handedOver()) return 0;

    zeph::CSQLiteDB db;
    // Creating the window constructs the engine: its start-up questions come
    // before the window shows, and may end the program.
    zeph::MainWindow window(db);
    instance.listen();
    QObject::connect(&instance, &zeph::SingleInstance::raiseRequested, &window, [&window] {
        window.showMaximized();
        window.raise();
        window.activateWindow();
    });
    window.showMaximized();
    return app.exec();
}
