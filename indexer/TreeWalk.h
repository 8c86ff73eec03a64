// A walk over the folders below a root, by the rules of the index: every
// name is held as EntryNames.h says; links are listed but never followed; a
// folder on another file system is entered only when that one is real
// (pseudo and memory file systems never, network and FUSE ones only as a
// root); a folder that cannot be listed is skipped silently; what the user
// excluded is neither listed nor entered. The scanner walks the configured
// roots with it; the watcher walks folders that appear.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/Drives.h"
#include "common/EntryState.h"
#include "common/Exclusions.h"
#include "common/FileList.h"

namespace zeph {

class TreeWalk {
public:
    class Visitor {
    public:
        virtual ~Visitor() = default;
        // A folder about to be listed, open as fd; false ends the walk.
        virtual bool folder(const std::string& gbkPath, const std::string& osPath, int fd) {
            (void)gbkPath, (void)osPath, (void)fd;
            return true;
        }
        // One of its entries (names GBK); false ends the walk.
        virtual bool entry(const std::string& gbkFolder, std::string_view gbkName,
                           const EntryState& state) = 0;
    };
    using FsClassifier = std::function<FsKind(std::string_view fsType)>;

    explicit TreeWalk(const FsClassifier& classify = classifyFsType);

    // Walks the folder (GBK) and everything below it; the folder itself is
    // entered whatever it is on. False when the visitor ended the walk.
    bool walk(const std::string& gbkRoot, Visitor& visitor);

    // A folder to list.
    struct Folder {
        std::string osPath;   // UTF-8, for the system
        std::string gbkPath;  // as the file list shows it
        dev_t device;
    };
    // Where a walk of the folder (GBK) starts; nullopt when it is excluded or
    // has no name on this system.
    std::optional<Folder> rootFolder(const std::string& gbkRoot) const;
    // Lists one folder: each entry to the visitor, each folder the walk
    // enters appended to subfolders, in the order listed. The root is entered
    // whatever it is on. False when the visitor ended the walk. Safe to call
    // from several threads at once.
    bool list(Folder& folder, bool isRoot, Visitor& visitor, std::vector<Folder>& subfolders) const;

    // Whether a folder on device is entered below a root on another one.
    bool entersDevice(dev_t device) const;
    void setExclusions(Exclusions exclusions) { m_exclusions = std::move(exclusions); }
    const Exclusions& exclusions() const { return m_exclusions; }

private:
    std::unordered_map<dev_t, FsKind> m_mountKinds;
    Exclusions m_exclusions;
};

}  // namespace zeph
