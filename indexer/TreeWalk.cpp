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

std::optional<TreeWalk::Folder> TreeWalk::rootFolder(const std::string& root) const {
    std::string gbkRoot = normalizeFolder(root);
    std::string os = osPathOf(gbkRoot);
    if (os.empty() || m_exclusions.excludesFolder(gbkRoot)) return std::nullopt;
    return Folder{os, gbkRoot, 0};
}

bool TreeWalk::walk(const std::string& root, Visitor& visitor) {
    std::optional<Folder> first = rootFolder(root);
    if (!first) return true;
    // Depth first, the last folder listed first: the order of the file list.
    std::vector<Folder> stack{std::move(*first)};
    bool isRoot = true;
    while (!stack.empty()) {
        Folder folder = std::move(stack.back());
        stack.pop_back();
        if (!list(folder, isRoot, visitor, stack)) return false;
        isRoot = false;
    }
    return true;
}

bool TreeWalk::list(Folder& folder, bool isRoot, Visitor& visitor,
                    std::vector<Folder>& subfolders) const {
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
            subfolders.push_back(
                {joinPath(folder.osPath, name), joinPath(folder.gbkPath, gbkName), state->device});
    }
    return true;
}

}  // namespace zeph
