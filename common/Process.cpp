#include "Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
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

// RAII for the spawn file actions.
class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

}  // namespace

bool startDetached(const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   ProgramEnded ended) {
    const bool onPath = program.find('/') == std::string::npos;
    if (!onPath && access(program.c_str(), X_OK) != 0) return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    std::vector<std::string> settings;
    for (const auto& [name, value] : environment) settings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable) {
        bool replaced = false;
        for (const auto& [name, value] : environment) {
            std::string_view entry(*variable);
            replaced = replaced || (entry.starts_with(name) && entry.size() > name.size() &&
                                    entry[name.size()] == '=');
        }
        if (!replaced) envp.push_back(*variable);
    }
    for (std::string& setting : settings) envp.push_back(setting.data());
    envp.push_back(nullptr);

    // Only what it needs: nothing of ours stays open in a program that may
    // outlive us (a pipe of our caller, the web engine's shared memory).
    SpawnFileActions actions;
    for (int fd = 0; fd < 3; ++fd)
        posix_spawn_file_actions_addopen(actions.get(), fd, "/dev/null",
                                         fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(actions.get(), 3);
    SpawnAttributes attributes;
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    auto spawn = onPath ? posix_spawnp : posix_spawn;
    if (spawn(&pid, program.c_str(), actions.get(), attributes.get(), argv.data(), envp.data()) !=
        0)
        return false;
    // Reap the child whenever it ends, so a long-running caller leaves no zombie.
    std::thread([pid, ended = std::move(ended)] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (ended) ended(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }).detach();
    return true;
}

bool startIndexer(const std::string& programFolder, const std::string& dataFolder) {
    return startDetached(osPath(joinPath(programFolder, "ZEPHIndexer")), {"--then-search"},
                         {{"ZEPH_DATA_DIR", osPath(dataFolder)}});
}

bool startWatcher(const std::string& programFolder, const std::string& dataFolder) {
    return startDetached(osPath(joinPath(programFolder, "ZEPHWatcher")), {},
                         {{"ZEPH_DATA_DIR", osPath(dataFolder)}});
}

}  // namespace zeph
