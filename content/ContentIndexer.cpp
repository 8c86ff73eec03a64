#include "ContentIndexer.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <tuple>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "common/IndexFormat.h"
#include "common/IndexGeneration.h"
#include "common/Paths.h"
#include "content/ExtractorPool.h"
#include "content/WorkerSandbox.h"

namespace zeph::content {

namespace {

using Clock = std::chrono::steady_clock;

// Documents are stored a batch at a time: short write transactions, so the
// engine and the watcher never wait long for the database.
constexpr size_t kBatch = 64;
constexpr auto kBatchTime = std::chrono::seconds(1);

// A covered file of the name index's list, or a stored document, known by two
// 64-bit hashes of its path: on a large disk the list holds far more than the
// content index covers, and a comparison keeps 48 bytes a file, not its path.
struct Listed {
    std::uint64_t key, check;
    std::int64_t size, modified;
    bool seen;
    std::int64_t id;  // a stored document's
    bool operator<(const Listed& other) const {
        return std::tie(key, check) < std::tie(other.key, other.check);
    }
    bool operator==(const Listed& other) const { return key == other.key && check == other.check; }
};

Listed listedAs(std::string_view folder, std::string_view name, std::int64_t size = 0,
                std::int64_t modified = 0) {
    std::uint64_t fnv = 14695981039346656037ull;
    for (std::string_view part : {folder, std::string_view("\0", 1), name})
        for (char c : part) fnv = (fnv ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    std::hash<std::string_view> hash;
    return {hash(folder) * 0x9E3779B97F4A7C15ull ^ hash(name), fnv, size, modified, false, 0};
}

// What the list says of the files the scope covers, in one text: the same
// when each is listed with the same size and time, in any order.
class ListDigest {
public:
    void add(const Listed& file) {
        auto mix = [](std::uint64_t x) {  // a full-avalanche finalizer
            x ^= x >> 33;
            x *= 0xFF51AFD7ED558CCDull;
            x ^= x >> 33;
            x *= 0xC4CEB9FE1A85EC53ull;
            return x ^ (x >> 33);
        };
        const auto size = static_cast<std::uint64_t>(file.size);
        const auto modified = static_cast<std::uint64_t>(file.modified);
        m_first += mix(file.key ^ mix(size) ^ mix(modified + 1));
        m_second += mix(file.check + mix(modified) * 3 + size);
        ++m_count;
    }
    std::string text() const {
        return std::to_string(m_count) + ':' + std::to_string(m_first) + ':' +
               std::to_string(m_second);
    }

private:
    std::uint64_t m_first = 0, m_second = 0, m_count = 0;
};

// Calls visit(folder, name, size, modified) for each file of the list the
// scope covers; false when the list could not be read whole. inScope, when
// given, is cleared by a file outside the scope's folders.
template <class Visit>
bool forEachCovered(const std::string& listPath, const ContentScope& scope,
                    const std::atomic<bool>& stop, Visit&& visit, bool* inScope = nullptr) {
    UniqueFd list = openPath(listPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (!list.valid()) return false;
    LineReader reader(std::move(list));
    std::string_view text;
    std::uint64_t offset = 0;
    LineReader::Status status = LineReader::Status::End;
    // The list keeps a folder's files together: each folder is looked up once.
    std::string folder;
    bool looked = false, covered = false;
    while (!stop && (status = reader.next(text, offset)) == LineReader::Status::Line) {
        auto line = parseFileListLine(text);
        if (!line || line->isFolder || line->numberCount < 3) continue;
        if (!looked || line->folder != folder) {
            folder.assign(line->folder);
            covered = scope.coversFolder(folder);
            looked = true;
        }
        if (!covered && inScope) *inScope = false;
        if (!covered || scope.kindOfName(line->name) == DocumentKind::None) continue;
        visit(line->folder, line->name, line->size, line->times.modified);
    }
    return !stop && status != LineReader::Status::Error;
}

// A document is read at most this many times while it runs out of time or memory.
constexpr std::int64_t kTries = 3;
// The wait before a failed document's second try; each later one waits four
// times longer. A text file the reader keeps failing on is tried once a day.
constexpr std::int64_t kRetryDelay = 60;
constexpr std::int64_t kTextRetryDelay = 24 * 3600;

std::int64_t nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The file as it is now: what decides whether it changed.
Document documentAt(const std::string& folder, const std::string& name, const struct stat& st) {
    Document document;
    document.folder = folder;
    document.name = name;
    document.device = static_cast<std::int64_t>(st.st_dev);
    document.inode = static_cast<std::int64_t>(st.st_ino);
    document.size = st.st_size;
    document.modified = st.st_mtim.tv_sec;
    document.modifiedNs = nanoseconds(st.st_mtim);
    document.changedNs = nanoseconds(st.st_ctim);
    return document;
}

// Unchanged: the same file (device, inode) of the same size, modified and
// changed at the same nanosecond. Seconds alone would keep the first text of
// a document saved twice within one.
bool sameFile(const Document& stored, const Document& now) {
    return stored.device == now.device && stored.inode == now.inode && stored.size == now.size &&
           stored.modified == now.modified && stored.modifiedNs == now.modifiedNs &&
           stored.changedNs == now.changedNs;
}

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
      m_store(ContentStore::open(m_dataFolder, true, &m_problem, &m_damaged)) {}

bool ContentIndexer::prepareStore() {
    const bool asked = ContentStore::rebuildRequested(m_dataFolder);
    // Every page is read once a day, and at once after this writer or any
    // search met a damaged page: a damaged store is made anew instead of
    // answering searches wrong for good. (A search never answers from a page
    // it could not read; reading all of a large store each time would cost
    // more than the comparison.)
    const bool failedBefore = m_store && m_store->failed();
    if (m_store) m_store->clearFailure();
    if (m_store && !asked) {
        const std::int64_t now = m_now();
        if (!failedBefore && !m_store->checkDue(now)) return true;
        if (m_store->checkWhole()) {
            m_store->markChecked(now);
            return true;
        }
    }
    const bool damaged = m_store ? m_store->damaged() : m_damaged;
    if (!asked && !damaged) {
        if (m_store) {
            m_problem = m_store->failureText();
            return false;
        }
        // Not opened before (a full disk, say): perhaps it can be now.
        m_problem.clear();
        m_store = ContentStore::open(m_dataFolder, true, &m_problem, &m_damaged);
        return m_store != nullptr;
    }
    m_store.reset();
    if (!ContentStore::setAside(m_dataFolder)) {
        m_problem = "文档内容索引已损坏，且无法移开";
        return false;
    }
    m_problem.clear();
    m_store = ContentStore::open(m_dataFolder, true, &m_problem, &m_damaged);
    if (onNote)
        onNote(asked ? "已按要求重建文档内容索引，文档将重新读取"
                     : "文档内容索引已损坏，已移到 content/Content.sqlite.damaged 并重建，文档将重新读取");
    return m_store != nullptr;
}

ContentIndexer::~ContentIndexer() = default;

bool ContentIndexer::compare(const std::atomic<bool>& stop) {
    if (!prepareStore()) return false;
    const std::string generation = publishedGeneration(m_dataFolder);
    const std::string listPath =
        joinPath(joinPath(m_dataFolder, kIndexLinkName), index::kFileListName);
    if (generation.empty()) return false;

    // A list that says of every covered file what the one last compared
    // said is the same comparison again: the store is in step with it, but
    // for what the watcher and the reading of pending files did since, which
    // keeps it in step with the files themselves. Only the generation it
    // answers for moves on. That reads neither the documents nor keeps the
    // list: an unchanged run costs little more than the name index's own.
    ListDigest digest;
    bool listInScope = true;
    const auto addToDigest = [&](std::string_view folder, std::string_view name,
                                 std::int64_t size, std::int64_t modified) {
        digest.add(listedAs(folder, name, size, modified));
    };
    const std::string lastDigest = m_store->meta(kListDigest);
    if (!lastDigest.empty() && !m_store->meta(kDiffedGeneration).empty() &&
        m_store->meta(kScopeFingerprint) == m_scope.fingerprint()) {
        if (!forEachCovered(listPath, m_scope, stop, addToDigest, &listInScope)) return false;
        if (digest.text() == lastDigest) {
            if (!m_store->begin()) return false;
            if (m_store->setMeta(kDiffedGeneration, generation) &&
                m_store->setMeta(kListInScope, listInScope ? "1" : "0") && m_store->commit())
                return true;
            m_store->rollback();
            return false;
        }
        digest = ListDigest();
        listInScope = true;
    }

    // The files the scope covers, as the name index lists them, read a part
    // at a time. A list that cannot be read whole is no comparison.
    std::vector<Listed> listed;
    const auto expected = static_cast<size_t>(std::max<std::int64_t>(0, m_store->documentCountBound()));
    listed.reserve(expected + 1024);
    if (!forEachCovered(listPath, m_scope, stop,
                        [&](std::string_view folder, std::string_view name, std::int64_t size,
                            std::int64_t modified) {
                            listed.push_back(listedAs(folder, name, size, modified));
                            digest.add(listed.back());
                        },
                        &listInScope))
        return false;
    // The stored documents the same way; both sorted, and walked side by side.
    if (stop || !m_store->begin()) return false;
    std::vector<Listed> stored;
    stored.reserve(expected);
    m_store->forEachDocumentState([&](std::int64_t id, std::string_view folder,
                                      std::string_view name, std::int64_t size,
                                      std::int64_t modified) {
        Listed entry = listedAs(folder, name, size, modified);
        entry.id = id;
        stored.push_back(entry);
    });
    if (stop || m_store->failed()) {
        m_store->rollback();
        return false;
    }
    std::sort(listed.begin(), listed.end());
    std::sort(stored.begin(), stored.end());
    std::vector<std::int64_t> changed, gone;
    std::size_t seen = 0;
    for (size_t i = 0, j = 0; j < stored.size(); ++j) {
        while (i < listed.size() && listed[i] < stored[j]) ++i;
        if (i == listed.size() || !(listed[i] == stored[j])) {
            gone.push_back(stored[j].id);
            continue;
        }
        if (!listed[i].seen) ++seen;
        listed[i].seen = true;
        if (listed[i].size != stored[j].size || listed[i].modified != stored[j].modified)
            changed.push_back(stored[j].id);
    }
    auto find = [&](std::string_view folder, std::string_view name) -> Listed* {
        const Listed key = listedAs(folder, name);
        auto it = std::lower_bound(listed.begin(), listed.end(), key);
        return it != listed.end() && *it == key ? &*it : nullptr;
    };
    bool ok = true;
    for (std::int64_t id : changed)
        if (std::optional<Document> document = m_store->document(id))
            ok = ok && m_store->addPending(document->folder, document->name);
    for (std::int64_t id : gone)
        if (std::optional<Document> document = m_store->document(id))
            ok = ok && m_store->remove(document->folder, document->name);
    // Files with no document yet: the list is read again for their paths. A
    // file waiting for another try keeps its place in the queue.
    if (ok && seen < listed.size() &&
        !forEachCovered(listPath, m_scope, stop,
                        [&](std::string_view folder, std::string_view name, std::int64_t,
                            std::int64_t) {
                            Listed* entry = find(folder, name);
                            if (!entry || entry->seen) return;
                            entry->seen = true;
                            ok = ok && m_store->addPending(folder, name, false);
                        }))
        ok = false;
    ok = ok && m_store->setMeta(kDiffedGeneration, generation) &&
         m_store->setMeta(kScopeFingerprint, m_scope.fingerprint()) &&
         m_store->setMeta(kListInScope, listInScope ? "1" : "0") &&
         m_store->setMeta(kListDigest, digest.text());
    if (!ok || stop) {
        m_store->rollback();
        return false;
    }
    return m_store->commit();
}

bool ContentIndexer::extractPending(const std::atomic<bool>& stop) {
    if (!m_store) return false;
    // Told once for each indexer: the readers run less confined than meant.
    if (!m_shortfallTold) {
        m_shortfallTold = true;
        if (std::string shortfall = confinementShortfall(); !shortfall.empty() && onNote)
            onNote(shortfall);
    }
    m_store->clearFailure();
    ExtractorPool pool(m_worker, m_workers, m_limits);
    m_done = 0;
    const size_t passSize = m_passSize > 0 ? m_passSize : kBatch * std::max(1u, m_workers);
    for (;;) {
        if (beforePass) beforePass();
        m_left = m_store->pendingCount();
        auto paths = m_store->duePending(m_now(), static_cast<std::int64_t>(passSize));
        if (paths.empty() && !stop) mergeKeysAfterLargeChange(stop);
        if (paths.empty() || stop) return !stop;

        // What needs reading; the rest is settled at once.
        std::vector<ExtractorPool::Job> jobs;
        std::vector<std::pair<Document, const PendingPath*>> documents;
        std::vector<std::tuple<Document, ExtractedText, const PendingPath*>> results;
        // Paths with no document (left) to read: gone, moved away, out of scope.
        // Below one that is no folder now, nothing is left either.
        std::vector<std::pair<const PendingPath*, bool>> dropped;
        // Paths settled (stored, dropped or unchanged) leave the queue; those
        // to be tried again stay.
        std::vector<const PendingPath*> settled;
        for (const PendingPath& path : paths) {
            DocumentKind kind = m_scope.kindOf(path.folder, path.name);
            std::optional<struct stat> st = statOf(path.folder, path.name);
            if (!st || kind == DocumentKind::None || !S_ISREG(st->st_mode)) {
                dropped.emplace_back(&path, !st || !S_ISDIR(st->st_mode));
                continue;
            }
            Document document = documentAt(path.folder, path.name, *st);
            std::optional<Document> stored = m_store->find(path.folder, path.name);
            if (stored && sameFile(*stored, document)) {
                settled.push_back(&path);  // unchanged: never read again
                continue;
            }
            if (document.size > m_scope.maxFileSize()) {
                document.state = Document::TooLarge;
                results.emplace_back(std::move(document),
                                     ExtractedText{ExtractedText::Read, {}, false, {}}, &path);
                continue;
            }
            const unsigned seconds =
                path.attempts == 0 && m_firstTrySeconds > 0
                    ? std::min(m_firstTrySeconds, m_limits.cpuSeconds)
                    : m_limits.cpuSeconds;
            jobs.push_back({osPathOf(joinPath(path.folder, path.name)), kind, seconds});
            documents.emplace_back(std::move(document), &path);
        }
        // Small documents first: a letter just saved is not kept waiting behind a large one.
        std::vector<size_t> order(jobs.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return documents[a].first.size < documents[b].first.size;
        });
        {
            std::vector<ExtractorPool::Job> sortedJobs;
            std::vector<std::pair<Document, const PendingPath*>> sortedDocuments;
            for (size_t i : order) {
                sortedJobs.push_back(std::move(jobs[i]));
                sortedDocuments.push_back(std::move(documents[i]));
            }
            jobs = std::move(sortedJobs);
            documents = std::move(sortedDocuments);
        }
        auto store = [&] {
            if (!m_store->begin()) return false;
            bool ok = true;
            for (auto& [document, text, path] : results) ok = ok && settle(document, text, *path);
            if (!ok) {
                m_store->rollback();
                return false;
            }
            if (!m_store->commit()) return false;
            m_done += static_cast<std::int64_t>(results.size());
            m_storedSinceMerge += static_cast<std::int64_t>(results.size());
            results.clear();
            return true;
        };
        auto since = Clock::now();
        bool stored = true;
        pool.extract(
            jobs,
            [&](size_t index, ExtractedText text) {
                results.emplace_back(std::move(documents[index].first), std::move(text),
                                     documents[index].second);
                if (results.size() >= kBatch || Clock::now() - since >= kBatchTime) {
                    stored = stored && store();
                    since = Clock::now();
                }
            },
            stop);
        // What could not be stored stays queued: the pass ends and says so.
        if (!stored || !store()) return false;
        if (stop) return false;
        if (!m_store->begin()) return false;
        bool ok = true;
        for (const auto& [path, belowToo] : dropped) {
            ok = ok && m_store->remove(path->folder, path->name) &&
                 m_store->removePending(path->folder, path->name);
            if (belowToo) ok = ok && m_store->removeBelow(joinPath(path->folder, path->name));
        }
        // A path dropped here may be listed again as it was (a file that was
        // briefly away): the next comparison reads the documents whole.
        if (!dropped.empty()) ok = ok && m_store->setMeta(kListDigest, "");
        for (const PendingPath* path : settled)
            ok = ok && m_store->removePending(path->folder, path->name);
        if (!ok || !m_store->commit()) {
            if (!ok) m_store->rollback();
            return false;
        }
    }
}

// Each stored batch adds a structure of keys that every search then looks
// in; after a change of an eighth of the store or more (a first reading, a
// folder added), they are merged into one. Smaller changes are merged a few
// at a time by the full-text engine itself: merging all again after each
// would rewrite the whole index.
void ContentIndexer::mergeKeysAfterLargeChange(const std::atomic<bool>& stop) {
    constexpr std::int64_t kFewest = 64;
    if (m_storedSinceMerge < kFewest || m_storedSinceMerge * 8 < m_store->documentCountBound())
        return;
    m_storedSinceMerge = 0;
    // A merge that failed (a full disk) leaves the keys whole as they were:
    // the next large change tries again, not every pass meanwhile.
    if (!m_store->mergeKeys(stop) && !m_store->damaged()) m_store->clearFailure();
}

// Stores what became of one document, inside the caller's transaction.
bool ContentIndexer::settle(Document& document, const ExtractedText& text,
                            const PendingPath& path) {
    const bool plainText =
        m_scope.kindOf(document.folder, document.name) == DocumentKind::PlainText;
    if (text.outcome == ExtractedText::Unreadable && (text.retry || plainText)) {
        // Out of time or memory (on a busy machine, say), or a text file: it
        // waits for another try in a fresh worker, spaced out, and meanwhile
        // the search reads it as it always did. A text file stays so after
        // its tries, tried again once a day; a document is then recorded
        // unreadable.
        const std::int64_t attempts = path.attempts + 1;
        const std::string reason = text.reason;
        if (attempts < kTries || plainText) {
            if (reason != path.reason && onUnreadable)  // one line per file and cause
                onUnreadable(joinPath(document.folder, document.name), text.reason);
            const std::int64_t wait =
                attempts < kTries ? kRetryDelay << (2 * (attempts - 1)) : kTextRetryDelay;
            return m_store->postpone(document.folder, document.name, attempts, m_now() + wait,
                                     reason);
        }
    }
    if (text.outcome == ExtractedText::Unreadable) {
        document.reason = text.reason;
        if (onUnreadable) onUnreadable(joinPath(document.folder, document.name), text.reason);
    }
    if (document.state != Document::TooLarge)
        document.state = text.outcome == ExtractedText::Unreadable ? Document::Unreadable
                         : text.cut                                ? Document::Cut
                                                                   : Document::Indexed;
    return m_store->put(document, text.outcome == ExtractedText::Read ? text.text : std::string()) &&
           m_store->removePending(document.folder, document.name);
}

}  // namespace zeph::content
