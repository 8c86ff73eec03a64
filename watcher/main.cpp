// ZEPHWatcher: keeps the index of its data folder live while the user is
// logged in. One runs per data folder; a second start ends at once.
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "common/DataFolder.h"
#include "common/IndexLock.h"
#include "common/Paths.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/TerminalText.h"
#include "watcher/LiveIndex.h"
#include "watcher/WatcherHelp.h"

namespace {

zeph::LiveIndex* g_live = nullptr;

void stopOnSignal(int) {
    if (g_live) g_live->stop();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string option = argc > 1 ? argv[1] : "";
    if (option == "--help" || option == "-h") {
        std::fputs(zeph::terminalTextFromGbk(zeph::kWatcherHelp).c_str(), stdout);
        return 0;
    }
    auto data = zeph::prepareDataFolder(zeph::executableFolder());
    if (!data) return 2;
    zeph::IndexLock one = zeph::IndexLock::acquire(*data, zeph::kWatcherLockName);
    if (one.state() != zeph::IndexLock::State::Held) return 0;  // another one watches
    {
        zeph::CSQLiteDB db;
        zeph::openConfigDatabase(db, *data);
        if (!zeph::readPreference(db, zeph::Preference::LiveIndex)) return 0;
    }
    // A background service: the user's programs come first.
    ::setpriority(PRIO_PROCESS, 0, 10);
    zeph::LiveIndex::Options options;
    if (option == "--stats")  // timings on standard error
        options.report = [](const std::string& line) {
            std::fprintf(stderr, "%s\n", line.c_str());
        };
    zeph::LiveIndex live(*data, options);
    g_live = &live;
    struct sigaction stop {};
    stop.sa_handler = stopOnSignal;
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return live.run();
}
