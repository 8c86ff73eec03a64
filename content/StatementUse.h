// A prepared statement in use: bound, stepped, and reset on the way out,
// with the first failing step's code noted for its owner.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zeph::content {

// Binds texts and numbers, steps once, and resets on the way out.
class Use {
public:
    // failure: where the first error of a step is noted (a damaged page, a
    // busy or full database), so no reading that ended early passes for whole.
    Use(int* failure, sqlite3_stmt* statement) : m_statement(statement), m_failure(failure) {
        if (!statement && *m_failure == SQLITE_OK) *m_failure = SQLITE_ERROR;
    }
    ~Use() {
        if (m_statement) {
            sqlite3_reset(m_statement);
            sqlite3_clear_bindings(m_statement);
        }
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    bool ok() const { return m_statement != nullptr; }
    sqlite3_stmt* statement() const { return m_statement; }
    Use& bind(int index, std::string_view text) {
        if (m_statement)
            sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        return *this;
    }
    Use& bind(int index, std::int64_t number) {
        if (m_statement) sqlite3_bind_int64(m_statement, index, number);
        return *this;
    }
    Use& blob(int index, std::string_view bytes) {
        if (m_statement)
            sqlite3_bind_blob(m_statement, index, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
        return *this;
    }
    int step() {
        int rc = m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && *m_failure == SQLITE_OK) *m_failure = rc;
        return rc;
    }
    bool run() {
        int rc = step();
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    std::int64_t number(int column) const { return sqlite3_column_int64(m_statement, column); }
    // Valid until the next step.
    std::string_view view(int column) const {
        auto* bytes = reinterpret_cast<const char*>(sqlite3_column_blob(m_statement, column));
        return bytes ? std::string_view(bytes, static_cast<size_t>(
                                                   sqlite3_column_bytes(m_statement, column)))
                     : std::string_view();
    }
    std::string text(int column) const {
        auto* bytes = reinterpret_cast<const char*>(sqlite3_column_blob(m_statement, column));
        return bytes ? std::string(bytes,
                                   static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                     : std::string();
    }

private:
    sqlite3_stmt* m_statement;
    int* m_failure;
};

}  // namespace zeph::content
