// The result set of the latest search: rows of SearchResult, numbered from 0
// in the order found, stored through one prepared statement with bound
// values. The first page goes straight to the result list; the table is
// emptied and the first page stored once that page is complete (or the search
// ends), so emptying a large earlier result never delays the first rows the
// user sees. The count is handed on from the first row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/SQLiteDB.h"
#include "search/engine/ResultView.h"
#include "search/engine/RowSink.h"

namespace zeph {

class ResultStore : public RowSink {
public:
    ResultStore(CSQLiteDB& db, ResultView* view);
    ~ResultStore() override;
    ResultStore(const ResultStore&) = delete;
    ResultStore& operator=(const ResultStore&) = delete;

    // Stores one row; on failure shows the database message and returns false
    // (the row is not counted).
    bool add(const ResultRowView& row) override;
    // Empties the table if that is still pending and commits what is stored;
    // false (with the message) when it fails, and the count then falls back to
    // the rows really stored. A superseded search that has not stored its
    // first page leaves the table alone.
    bool finish(bool superseded = false) override;

    std::int64_t count() const override { return m_count; }

private:
    bool storeFirstPage();
    bool insert(const ResultRowView& row);
    bool commit();
    void reportFailure();

    CSQLiteDB& m_db;
    ResultView* m_view;
    ReusableStatement m_insert;
    std::int64_t m_count = 0;
    std::int64_t m_committed = 0;
    bool m_inBatch = false;
    bool m_cleared = false;
    std::vector<ResultRow> m_firstPage;  // found before the table was emptied
};

// Page reading: up to 100 rows from ID firstId on, in ID order.
std::vector<ResultRow> readResultPage(CSQLiteDB& db, std::int64_t firstId);

}  // namespace zeph
