// The change journal of the loaded generation as the engine sees it. It is
// read at each search from where the last reading stopped (the watcher only
// appends to it) and tells, for the search:
//  - which entries of the index it replaces or removes: every path one of its
//    records names, and everything below a path it removed;
//  - which entries it adds: for each path whose last record added it, and
//    that no later record removed (itself or a folder above it), that line.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zeph {

namespace journal {
struct Record;
}

class JournalView {
public:
    // Reads the records appended to the journal in the folder since the last
    // call. A journal that shrank or vanished is read again from its start.
    void update(int generationFolderFd);
    void clear();

    bool empty() const { return m_records == 0; }
    std::int64_t records() const { return m_records; }

    // Whether a record names the index's entry folder/name (it is replaced or removed).
    bool names(std::string_view folder, std::string_view name, std::string& scratch) const;
    // Whether the folder or one above it was removed (so every index entry in it is).
    bool hidesFolder(std::string_view folder) const;

    // The file-list lines the journal adds, in the order of their records.
    const std::vector<std::string_view>& entries() const { return m_entries; }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using Paths = std::unordered_set<std::string, Hash, std::equal_to<>>;
    using SequenceOf = std::unordered_map<std::string, std::int64_t, Hash, std::equal_to<>>;

    void apply(const journal::Record& record);
    void collectEntries();
    bool removedAfter(std::string_view path, std::int64_t sequence) const;

    std::uint64_t m_readTo = 0;  // bytes of the file taken so far
    std::int64_t m_records = 0;
    Paths m_named;                                     // every path a record names
    SequenceOf m_removedAt;                            // path -> sequence of its last removal
    SequenceOf m_addedAt;                              // path -> sequence of its last addition
    std::map<std::int64_t, std::string> m_addedLines;  // sequence -> line, in order
    std::vector<std::string_view> m_entries;
};

}  // namespace zeph
