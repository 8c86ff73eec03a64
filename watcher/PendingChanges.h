// The changes seen since the last batch, one entry per path, in the order
// they came. Whatever happens to a path in between, the batch needs at most
// its removal (when something at the path went away) followed by its current
// state (read when the batch is written). A removal also makes every pending
// change below the path moot: the removal hides what lay below, and a folder
// that appears again is walked whole. So a folder renamed back and forth any
// number of times within a batch costs two entries, not a walk per rename.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zeph {

class PendingChanges {
public:
    struct Change {
        enum Kind {
            Removed,   // the path and everything below it went away
            Changed,   // the entry at the path is new or changed: read its state
            Appeared,  // a folder made or moved in: walk it
        } kind;
        std::string folder, name;      // the path, as its folder and name (GBK)
        std::string osFolder, osName;  // the same as the system has them (changes)
    };

    void removed(const std::string& folder, const std::string& name);
    void changed(const std::string& folder, const std::string& name, bool folderAppeared,
                 const std::string& osFolder = {}, std::string_view osName = {});

    bool empty() const { return m_paths.empty(); }
    size_t size() const { return m_paths.size(); }
    // The changes in the order of their events; empties the set.
    std::vector<Change> take();

private:
    struct Entry {
        std::string folder, name;
        std::string osFolder, osName;
        std::int64_t removedAt = -1;  // sequence of the removal, or -1
        std::int64_t changedAt = -1;  // sequence of the first change since it, or -1
        bool appeared = false;
    };
    std::map<std::string, Entry> m_paths;  // by path: a folder's subtree is one range
    std::int64_t m_sequence = 0;
};

}  // namespace zeph
