#include "IndexLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "common/Paths.h"

namespace zeph {

namespace {

std::string lockPath(const std::string& dataFolder, const char* name) {
    return joinPath(dataFolder, name);
}

}  // namespace

IndexLock IndexLock::acquire(const std::string& dataFolder, const char* name) {
    IndexLock lock;
    lock.m_fd = openPath(lockPath(dataFolder, name), O_RDWR | O_CREAT, 0644);
    if (!lock.m_fd.valid()) return lock;
    // A probe of indexRunInProgress holds a shared lock for a moment: try for a
    // little while before calling the lock taken by another run.
    int error = 0;
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (::flock(lock.m_fd.get(), LOCK_EX | LOCK_NB) == 0) {
            lock.m_state = State::Held;
            return lock;
        }
        error = errno;
        if (error != EWOULDBLOCK && error != EINTR) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    lock.m_fd.close();
    lock.m_state = error == EWOULDBLOCK ? State::Busy : State::Unavailable;
    return lock;
}

bool lockHeld(const std::string& dataFolder, const char* name) {
    UniqueFd fd = openPath(lockPath(dataFolder, name), O_RDONLY);
    if (!fd.valid()) return false;
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) == 0) return false;  // closing lets go
    return errno == EWOULDBLOCK;
}

std::string indexRunningText() {
    return "ZEPH桌面搜索索引程序正在建立索引，请等它完成后再更新索引！";
}

std::string indexRunningCaption() {
    return "正在建立索引";
}

}  // namespace zeph
