// One index run per data folder: an exclusive flock on index.lock in the data
// folder, held for the whole run (by the indexer, and by the watcher while it
// rebuilds). One watcher per data folder likewise holds watcher.lock while it
// runs. The kernel lets go of a lock however its holder ends.
#pragma once

#include <string>

#include "common/FileIO.h"

namespace zeph {

inline constexpr char kIndexLockName[] = "index.lock";
inline constexpr char kWatcherLockName[] = "watcher.lock";

class IndexLock {
public:
    enum class State { Held, Busy, Unavailable };

    IndexLock() = default;
    // Takes the lock of the data folder (GBK). Busy when another run holds it;
    // Unavailable when the lock file cannot be made (the run then fails on its
    // own work files, with their message).
    static IndexLock acquire(const std::string& dataFolder, const char* name = kIndexLockName);

    State state() const { return m_state; }
    bool busy() const { return m_state == State::Busy; }
    void release() { m_fd.close(); }

private:
    UniqueFd m_fd;
    State m_state = State::Unavailable;
};

// True while some process holds the named lock of the data folder.
bool lockHeld(const std::string& dataFolder, const char* name);
// True while an index run holds the lock of the data folder.
inline bool indexRunInProgress(const std::string& dataFolder) {
    return lockHeld(dataFolder, kIndexLockName);
}

// What a second start of a run is told, and its caption (GBK).
std::string indexRunningText();
std::string indexRunningCaption();

}  // namespace zeph
