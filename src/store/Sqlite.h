#pragma once

#include "store/StoreError.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

// The engine's text for rc on db, with what the user can do about a full or unwritable disk.
QString ErrorText(int rc, sqlite3* db);

// Throws StoreError unless rc is SQLITE_OK, SQLITE_ROW or SQLITE_DONE.
void check(int rc, sqlite3* db);

class Connection
{
public:
    enum class Mode { ReadWrite, ReadWriteCreate, ReadOnly };

    Connection(const QString& path, Mode mode);
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;

    sqlite3* handle() const { return m_db.get(); }
    QString path() const { return m_path; }

    void exec(const QString& sql);
    qint64 lastInsertRowId() const;
    int changes() const;
    void setBusyTimeout(int ms);
    // For a connection that stays open and reads again after every change another connection
    // makes: SQLite then drops its whole memory map, and faulting the pages back in costs more than
    // reading the ones a statement needs into a cache of the connection's own.
    void useOwnCache(int kib);

private:
    struct Closer
    {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
    QString m_path;
};

class Statement
{
public:
    Statement(const Connection& db, const QString& sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    void bind(int index, const QVariant& value); // 1-based; a null QVariant binds NULL
    void bindAll(const std::vector<QVariant>& values);
    bool step(); // true while a row is available
    void reset();
    void run(); // step to the end

    int columnCount() const;
    QString columnName(int i) const;
    QVariant column(int i) const;
    sqlite3_stmt* handle() const { return m_stmt; } // for reading a column in place

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_backupChecked = false;
};

// Rolls back unless commit() was called before it leaves scope.
class Transaction
{
public:
    explicit Transaction(Connection& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void commit();

private:
    Connection& m_db;
    bool m_open = true;
};

} // namespace store
