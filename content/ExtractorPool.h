// Extraction workers (zeph-extract processes), as many as asked, each spoken
// to over a pipe. A document goes to an idle worker; one that crashes, or
// takes longer than the time allowed, is ended and started again, and its
// document comes back as unreadable with the reason.
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
    };
    ExtractorPool(std::string workerProgram, unsigned workers,
                  std::chrono::milliseconds timePerDocument = std::chrono::seconds(30));
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
    };
    bool start(Worker& worker);
    void end(Worker& worker);
    bool send(Worker& worker, const Job& job);
    ExtractedText receive(Worker& worker);

    std::string m_program;
    std::vector<Worker> m_workers;
    std::chrono::milliseconds m_timePerDocument;
};

}  // namespace zeph::content
