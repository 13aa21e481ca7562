// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace kelvor {

// One prepared statement, finalised when it goes out of scope. Binds take 1-based
// indexes like sqlite3_bind_*; columns are 0-based like sqlite3_column_*.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool prepared() const { return m_rc == SQLITE_OK && m_stmt; }
    int prepareCode() const { return m_rc; }

    void bind(int i, std::int64_t v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, int v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, double v) { sqlite3_bind_double(m_stmt, i, v); }
    void bind(int i, const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const QByteArray& b)
    {
        // A zero-length blob, not NULL, for an empty image.
        sqlite3_bind_blob(m_stmt, i, b.isEmpty() ? "" : b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int i) { sqlite3_bind_null(m_stmt, i); }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return prepared() ? sqlite3_step(m_stmt) : m_rc; }
    void reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    std::int64_t int64(int c) const { return sqlite3_column_int64(m_stmt, c); }
    double real(int c) const { return sqlite3_column_double(m_stmt, c); }
    bool isNull(int c) const { return sqlite3_column_type(m_stmt, c) == SQLITE_NULL; }
    QString text(int c) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, c));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, c)) : QString();
    }
    QByteArray blob(int c) const
    {
        const void* p = sqlite3_column_blob(m_stmt, c);
        const int n = sqlite3_column_bytes(m_stmt, c);
        return p && n > 0 ? QByteArray(static_cast<const char*>(p), n) : QByteArray();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

}  // namespace kelvor
