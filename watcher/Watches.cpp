#include "Watches.h"

#include <sys/inotify.h>

#include <algorithm>
#include <cerrno>

#include "common/Paths.h"

namespace zeph {

namespace {

// What each folder is watched for: entries made, removed, moved, written,
// changed; never through a link; the folder itself going away.
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

// Sets a watch on each folder the walk opens and hands on its entries.
class WatchingVisitor : public TreeWalk::Visitor {
public:
    WatchingVisitor(Watches::AddWatch& add, int inotifyFd, const Watches::OnEntry& onEntry,
                    const std::atomic<bool>* stop, std::unordered_map<int, std::string>& folderOf,
                    std::unordered_map<int, std::string>& osFolderOf,
                    std::map<std::string, int>& watchOf)
        : m_add(add),
          m_fd(inotifyFd),
          m_onEntry(onEntry),
          m_stop(stop),
          m_folderOf(folderOf),
          m_osFolderOf(osFolderOf),
          m_watchOf(watchOf) {}

    bool folder(const std::string& gbkPath, const std::string& osPath, int) override {
        if (stopped()) return false;
        int wd = m_add(m_fd, osPath.c_str(), kWatchMask);
        if (wd < 0) {
            if (errno == ENOSPC) m_ranOut = true;
            return true;  // the folder is still walked: its entries are real
        }
        auto old = m_folderOf.find(wd);  // the same folder met again (a new name)
        if (old != m_folderOf.end()) m_watchOf.erase(old->second);
        m_folderOf[wd] = gbkPath;
        m_osFolderOf[wd] = osPath;
        m_watchOf[gbkPath] = wd;
        return true;
    }
    bool entry(const std::string& folder, std::string_view name, const EntryState& state) override {
        if (m_onEntry) m_onEntry(folder, name, state);
        return !stopped();
    }
    bool ranOut() const { return m_ranOut; }
    bool stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

private:
    Watches::AddWatch& m_add;
    int m_fd;
    const Watches::OnEntry& m_onEntry;
    const std::atomic<bool>* m_stop;
    std::unordered_map<int, std::string>& m_folderOf;
    std::unordered_map<int, std::string>& m_osFolderOf;
    std::map<std::string, int>& m_watchOf;
    bool m_ranOut = false;
};

}  // namespace

Watches::Watches(AddWatch add)
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_add(std::move(add)) {
    if (!m_add)
        m_add = [](int fd, const char* path, std::uint32_t mask) {
            return ::inotify_add_watch(fd, path, mask);
        };
}

bool Watches::watchTree(const std::string& gbkFolder, const OnEntry& onEntry,
                        const std::atomic<bool>* stop) {
    TreeWalk walk;
    walk.setExclusions(m_exclusions);
    WatchingVisitor visitor(m_add, m_fd.get(), onEntry, stop, m_folderOf, m_osFolderOf, m_watchOf);
    walk.walk(gbkFolder, visitor);
    return !visitor.ranOut();
}

void Watches::forgetTree(std::string_view gbkFolder) {
    // The folder itself, then the range of paths below it: from "folder/" up
    // to "folder0" ('0' follows '/').
    std::string folder = normalizeFolder(gbkFolder);
    auto forget = [&](std::map<std::string, int>::iterator it) {
        ::inotify_rm_watch(m_fd.get(), it->second);
        m_folderOf.erase(it->second);
        m_osFolderOf.erase(it->second);
        return m_watchOf.erase(it);
    };
    if (auto self = m_watchOf.find(folder); self != m_watchOf.end()) forget(self);
    std::string below = folder == "/" ? "/" : folder + "/";
    std::string end = folder == "/" ? "0" : folder + "0";
    for (auto it = m_watchOf.lower_bound(below); it != m_watchOf.end() && it->first < end;)
        it = forget(it);
}

const std::string* Watches::folderOf(int wd) const {
    auto it = m_folderOf.find(wd);
    return it == m_folderOf.end() ? nullptr : &it->second;
}

const std::string* Watches::osFolderOf(int wd) const {
    auto it = m_osFolderOf.find(wd);
    return it == m_osFolderOf.end() ? nullptr : &it->second;
}

bool Watches::isRoot(int wd) const {
    const std::string* folder = folderOf(wd);
    return folder && std::find(m_roots.begin(), m_roots.end(), *folder) != m_roots.end();
}

void Watches::setRoots(const std::vector<std::string>& gbkRoots) {
    m_roots.clear();
    for (const std::string& root : gbkRoots) m_roots.push_back(normalizeFolder(root));
}

void Watches::dropped(int wd) {
    auto it = m_folderOf.find(wd);
    if (it == m_folderOf.end()) return;
    auto back = m_watchOf.find(it->second);
    if (back != m_watchOf.end() && back->second == wd) m_watchOf.erase(back);
    m_folderOf.erase(it);
    m_osFolderOf.erase(wd);
}

}  // namespace zeph
