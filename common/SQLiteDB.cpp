#include "SQLiteDB.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>
#include <utility>

namespace zeph {

namespace {
const char kNoFileName[] = "数据库文件名为空";
const char kEmptyExecute[] = "The inputed SQL sentence is empty .";
const char kEmptyPrepare[] = "The inputed SQL is empty.";
const char kClosedSuffix[] = " . So database had been closed .";
}  // namespace

// ---- Statement ----

Statement::Statement(CSQLiteDB* db, std::unique_lock<std::recursive_mutex> lock)
    : m_db(db), m_lock(std::move(lock)) {}

Statement::Statement(Statement&& other) noexcept {
    *this = std::move(other);
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        Finalize();
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        m_columnCount = other.m_columnCount;
        m_result = other.m_result;
        m_lock = std::move(other.m_lock);
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    Finalize();
}

int Statement::FetchRow(Row& row) {
    row.clear();
    if (!m_stmt) return m_result == kSqlOk ? kSqlDone : m_result;
    int rc = m_db->withBusyRetry([this] { return sqlite3_step(m_stmt); });
    if (rc == SQLITE_ROW) {
        row.reserve(m_columnCount);
        for (int i = 0; i < m_columnCount; ++i) {
            auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
            int bytes = sqlite3_column_bytes(m_stmt, i);
            row.emplace_back(text ? std::string(text, bytes) : std::string());
        }
        return kSqlRow;
    }
    m_db->recordLibraryError();
    Finalize();
    return rc;
}

int Statement::Finalize() {
    int rc = 0;
    if (m_stmt) rc = sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    if (m_lock.owns_lock()) m_lock.unlock();
    return rc;
}

// ---- ReusableStatement ----

ReusableStatement::ReusableStatement(ReusableStatement&& other) noexcept {
    *this = std::move(other);
}

ReusableStatement& ReusableStatement::operator=(ReusableStatement&& other) noexcept {
    if (this != &other) {
        if (m_stmt) sqlite3_finalize(m_stmt);
        m_db = std::exchange(other.m_db, nullptr);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

ReusableStatement::~ReusableStatement() {
    if (m_stmt) {
        std::lock_guard lock(m_db->m_mutex);
        sqlite3_finalize(m_stmt);
    }
}

int ReusableStatement::run(std::initializer_list<Value> values) {
    if (!m_stmt) return SQLITE_MISUSE;
    std::lock_guard lock(m_db->m_mutex);
    int index = 1;
    for (const Value& value : values) {
        if (auto* number = std::get_if<std::int64_t>(&value)) {
            sqlite3_bind_int64(m_stmt, index++, *number);
        } else {
            std::string_view text = std::get<std::string_view>(value);
            sqlite3_bind_text(m_stmt, index++, text.data(), static_cast<int>(text.size()),
                              SQLITE_STATIC);
        }
    }
    int rc = m_db->withBusyRetry([this] {
        sqlite3_reset(m_stmt);
        return sqlite3_step(m_stmt);
    });
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) m_db->recordLibraryError();
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? kSqlOk : rc;
}

// ---- CSQLiteDB ----

CSQLiteDB::~CSQLiteDB() {
    Close();
}

template <class Call>
int CSQLiteDB::withBusyRetry(Call call) {
    int rc = SQLITE_BUSY;
    for (int attempt = 1; attempt <= m_maxAttempts; ++attempt) {
        rc = call();
        m_lastResult = rc;
        if (rc != SQLITE_BUSY || attempt == m_maxAttempts) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(m_retrySleepMs));
    }
    return rc;
}

void CSQLiteDB::recordError(const std::string& text) {
    m_lastError = text;
}

void CSQLiteDB::recordLibraryError() {
    m_lastError = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(m_lastResult);
}

bool CSQLiteDB::Open(const std::string& fileName, bool synchronous) {
    std::lock_guard lock(m_mutex);
    if (fileName.empty()) {
        recordError(kNoFileName);
        return false;
    }
    Close();
    m_fileName = fileName;
    // Read-write without CREATE: a missing file is an error, never a new empty
    // database. Every use of the connection holds m_mutex, so SQLite's own
    // lock around each call would only be taken again for nothing.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    m_lastResult = sqlite3_open_v2(fileName.c_str(), &m_db, flags, nullptr);
    if (m_lastResult != SQLITE_OK) {
        recordLibraryError();
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    SetBusyTimeout(m_busyTimeoutMs);
    // Freed pages are zeroed only where that costs no extra writes: emptying a
    // large result set must not rewrite every page it held.
    const char* pragmas[] = {synchronous ? "PRAGMA SYNCHRONOUS = ON" : "PRAGMA SYNCHRONOUS = OFF",
                             "PRAGMA CACHE_SIZE = 8000", "PRAGMA SECURE_DELETE = FAST"};
    for (const char* pragma : pragmas) {
        if (Execute(pragma) != kSqlOk) {
            std::string error = sqlite3_errmsg(m_db);
            m_lastResult = sqlite3_close(m_db);
            m_db = nullptr;
            recordError(error + kClosedSuffix);
            return false;
        }
    }
    m_isOpen = true;
    return true;
}

int CSQLiteDB::SetBusyTimeout(int milliseconds) {
    std::lock_guard lock(m_mutex);
    m_busyTimeoutMs = milliseconds;
    if (!m_db) return SQLITE_MISUSE;
    m_lastResult = sqlite3_busy_timeout(m_db, milliseconds);
    return m_lastResult;
}

int CSQLiteDB::Execute(const std::string& sql) {
    std::lock_guard lock(m_mutex);
    if (sql.empty()) {
        recordError(kEmptyExecute);
        return kSqlMissing;
    }
    if (!m_db) {
        m_lastResult = SQLITE_MISUSE;
        recordError(sqlite3_errstr(SQLITE_MISUSE));
        return SQLITE_MISUSE;
    }
    int rc =
        withBusyRetry([&] { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); });
    if (rc != SQLITE_OK) recordLibraryError();
    return rc;
}

Statement CSQLiteDB::Prepare(const std::string& sql) {
    Statement statement(this, std::unique_lock(m_mutex));
    if (sql.empty()) {
        recordError(kEmptyPrepare);
        statement.m_result = kSqlMissing;
    } else if (!m_db) {
        m_lastResult = statement.m_result = SQLITE_MISUSE;
        recordError(sqlite3_errstr(SQLITE_MISUSE));
    } else {
        sqlite3_stmt* stmt = nullptr;
        int rc = withBusyRetry([&] {
            sqlite3_finalize(stmt);
            stmt = nullptr;
            return sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr);
        });
        statement.m_result = rc;
        if (rc == SQLITE_OK && stmt) {
            statement.m_stmt = stmt;
            statement.m_columnCount = sqlite3_column_count(stmt);
            return statement;
        }
        if (rc == SQLITE_OK) statement.m_result = kSqlMissing;  // only blanks or a comment
        recordLibraryError();
        sqlite3_finalize(stmt);
    }
    statement.Finalize();
    return statement;
}

