#include "TreeWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>

#include "common/Codec.h"
#include "common/EntryNames.h"
#include "common/FileIO.h"
#include "common/Paths.h"

namespace zeph {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

}  // namespace

TreeWalk::TreeWalk(const FsClassifier& classify) {
    for (const Mount& mount : readMountInfo())
        m_mountKinds[makedev(mount.major, mount.minor)] = classify(mount.fsType);
}

bool TreeWalk::entersDevice(dev_t device) const {
    auto it = m_mountKinds.find(device);
    return it == m_mountKinds.end() || it->second == FsKind::Real;
}

bool TreeWalk::walk(const std::string& root, Visitor& visitor) {
    std::string gbkRoot = normalizeFolder(root);
    std::string os = osPathOf(gbkRoot);
    if (os.empty() || m_exclusions.excludesFolder(gbkRoot)) return true;
    m_stack.clear();
    m_stack.push_back({os, gbkRoot, 0});
    bool isRoot = true;
    while (!m_stack.empty()) {
        Pending folder = std::move(m_stack.back());
        m_stack.pop_back();
        if (!list(folder, isRoot, visitor)) return false;
        isRoot = false;
    }
    return true;
}

bool TreeWalk::list(Pending& folder, bool isRoot, Visitor& visitor) {
    UniqueFd fd = openDeep(folder.osPath, O_RDONLY | O_DIRECTORY | (isRoot ? 0 : O_NOFOLLOW));
    if (!fd.valid()) return true;  // cannot be listed: skipped silently
    if (isRoot) {
        struct stat st;
        if (::fstat(fd.get(), &st) != 0) return true;
        folder.device = st.st_dev;
    }
    if (!visitor.folder(folder.gbkPath, folder.osPath, fd.get())) return false;
    int dirFd = fd.get();
    DirHandle dir(fdopendir(fd.release()));
    if (!dir) {
        ::close(dirFd);
        return true;
    }
    while (dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        std::string gbkName = indexedName(name);
        if (m_exclusions.excludes(folder.gbkPath, gbkName)) continue;
        std::optional<EntryState> state = readEntryState(dirFd, name);
        if (!state) continue;
        if (!visitor.entry(folder.gbkPath, gbkName, *state)) return false;
        if (state->isFolder && (state->device == folder.device || entersDevice(state->device)))
            m_stack.push_back(
                {joinPath(folder.osPath, name), joinPath(folder.gbkPath, gbkName), state->device});
    }
    return true;
}

}  // namespace zeph
