// The names in one folder, read with one listing: for a folder with many
// results, one read of its entries answers whether each is still there,
// where a look-up of each would cost a system call per result.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace zeph {

class FolderListing {
public:
    // Lists the folder open as dirFd (any handle on it); false when it cannot be read.
    bool read(int dirFd);
    bool holds(std::string_view osName) const { return m_names.count(osName) != 0; }

private:
    std::string m_bytes;  // the names, each ended by a NUL
    std::unordered_set<std::string_view> m_names;
};

}  // namespace zeph
