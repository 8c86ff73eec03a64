// The watcher's work: it watches every folder of the configured roots, turns
// what changes into journal records (a batch every tenth of a second or so)
// and rebuilds the index with a full run whenever the journal cannot be
// trusted to be complete: at its start (nobody watched before), when the
// kernel's event queue overflowed, when watches ran out, when a root went
// away or the roots changed; and to compact the journal, when it grows long
// or the index reaches its update time. Each such run writes a line to the
// system log. It ends when stopped, when live updates are turned off, or
// when its data folder goes away.
#pragma once

#include <sys/inotify.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "common/SQLiteDB.h"
#include "watcher/JournalWriter.h"
#include "watcher/Watches.h"

namespace zeph {

class LiveIndex {
public:
    // Past this many records the journal is compacted by a full run.
    static constexpr std::int64_t kCompactAt = 100'000;

    struct Options {
        Watches::AddWatch addWatch;  // tests put in one that runs out
        bool fullRunAtStart = true;
        std::chrono::milliseconds batchPause{100};
        // Told how long setting the watches and each full run took (for measuring).
        std::function<void(const std::string&)> report;
    };

    LiveIndex(std::string dataFolder, Options options);
    LiveIndex(std::string dataFolder) : LiveIndex(std::move(dataFolder), Options{}) {}
    ~LiveIndex();

    // Watches and journals until stop(); 0 when it ended by itself or was stopped.
    int run();
    void stop() { m_stop = true; }

    // As if the kernel's event queue had overflowed (for tests; any thread).
    void simulateOverflow() { m_overflowed = true; }

    // Read by tests.
    std::int64_t fullRunsDone() const { return m_runsDone; }

private:
    struct Pending {
        enum Kind { Changed, Added, Removed } kind;
        std::string folder;  // Changed: the folder and name to read at the flush
        std::string text;    // Changed: the name; Added: the record; Removed: the path
    };

    void start();
    void handleEvent(int wd, std::uint32_t mask, std::string_view name);
    void watchRoots();
    void readEvents();
    void flush();
    void housekeeping();
    void requestFullRun(const std::string& reason);
    void startFullRun();
    void finishFullRun();
    bool shouldEnd();
    void note(std::string text);
    void report(const std::string& what, std::chrono::steady_clock::time_point since);

    std::string m_dataFolder;
    Options m_options;
    CSQLiteDB m_db;
    Watches m_watches;
    JournalWriter m_writer;
    std::vector<std::string> m_roots;
    std::vector<Pending> m_pending;
    std::unordered_map<std::string, size_t> m_pendingChange;  // path -> its Changed item
    std::chrono::steady_clock::time_point m_firstPending;
    std::chrono::steady_clock::time_point m_lastHousekeeping;
    std::chrono::steady_clock::time_point m_lastFullRun;
    bool m_degraded = false;  // watches ran out: some folders are only caught by full runs

    std::thread m_run;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_runEnded{false};
    std::atomic<bool> m_busy{false};  // the last run found another one at work
    bool m_runAgain = false;
    std::chrono::steady_clock::time_point m_retryAt;
    std::chrono::steady_clock::time_point m_runStarted;
    std::atomic<std::int64_t> m_runsDone{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_overflowed{false};
};

}  // namespace zeph
