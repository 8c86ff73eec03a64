// What the user keeps out of the index: folders, with everything below them,
// and names of entries in the window's name forms (node_modules, *.tmp,
// .git; a plain word is a whole name): such an entry, and for a folder
// everything below it, is neither walked nor watched. Kept in the
// configuration database; a database from before them gains their tables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/NameMatcher.h"

namespace zeph {

class CSQLiteDB;

class Exclusions {
public:
    Exclusions() = default;
    Exclusions(std::vector<std::string> folders, std::vector<std::string> names);
    static Exclusions read(CSQLiteDB& db);

    bool empty() const { return m_folders.empty() && m_matchers.empty(); }
    // The entry named name in folder (both GBK).
    bool excludes(std::string_view folder, std::string_view name) const;
    // A folder at or below an excluded one.
    bool excludesFolder(std::string_view path) const;

    const std::vector<std::string>& folders() const { return m_folders; }
    const std::vector<std::string>& names() const { return m_names; }
    bool operator==(const Exclusions& other) const {
        return m_folders == other.m_folders && m_names == other.m_names;
    }

private:
    std::vector<std::string> m_folders, m_names;
    std::vector<NameMatcher> m_matchers;
};

void addExclusionTables(CSQLiteDB& db);
bool storeExclusions(CSQLiteDB& db, const Exclusions& exclusions);

}  // namespace zeph
