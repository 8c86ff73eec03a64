#include "ResultStore.h"

#include "common/Messages.h"
#include "common/SQLiteDB.h"
#include "common/SqlText.h"
#include "common/Statements.h"
#include "search/engine/ResultTexts.h"

namespace zeph {

namespace {
// Rows are inserted in transactions of this many; the connection that pages
// sees them at once, before the commit.
constexpr std::int64_t kBatchRows = 4096;
}  // namespace

ResultStore::ResultStore(CSQLiteDB& db, ResultView* view) : m_db(db), m_view(view) {}

ResultStore::~ResultStore() {
    if (m_inBatch) commit();
}

void ResultStore::reportFailure() {
    showMessage("SQL语句执行错误,错误代码为 " + m_db.lastError() + "!", "SQL执行错误");
}

bool ResultStore::add(const ResultRow& row) {
    if (!m_cleared) {
        if (m_view) m_view->addFirstPageRow(static_cast<int>(m_firstPage.size()), row);
        m_firstPage.push_back(row);
        return m_firstPage.size() < static_cast<size_t>(kPageSize) || storeFirstPage();
    }
    return insert(row);
}

// Empties the table, then stores the rows found so far.
bool ResultStore::storeFirstPage() {
    m_cleared = true;
    if (m_db.Execute(sql::kDeleteSearchResult) != kSqlOk) {
        showMessage("删除临时数据库失败，请与软件开发商联系！", m_db.lastError());
        return false;
    }
    for (const ResultRow& row : m_firstPage)
        if (!insert(row)) return false;
    m_firstPage.clear();
    return true;
}

bool ResultStore::insert(const ResultRow& row) {
    if (!m_inBatch) {
        if (m_db.Execute(sql::kBeginBatch) != kSqlOk) {
            reportFailure();
            return false;
        }
        m_inBatch = true;
    }
    std::string statement =
        sqlFormat(sql::kInsertSearchResult,
                  {m_count, sqlText(row.name), sqlText(row.folder), sqlText(row.sizeText),
                   sqlText(row.typeText), sqlText(row.timeText)});
    if (m_db.Execute(statement) != kSqlOk) {
        reportFailure();
        return false;
    }
    ++m_count;
    if (m_view) m_view->setHitLabel(hitLabelText(m_count), m_count);
    if (m_count - m_committed >= kBatchRows) return commit();
    return true;
}

bool ResultStore::commit() {
    if (!m_inBatch) return true;
    m_inBatch = false;
    if (m_db.Execute(sql::kCommitBatch) == kSqlOk) {
        m_committed = m_count;
        return true;
    }
    std::string error = m_db.lastError();
    m_db.Execute(sql::kRollbackBatch);
    m_count = m_committed;
    if (m_view) m_view->setHitLabel(hitLabelText(m_count), m_count);
    showMessage("SQL语句执行错误,错误代码为 " + error + "!", "SQL执行错误");
    return false;
}

bool ResultStore::finish() {
    if (!m_cleared && !storeFirstPage()) {
        commit();
        return false;
    }
    return commit();
}

void ResultStore::noResults() {
    if (!m_view) return;
    m_view->setHitLabel(hitLabelText(0), 0);
    m_view->showNoResults(noResultsText());
}

std::vector<ResultRow> readResultPage(CSQLiteDB& db, std::int64_t firstId) {
    std::vector<Row> rows;
    std::vector<ResultRow> page;
    if (db.QueryRows(sqlFormat(sql::kSelectResultPage, {firstId}), rows) != kSqlOk) return page;
    for (Row& row : rows)
        page.push_back({std::move(row[0]), std::move(row[1]), std::move(row[2]), std::move(row[3]),
                        std::move(row[4])});
    return page;
}

}  // namespace zeph
