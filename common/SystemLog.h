// The system log: one row of the Log table per user action of the search program.
#pragma once

#include <string>

namespace zeph {

class CSQLiteDB;

// The type of the lines the live index writes (its texts vary).
inline constexpr int kLiveIndexLogType = 40;

enum class LogEvent {
    UpdateIndex,      // 2 更新索引
    LogViewerClosed,  // 3 查看系统日志
    Feedback,         // 4 意见反馈
    HomePage,         // 5 访问ZEPH桌面搜索主页
    DisplayStyle,     // 5 更改显示样式
    SettingsClosed,   // 6 更改系统设置
    Help,             // 7 查看系统帮助
    ExitButton,       // 8 退出ZEPH桌面搜索
    LogFirstPage,     // 28 查看系统日志
    LogExported,      // 29 导出系统日志
    LogAllDeleted,    // 30 删除全部日志
    LogRowsDeleted,   // 30 删除日志
};

struct LogEntry {
    int type;
    std::string content;  // GBK
};

LogEntry logEntryOf(LogEvent event);

// Appends a row; 0 on success, -2 when the statement failed. Never shows anything.
int WriteLog(CSQLiteDB& db, int type, const std::string& content);
int WriteLog(CSQLiteDB& db, LogEvent event);

}  // namespace zeph
