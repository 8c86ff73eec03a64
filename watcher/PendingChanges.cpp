#include "PendingChanges.h"

#include <algorithm>

#include "common/Paths.h"

namespace zeph {

void PendingChanges::removed(const std::string& folder, const std::string& name) {
    std::string path = joinPath(folder, name);
    // Everything below the path: from "path/" up to "path0" ('0' follows '/').
    m_paths.erase(m_paths.lower_bound(path + '/'), m_paths.lower_bound(path + '0'));
    Entry& entry = m_paths[path];
    entry.folder = folder;
    entry.name = name;
    entry.removedAt = m_sequence++;
    entry.changedAt = -1;
    entry.appeared = false;
}

void PendingChanges::changed(const std::string& folder, const std::string& name,
                             bool folderAppeared, const std::string& osFolder,
                             std::string_view osName) {
    Entry& entry = m_paths[joinPath(folder, name)];
    if (entry.changedAt < 0) {
        entry.folder = folder;
        entry.name = name;
        entry.changedAt = m_sequence++;
    }
    entry.osFolder = osFolder;
    entry.osName = osName;
    entry.appeared = entry.appeared || folderAppeared;
}

std::vector<PendingChanges::Change> PendingChanges::take() {
    std::vector<std::pair<std::int64_t, Change>> ordered;
    ordered.reserve(m_paths.size() + 8);
    for (auto& [path, entry] : m_paths) {
        if (entry.removedAt >= 0)
            ordered.push_back(
                {entry.removedAt, {Change::Removed, entry.folder, entry.name, {}, {}}});
        if (entry.changedAt >= 0)
            ordered.push_back(
                {entry.changedAt,
                 {entry.appeared ? Change::Appeared : Change::Changed, std::move(entry.folder),
                  std::move(entry.name), std::move(entry.osFolder), std::move(entry.osName)}});
    }
    m_paths.clear();
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Change> changes;
    changes.reserve(ordered.size());
    for (auto& [sequence, change] : ordered) changes.push_back(std::move(change));
    return changes;
}

}  // namespace zeph
