// Extraction workers (zeph-extract processes), as many as asked, each spoken
// to over a pipe. A document goes to an idle worker; one that crashes is
// started again, and its document comes back as unreadable with the reason.
// Time is bounded three ways: the worker's own CPU budget per document (the
// kernel ends it past that), no CPU used at all for a while (hung, or
// starved), and a far larger bound on the wall clock. A document that ran
// out of time or memory comes back marked worth another try.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/FileIO.h"
#include "content/DocumentKind.h"

namespace zeph::content {

class ExtractorPool {
public:
    struct Job {
        std::string osPath;
        DocumentKind kind;
        unsigned cpuSeconds = 0;  // this document's CPU budget; 0: the pool's
    };
    struct Limits {
        unsigned cpuSeconds = 20;                          // per document
        std::chrono::milliseconds stalled{30'000};        // no CPU used for this long
        std::chrono::milliseconds wallClock{10 * 60'000};  // per document, whatever it does
    };
    ExtractorPool(std::string workerProgram, unsigned workers, Limits limits);
    ExtractorPool(std::string workerProgram, unsigned workers)
        : ExtractorPool(std::move(workerProgram), workers, Limits{}) {}
    ~ExtractorPool();
    ExtractorPool(const ExtractorPool&) = delete;
    ExtractorPool& operator=(const ExtractorPool&) = delete;

    // Extracts the jobs, telling done(index, text) as each ends (in any order,
    // on this thread). Returns early, with the rest untold, once stop is set.
    void extract(const std::vector<Job>& jobs,
                 const std::function<void(size_t, ExtractedText)>& done,
                 const std::atomic<bool>& stop);

private:
    struct Worker {
        pid_t pid = -1;
        UniqueFd toWorker, fromWorker;
        size_t job = 0;
        bool busy = false;
        std::chrono::steady_clock::time_point since;
        // The last time its CPU time was seen to grow, and that time.
        std::chrono::steady_clock::time_point progressed, checked;
        long cpuTicks = -1;
    };
    // Whether a busy worker is to be ended, and why; "" while it may go on.
    std::string overTime(Worker& worker);
    bool start(Worker& worker);
    void end(Worker& worker);
    bool send(Worker& worker, const Job& job);
    ExtractedText receive(Worker& worker);

    std::string m_program;
    std::vector<Worker> m_workers;
    Limits m_limits;
};

}  // namespace zeph::content
