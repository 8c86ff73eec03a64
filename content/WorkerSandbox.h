// What a document reader runs in: bounded memory, no core files, low CPU and
// I/O priority, the whole file system read-only (Landlock, where the kernel
// has it), and no way out through the system calls that would matter to a
// reader a document has taken over: running programs, tracing or signalling
// other processes, opening files for writing, making sockets (seccomp).
// The reader needs none of them: it reads the files it is named and answers
// on the socket it was started with.
#pragma once

#include <string>

namespace zeph::content {

struct SandboxReport {
    bool landlock = false;  // the file system is read-only to the process
    bool seccomp = false;   // the system calls above are refused
    std::string missing;    // what the running kernel lacked, for one log line
};

// Confines the calling process for good; its threads to come inherit it.
SandboxReport confineReader();

// What of the confinement the running kernel cannot give (GBK), for one log
// line where readers are started; "" when it gives all of it.
std::string confinementShortfall();

// From now on the process may use this many more seconds of CPU; past them
// the kernel ends it (SIGXCPU). Only the soft limit moves, under the hard
// one, which needs no privilege.
void allowCpuSeconds(unsigned seconds);

}  // namespace zeph::content
