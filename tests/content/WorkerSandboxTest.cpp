// A reader a document has taken over is refused what would let it out: run a
// program, write or make a file, signal or trace another process, make a
// socket. It still reads what it is named. Tried in a process of its own,
// confined as the worker confines itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "content/WorkerSandbox.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace zeph::test {
namespace {

TEST(WorkerSandbox, AConfinedReaderIsRefusedEveryWayOut) {
    TempFolder folder;
    writeFile(folder / "document.txt", "words");
    const std::string inside = folder.str();
    const pid_t parent = ::getpid();
    int answers[2];
    ASSERT_EQ(::pipe(answers), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(answers[0]);
        content::SandboxReport report = content::confineReader();
        std::string tried;
        auto note = [&](const char* what, bool refused) {
            tried += std::string(what) + (refused ? "=refused " : "=ALLOWED ");
        };
        note("seccomp", report.seccomp);
        note("landlock", report.landlock);
        char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
        note("exec", ::execv("/bin/true", argv) != 0);
        note("write", ::open((inside + "/document.txt").c_str(), O_WRONLY) < 0);
        note("create", ::open((inside + "/new.txt").c_str(), O_WRONLY | O_CREAT, 0644) < 0);
        note("openat2", ::syscall(SYS_openat2, AT_FDCWD, (inside + "/x").c_str(), nullptr, 0) < 0);
        note("mkdir", ::mkdir((inside + "/dir").c_str(), 0755) != 0);
        note("unlink", ::unlink((inside + "/document.txt").c_str()) != 0);
        note("kill", ::kill(parent, 0) != 0);
        note("ptrace", ::ptrace(PTRACE_ATTACH, parent, nullptr, nullptr) != 0);
        note("inet", ::socket(AF_INET, SOCK_STREAM, 0) < 0);
        note("unix", ::socket(AF_UNIX, SOCK_STREAM, 0) < 0);
        int fd = ::open((inside + "/document.txt").c_str(), O_RDONLY);
        note("read", fd >= 0);  // "refused" here means it still reads
        (void)!::write(answers[1], tried.data(), tried.size());
        ::_exit(0);
    }
    ::close(answers[1]);
    std::string told;
    char buffer[512];
    for (ssize_t n; (n = ::read(answers[0], buffer, sizeof buffer)) > 0;) told.append(buffer, n);
    ::close(answers[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(told.find("ALLOWED"), std::string::npos) << told;
    EXPECT_NE(told.find("read=refused"), std::string::npos) << told;
    EXPECT_TRUE(fs::exists(folder / "document.txt"));
    EXPECT_FALSE(fs::exists(folder / "new.txt"));
}

}  // namespace
}  // namespace zeph::test
