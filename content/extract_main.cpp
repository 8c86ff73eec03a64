// zeph-extract: a worker of the content index. It reads requests on standard
// input and answers each with the document's text on standard output, until
// its input ends. It runs with little: no network, bounded memory, a CPU
// budget per document, low priority. A document that crashes or hangs it
// costs only this process; the index starts another.
#include <fcntl.h>
#include <seccomp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "common/FileIO.h"
#include "content/DocumentText.h"
#include "content/WorkerProtocol.h"

namespace {

using namespace zeph::content;

constexpr rlim_t kMemory = rlim_t{2} << 30;
constexpr rlim_t kCpuSecondsPerDocument = 20;
constexpr std::uint64_t kPathAtMost = 1 << 20;

// Nothing over the network: sockets other than local ones are refused.
void noNetwork() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) return;
    seccomp_rule_add(filter, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socket), 1,
                     SCMP_A0(SCMP_CMP_NE, AF_UNIX));
    seccomp_load(filter);
    seccomp_release(filter);
}

// The sanitizers reserve terabytes of address space up front: a bound on it
// would fail every allocation, so their builds go without (their tests
// still run every document through a worker of its own).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kBoundAddressSpace = false;
#else
constexpr bool kBoundAddressSpace = true;
#endif

void confine() {
    rlimit memory{kMemory, kMemory};
    if (kBoundAddressSpace) ::setrlimit(RLIMIT_AS, &memory);
    rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
    (void)!::nice(10);
    // The idle I/O class: the user's own reads come first.
    constexpr int kWhoProcess = 1, kClassIdle = 3, kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
    noNetwork();
}

// From now on the document may use this much more CPU time; past it the
// kernel ends the process.
void cpuBudget() {
    rusage used{};
    ::getrusage(RUSAGE_SELF, &used);
    rlim_t now = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec);
    rlimit cpu{now + kCpuSecondsPerDocument, now + kCpuSecondsPerDocument + 5};
    ::setrlimit(RLIMIT_CPU, &cpu);
}

std::optional<std::string> readDocument(const std::string& path) {
    zeph::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes = zeph::readRange(fd.get(), 0, static_cast<std::uint64_t>(st.st_size));
    if (bytes.size() != static_cast<size_t>(st.st_size)) return std::nullopt;
    return bytes;
}

}  // namespace

int main() {
    std::signal(SIGPIPE, SIG_DFL);
    confine();
    for (;;) {
        auto kind = protocol::get<std::uint32_t>(0);
        auto cap = protocol::get<std::uint64_t>(0);
        auto path = kind && cap ? protocol::getBytes(0, kPathAtMost) : std::nullopt;
        if (!path) return 0;  // the index closed the pipe
        cpuBudget();
        ExtractedText text;
        if (auto bytes = readDocument(*path))
            text = extractText(static_cast<DocumentKind>(*kind), *bytes, *cap);
        else
            text.reason = "文件无法读取";
        std::string answer;
        protocol::put<std::uint32_t>(answer, text.outcome == ExtractedText::Read ? 0 : 1);
        protocol::put<std::uint32_t>(answer, text.cut ? 1 : 0);
        protocol::putBytes(answer, text.text);
        protocol::putBytes(answer, text.reason);
        if (!protocol::writeAll(1, answer)) return 0;
    }
}
