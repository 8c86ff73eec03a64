// Every criterion but the index keys, applied to one candidate's file-list
// line: kind, name, type, folder, time, size, existence on disk and content.
// The filter is shared by the worker threads of a search and never changes
// while it runs; each thread brings a Worker with its own buffers, its handle
// on the folder it is in and its content searcher.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "common/FileIO.h"
#include "search/engine/ContentSearch.h"
#include "search/engine/FoundRows.h"
#include "search/engine/NameMatcher.h"
#include "search/engine/ResultTexts.h"
#include "search/engine/ResultView.h"
#include "search/engine/SearchCriteria.h"

namespace zeph {

class ExtensionTable;

enum class Verdict {
    Skip,       // not a result
    Accept,     // a result: its row was added
    Malformed,  // the line's numbers cannot be read: the search ends with a message
};

class CandidateFilter {
public:
    // content: prepared for the search's content text, or nullptr without one.
    CandidateFilter(const SearchCriteria& criteria, const NameMatcher& name,
                    const ExtensionTable& extensions, const CContentSearch* content,
                    const std::atomic<bool>& stop);

    class Worker {
    public:
        explicit Worker(const CandidateFilter& filter);
        // The folder of the candidate looked at last (GBK).
        const std::string& folder() const { return m_folder; }

    private:
        friend class CandidateFilter;
        // A handle on the folder, opened once for all its entries; -1 when it is gone.
        int folderHandle(std::string_view gbkFolder);
        // The name in the system's encoding, or nullptr when it has none.
        const char* osName(std::string_view gbkName);

        std::string m_folder;
        UniqueFd m_folderFd;
        std::unique_ptr<CContentSearch> m_content;
        TimeTexts m_times;
        std::string m_lowered, m_suffix, m_osName;
    };

    // The line must stay valid as long as the rows found in it are used.
    Verdict evaluate(Worker& worker, std::string_view line, FoundRows& found) const;
    bool searchesContent() const { return m_content != nullptr; }

private:
    bool existsWithContent(Worker& worker, std::string_view folder, std::string_view name) const;

    const SearchCriteria& m_criteria;
    const NameMatcher& m_name;
    const ExtensionTable& m_extensions;
    const CContentSearch* m_content;
    const std::atomic<bool>& m_stop;
};

}  // namespace zeph
