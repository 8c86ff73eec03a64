// ZEPHIndexer: rebuilds the whole index once, with a progress window, and ends.
#include <QApplication>
#include <QLocale>

#include <optional>

#include "common/Codec.h"
#include "common/IndexLock.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/Process.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/SystemLog.h"
#include "common/widgets/GbkText.h"
#include "common/widgets/ProgramFolders.h"
#include "common/widgets/QtMessages.h"
#include "common/widgets/QtTranslations.h"
#include "content/ContentIndexer.h"
#include "indexer/IndexRun.h"
#include "indexer/ui/ContentDialog.h"
#include "indexer/ui/IndexerDialog.h"

namespace {

// No screen anybody looks at: started without a display, or offscreen by a
// script. Nobody could answer a message box there.
bool unattended() {
    return QGuiApplication::platformName() == QLatin1String("offscreen") ||
           QGuiApplication::platformName() == QLatin1String("minimal");
}

// The content index follows the new names, unless a watcher does that itself.
// False when the documents could not all be stored (the reason is logged).
bool readDocuments(zeph::CSQLiteDB& db, const std::string& programFolder,
                   const std::string& dataFolder) {
    zeph::content::ContentScope scope = zeph::content::ContentScope::read(db);
    if (!scope.enabled() || zeph::lockHeld(dataFolder, zeph::kWatcherLockName)) return true;
    zeph::content::ContentIndexer indexer(
        dataFolder, scope, zeph::osPath(zeph::joinPath(programFolder, "zeph-extract")),
        std::max(1u, std::thread::hardware_concurrency()));
    auto log = [&](const std::string& gbkText) {
        zeph::WriteLog(db, zeph::kLiveIndexLogType, gbkText);
    };
    indexer.onUnreadable = [&](const std::string& path, const std::string& reason) {
        log(zeph::toGbk(QStringLiteral("无法读取文档内容：")) + path +
            zeph::toGbk(QStringLiteral("（")) + reason + zeph::toGbk(QStringLiteral("）")));
    };
    indexer.onNote = log;
    bool stored = false;
    if (unattended()) {
        std::atomic<bool> stop{false};
        stored = indexer.compare(stop) && indexer.extractPending(stop);
    } else {
        zeph::ContentDialog window(indexer);
        window.show();
        window.start();
        window.exec();
        // Closed by the user before the end: what is left waits for the next run.
        stored = window.stored() || window.stoppedByUser();
    }
    if (!stored) {
        const std::string text = zeph::toGbk(zeph::contentFailureText(indexer));
        log(text);
        if (unattended()) zeph::showMessage(text, zeph::toGbk(QStringLiteral("文档内容索引")));
    }
    return stored;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<zeph::ChineseDatesAtStart> chineseDates(std::in_place);
    QApplication app(argc, argv);
    QLocale::system();  // read while the environment says Chinese
    chineseDates.reset();
    QApplication::setApplicationName(QStringLiteral("ZEPHIndexer"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZEPH桌面搜索索引程序"));
    zeph::installQtTranslations(app);
    // Unattended, messages go to standard error and a failed run ends with its code.
    zeph::QtMessages windowMessages;
    zeph::TerminalMessages terminalMessages;
    zeph::installMessageService(unattended() ? static_cast<zeph::MessageService*>(&terminalMessages)
                                             : &windowMessages);

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
    const std::string programFolder = zeph::toGbk(zeph::pictureFolder());
    // Started from the search program, which ended for the run: it comes back,
    // and searches the names while the documents are read.
    if (QCoreApplication::arguments().contains(QStringLiteral("--then-search")))
        zeph::startDetached(zeph::osPath(zeph::joinPath(programFolder, "ZEPHSearch")), {},
                            {{"ZEPH_DATA_DIR", zeph::osPath(dataFolder)}});
    bool documentsStored = true;
    if (dialog.outcome() == zeph::IndexRun::Outcome::Published)
        documentsStored = readDocuments(db, programFolder, dataFolder);
    // A run that failed (its message was shown) does not end as a success, nor
    // one whose documents could not be stored.
    if (dialog.outcome() == zeph::IndexRun::Outcome::Failed) return -1;
    return documentsStored ? code : zeph::kExitContentNotStored;
}
