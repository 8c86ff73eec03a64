#include "ExtensionTable.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/SQLiteDB.h"
#include "common/Statements.h"

namespace zeph {

namespace {
// Type flags are one byte per ExtendID; ids beyond this are never flagged.
constexpr std::int64_t kMaxTypeFlags = 1 << 20;
}  // namespace

bool ExtensionTable::load(CSQLiteDB& db) {
    std::vector<Row> rows;
    if (db.QueryRows(sql::kSelectExtendNamesOrdered, rows) != kSqlOk) return false;
    std::int64_t highest = 0;
    for (const Row& row : rows) {
        std::int64_t id = std::strtoll(row[0].c_str(), nullptr, 10);
        m_entries[row[1]] = {id, row[3], std::atoi(row[2].c_str())};
        highest = std::max(highest, id);
    }
    m_typeFlagCount = static_cast<size_t>(std::min(highest + 1, kMaxTypeFlags));
    return true;
}

const ExtensionTable::Entry* ExtensionTable::find(std::string_view loweredSuffix) const {
    auto it = m_entries.find(loweredSuffix);
    return it == m_entries.end() ? nullptr : &it->second;
}

}  // namespace zeph
