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

bool ResultStore::add(const ResultRowView& row) {
    if (!m_cleared) {
        m_firstPage.push_back(row.owned());
        if (m_view) {
            m_view->addFirstPageRow(static_cast<int>(m_firstPage.size()) - 1, m_firstPage.back());
            m_view->setHits(static_cast<std::int64_t>(m_firstPage.size()));
        }
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
        if (!insert({row.name, row.folder, row.sizeText, row.typeText, row.timeText})) return false;
    m_firstPage.clear();
    return true;
}

bool ResultStore::insert(const ResultRowView& row) {
    if (!m_inBatch) {
        if (m_db.Execute(sql::kBeginBatch) != kSqlOk) {
            reportFailure();
            return false;
        }
        m_inBatch = true;
    }
    if (!m_insert.ok()) m_insert = m_db.PrepareReusable(sql::kInsertSearchResult);
    if (m_insert.run({m_count, row.name, row.folder, row.sizeText, row.typeText, row.timeText}) !=
        kSqlOk) {
        reportFailure();
        return false;
    }
    ++m_count;
    if (m_view) m_view->setHits(m_count);
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
    if (m_view) m_view->setHits(m_count);
    showMessage("SQL语句执行错误,错误代码为 " + error + "!", "SQL执行错误");
    return false;
}

bool ResultStore::finish(bool superseded) {
    if (!m_cleared && superseded) return true;
    if (!m_cleared && !storeFirstPage()) {
        commit();
        return false;
    }
    return commit();
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
