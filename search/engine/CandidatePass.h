// One pass over a search's candidates: worker threads (as many as cores)
// evaluate blocks of candidates while the calling thread, the committer, hands
// the hits on block by block in candidate order. The results, their ids and pages
// are therefore exactly those of a pass on one thread, and the first hits
// still reach the list at once: the first blocks are small.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "search/engine/CandidateFilter.h"

namespace zeph {

class RowSink;

class CandidatePass {
public:
    // The file-list line of candidate i, or nullopt when there is none (skipped).
    using LineOf = std::function<std::optional<CandidateLine>(size_t)>;

    // threads: how many evaluate the candidates (0: as many as cores; 1: the
    // committer alone).
    CandidatePass(const CandidateFilter& filter, size_t candidates, LineOf lineOf,
                  RowSink& rows, ResultView* view, std::atomic<bool>& stop,
                  unsigned threads = 0);
    ~CandidatePass();
    CandidatePass(const CandidatePass&) = delete;
    CandidatePass& operator=(const CandidatePass&) = delete;

    // True when every candidate was looked at; false after an early end (a
    // stop, a failed store, or a malformed line, whose message is shown).
    bool run();

private:
    struct Block {
        size_t begin = 0, end = 0;
        FoundRows hits;
        bool malformed = false;  // evaluation ended at a line it could not read
        bool done = false;
    };

    void evaluate(Block& block, CandidateFilter::Worker& worker);
    bool commit(Block& block);
    void work();
    void reportProgress(bool force);

    const CandidateFilter& m_filter;
    LineOf m_lineOf;
    RowSink& m_rows;
    ResultView* m_view;
    std::atomic<bool>& m_stop;
    unsigned m_threads;
    std::vector<Block> m_blocks;

    std::mutex m_mutex;  // guards the fields below and each block's done flag
    std::condition_variable m_changed;
    size_t m_nextBlock = 0;
    size_t m_committed = 0;
    bool m_ending = false;
    std::string m_folderShown;

    std::atomic<std::int64_t> m_evaluated{0};
    std::chrono::steady_clock::time_point m_lastProgress;
    std::vector<std::thread> m_workers;
};

}  // namespace zeph
