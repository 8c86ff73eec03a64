// How a search with content text uses the content index. The index answers
// for the files it covers, when it was compared with the loaded name index
// for the scope it has now; every other file is read as before:
//  - a candidate of the name index that the scope covers and that is not
//    pending: a candidate of the index's keys is confirmed against its stored
//    text (a plain-text file is read as before, so its answer is the scan's);
//    any other is no hit, without reading it;
//  - a pending file (not read yet, or changed since, or a text file whose
//    reading failed): read as before;
//  - a text file whose text the index holds only in part (cut at the cap,
//    or past the size limit): read as before, so no word past the cap is lost.
// When the search looks only in the scope's folders (or the name index lists
// no file outside them), the index brings the candidates of the suffixes it
// covers itself (its keys' candidates, then the pending files), and the name
// index and its journal are walked only for the other suffixes.
// A store last compared with an older name index (an index run has just
// published a new one and not yet compared it) still answers: each candidate
// is compared as the next comparison will compare it - a file whose size or
// time differs from its document's, or that has none, is read as before - so
// a search never sees a half-compared store.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "content/ContentScope.h"
#include "content/ContentStore.h"
#include "content/SearchForm.h"

namespace zeph {

class CSQLiteDB;
class ExtensionTable;
struct SearchCriteria;

// How a candidate's content is decided.
enum class ContentCheck {
    Scan,        // the file is read, as content search always did
    StoredText,  // the content index's text of its document is searched
    NotFound,    // the content index says the file does not hold the text
};

class ContentPlan {
public:
    // An inactive plan: every file is read.
    ContentPlan() = default;
    static ContentPlan make(CSQLiteDB& config, const std::string& dataFolder,
                            const std::string& generation, const SearchCriteria& criteria,
                            const ExtensionTable& extensions);

    bool active() const { return m_active; }
    // Why the content index could not be read whole (GBK): the search then
    // cannot answer right from it. "" when it could, or when there is none.
    const std::string& failure() const { return m_failure; }
    // The index brings the candidates of its suffixes itself; the name index
    // gives those of the others (type flags of the suffixes it does not cover).
    bool covering() const { return m_covering; }
    const std::vector<std::uint8_t>& uncoveredTypeFlags() const { return m_uncoveredFlags; }
    const std::string& dataFolder() const { return m_dataFolder; }
    const std::string& utf8Text() const { return m_utf8Text; }
    // The text in the form stored texts are compared in, with the search's case.
    const std::string& formText() const { return m_formText; }
    content::LetterCase letterCase() const { return m_letterCase; }
    // The pieces of a candidate document's text that may hold the text (none: all).
    const std::vector<std::int64_t>& piecesOf(std::int64_t document) const;

    // For a candidate of the name index (or its journal), with its size and
    // modification time as the name index has them.
    ContentCheck checkFor(std::string_view folder, std::string_view name, std::int64_t size,
                          std::int64_t modified, std::int64_t& document) const;

    // The candidates the index brings itself when it covers the search.
    struct Candidate {
        std::string folder, name;  // GBK
        ContentCheck check;
        std::int64_t document;
    };
    const std::vector<Candidate>& candidates() const { return m_candidates; }

    // Whether a candidate of the keys holds the text without a look at its
    // stored text: the text without case is a single key (three letters, one
    // or two Chinese characters), which the index holds of exactly the texts
    // whose form holds it.
    bool keysAreExact() const { return m_keysExact; }
    // The store the plan read, for the first worker that confirms a
    // candidate; nullptr once taken (any thread).
    std::unique_ptr<content::ContentStore> takeStore() const;

private:
    static std::string key(std::string_view folder, std::string_view name);

    bool m_active = false;
    bool m_covering = false;
    std::string m_dataFolder;
    std::string m_utf8Text;
    std::string m_formText;
    content::LetterCase m_letterCase = content::LetterCase::Folded;
    std::unordered_map<std::int64_t, std::vector<std::int64_t>> m_pieces;
    content::ContentScope m_scope;
    std::unordered_map<std::string, std::int64_t> m_hits;  // path key -> document
    std::unordered_set<std::string> m_pending;
    std::unordered_set<std::string> m_partlyHeld;  // text files read as before
    // With a store compared with an older name index: every document's size
    // and time, by path.
    bool m_compared = true;
    std::unordered_map<std::string, std::pair<std::int64_t, std::int64_t>> m_states;
    std::vector<Candidate> m_candidates;
    std::vector<std::uint8_t> m_uncoveredFlags;
    std::string m_failure;
    bool m_keysExact = false;
    mutable std::unique_ptr<content::ContentStore> m_store;
    std::unique_ptr<std::mutex> m_storeMutex = std::make_unique<std::mutex>();
};

}  // namespace zeph
