#include "JournalView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/ChangeJournal.h"
#include "common/FileIO.h"
#include "common/FileList.h"
#include "common/Paths.h"

namespace zeph {

namespace {

std::string pathOfLine(std::string_view line) {
    auto parsed = parseFileListLine(line);
    return parsed ? joinPath(parsed->folder, parsed->name) : std::string();
}

// Calls visit for the path and each folder above it, nearest first, until it returns true.
template <class Visit>
bool anyAncestorOrSelf(std::string_view path, Visit&& visit) {
    while (path.size() > 1) {
        if (visit(path)) return true;
        size_t slash = path.rfind('/');
        if (slash == std::string_view::npos || slash == 0) break;
        path = path.substr(0, slash);
    }
    return false;
}

}  // namespace

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
    if (size < m_readTo) clear();  // not this journal any more
    if (size == m_readTo) return;
    std::string text(size - m_readTo, '\0');
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::pread(fd.get(), text.data() + got, text.size() - got,
                            static_cast<off_t>(m_readTo + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    std::int64_t before = m_records;
    m_readTo += journal::forEachRecord(text, [&](const journal::Record& record) { apply(record); });
    if (m_records != before) collectEntries();
}

void JournalView::apply(const journal::Record& record) {
    const std::int64_t sequence = m_records++;
    const bool added = record.added;
    std::string_view text = record.text;
    std::string path = added ? pathOfLine(text) : std::string(text);
    m_named.insert(path);
    if (!added) {
        m_removedAt[path] = sequence;
        return;
    }
    auto [it, inserted] = m_addedAt.try_emplace(path, sequence);
    if (!inserted) {
        m_addedLines.erase(it->second);  // only the latest state of a path counts
        it->second = sequence;
    }
    m_addedLines.emplace(sequence, std::string(text));
}

bool JournalView::removedAfter(std::string_view path, std::int64_t sequence) const {
    return anyAncestorOrSelf(path, [&](std::string_view p) {
        auto it = m_removedAt.find(p);
        return it != m_removedAt.end() && it->second > sequence;
    });
}

void JournalView::collectEntries() {
    m_entries.clear();
    for (const auto& [sequence, line] : m_addedLines)
        if (!removedAfter(pathOfLine(line), sequence)) m_entries.push_back(line);
}

bool JournalView::names(std::string_view folder, std::string_view name,
                        std::string& scratch) const {
    joinPathInto(scratch, folder, name);
    return m_named.find(std::string_view(scratch)) != m_named.end();
}

bool JournalView::hidesFolder(std::string_view folder) const {
    if (m_removedAt.empty()) return false;
    return anyAncestorOrSelf(
        folder, [&](std::string_view p) { return m_removedAt.find(p) != m_removedAt.end(); });
}

}  // namespace zeph
