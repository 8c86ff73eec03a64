#include "Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "Codec.h"
#include "Paths.h"

extern char** environ;

namespace zeph {

namespace {

// RAII for the spawn attributes.
class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&m_attr); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attr); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &m_attr; }

private:
    posix_spawnattr_t m_attr;
};

}  // namespace

bool startDetached(const std::string& program, const std::vector<std::string>& args) {
    if (access(program.c_str(), X_OK) != 0) return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, attributes.get(), argv.data(), environ) != 0)
        return false;
    // Reap the child whenever it ends, so a long-running caller leaves no zombie.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
}

bool startIndexer(const std::string& programFolder) {
    return startDetached(osPath(joinPath(programFolder, "ZEPHIndexer")));
}

bool startWatcher(const std::string& programFolder) {
    return startDetached(osPath(joinPath(programFolder, "ZEPHWatcher")));
}

}  // namespace zeph
