#include "ContentUpdates.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/StartupSettings.h"
#include "common/SystemLog.h"
#include "content/ContentIndexer.h"

namespace zeph {

namespace {

constexpr auto kWakeEvery = std::chrono::seconds(2);
// Most documents are read in well under a second; one that is not comes back
// later with the whole budget.
constexpr unsigned kFirstTryCpuSeconds = 4;

}  // namespace

ContentUpdates::ContentUpdates(std::string dataFolder, std::string extractor)
    : m_dataFolder(std::move(dataFolder)), m_extractor(std::move(extractor)) {}

ContentUpdates::~ContentUpdates() {
    stop();
}

void ContentUpdates::start() {
    if (m_thread.joinable()) return;
    // The scope is known before the first change arrives: the thread runs at
    // low priority and may start late, and a change dropped for want of a
    // scope would wait for the next full run.
    CSQLiteDB config;
    openConfigDatabase(config, m_dataFolder);
    takeScope(content::ContentScope::read(config));
    m_thread = std::thread([this] { run(); });
}

void ContentUpdates::takeScope(const content::ContentScope& scope) {
    std::lock_guard lock(m_mutex);
    m_scopeFolders = scope.enabled() ? scope.folders() : std::vector<std::string>{};
}

void ContentUpdates::stop() {
    m_stop = true;
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void ContentUpdates::changed(const std::string& folder, std::string_view name) {
    std::lock_guard lock(m_mutex);
    bool covered = false;
    for (const std::string& root : m_scopeFolders)
        covered = covered || folderContains(root, folder);
    if (!covered) return;
    m_queue.emplace_back(folder, name);
    m_idle = false;
    m_wake.notify_all();
}

void ContentUpdates::compareAll() {
    std::lock_guard lock(m_mutex);
    m_compare = true;
    m_idle = false;
    m_wake.notify_all();
}

// Moves the changes the watcher saw into the store's queue. A change that
// cannot be queued there (a full disk) stays in the watcher's own queue
// until it can; false then.
bool ContentUpdates::queueChanges(content::ContentIndexer& indexer) {
    std::vector<std::pair<std::string, std::string>> queued;
    {
        std::lock_guard lock(m_mutex);
        queued.swap(m_queue);
    }
    if (queued.empty()) return true;
    content::ContentStore& store = indexer.store();
    bool written = false;
    if (store.begin()) {
        bool ok = true;
        for (const auto& [folder, name] : queued) ok = ok && store.addPending(folder, name);
        written = ok && store.commit();
        if (!written) store.rollback();
    }
    if (!written) {
        std::lock_guard lock(m_mutex);
        m_queue.insert(m_queue.begin(), queued.begin(), queued.end());
    }
    return written;
}

// Said once when the store cannot be written, and once when it can again.
void ContentUpdates::reportStore(bool stored, const std::string& why) {
    if (stored == !m_storeFailing) return;
    m_storeFailing = !stored;
    note(stored ? std::string("文档内容索引恢复写入")
                : "文档内容索引无法写入（" + (why.empty() ? std::string("原因不明") : why) +
                      "），读取的文档留在队列中，稍后重试");
}

void ContentUpdates::note(const std::string& text) {
    CSQLiteDB db;
    openConfigDatabase(db, m_dataFolder);
    WriteLog(db, kLiveIndexLogType, "实时更新索引：" + text);
}

void ContentUpdates::run() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 15);
    CSQLiteDB config;
    openConfigDatabase(config, m_dataFolder);
    std::unique_ptr<content::ContentIndexer> indexer;
    std::string fingerprint;
    while (!m_stop) {
        // The scope as the settings say now: another scope compares everything anew.
        content::ContentScope scope = content::ContentScope::read(config);
        takeScope(scope);
        if (scope.fingerprint() != fingerprint) {
            fingerprint = scope.fingerprint();
            // Two workers at least, and short first tries: a hostile document
            // takes one worker for a few seconds, and a letter just saved the other.
            const unsigned readers = std::max(2u, std::thread::hardware_concurrency() / 2);
            indexer = scope.enabled() ? std::make_unique<content::ContentIndexer>(
                                            m_dataFolder, scope, m_extractor, readers)
                                      : nullptr;
            if (indexer) {
                indexer->setFirstTryCpuSeconds(kFirstTryCpuSeconds);
                // Short passes, each taking what changed meanwhile: a letter saved
                // while documents are being read waits for one pass at most.
                indexer->setPassSize(readers);
                indexer->beforePass = [this, reading = indexer.get()] { queueChanges(*reading); };
                indexer->onNote = [this](const std::string& text) { note(text); };
                indexer->onUnreadable = [this](const std::string& path, const std::string& reason) {
                    note("无法读取文档内容：" + path + "（" + reason + "）");
                };
            }
            std::lock_guard lock(m_mutex);
            m_compare = true;
        }
        bool compare = false;
        {
            std::lock_guard lock(m_mutex);
            compare = std::exchange(m_compare, false);
        }
        // A rebuild asked for (by a search that found the store damaged) starts now.
        if (content::ContentStore::rebuildRequested(m_dataFolder)) compare = true;
        if (indexer && compare && !indexer->ready()) indexer->prepareStore();
        if (indexer && !indexer->ready()) {
            {
                std::lock_guard lock(m_mutex);
                m_compare = true;
            }
            if (!m_stop) reportStore(false, indexer->problem());
        } else if (indexer) {
            const bool written = queueChanges(*indexer);
            if (written && compare && !indexer->compare(m_stop)) {
                std::lock_guard lock(m_mutex);
                m_compare = true;  // tried again at the next wake
            } else if (!written && compare) {
                std::lock_guard lock(m_mutex);
                m_compare = true;
            }
            const bool stored = indexer->extractPending(m_stop);
            m_read += indexer->done();
            if (!m_stop) reportStore(written && stored, indexer->store().failureText());
        }
        std::unique_lock lock(m_mutex);
        m_idle = m_queue.empty() && !m_compare;
        m_wake.wait_for(lock, kWakeEvery, [&] { return m_stop || !m_queue.empty() || m_compare; });
    }
}

}  // namespace zeph
