#include "JournalView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "common/ChangeJournal.h"
#include "common/FileIO.h"

namespace zeph {

namespace {

// The folder one above a path ("/" above "/x"); "" above "/".
std::string_view folderAbove(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() <= 1) return {};
    return path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

size_t JournalView::PathHash::operator()(const Path& path) const {
    std::hash<std::string_view> hash;
    return hash(path.folder) * 31 + hash(path.name);
}

void JournalView::clear() {
    *this = JournalView();
}

void JournalView::update(int generationFolderFd) {
    UniqueFd fd(::openat(generationFolderFd, journal::kJournalName,
                         O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (!empty()) clear();
        return;
    }
    auto size = static_cast<std::uint64_t>(st.st_size);
    // Another file (a newer generation's journal, one made again) is read from its start.
    if (size < m_readTo || st.st_dev != m_device || st.st_ino != m_inode) clear();
    m_device = st.st_dev;
    m_inode = st.st_ino;
    if (size == m_readTo) return;
    std::string& text = m_text.emplace_back(readRange(fd.get(), m_readTo, size - m_readTo));
    m_paths.reserve(m_paths.size() +
                    static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    std::int64_t before = m_count;
    size_t taken =
        journal::forEachRecord(text, [&](const journal::Record& record) { apply(record); });
    m_readTo += taken;
    text.resize(taken);  // a torn record is read again, whole, next time
    if (m_count != before) collectEntries();
}

void JournalView::apply(const journal::Record& record) {
    const std::int64_t sequence = m_count++;
    if (!record.added) {
        std::string_view path = record.text;
        std::string_view folder = folderAbove(path);
        Path key{folder, path.substr(folder.size() == 1 ? 1 : folder.size() + 1)};
        m_paths[key].removed = sequence;
        m_removedAt[path] = sequence;
        return;
    }
    Path key{record.line.folder, record.line.name};
    State& state = m_paths[key];
    state.added = sequence;
    state.line = record.text;
    m_added.push_back({sequence, key});
}

std::int64_t JournalView::lastRemovalAbove(std::string_view folder) const {
    std::int64_t latest = -1;
    for (; !folder.empty(); folder = folderAbove(folder)) {
        auto it = m_removedAt.find(folder);
        if (it != m_removedAt.end()) latest = std::max(latest, it->second);
        if (folder == "/") break;
    }
    return latest;
}

void JournalView::collectEntries() {
    m_entries.clear();
    std::unordered_map<std::string_view, std::int64_t> removalAbove;  // per folder, once
    for (const Added& added : m_added) {
        const State& state = m_paths.at(added.path);
        if (state.added != added.sequence || state.removed > added.sequence) continue;
        auto [it, first] = removalAbove.try_emplace(added.path.folder, -1);
        if (first) it->second = lastRemovalAbove(added.path.folder);
        if (it->second > added.sequence) continue;  // a folder above went after it
        m_entries.push_back(state.line);
    }
}

bool JournalView::names(std::string_view folder, std::string_view name) const {
    return m_paths.contains(Path{folder, name});
}

bool JournalView::hidesFolder(std::string_view folder) const {
    return !m_removedAt.empty() && lastRemovalAbove(folder) >= 0;
}

}  // namespace zeph
