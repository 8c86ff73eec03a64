// The content index's share of the watcher: on a thread of its own, at low
// priority, it brings the content index in step with the name index after
// every full run, and reads what the watcher saw change (a document saved is
// found by its words within seconds). Changes reach it through a queue, so
// the watcher's own loop never waits for the content database.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "content/ContentScope.h"

namespace zeph {

namespace content {
class ContentIndexer;
}

class ContentUpdates {
public:
    // extractor: the worker program (system encoding).
    ContentUpdates(std::string dataFolder, std::string extractor);
    ~ContentUpdates();

    void start();
    void stop();

    // A path the watcher saw change (GBK), when the scope's folders hold it.
    void changed(const std::string& folder, std::string_view name);
    // The name index was published anew: compare everything.
    void compareAll();

    // Documents read since the start and files waiting, for tests and progress.
    std::int64_t read() const { return m_read; }
    bool idle() const { return m_idle; }

private:
    void run();
    void takeScope(const content::ContentScope& scope);
    void note(const std::string& text);
    void reportStore(bool stored, const std::string& why);
    bool queueChanges(content::ContentIndexer& indexer);

    std::string m_dataFolder;
    std::string m_extractor;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::pair<std::string, std::string>> m_queue;
    std::vector<std::string> m_scopeFolders;  // under m_mutex: where changes matter
    bool m_compare = true;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_idle{false};
    std::atomic<std::int64_t> m_read{0};
    bool m_storeFailing = false;  // on the thread: the last pass could not write
};

}  // namespace zeph