ReusableStatement CSQLiteDB::PrepareReusable(const std::string& sql) {
    std::lock_guard lock(m_mutex);
    ReusableStatement statement;
    if (!m_db || sql.empty()) return statement;
    sqlite3_stmt* stmt = nullptr;
    int rc = withBusyRetry([&] {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        return sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr);
    });
    if (rc != SQLITE_OK || !stmt) {
        recordLibraryError();
        sqlite3_finalize(stmt);
        return statement;
    }
    statement.m_db = this;
    statement.m_stmt = stmt;
    return statement;
}

int CSQLiteDB::QueryRows(const std::string& sql, std::vector<Row>& rows) {
    rows.clear();
    Statement query = Prepare(sql);
    if (!query.ok()) return query.result();
    Row row;
    int rc;
    while ((rc = query.FetchRow(row)) == kSqlRow) rows.push_back(std::move(row));
    return rc == kSqlDone ? kSqlOk : rc;
}

int CSQLiteDB::Close() {
    std::lock_guard lock(m_mutex);
    int rc = 0;
    if (m_db) {
        rc = sqlite3_close(m_db);
        m_lastResult = rc;
        if (rc == SQLITE_OK) m_db = nullptr;
    }
    m_isOpen = false;
    return rc;
}

std::string CSQLiteDB::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

int CSQLiteDB::lastResult() const {
    std::lock_guard lock(m_mutex);
    return m_lastResult;
}

void CSQLiteDB::setRetryPolicy(int maxAttempts, int sleepMilliseconds) {
    std::lock_guard lock(m_mutex);
    m_maxAttempts = maxAttempts < 1 ? 1 : maxAttempts;
    m_retrySleepMs = sleepMilliseconds;
}

}  // namespace zeph
