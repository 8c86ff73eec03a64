// The inotify watches of the watcher: one on every folder below the
// configured roots, set by the index's walk rules, with the folder each one
// stands for. A folder that appears gets its watches; one that goes away
// loses them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/FileIO.h"
#include "indexer/TreeWalk.h"

namespace zeph {

class Watches {
public:
    // Adds one watch; returns the watch descriptor or -1 with errno set. Tests
    // put in one that runs out.
    using AddWatch = std::function<int(int inotifyFd, const char* osPath, std::uint32_t mask)>;

    explicit Watches(AddWatch add = {});
    bool valid() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }

    // Watches the folder (GBK) and every folder below it, calling onEntry for
    // each entry met below it; the walk ends early once *stop is set. False
    // when watches ran out (ENOSPC): some folders are then not watched.
    using OnEntry =
        std::function<void(const std::string& folder, std::string_view name, const EntryState&)>;
    bool watchTree(const std::string& gbkFolder, const OnEntry& onEntry = {},
                   const std::atomic<bool>* stop = nullptr);
    // Forgets the watches of the folder and of every folder below it.
    void forgetTree(std::string_view gbkFolder);

    // The folder a watch stands for (GBK), or nullptr when it is not known (any more).
    const std::string* folderOf(int wd) const;
    // The same as the system has it.
    const std::string* osFolderOf(int wd) const;
    // What the walks keep out.
    void setExclusions(Exclusions exclusions) { m_exclusions = std::move(exclusions); }
    const Exclusions& exclusions() const { return m_exclusions; }
    bool isRoot(int wd) const;
    bool watchesFolder(const std::string& gbkFolder) const { return m_watchOf.contains(gbkFolder); }
    void setRoots(const std::vector<std::string>& gbkRoots);
    // The kernel dropped the watch (its folder is gone).
    void dropped(int wd);

    size_t count() const { return m_folderOf.size(); }

private:
    UniqueFd m_fd;
    AddWatch m_add;
    std::unordered_map<int, std::string> m_folderOf;
    std::unordered_map<int, std::string> m_osFolderOf;
    Exclusions m_exclusions;
    std::map<std::string, int> m_watchOf;  // in path order: a folder's subtree is one range
    std::vector<std::string> m_roots;
};

}  // namespace zeph
