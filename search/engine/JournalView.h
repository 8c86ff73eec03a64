// The change journal of the loaded generation as the engine sees it. It is
// read at each search from where the last reading stopped (the watcher only
// appends to it) and tells, for the search:
//  - which entries of the index it replaces or removes: every path one of its
//    records names, and everything below a path it removed;
//  - which entries it adds: for each path whose last record added it, and
//    that no later record removed (itself or a folder above it), that line.
// The text read is kept whole; everything else points into it, so reading a
// long journal costs no allocation per record.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zeph {

namespace journal {
struct Record;
}

class JournalView {
public:
    // Reads the records appended to the journal in the folder since the last
    // call. A journal that shrank, vanished or is another file is read again
    // from its start.
    void update(int generationFolderFd);
    void clear();

    bool empty() const { return m_count == 0; }
    std::int64_t records() const { return m_count; }

    // Whether a record names the index's entry folder/name (it is replaced or removed).
    bool names(std::string_view folder, std::string_view name) const;
    // Whether the folder or one above it was removed (so every index entry in it is).
    bool hidesFolder(std::string_view folder) const;

    // The file-list lines the journal adds, in the order of their records.
    const std::vector<std::string_view>& entries() const { return m_entries; }

private:
    // A path as its folder and name, both pointing into the journal's text.
    struct Path {
        std::string_view folder, name;
        bool operator==(const Path&) const = default;
    };
    struct PathHash {
        size_t operator()(const Path& path) const;
    };
    struct State {
        std::int64_t added = -1;    // sequence of the last record adding it
        std::int64_t removed = -1;  // sequence of the last record removing it
        std::string_view line;      // the line the last addition gave
    };
    struct Added {
        std::int64_t sequence;
        Path path;
    };

    void apply(const journal::Record& record);
    void collectEntries();
    // The latest removal of the folder or of one above it (-1 for none).
    std::int64_t lastRemovalAbove(std::string_view folder) const;

    dev_t m_device = 0;  // the file read so far
    ino_t m_inode = 0;
    std::uint64_t m_readTo = 0;      // bytes of the file taken so far
    std::deque<std::string> m_text;  // what was read, a piece per reading
    std::int64_t m_count = 0;        // records read
    std::unordered_map<Path, State, PathHash> m_paths;
    std::unordered_map<std::string_view, std::int64_t> m_removedAt;  // path -> last removal
    std::vector<Added> m_added;
    std::vector<std::string_view> m_entries;
};

}  // namespace zeph
