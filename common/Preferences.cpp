#include "Preferences.h"

#include <vector>

#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"

namespace zeph {

namespace {

struct Column {
    const char* name;
    const char* add;
    const char* select;
    const char* update;
};

const Column& columnOf(Preference preference) {
    static const Column columns[] = {
        {"SearchAsYouType", sql::kAddSearchAsYouType, sql::kSelectSearchAsYouType,
         sql::kUpdateSearchAsYouType},
        {"LiveIndex", sql::kAddLiveIndex, sql::kSelectLiveIndex, sql::kUpdateLiveIndex},
        {"ContentIndex", sql::kAddContentIndex, sql::kSelectContentIndex, sql::kUpdateContentIndex},
        {"ShowHidden", sql::kAddShowHidden, sql::kSelectShowHidden, sql::kUpdateShowHidden},
        {"Pinyin", sql::kAddPinyin, sql::kSelectPinyin, sql::kUpdatePinyin},
    };
    return columns[static_cast<int>(preference)];
}

}  // namespace

void addPreferenceColumns(CSQLiteDB& db) {
    std::vector<Row> rows;
    if (db.QueryRows(sql::kSettingColumns, rows) != kSqlOk || rows.empty()) return;
    for (Preference preference : {Preference::SearchAsYouType, Preference::LiveIndex,
                                  Preference::ContentIndex, Preference::ShowHidden,
                                  Preference::Pinyin}) {
        const Column& column = columnOf(preference);
        bool present = false;
        for (const Row& row : rows) present = present || (row.size() > 1 && row[1] == column.name);
        if (!present) db.Execute(column.add);
    }
}

bool readPreference(CSQLiteDB& db, Preference preference) {
    std::vector<Row> rows;
    if (db.QueryRows(columnOf(preference).select, rows) != kSqlOk || rows.empty())
        return preference != Preference::ShowHidden;
    return rows[0][0] != "0";
}

bool storePreference(CSQLiteDB& db, Preference preference, bool on) {
    return db.Execute(sqlFormat(columnOf(preference).update, {std::int64_t{on ? 1 : 0}})) == kSqlOk;
}

}  // namespace zeph
