// ZEPHSearch: the search program.
#include <QApplication>
#include <QLocale>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "common/Process.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/TerminalText.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/QtMessages.h"
#include "common/widgets/QtTranslations.h"
#include "search/engine/IndexDirectory.h"
#include "search/ui/FileIcons.h"
#include "search/ui/FirstRunDialog.h"
#include "search/ui/MainWindow.h"
#include "search/ui/SearchPanel.h"
#include "search/ui/SearchHelp.h"
#include "search/ui/SingleInstance.h"

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(zeph::terminalTextFromUtf8(zeph::kSearchHelp).c_str(), stdout);
        return 0;
    }
    // The browser panes run as root only without their sandbox.
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::optional<zeph::ChineseDatesAtStart> chineseDates(std::in_place);
    QApplication app(argc, argv);
    QLocale::system();  // read while the environment says Chinese
    chineseDates.reset();
    QApplication::setApplicationName(QStringLiteral("ZEPHSearch"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索"));
    zeph::installQtTranslations(app);
    zeph::QtMessages messages;
    zeph::installMessageService(&messages);

    zeph::initialiseProgramFolders();
    zeph::ensureIconTheme();

    // Started with a search line (by a launcher): it goes in the name box.
    QString searchLine;
    if (int at = static_cast<int>(QCoreApplication::arguments().indexOf(QStringLiteral("--search")));
        at > 0 && at + 1 < QCoreApplication::arguments().size())
        searchLine = QCoreApplication::arguments().at(at + 1);
    // One search program per data folder: they would share the result table.
    zeph::SingleInstance instance(zeph::dataFolder());
    if (instance.handedOver(searchLine)) return 0;

    zeph::CSQLiteDB db;
    // No index yet: which folders to index is asked with the first-run
    // question, before anything else.
    if (zeph::IndexDirectory index; index.load(zeph::toGbk(zeph::dataFolder())) ==
                                    zeph::IndexDirectory::LoadResult::NoPostings) {
        zeph::openConfigDatabase(db, zeph::toGbk(zeph::dataFolder()));
        zeph::FirstRunDialog question;
        if (question.exec() != QDialog::Accepted) return 2;
        if (!zeph::FirstRunDialog::storeFolders(db, question.chosenFolders()) ||
            !zeph::startIndexer(zeph::toGbk(zeph::pictureFolder()),
                                zeph::toGbk(zeph::dataFolder()))) {
            zeph::uiMessage(
                QStringLiteral("打开文件失败,可能是未知的文件类型，也可能是文件已经从硬盘删除."));
            return 1;
        }
        return 1;
    }
    // Creating the window constructs the engine: its start-up questions come
    // before the window shows, and may end the program.
    zeph::MainWindow window(db);
    instance.listen();
    auto searchFor = [&window](const QString& line) {
        if (line.isEmpty()) return;
        window.searchPanel()->nameBox()->setText(line);
        window.searchPanel()->startOrStop();
    };
    QObject::connect(&instance, &zeph::SingleInstance::raiseRequested, &window,
                     [&window, searchFor](const QString& line) {
                         window.showMaximized();
                         window.raise();
                         window.activateWindow();
                         searchFor(line);
                     });
    window.showMaximized();
    searchFor(searchLine);
    return app.exec();
}
