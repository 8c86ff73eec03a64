#include "CandidatePass.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "common/Messages.h"
#include "search/engine/RowSink.h"

namespace zeph {

namespace {

constexpr size_t kFirstBlock = 16;  // the first hits go to the list at once
constexpr size_t kLargestBlock = 1024;
// Below this many candidates the committer evaluates them itself.
constexpr size_t kParallelFrom = 256;
// How far the workers may run ahead of the committer, in blocks per worker.
constexpr size_t kBlocksAhead = 4;
constexpr auto kProgressEvery = std::chrono::milliseconds(250);

}  // namespace

CandidatePass::CandidatePass(const CandidateFilter& filter, size_t candidates, LineOf lineOf,
                             RowSink& rows, ResultView* view, std::atomic<bool>& stop,
                             unsigned threads)
    : m_filter(filter),
      m_lineOf(std::move(lineOf)),
      m_rows(rows),
      m_view(view),
      m_stop(stop),
      m_threads(threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency())) {
    for (size_t begin = 0, size = kFirstBlock; begin < candidates;
         size = std::min(2 * size, kLargestBlock)) {
        size_t end = std::min(begin + size, candidates);
        m_blocks.push_back({begin, end, {}, false, false});
        begin = end;
    }
}

CandidatePass::~CandidatePass() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void CandidatePass::evaluate(Block& block, CandidateFilter::Worker& worker) {
    const bool content = m_filter.searchesContent();
    for (size_t i = block.begin; i < block.end; ++i) {
        if (m_stop.load(std::memory_order_relaxed)) break;  // the committer ends the pass
        std::optional<CandidateLine> line = m_lineOf(i);
        Verdict verdict = line ? m_filter.evaluate(worker, *line, block.hits) : Verdict::Skip;
        if (content) m_evaluated.fetch_add(1, std::memory_order_relaxed);
        if (verdict == Verdict::Malformed) {
            block.malformed = true;
            break;
        }
    }
    if (content && !worker.folder().empty()) {
        std::lock_guard lock(m_mutex);
        m_folderShown = worker.folder();
    }
}

// Hands a block's hits on in order; false when the pass ends here.
bool CandidatePass::commit(Block& block) {
    for (size_t i = 0; i < block.hits.size(); ++i)
        if (m_stop || !m_rows.add(block.hits[i])) return false;
    block.hits.release();
    if (block.malformed) {
        showMessage("读取文件大小和时间异常");
        return false;
    }
    return !m_stop;
}

void CandidatePass::work() {
    CandidateFilter::Worker worker(m_filter);
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_ending || m_nextBlock >= m_blocks.size() ||
                       m_nextBlock < m_committed + kBlocksAhead * m_workers.size();
            });
            if (m_ending || m_nextBlock >= m_blocks.size()) return;
            block = &m_blocks[m_nextBlock++];
        }
        evaluate(*block, worker);
        {
            std::lock_guard lock(m_mutex);
            block->done = true;
        }
        m_changed.notify_all();
    }
}

void CandidatePass::reportProgress(bool force) {
    if (!m_view || !m_filter.searchesContent()) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastProgress < kProgressEvery) return;
    m_lastProgress = now;
    std::string folder;
    {
        std::lock_guard lock(m_mutex);
        folder = m_folderShown;
    }
    const size_t candidates = m_blocks.empty() ? 0 : m_blocks.back().end;
    m_view->contentProgress(m_evaluated.load(), static_cast<std::int64_t>(candidates), folder);
}

bool CandidatePass::run() {
    m_lastProgress = std::chrono::steady_clock::now();
    reportProgress(true);
    const size_t candidates = m_blocks.empty() ? 0 : m_blocks.back().end;
    if (candidates < kParallelFrom || m_threads < 2) {
        CandidateFilter::Worker worker(m_filter);
        for (Block& block : m_blocks) {
            evaluate(block, worker);
            if (!commit(block)) return false;
            reportProgress(false);
        }
        return true;
    }
    // The workers read the worker count under the lock: start them holding it.
    {
        std::lock_guard lock(m_mutex);
        for (unsigned i = 0; i < m_threads; ++i) m_workers.emplace_back(&CandidatePass::work, this);
    }
    for (Block& block : m_blocks) {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                if (!block.done && !m_stop) m_changed.wait_for(lock, kProgressEvery / 5);
                if (m_stop) return false;
                if (block.done) break;
            }
            reportProgress(false);  // a block of large files takes a while
        }
        if (!commit(block)) return false;
        {
            std::lock_guard lock(m_mutex);
            ++m_committed;
        }
        m_changed.notify_all();
        reportProgress(false);
    }
    return true;
}

}  // namespace zeph
