// Every criterion but the index keys, applied to one candidate's file-list
// line: kind, name, type, folder, time, size, existence on disk and content.
// The filter is shared by the worker threads of a search and never changes
// while it runs; each thread brings a Worker with its own buffers, its handle
// on the folder it is in and its content searcher.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/FileIO.h"
#include "common/NameMatcher.h"
#include "search/engine/ContentPlan.h"
#include "search/engine/ContentSearch.h"
#include "search/engine/FoundRows.h"
#include "search/engine/LineFilters.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/ResultView.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

class ExtensionTable;
namespace content {
class ContentStore;
}

class JournalView;

// A candidate's line: from the index's file list, added by the journal, or
// brought by the content index (which then says how its content is decided).
struct CandidateLine {
    std::string_view text;
    bool fromIndex = true;
    bool fromContentIndex = false;
    ContentCheck check = ContentCheck::Scan;
    std::int64_t document = -1;
};

enum class Verdict {
    Skip,       // not a result
    Accept,     // a result: its row was added
    Malformed,  // the line's numbers cannot be read: the search ends with a message
};

class CandidateFilter {
public:
    // content: prepared for the search's content text, or nullptr without one;
    // plan: how the content index answers for the files it covers (or
    // nullptr); journal: the changes since the index was built (entries of the
    // index it names or removes are left to it), or nullptr.
    CandidateFilter(const SearchCriteria& criteria, const NameMatcher& name,
                    const ExtensionTable& extensions, const CContentSearch* content,
                    const ContentPlan* plan, const JournalView* journal,
                    const std::atomic<bool>& stop);

    class Worker {
    public:
        explicit Worker(const CandidateFilter& filter);
        ~Worker();
        Worker(const Worker&) = delete;
        Worker& operator=(const Worker&) = delete;
        // The folder of the candidate looked at last (GBK).
        const std::string& folder() const { return m_folder; }

    private:
        friend class CandidateFilter;
        // A handle on the folder, opened once for all its entries; -1 when it is gone.
        int folderHandle(std::string_view gbkFolder);
        // The name in the system's encoding, or nullptr when it has none.
        const char* osName(std::string_view gbkName);
        // The name of the entry in the open folder that is held as gbkName,
        // when one is there; nullptr when none is.
        const char* osNameOnDisk(int dirFd, std::string_view gbkName);

        // Whether the journal removed the folder last asked about (or one above it).
        bool folderHidden(const JournalView& journal, std::string_view gbkFolder);

        std::string m_folder;
        UniqueFd m_folderFd;
        bool m_folderAsUtf8 = false;  // the handle was opened at the folder's UTF-8 form
        bool m_nameAsUtf8 = false;    // the name last found was its UTF-8 form
        std::string m_hiddenFolder;
        bool m_hidden = false;
        bool m_hiddenKnown = false;
        std::unique_ptr<CContentSearch> m_content;
        std::unique_ptr<content::ContentStore> m_store;  // opened when first needed
        TimeTexts m_times;
        std::string m_lowered, m_suffix, m_osName;
    };

    // The line must stay valid as long as the rows found in it are used.
    Verdict evaluate(Worker& worker, const CandidateLine& line, FoundRows& found) const;
    bool searchesContent() const { return m_content != nullptr; }
    // Why a stored text could not be read during the pass (GBK); "" when all were.
    std::string storeFailure() const;

private:
    bool existsWithContent(Worker& worker, std::string_view folder, std::string_view name,
                           ContentCheck check, std::int64_t document) const;
    bool storedTextHolds(Worker& worker, std::int64_t document) const;

    const SearchCriteria& m_criteria;
    const NameMatcher& m_name;
    const ExtensionTable& m_extensions;
    const CContentSearch* m_content;
    const ContentPlan* m_plan;
    const JournalView* m_journal;
    const std::atomic<bool>& m_stop;
    LineFilters m_lineFilters;
    mutable std::mutex m_failureMutex;
    mutable std::string m_storeFailure;
};

}  // namespace zeph
