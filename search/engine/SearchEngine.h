// The search engine: loads the index at start and answers one search at a
// time, by name tokens through the character, pair and suffix tables, then by
// every other criterion on each candidate's line of the file list.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/KeyScheme.h"
#include "search/engine/ContentPlan.h"
#include "search/engine/ExtensionTable.h"
#include "search/engine/IndexDirectory.h"
#include "search/engine/JournalView.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

class CSQLiteDB;
class NameMatcher;
class PinyinTable;
class ResultView;
class RowSink;

enum SearchOutcome : int {
    kSearchDone = 0,
    kSearchEnded = -1,
    kSearchEmpty = -2,
    kSearchRefused = -3,
    // The content index could not be read whole: no answer passes for right.
    kSearchFailed = -4
};

class CSearchEngine {
public:
    // Start-up, in order: the data folder becomes the current directory, the
    // database opens, the suffix table is read, the settings steps run and the
    // index loads. Any step may end the process through the message service.
    // The program folder holds the indexer and Translation.dat; the data folder
    // the database and the index (often the same folder).
    CSearchEngine(CSQLiteDB& db, std::string programFolder, std::string dataFolder,
                  std::int64_t now);
    CSearchEngine(CSQLiteDB& db, const std::string& folder, std::int64_t now)
        : CSearchEngine(db, folder, folder, now) {}
    ~CSearchEngine();

    // Runs one search on the calling thread (the worker). Waits for a search
    // already running. Returns kSearchEmpty for an empty query (told to the
    // user unless quiet: a search started by typing) and kSearchRefused for
    // content text that is too long, kSearchFailed when the content index
    // could not be read whole (told to the user, who may have it rebuilt). The rows go to the result table, or to
    // rows when it is given.
    int Search(const SearchCriteria& criteria, ResultView* view, bool quiet = false,
               RowSink* rows = nullptr);
    // Asks the running search to end before its next candidate. A superseded
    // search (a newer one takes its place) that has not yet stored its first
    // page leaves the result table as it was.
    void requestStop(bool superseded = false) {
        m_superseded = superseded;
        m_stop = true;
    }
    // How many threads evaluate candidates (0, the default: as many as cores).
    void setEvaluationThreads(unsigned threads) { m_threads = threads; }
    bool running() const { return m_running; }

    // Length of the type flags: the highest ExtendID plus one.
    size_t typeFlagCount() const { return m_extensions.typeFlagCount(); }
    const std::string& programFolder() const { return m_programFolder; }
    CSQLiteDB& database() { return m_db; }

private:
    void loadIndex();
    // A newer generation is loaded in place of the old one, and the journal is read.
    void refreshIndex();
    std::vector<std::uint32_t> nameCandidates(const NameMatcher& name);
    std::uint64_t postingsIn(const std::vector<IndexKey>& group) const;
    std::vector<std::uint32_t> groupCandidates(const std::vector<IndexKey>& group);
    static std::uint32_t slotOf(const IndexKey& key);
    std::vector<std::uint32_t> slotCandidates(const std::vector<IndexKey>& keys);
    std::vector<std::uint32_t> typeCandidates(const SearchCriteria& criteria);
    std::vector<std::uint32_t> filterCandidates(const SearchCriteria& criteria);
    std::vector<std::uint32_t> readBucket(std::uint32_t slot);
    int evaluateCandidates(const SearchCriteria& criteria, const NameMatcher& name,
                           const std::vector<std::uint32_t>& candidates, const ContentPlan& plan,
                           ResultView* view, RowSink* rows, bool withJournal);

    CSQLiteDB& m_db;
    std::string m_programFolder;
    std::string m_dataFolder;
    IndexDirectory m_index;
    JournalView m_journal;
    ExtensionTable m_extensions;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_superseded{false};
    std::atomic<bool> m_running{false};
    unsigned m_threads = 0;
    std::mutex m_searchMutex;
    // Where each line of the loaded file list starts, for filters alone.
    std::vector<std::uint32_t> m_lineStarts;
    std::string m_lineStartsOf;  // the generation they are of
    std::shared_ptr<const PinyinTable> m_pinyin;
    bool m_pinyinRead = false;
    std::map<std::vector<IndexKey>, std::vector<std::uint32_t>> m_groupCache;
};

}  // namespace zeph
