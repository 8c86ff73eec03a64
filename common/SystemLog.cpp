#include "SystemLog.h"

#include "SQLiteDB.h"
#include "SqlText.h"
#include "Statements.h"

namespace zeph {

LogEntry logEntryOf(LogEvent event) {
    switch (event) {
        case LogEvent::UpdateIndex:
            return {2, "更新索引"};
        case LogEvent::LogViewerClosed:
            return {3, "查看系统日志"};
        case LogEvent::Feedback:
            return {4, "意见反馈"};
        case LogEvent::HomePage:
            return {5, "访问ZEPH桌面搜索主页"};
        case LogEvent::DisplayStyle:
            return {5, "更改显示样式"};
        case LogEvent::SettingsClosed:
            return {6, "更改系统设置"};
        case LogEvent::Help:
            return {7, "查看系统帮助"};
        case LogEvent::ExitButton:
            return {8, "退出ZEPH桌面搜索"};
        case LogEvent::LogFirstPage:
            return {28, "查看系统日志"};
        case LogEvent::LogExported:
            return {29, "导出系统日志"};
        case LogEvent::LogAllDeleted:
            return {30, "删除全部日志"};
        case LogEvent::LogRowsDeleted:
            return {30, "删除日志"};
    }
    return {0, {}};
}

int WriteLog(CSQLiteDB& db, int type, const std::string& content) {
    int rc = db.Execute(sqlFormat(sql::kInsertLog, {std::int64_t{type}, sqlText(content)}));
    return rc == kSqlOk ? 0 : -2;
}

int WriteLog(CSQLiteDB& db, LogEvent event) {
    LogEntry entry = logEntryOf(event);
    return WriteLog(db, entry.type, entry.content);
}

}  // namespace zeph
