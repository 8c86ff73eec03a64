#include "WorkerSandbox.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zeph::content {

namespace {

constexpr rlim_t kMemory = rlim_t{2} << 30;

// The sanitizers reserve terabytes of address space up front: a bound on it
// would fail every allocation, so their builds go without (their tests
// still run every document through a worker of its own).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kBoundAddressSpace = false;
#else
constexpr bool kBoundAddressSpace = true;
#endif

// Every access that changes the file system or runs a file, handled and
// granted nowhere; reading stays as it was.
bool readOnlyFileSystem(std::string& missing) {
    const int abi = static_cast<int>(
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION));
    if (abi < 1) {
        missing += "Landlock ";
        return false;
    }
    landlock_ruleset_attr attributes{};
    attributes.handled_access_fs =
        LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_WRITE_FILE |
        LANDLOCK_ACCESS_FS_REMOVE_DIR | LANDLOCK_ACCESS_FS_REMOVE_FILE |
        LANDLOCK_ACCESS_FS_MAKE_CHAR | LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
        LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
        LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
#ifdef LANDLOCK_ACCESS_FS_REFER
    if (abi >= 2) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_REFER;
#endif
#ifdef LANDLOCK_ACCESS_FS_TRUNCATE
    if (abi >= 3) attributes.handled_access_fs |= LANDLOCK_ACCESS_FS_TRUNCATE;
#endif
    const int ruleset = static_cast<int>(
        ::syscall(SYS_landlock_create_ruleset, &attributes, sizeof attributes, 0));
    if (ruleset < 0) {
        missing += "Landlock ";
        return false;
    }
    bool applied = ::syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
    ::close(ruleset);
    if (!applied) missing += "Landlock ";
    return applied;
}

// Refuses (with an error, never a kill: a reader library that tries one
// gets an error it handles) what no document reader needs.
bool refuseEscapes(std::string& missing) {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) {
        missing += "seccomp ";
        return false;
    }
    const pid_t self = ::getpid();
    const auto refuse = SCMP_ACT_ERRNO(EPERM);
    bool ok = true;
    auto add = [&](int call, unsigned count = 0, scmp_arg_cmp a = {}, scmp_arg_cmp b = {}) {
        int rc = count == 0   ? seccomp_rule_add(filter, refuse, call, 0)
                 : count == 1 ? seccomp_rule_add(filter, refuse, call, 1, a)
                              : seccomp_rule_add(filter, refuse, call, 2, a, b);
        // A call this architecture lacks is no failure.
        ok = ok && (rc == 0 || rc == -EDOM || rc == -EFAULT);
    };
    for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(ptrace),
                     SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev),
                     SCMP_SYS(pidfd_send_signal), SCMP_SYS(pidfd_open), SCMP_SYS(socket),
                     SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind), SCMP_SYS(listen),
                     SCMP_SYS(creat), SCMP_SYS(openat2), SCMP_SYS(unlink), SCMP_SYS(unlinkat),
                     SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2),
                     SCMP_SYS(mkdir), SCMP_SYS(mkdirat), SCMP_SYS(rmdir), SCMP_SYS(link),
                     SCMP_SYS(linkat), SCMP_SYS(symlink), SCMP_SYS(symlinkat),
                     SCMP_SYS(truncate), SCMP_SYS(chmod), SCMP_SYS(fchmodat), SCMP_SYS(chown),
                     SCMP_SYS(fchownat), SCMP_SYS(lchown), SCMP_SYS(mknod), SCMP_SYS(mknodat),
                     SCMP_SYS(setpgid), SCMP_SYS(setsid)})
        add(call);
    // Opening for writing, in any of the ways the flags say it.
    for (scmp_datum_t flag : {scmp_datum_t(O_WRONLY), scmp_datum_t(O_RDWR),
                              scmp_datum_t(O_CREAT), scmp_datum_t(O_TRUNC)}) {
        add(SCMP_SYS(open), 1, SCMP_A1(SCMP_CMP_MASKED_EQ, flag, flag));
        add(SCMP_SYS(openat), 1, SCMP_A2(SCMP_CMP_MASKED_EQ, flag, flag));
    }
    // Signals only to itself.
    const scmp_arg_cmp notSelf{0, SCMP_CMP_NE, static_cast<scmp_datum_t>(self), 0};
    add(SCMP_SYS(kill), 1, notSelf);
    add(SCMP_SYS(tkill), 1, notSelf);
    add(SCMP_SYS(tgkill), 1, notSelf);
    ok = ok && seccomp_load(filter) == 0;
    seccomp_release(filter);
    if (!ok) missing += "seccomp ";
    return ok;
}

}  // namespace

SandboxReport confineReader() {
    rlimit memory{kMemory, kMemory};
    if (kBoundAddressSpace) ::setrlimit(RLIMIT_AS, &memory);
    rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
    (void)!::nice(10);
    // The idle I/O class: the user's own reads come first.
    constexpr int kWhoProcess = 1, kClassIdle = 3, kClassShift = 13;
    ::syscall(SYS_ioprio_set, kWhoProcess, 0, kClassIdle << kClassShift);
    SandboxReport report;
    // Neither rule set can be undone, nor widened by running a set-uid program.
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    report.landlock = readOnlyFileSystem(report.missing);
    report.seccomp = refuseEscapes(report.missing);
    return report;
}

std::string confinementShortfall() {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi >= 1) return {};
    return "此系统的内核没有 Landlock：文档读取程序照常受其他限制，但文件系统对它不是只读的";
}

void allowCpuSeconds(unsigned seconds) {
    rusage used{};
    ::getrusage(RUSAGE_SELF, &used);
    rlimit cpu{};
    ::getrlimit(RLIMIT_CPU, &cpu);
    // User and system time together, rounded up: a document always gets
    // the whole budget.
    const long micros = used.ru_utime.tv_usec + used.ru_stime.tv_usec;
    rlim_t now = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec + micros / 1'000'000) + 1;
    rlim_t wanted = now + seconds;
    cpu.rlim_cur = cpu.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, cpu.rlim_max);
    ::setrlimit(RLIMIT_CPU, &cpu);
}

}  // namespace zeph::content
