// The one access path to the configuration database: a single SQLite connection
// shared by every thread of a program, with a fixed busy-retry policy.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zeph {

using Row = std::vector<std::string>;

enum SqlResult : int {
    kSqlMissing = -1,  // no SQL text was given
    kSqlOk = 0,
    kSqlBusy = 5,
    kSqlRow = 100,
    kSqlDone = 101,
};

class CSQLiteDB;

// A prepared query. It holds the connection's lock from Prepare until it is
// finalized (or destroyed), so no other thread's statement runs in between.
class Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Result of the prepare step: 0 when the query is ready to fetch.
    int result() const { return m_result; }
    bool ok() const { return m_result == kSqlOk; }

    // Steps once. Returns 100 with the row's texts (SQL NULL as ""), or the
    // final code, after which the statement is released.
    int FetchRow(Row& row);
    int Finalize();

private:
    friend class CSQLiteDB;
    Statement(CSQLiteDB* db, std::unique_lock<std::recursive_mutex> lock);

    CSQLiteDB* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_columnCount = 0;
    int m_result = kSqlMissing;
    std::unique_lock<std::recursive_mutex> m_lock;
};

// A statement prepared once and run many times with bound values (integers
// and texts, so nothing needs quoting). Unlike Statement it holds the
// connection's lock only while it runs, so other threads' statements may run
// between its runs.
class ReusableStatement {
public:
    using Value = std::variant<std::int64_t, std::string_view>;

    ReusableStatement() = default;
    ReusableStatement(ReusableStatement&& other) noexcept;
    ReusableStatement& operator=(ReusableStatement&& other) noexcept;
    ReusableStatement(const ReusableStatement&) = delete;
    ReusableStatement& operator=(const ReusableStatement&) = delete;
    ~ReusableStatement();

    bool ok() const { return m_stmt != nullptr; }
    // Binds the values to ?1, ?2, ... and runs the statement to its end; 0 on success.
    int run(std::initializer_list<Value> values);

private:
    friend class CSQLiteDB;
    CSQLiteDB* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

class CSQLiteDB {
public:
    CSQLiteDB() = default;
    ~CSQLiteDB();
    CSQLiteDB(const CSQLiteDB&) = delete;
    CSQLiteDB& operator=(const CSQLiteDB&) = delete;

    // Opens an existing database file; never creates one.
    bool Open(const std::string& fileName, bool synchronous);
    int SetBusyTimeout(int milliseconds);
    // Runs a statement that returns no rows; 0 on success.
    int Execute(const std::string& sql);
    Statement Prepare(const std::string& sql);
    // A statement to run many times; not ok() when it cannot be prepared.
    ReusableStatement PrepareReusable(const std::string& sql);
    // Runs a query to its end, collecting every row; 0 on success.
    int QueryRows(const std::string& sql, std::vector<Row>& rows);
    int Close();

    bool isOpen() const { return m_isOpen; }
    std::string lastError() const;
    int lastResult() const;
    const std::string& fileName() const { return m_fileName; }

    // Retry policy while the other program holds the database.
    void setRetryPolicy(int maxAttempts, int sleepMilliseconds);

private:
    friend class Statement;
    friend class ReusableStatement;
    template <class Call>
    int withBusyRetry(Call call);
    void recordError(const std::string& text);
    void recordLibraryError();

    sqlite3* m_db = nullptr;
    mutable std::recursive_mutex m_mutex;
    int m_lastResult = -1;
    std::string m_fileName;
    std::string m_lastError;
    int m_busyTimeoutMs = 60000;
    int m_maxAttempts = 200;
    int m_retrySleepMs = 100;
    bool m_isOpen = false;
};

}  // namespace zeph
