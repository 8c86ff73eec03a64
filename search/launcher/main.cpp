// zeph-searchd: answers the desktop's launchers (GNOME Shell's overview,
// KRunner) over the session bus from the index, with names, pinyin and the
// search language. The bus starts it when a launcher asks; it loads the
// index once, follows new generations and the journal as any search does,
// and ends after a minute without a question.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "common/DataFolder.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/TerminalText.h"
#include "search/launcher/LauncherProviders.h"
#include "search/launcher/LauncherSearch.h"

namespace {

constexpr int kIdleMs = 60'000;
constexpr int kHitsPerLine = 30;

const char kHelp[] = R"(NAME
    zeph-searchd - answer the desktop's launchers from the ZEPH index

SYNOPSIS
    zeph-searchd [-h | --help]

DESCRIPTION
    Serves org.gnome.Shell.SearchProvider2 and org.kde.krunner1 as
    org.zeph.Search on the session bus, which starts it on demand. It finds
    the data folder as zeph-query(1) does, honours the settings (pinyin,
    hidden entries, exclusions), answers the first 30 hits of each line,
    reads document contents only for content:, and ends after a minute idle.

OPTIONS
    -h, --help          show this text and end
)";

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(zeph::terminalTextFromUtf8(kHelp).c_str(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    zeph::TerminalMessages messages;  // nobody answers questions: to standard error
    zeph::installMessageService(&messages);
    const std::string programFolder = zeph::executableFolder();
    auto data = zeph::prepareDataFolder(programFolder);
    if (!data) return 2;
    zeph::LauncherSearch search(programFolder, *data, kHitsPerLine);
    zeph::registerLauncherTypes();
    zeph::GnomeSearchProvider gnome(search);
    zeph::KRunnerProvider krunner(search);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(zeph::kGnomeProviderPath, &gnome, QDBusConnection::ExportAllSlots) ||
        !bus.registerObject(zeph::kKRunnerPath, &krunner, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(zeph::kLauncherBusName)) {
        std::fprintf(stderr, "zeph-searchd: cannot serve %s on the session bus\n",
                     zeph::kLauncherBusName);
        return 2;
    }
    // A minute without a question ends it; the bus starts it again.
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(qEnvironmentVariableIntValue("ZEPH_SEARCHD_IDLE_MS") > 0
                         ? qEnvironmentVariableIntValue("ZEPH_SEARCHD_IDLE_MS")
                         : kIdleMs);
    QObject::connect(&idle, &QTimer::timeout, &app, &QCoreApplication::quit);
    QObject::connect(&search, &zeph::LauncherSearch::answered, &idle, qOverload<>(&QTimer::start));
    idle.start();
    return app.exec();
}
