// The watcher's work: it watches every folder of the configured roots, turns
// what changes into journal records (a batch every tenth of a second or so)
// and rebuilds the index with a full run whenever the journal cannot be
// trusted to be complete: at its start (nobody watched before), when the
// kernel's event queue overflowed, when watches ran out, when a root went
// away, was replaced or the roots changed, when records could not be written
// and too many piled up; and to compact the journal, when it grows long or
// the index reaches its update time. Each such run writes a line to the
// system log. It ends when stopped, when live updates are turned off, or when
// its data folder goes away.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/FileIO.h"
#include "common/SQLiteDB.h"
#include "indexer/IndexRun.h"
#include "watcher/ContentUpdates.h"
#include "watcher/JournalWriter.h"
#include "watcher/PendingChanges.h"
#include "watcher/Watches.h"

namespace zeph {

class LiveIndex {
public:
    // Past this many records the journal is compacted by a full run.
    static constexpr std::int64_t kCompactAt = 100'000;
    // Past this many entries met in folders that appeared within one batch,
    // the rest are left to a full run (watches are still set).
    static constexpr std::int64_t kWalkedAtMost = 100'000;
    // Past this many bytes of records that could not be written, they are
    // dropped and a full run is owed once there is room again.
    static constexpr size_t kUnwrittenAtMost = 32 << 20;

    struct Options {
        Watches::AddWatch addWatch;  // tests put in one that runs out
        bool fullRunAtStart = true;
        std::chrono::milliseconds batchPause{100};
        // Told how long setting the watches and each full run took (for measuring).
        std::function<void(const std::string&)> report;
        JournalWriter::Clock clock;  // when batches came (tests)
        // The content index's extraction program (system encoding); by
        // default the one beside this program.
        std::string extractor;
    };

    LiveIndex(std::string dataFolder, Options options);
    LiveIndex(std::string dataFolder) : LiveIndex(std::move(dataFolder), Options{}) {}
    ~LiveIndex();

    // Watches and journals until stop(); 0 when it ended by itself or was stopped.
    int run();
    // Ends run() soon: the walk under way, the full run under way and the wait
    // for events all end. Safe from a signal handler.
    void stop();

    // As if the kernel's event queue had overflowed (for tests; any thread).
    void simulateOverflow() { m_overflowed = true; }

    // Read by tests.
    std::int64_t fullRunsDone() const { return m_runsDone; }
    // The most records one batch held.
    std::int64_t largestBatch() const { return m_largestBatch; }
    // Records kept because they could not be written yet.
    std::int64_t unwrittenRecords() const { return m_unwrittenCount; }
    const ContentUpdates& contentUpdates() const { return m_content; }

private:
    struct FolderId {
        dev_t device;
        ino_t inode;
        bool operator==(const FolderId&) const = default;
    };

    void start();
    void handleEvent(int wd, std::uint32_t mask, std::string_view name);
    void watchRoots();
    bool watchTree(const std::string& folder, const Watches::OnEntry& onEntry = {});
    static std::optional<FolderId> folderIdentity(const std::string& gbkFolder);
    void checkRoots();
    void readEvents();
    void flush();
    void write(std::string records, std::int64_t count);
    void housekeeping();
    void requestFullRun(const std::string& reason);
    void startFullRun();
    void finishFullRun();
    void stopFullRun();
    bool shouldEnd();
    void note(std::string text);
    void report(const std::string& what, std::chrono::steady_clock::time_point since);

    std::string m_dataFolder;
    Options m_options;
    CSQLiteDB m_db;
    Watches m_watches;
    JournalWriter m_writer;
    ContentUpdates m_content;
    UniqueFd m_wake;  // an eventfd that stop() signals, to end the wait at once
    std::vector<std::string> m_roots;
    std::map<std::string, std::optional<FolderId>> m_rootIds;  // as last watched
    PendingChanges m_pending;
    std::chrono::steady_clock::time_point m_firstPending;
    std::chrono::steady_clock::time_point m_lastHousekeeping;
    std::chrono::steady_clock::time_point m_lastFullRun;
    bool m_degraded = false;  // watches ran out: some folders are only caught by full runs

    // Records a failed write left, written before the next batch.
    std::string m_unwritten;
    std::atomic<std::int64_t> m_unwrittenCount{0};
    bool m_writeFailing = false;
    bool m_changesLost = false;  // dropped records: a full run is owed
    std::chrono::steady_clock::time_point m_retryWrite;
    std::atomic<std::int64_t> m_largestBatch{0};

    std::thread m_run;
    std::mutex m_runMutex;
    IndexRun* m_currentRun = nullptr;  // while one works, under m_runMutex
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_runEnded{false};
    std::atomic<IndexRun::Outcome> m_outcome{IndexRun::Outcome::Published};
    bool m_runAgain = false;
    std::chrono::steady_clock::time_point m_retryAt;
    std::chrono::steady_clock::time_point m_runStarted;
    std::atomic<std::int64_t> m_runsDone{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_overflowed{false};
};

}  // namespace zeph
