#include "ContentIndexer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <unordered_map>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/IndexGeneration.h"
#include "common/Paths.h"
#include "content/ExtractorPool.h"

namespace zeph::content {

namespace {

using Clock = std::chrono::steady_clock;

// Documents are stored a batch at a time: short write transactions, so the
// engine and the watcher never wait long for the database.
constexpr size_t kBatch = 64;
constexpr auto kBatchTime = std::chrono::seconds(1);

struct PathKey {
    std::string_view folder, name;
    bool operator==(const PathKey&) const = default;
};
struct PathHash {
    size_t operator()(const PathKey& key) const {
        std::hash<std::string_view> hash;
        return hash(key.folder) * 31 + hash(key.name);
    }
};
struct Listed {
    std::int64_t size, modified;
    bool seen = false;
};

std::optional<struct stat> statOf(const std::string& folder, const std::string& name) {
    struct stat st;
    std::string os = osPathOf(joinPath(folder, name));
    if (os.empty() || ::lstat(os.c_str(), &st) != 0) return std::nullopt;
    return st;
}

}  // namespace

ContentIndexer::ContentIndexer(std::string dataFolder, ContentScope scope, std::string worker,
                               unsigned workers)
    : m_dataFolder(std::move(dataFolder)),
      m_scope(std::move(scope)),
      m_worker(std::move(worker)),
      m_workers(workers),
      m_store(ContentStore::open(m_dataFolder, true)) {}

ContentIndexer::~ContentIndexer() = default;

bool ContentIndexer::compare(const std::atomic<bool>& stop) {
    if (!m_store) return false;
    const std::string generation = publishedGeneration(m_dataFolder);
    UniqueFd list = openPath(joinPath(joinPath(m_dataFolder, kIndexLinkName), index::kFileListName),
                             O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    MappedFile mapped(list.valid() ? list.get() : -1);
    if (!list.valid() || generation.empty()) return false;

    // The files the scope covers, as the name index lists them.
    std::unordered_map<PathKey, Listed, PathHash> listed;
    std::string_view bytes = mapped.bytes();
    for (size_t at = 0; at < bytes.size() && !stop;) {
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        auto line = parseFileListLine(bytes.substr(at, end - at));
        at = end + 1;
        if (!line || line->isFolder || line->numberCount < 3) continue;
        if (m_scope.kindOf(line->folder, line->name) == DocumentKind::None) continue;
        listed[{line->folder, line->name}] = {line->size, line->times.modified};
    }
    if (stop || !m_store->begin()) return false;
    bool ok = true;
    std::vector<Document> gone;
    m_store->forEachDocument([&](const Document& document) {
        auto it = listed.find({document.folder, document.name});
        if (it == listed.end()) {
            gone.push_back(document);
            return;
        }
        it->second.seen = true;
        if (it->second.size != document.size || it->second.modified != document.modified)
            ok = ok && m_store->addPending(document.folder, document.name);
    });
    for (const Document& document : gone)
        ok = ok && m_store->remove(document.folder, document.name);
    for (const auto& [key, entry] : listed)
        if (!entry.seen) ok = ok && m_store->addPending(key.folder, key.name);
    ok = ok && m_store->setMeta(kDiffedGeneration, generation) &&
         m_store->setMeta(kScopeFingerprint, m_scope.fingerprint());
    if (!ok || stop) {
        m_store->rollback();
        return false;
    }
    return m_store->commit();
}

bool ContentIndexer::extractPending(const std::atomic<bool>& stop) {
    if (!m_store) return false;
    ExtractorPool pool(m_worker, m_workers);
    m_done = 0;
    std::vector<std::pair<std::string, std::string>> retry;
    auto requeue = [&] {
        if (retry.empty()) return true;
        if (!m_store->begin()) return false;
        bool ok = true;
        for (const auto& [folder, name] : retry) ok = ok && m_store->addPending(folder, name);
        return ok ? m_store->commit() : (m_store->rollback(), false);
    };
    for (;;) {
        m_left = m_store->pendingCount();
        auto paths = m_store->pending(static_cast<std::int64_t>(kBatch) * std::max(1u, m_workers));
        if (paths.empty() || stop) return requeue() && !stop;

        // What needs reading; the rest is settled at once.
        std::vector<ExtractorPool::Job> jobs;
        std::vector<Document> documents;
        std::vector<std::pair<Document, ExtractedText>> results;
        // Paths with no document (left) to read: gone, moved away, out of scope.
        // Below one that is no folder now, nothing is left either.
        std::vector<std::pair<const std::pair<std::string, std::string>*, bool>> dropped;
        for (const auto& path : paths) {
            const auto& [folder, name] = path;
            DocumentKind kind = m_scope.kindOf(folder, name);
            std::optional<struct stat> st = statOf(folder, name);
            if (!st || kind == DocumentKind::None || !S_ISREG(st->st_mode)) {
                dropped.emplace_back(&path, !st || !S_ISDIR(st->st_mode));
                continue;
            }
            Document document;
            document.folder = folder;
            document.name = name;
            document.device = static_cast<std::int64_t>(st->st_dev);
            document.inode = static_cast<std::int64_t>(st->st_ino);
            document.size = st->st_size;
            document.modified = st->st_mtim.tv_sec;
            std::optional<Document> stored = m_store->find(folder, name);
            if (stored && stored->device == document.device && stored->inode == document.inode &&
                stored->size == document.size && stored->modified == document.modified)
                continue;  // unchanged: never read again
            if (document.size > m_scope.maxFileSize()) {
                document.state = Document::TooLarge;
                results.emplace_back(std::move(document),
                                     ExtractedText{ExtractedText::Read, {}, false, {}});
                continue;
            }
            jobs.push_back({osPathOf(joinPath(folder, name)), kind});
            documents.push_back(std::move(document));
        }
        auto store = [&] {
            if (!m_store->begin()) return false;
            bool ok = true;
            for (auto& [document, text] : results) {
                // A text file the reader failed on (a worker out of time on a
                // busy machine) goes back to the queue once this pass ends:
                // meanwhile the search reads it as it always did, so no answer
                // is lost, and the next pass tries again.
                if (text.outcome == ExtractedText::Unreadable &&
                    m_scope.kindOf(document.folder, document.name) == DocumentKind::PlainText) {
                    ok = ok && m_store->remove(document.folder, document.name);
                    retry.emplace_back(document.folder, document.name);
                    continue;
                }
                if (document.state != Document::TooLarge)
                    document.state = text.outcome == ExtractedText::Unreadable
                                         ? Document::Unreadable
                                     : text.cut ? Document::Cut
                                                : Document::Indexed;
                ok = ok &&
                     m_store->put(document,
                                  text.outcome == ExtractedText::Read ? text.text : std::string());
                ok = ok && m_store->removePending(document.folder, document.name);
            }
            if (!ok) {
                m_store->rollback();
                return false;
            }
            m_done += static_cast<std::int64_t>(results.size());
            results.clear();
            return m_store->commit();
        };
        auto since = Clock::now();
        pool.extract(
            jobs,
            [&](size_t index, ExtractedText text) {
                if (text.outcome == ExtractedText::Unreadable && onUnreadable)
                    onUnreadable(joinPath(documents[index].folder, documents[index].name),
                                 text.reason);
                results.emplace_back(std::move(documents[index]), std::move(text));
                if (results.size() >= kBatch || Clock::now() - since >= kBatchTime) {
                    store();
                    since = Clock::now();
                }
            },
            stop);
        if (stop) return false;
        if (!store()) return false;
        // Every path of the batch leaves the queue; dropped ones take their documents along.
        if (!m_store->begin()) return false;
        bool ok = true;
        for (const auto& [path, belowToo] : dropped) {
            ok = ok && m_store->remove(path->first, path->second);
            if (belowToo) ok = ok && m_store->removeBelow(joinPath(path->first, path->second));
        }
        for (const auto& [folder, name] : paths) ok = ok && m_store->removePending(folder, name);
        if (!ok) {
            m_store->rollback();
            return false;
        }
        m_store->commit();
    }
}

}  // namespace zeph::content
