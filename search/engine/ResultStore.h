// The result set of the latest search: rows of SearchResult, numbered from 0
// in the order found. The first page also goes straight to the result list,
// and the hit label follows every stored row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/engine/ResultView.h"

namespace zeph {

class CSQLiteDB;

class ResultStore {
public:
    ResultStore(CSQLiteDB& db, ResultView* view);
    ~ResultStore();
    ResultStore(const ResultStore&) = delete;
    ResultStore& operator=(const ResultStore&) = delete;

    // Empties the table; on failure shows the message and returns false.
    bool clear();
    // Stores one row; on failure shows the database message and returns false
    // (the row is not counted).
    bool add(const ResultRow& row);
    // Commits what is stored so far; false (with the message) when it fails,
    // and the count then falls back to the rows really stored.
    bool finish();
    // After a search without results: the label shows 0 and the list the no-results row.
    void noResults();

    std::int64_t count() const { return m_count; }

private:
    bool commit();
    void reportFailure();

    CSQLiteDB& m_db;
    ResultView* m_view;
    std::int64_t m_count = 0;
    std::int64_t m_committed = 0;
    bool m_inBatch = false;
};

// Page reading: up to 100 rows from ID firstId on, in ID order.
std::vector<ResultRow> readResultPage(CSQLiteDB& db, std::int64_t firstId);

}  // namespace zeph
