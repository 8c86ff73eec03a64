#include "ContentSettings.h"

#include <cstdlib>

#include "common/Codec.h"
#include "common/Paths.h"
#include "common/Preferences.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"

namespace zeph {

void addContentSettingTables(CSQLiteDB& db) {
    db.Execute(sql::kCreateContentFolders);
    db.Execute(sql::kCreateContentSkippedTypes);
    std::vector<Row> columns;
    if (db.QueryRows(sql::kSettingColumns, columns) != kSqlOk || columns.empty()) return;
    bool present = false;
    for (const Row& row : columns)
        present = present || (row.size() > 1 && row[1] == "ContentMaxFileMB");
    if (!present) db.Execute(sql::kAddContentMaxFileMB);
}

ContentSettings readContentSettings(CSQLiteDB& db) {
    ContentSettings settings;
    settings.enabled = readPreference(db, Preference::ContentIndex);
    std::vector<Row> rows;
    if (db.QueryRows(sql::kSelectContentFolders, rows) == kSqlOk)
        for (const Row& row : rows) settings.folders.push_back(normalizeFolder(row[0]));
    rows.clear();
    if (db.QueryRows(sql::kSelectContentSkippedTypes, rows) == kSqlOk)
        for (const Row& row : rows) settings.skippedTypes.push_back(row[0]);
    rows.clear();
    if (db.QueryRows(sql::kSelectContentMaxFileMB, rows) == kSqlOk && !rows.empty())
        settings.maxFileMB = std::max<std::int64_t>(1, std::atoll(rows[0][0].c_str()));
    return settings;
}

bool storeContentSettings(CSQLiteDB& db, const ContentSettings& settings) {
    bool ok = db.Execute("begin") == kSqlOk;
    ok = ok && storePreference(db, Preference::ContentIndex, settings.enabled);
    ok = ok && db.Execute(sql::kDeleteContentFolders) == kSqlOk;
    for (const std::string& folder : settings.folders)
        ok = ok && db.Execute(sqlFormat(sql::kInsertContentFolder, {sqlText(folder)})) == kSqlOk;
    ok = ok && db.Execute(sql::kDeleteContentSkippedTypes) == kSqlOk;
    for (const std::string& suffix : settings.skippedTypes)
        ok = ok &&
             db.Execute(sqlFormat(sql::kInsertContentSkippedType, {sqlText(suffix)})) == kSqlOk;
    ok = ok && db.Execute(sqlFormat(sql::kUpdateContentMaxFileMB, {settings.maxFileMB})) == kSqlOk;
    db.Execute(ok ? "commit" : "rollback");
    return ok;
}

std::vector<std::string> contentFolders(const ContentSettings& settings) {
    if (!settings.folders.empty()) return settings.folders;
    const char* home = std::getenv("HOME");
    auto gbk = home && *home ? toGbk(home) : std::nullopt;
    if (!gbk) return {};
    return {normalizeFolder(*gbk)};
}

bool isSystemFolder(std::string_view folder) {
    static constexpr std::string_view kSystem[] = {
        "/bin", "/boot", "/dev", "/etc", "/lib", "/lib32", "/lib64", "/libx32", "/lost+found",
        "/opt", "/proc", "/run", "/sbin", "/snap", "/srv", "/sys", "/usr", "/var"};
    if (folder == "/") return true;
    for (std::string_view system : kSystem)
        if (folderContains(system, folder)) return true;
    return false;
}

std::vector<std::string> contentFoldersFor(const std::vector<std::string>& indexed,
                                           const std::string& home) {
    std::vector<std::string> wanted;
    auto add = [&](const std::string& folder) {
        for (const std::string& kept : wanted)
            if (folderContains(kept, folder)) return;
        std::erase_if(wanted, [&](const std::string& kept) { return folderContains(folder, kept); });
        wanted.push_back(folder);
    };
    for (const std::string& folder : indexed) {
        if (folderContains(folder, home))
            add(home);
        else if (folderContains(home, folder) || !isSystemFolder(folder))
            add(folder);
    }
    if (wanted.size() == 1 && wanted[0] == home) wanted.clear();
    return wanted;
}

std::vector<std::string> foldersWithoutContent(CSQLiteDB& db, const std::string& searchFolder) {
    const ContentSettings settings = readContentSettings(db);
    const std::vector<std::string> covered =
        settings.enabled ? contentFolders(settings) : std::vector<std::string>{};
    std::vector<std::string> reached;
    if (!searchFolder.empty()) {
        reached.push_back(normalizeFolder(searchFolder));
    } else {
        std::vector<Row> rows;
        if (db.QueryRows(sql::kSelectScanFolders, rows) == kSqlOk)
            for (const Row& row : rows) reached.push_back(normalizeFolder(row[0]));
    }
    std::vector<std::string> outside;
    for (const std::string& folder : reached) {
        if (isSystemFolder(folder)) continue;
        bool read = false;
        for (const std::string& content : covered) read = read || folderContains(content, folder);
        if (!read) outside.push_back(folder);
    }
    return outside;
}

}  // namespace zeph
