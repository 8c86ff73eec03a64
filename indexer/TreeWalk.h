// A walk over the folders below a root, by the rules of the index: names
// starting with '.' are skipped; links are listed but never followed; a folder
// on another file system is entered only when that one is real (pseudo and
// memory file systems never, network and FUSE ones only as a root); a folder
// that cannot be listed is skipped silently; a name without a GBK form, or one
// that would break a file-list line, is left out and counted. The scanner
// walks the configured roots with it; the watcher walks folders that appear.
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
#include "common/FileList.h"

namespace zeph {

// How the index takes a directory entry's name: the one rule the walk and the
// watcher share.
enum class NameRule {
    Taken,    // indexed under gbkName
    Skipped,  // a name the index does not hold by design ('.' names)
    LeftOut,  // a name the file list cannot hold: counted by the walk
};
NameRule indexedName(std::string_view osName, std::string& gbkName);

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

    // Whether a folder on device is entered below a root on another one.
    bool entersDevice(dev_t device) const;
    std::int64_t leftOut() const { return m_leftOut; }

private:
    struct Pending {
        std::string osPath;   // UTF-8, for the system
        std::string gbkPath;  // as the file list shows it
        dev_t device;
    };
    bool list(Pending& folder, bool isRoot, Visitor& visitor);

    std::unordered_map<dev_t, FsKind> m_mountKinds;
    std::vector<Pending> m_stack;
    std::atomic<std::int64_t> m_leftOut{0};
};

}  // namespace zeph
