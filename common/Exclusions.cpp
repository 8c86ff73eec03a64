#include "Exclusions.h"

#include "common/Paths.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"

namespace zeph {

Exclusions::Exclusions(std::vector<std::string> folders, std::vector<std::string> names)
    : m_names(std::move(names)) {
    for (const std::string& folder : folders) m_folders.push_back(normalizeFolder(folder));
    for (const std::string& name : m_names) m_matchers.emplace_back(name, false, true);
}

Exclusions Exclusions::read(CSQLiteDB& db) {
    std::vector<Row> rows;
    std::vector<std::string> folders, names;
    if (db.QueryRows(sql::kSelectExcludedFolders, rows) == kSqlOk)
        for (const Row& row : rows) folders.push_back(row[0]);
    rows.clear();
    if (db.QueryRows(sql::kSelectExcludedNames, rows) == kSqlOk)
        for (const Row& row : rows) names.push_back(row[0]);
    return Exclusions(std::move(folders), std::move(names));
}

bool Exclusions::excludesFolder(std::string_view path) const {
    for (const std::string& folder : m_folders)
        if (folderContains(folder, path)) return true;
    return false;
}

bool Exclusions::excludes(std::string_view folder, std::string_view name) const {
    if (empty()) return false;
    std::string scratch;
    for (const NameMatcher& matcher : m_matchers)
        if (matcher.matches(name, scratch)) return true;
    return !m_folders.empty() && excludesFolder(joinPath(folder, name));
}

void addExclusionTables(CSQLiteDB& db) {
    db.Execute(sql::kCreateExcludedFolders);
    db.Execute(sql::kCreateExcludedNames);
}

bool storeExclusions(CSQLiteDB& db, const Exclusions& exclusions) {
    bool ok = db.Execute("begin") == kSqlOk && db.Execute(sql::kDeleteExcludedFolders) == kSqlOk &&
              db.Execute(sql::kDeleteExcludedNames) == kSqlOk;
    for (const std::string& folder : exclusions.folders())
        ok = ok && db.Execute(sqlFormat(sql::kInsertExcludedFolder, {sqlText(folder)})) == kSqlOk;
    for (const std::string& name : exclusions.names())
        ok = ok && db.Execute(sqlFormat(sql::kInsertExcludedName, {sqlText(name)})) == kSqlOk;
    db.Execute(ok ? "commit" : "rollback");
    return ok;
}

}  // namespace zeph
