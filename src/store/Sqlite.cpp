#include "store/Sqlite.h"

#include "store/Backup.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace store {

StoreError::StoreError(int code, const QString& message)
    : std::runtime_error(message.toStdString()), m_code(code), m_message(message)
{
}

bool StoreError::isBusy() const
{
    const int primary = m_code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

QString ErrorText(int rc, sqlite3* db)
{
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    // errmsg can lag behind rc (for instance after a failed open); fall back to the code's own text.
    if (db && sqlite3_errcode(db) != rc)
        text = sqlite3_errstr(rc);
    QString message = QString::fromUtf8(text);
    // "disk I/O error" alone does not tell the user what to do about it.
    const int systemError = db ? sqlite3_system_errno(db) : 0;
    if (rc == SQLITE_FULL)
        message += QStringLiteral(" (or the file has grown too large for it)");
    else if (rc == SQLITE_IOERR_WRITE || rc == SQLITE_IOERR_FSYNC || rc == SQLITE_IOERR_TRUNCATE)
        message += systemError == EIO || systemError == EROFS || systemError == EACCES || systemError == EPERM
                       ? QStringLiteral(": the disk could not be written (%1)")
                             .arg(QString::fromLocal8Bit(std::strerror(systemError)))
                       : QStringLiteral(": the disk is full, or the file is too large for it");
    else if (systemError != 0 && ((rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_CANTOPEN))
        message += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
    return message;
}

void check(int rc, sqlite3* db)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    throw StoreError(rc, ErrorText(rc, db));
}

void Connection::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Connection::Connection(const QString& path, Mode mode) : m_path(path)
{
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK)
        throw StoreError(rc, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    sqlite3_extended_result_codes(raw, 1);
    if (mode == Mode::ReadWriteCreate)
        MarkCreatedThisRun(path);
    // A short, bounded wait for another program's lock; past it the caller hears "busy".
    setBusyTimeout(2000);
    // A writer saving each movie under a savepoint of its own journals the pages it first touches
    // there: kept in memory rather than written to a temporary file and thrown away.
    if (mode != Mode::ReadOnly)
        exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    // Pages read straight from the system's file cache, not copied in through a read call each: a
    // search that reaches a few hundred thousand movies through their names reads as many pages.
    exec(QStringLiteral("PRAGMA mmap_size = 1073741824"));
}

void Connection::exec(const QString& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(handle(), sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString text = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        throw StoreError(rc, text);
    }
}

qint64 Connection::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(handle());
}

int Connection::changes() const
{
    return sqlite3_changes(handle());
}

void Connection::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(handle(), ms);
}

void Connection::useOwnCache(int kib)
{
    exec(QStringLiteral("PRAGMA mmap_size = 0"));
    exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kib));
}

Statement::Statement(const Connection& db, const QString& sql) : m_db(db.handle())
{
    const QByteArray text = sql.toUtf8();
    check(sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr), m_db);
    if (!m_stmt)
        throw StoreError(SQLITE_MISUSE, QStringLiteral("Empty SQL statement"));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, index, text.constData(), sqlite3_uint64(text.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        }
        }
    }
    check(rc, m_db);
}

void Statement::bindAll(const std::vector<QVariant>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(int(i) + 1, values[i]);
}

bool Statement::step()
{
    if (!m_backupChecked) {
        m_backupChecked = true;
        // Settings such as the journal mode are not changes to the user's data.
        if (!sqlite3_stmt_readonly(m_stmt) && qstrnicmp(sqlite3_sql(m_stmt), "PRAGMA", 6) != 0)
            BeforeFirstChange(m_db);
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // step's own code is the generic one; reset returns the specific code and message.
    const int specific = sqlite3_reset(m_stmt);
    check(specific != SQLITE_OK ? specific : rc, m_db);
    return false;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

void Statement::run()
{
    while (step()) {
    }
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

QVariant Statement::column(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                          sqlite3_column_bytes(m_stmt, i)));
    case SQLITE_BLOB:
        return QVariant(
            QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, i)), sqlite3_column_bytes(m_stmt, i)));
    default:
        return QVariant();
    }
}

Transaction::Transaction(Connection& db) : m_db(db)
{
    // The copy is made before the lock is taken, so a slow copy never keeps others waiting.
    BeforeFirstChange(m_db.handle());
    // IMMEDIATE takes the write lock now, so a busy catalogue is found before any row is touched.
    m_db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_db.exec(QStringLiteral("COMMIT"));
    m_open = false;
}

} // namespace store
