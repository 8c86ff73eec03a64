#include "StartupSettings.h"

#include "Codec.h"
#include "ConfigCodes.h"
#include "ContentSettings.h"
#include "Exclusions.h"
#include "Messages.h"
#include "Paths.h"
#include "Preferences.h"
#include "Process.h"
#include "SQLiteDB.h"
#include "SqlText.h"
#include "Statements.h"

namespace zeph {

namespace {

std::int64_t parseInteger(const std::string& text) {
    try {
        return std::stoll(text);
    } catch (...) {
        return 0;
    }
}

}  // namespace

void openConfigDatabase(CSQLiteDB& db, const std::string& programFolder) {
    if (!db.Open(osPath(joinPath(programFolder, kDatabaseFileName)), false))
        fatalExit(0, "连接数据库失败，请与系统管理员联系！");
    addPreferenceColumns(db);
    addContentSettingTables(db);
    addExclusionTables(db);
}

SystemSettings readSystemSettings(CSQLiteDB& db) {
    Statement query = db.Prepare(sql::kSelectSystemSetting);
    if (!query.ok()) fatalExit(1, "数据库查询异常，请与开发商联系！", "SQL查询失败");
    Row row;
    if (query.FetchRow(row) != kSqlRow)
        fatalExit(1, "数据库配置异常，请与开发商联系！", "SQL查询失败");
    query.Finalize();
    SystemSettings settings;
    settings.updateFrequency = static_cast<int>(parseInteger(row[0]));
    settings.lastIndexTime = parseInteger(row[1]);
    settings.isFirstRun = row[2] == "1";
    return settings;
}

void addFirstRunFolders(CSQLiteDB& db, const std::vector<std::string>& drives) {
    for (const std::string& drive : drives) {
        std::vector<Row> existing;
        if (db.QueryRows(sqlFormat(sql::kSelectFolderIdByName, {sqlText(drive)}), existing) !=
            kSqlOk)
            continue;
        if (existing.empty()) db.Execute(sqlFormat(sql::kInsertScanFolder, {sqlText(drive)}));
    }
}

bool indexExpired(const SystemSettings& settings, std::int64_t now) {
    auto interval = expiryInterval(settings.updateFrequency);
    return interval && now > settings.lastIndexTime + *interval;
}

void offerReindexIfExpired(const SystemSettings& settings, std::int64_t now,
                           const std::string& programFolder, const std::string& dataFolder) {
    if (!indexExpired(settings, now)) return;
    if (!askYesNo("您的索引已经过期，建议您重新建立索引。您现在要退出ZEPH桌面搜索主程序，并启动索引"
                  "程序吗？",
                  "索引过期"))
        return;
    if (!startIndexer(programFolder, dataFolder)) {
        showMessage("打开ZEPH桌面搜索索引程序失败，请与开发商联系！", "系统文件丢失");
        return;
    }
    fatalExit(-2);
}

void runStartupSettings(CSQLiteDB& db, const std::string& programFolder,
                        const std::string& dataFolder, std::int64_t now) {
    SystemSettings settings = readSystemSettings(db);
    if (settings.isFirstRun) addFirstRunFolders(db, {"/"});
    // A live index never expires: the watcher keeps it up to date.
    if (!readPreference(db, Preference::LiveIndex))
        offerReindexIfExpired(settings, now, programFolder, dataFolder);
}

}  // namespace zeph
