// Opening the configuration database and the search program's settings steps
// at start: the settings row, the first-run folder row and the expiry question.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeph {

class CSQLiteDB;

inline constexpr char kDatabaseFileName[] = "ZephConfig.sqlite";

// Opens the program folder's ZephConfig.sqlite. On failure shows the database
// message and ends the process with exit code 0.
void openConfigDatabase(CSQLiteDB& db, const std::string& programFolder);

struct SystemSettings {
    int updateFrequency = 0;
    std::int64_t lastIndexTime = 0;
    bool isFirstRun = false;
};

// Reads the single SystemSetting row; when the query fails or finds no row,
// shows the matching message and ends the process with exit code 1.
SystemSettings readSystemSettings(CSQLiteDB& db);

// First run: stores each drive as a folder to index, unless it is stored already.
void addFirstRunFolders(CSQLiteDB& db, const std::vector<std::string>& drives);

// True when the index is older than the update frequency allows.
bool indexExpired(const SystemSettings& settings, std::int64_t now);

// Asks whether to re-index when the index has expired. Yes starts the indexer and
// ends the process with exit code -2; when the indexer cannot be started the
// message is shown and the program goes on.
void offerReindexIfExpired(const SystemSettings& settings, std::int64_t now,
                           const std::string& programFolder, const std::string& dataFolder);

// The steps above in order, after the suffix table was read: settings row,
// first-run folder "/", expiry question (not asked while the index is live).
void runStartupSettings(CSQLiteDB& db, const std::string& programFolder,
                        const std::string& dataFolder, std::int64_t now);

}  // namespace zeph
