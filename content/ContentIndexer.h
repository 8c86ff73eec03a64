// Keeps the content index in step with the files: compare() sets pending
// every file of the published name index that the scope covers and the
// store lacks or holds in another state, and every document whose file is no
// longer there; extractPending() reads the pending files in worker processes
// and stores their text. Unreadable documents are stored as such (they are
// not read again until they change) and reported, once per file and cause; a
// document that ran out of time or memory is first tried again, a few times,
// spaced out. Both end early on stop, and end false when the store could
// not be written (a full disk): what was not stored stays queued.
#pragma once

#include <atomic>
#include <ctime>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "content/ContentScope.h"
#include "content/ContentStore.h"
#include "content/ExtractorPool.h"

namespace zeph::content {

class ContentIndexer {
public:
    // dataFolder (GBK): where the store and the name index are; worker: the
    // extraction program (a path of the system's encoding).
    ContentIndexer(std::string dataFolder, ContentScope scope, std::string worker,
                   unsigned workers);
    ~ContentIndexer();

    bool ready() const { return m_store != nullptr; }
    // Before a comparison: every page of the store is read, and a store that
    // was damaged, or whose rebuild was asked for, is set aside and made anew
    // (told to onNote). False when there is none to work on (no permission,
    // say): problem() says why.
    bool prepareStore();
    ContentStore& store() { return *m_store; }
    const std::string& problem() const { return m_problem; }

    // Told (GBK) each document that could not be read, and why.
    std::function<void(const std::string& path, const std::string& reason)> onUnreadable;
    // Told (GBK) what became of the store itself.
    std::function<void(const std::string& text)> onNote;

    // The workers' bounds, and the clock that spaces out the tries of a
    // failed document (seconds since 1970).
    void setLimits(ExtractorPool::Limits limits) { m_limits = limits; }
    void setClock(std::function<std::int64_t()> now) { m_now = std::move(now); }
    // A document's first try gets at most this much CPU (0: the workers' whole
    // budget); later tries get the whole budget. The watcher keeps first tries
    // short, so a hostile document never holds up a letter just saved.
    void setFirstTryCpuSeconds(unsigned seconds) { m_firstTrySeconds = seconds; }
    // How many pending files one pass of extractPending() takes at most, and
    // what runs before each pass (the watcher queues what changed meanwhile).
    void setPassSize(size_t files) { m_passSize = files; }
    std::function<void()> beforePass;

    bool compare(const std::atomic<bool>& stop);
    bool extractPending(const std::atomic<bool>& stop);

    // Files read and left, for a progress display (any thread).
    std::int64_t done() const { return m_done; }
    std::int64_t left() const { return m_left; }

private:
    bool settle(Document& document, const ExtractedText& text, const PendingPath& path);
    void mergeKeysAfterLargeChange(const std::atomic<bool>& stop);

    std::string m_dataFolder;
    ContentScope m_scope;
    std::string m_worker;
    unsigned m_workers;
    ExtractorPool::Limits m_limits;
    unsigned m_firstTrySeconds = 0;
    size_t m_passSize = 0;  // 0: a batch for each worker
    bool m_shortfallTold = false;
    std::int64_t m_storedSinceMerge = 0;  // documents stored since the keys were merged
    std::function<std::int64_t()> m_now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    // Before the store: its opening fills them in.
    std::string m_problem;
    bool m_damaged = false;  // the store could not be opened for damage
    std::unique_ptr<ContentStore> m_store;
    std::atomic<std::int64_t> m_done{0}, m_left{0};
};

}  // namespace zeph::content
