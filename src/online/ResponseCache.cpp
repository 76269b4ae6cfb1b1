#include "online/ResponseCache.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <sqlite3.h>

namespace online {

Q_LOGGING_CATEGORY(lcCache, "reelkeeper.online.cache")

namespace {
qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

ResponseCache::ResponseCache(const QString& path) : m_path(path)
{
    open();
}

void ResponseCache::open()
{
    try {
        const QFileInfo file(m_path);
        QDir().mkpath(file.absolutePath());
        // The engine names its files by their real path; the store knows this one by that name as one
        // it created, and so never backs it up as it does a catalogue.
        if (const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath(); !folder.isEmpty())
            m_path = folder + QLatin1Char('/') + file.fileName();
        store::Connection db(m_path, store::Connection::Mode::ReadWriteCreate);
        // Another instance's write is not worth the window's time: skip the cache instead.
        db.setBusyTimeout(200);
        {
            store::Statement check(db, QStringLiteral("PRAGMA quick_check"));
            if (!check.step() || check.column(0).toString() != QStringLiteral("ok"))
                throw store::StoreError(SQLITE_CORRUPT, QStringLiteral("the cache file is damaged"));
        }
        // The time before the body, so that cleaning reads no body.
        db.exec(QStringLiteral("PRAGMA synchronous = OFF; CREATE TABLE IF NOT EXISTS answers ("
                               "key TEXT PRIMARY KEY, expires INTEGER NOT NULL, body BLOB NOT NULL)"));
        m_db.emplace(std::move(db));
        clean();
    } catch (const store::StoreError& e) {
        trouble(e);
    }
}

void ResponseCache::clean()
{
    store::Statement q(*m_db, QStringLiteral("DELETE FROM answers WHERE expires <= ?"));
    q.bind(1, nowMs());
    q.run();
}

void ResponseCache::trouble(const store::StoreError& e)
{
    m_db.reset();
    if (e.isBusy())
        return; // the next open tries again
    qCWarning(lcCache) << "The cache file" << QDir::toNativeSeparators(m_path) << "is unusable:" << e.message();
    if (m_replaced) {
        m_off = true; // replaced once already: work without a cache
        return;
    }
    m_replaced = true;
    for (const char* tail : {"", "-journal", "-wal", "-shm"})
        QFile::remove(m_path + QLatin1String(tail));
    open();
}

std::optional<QByteArray> ResponseCache::find(const QString& key)
{
    if (!m_db && !m_off)
        open();
    if (!m_db)
        return std::nullopt;
    try {
        store::Statement q(*m_db, QStringLiteral("SELECT body FROM answers WHERE key = ? AND expires > ?"));
        q.bindAll({key, nowMs()});
        if (q.step())
            return q.column(0).toByteArray();
    } catch (const store::StoreError& e) {
        trouble(e);
    }
    return std::nullopt;
}

void ResponseCache::store(const QString& key, const QByteArray& body, std::chrono::milliseconds ttl)
{
    if (!m_db && !m_off)
        open();
    if (!m_db)
        return;
    try {
        store::Statement q(*m_db,
                           QStringLiteral("INSERT OR REPLACE INTO answers (key, body, expires) VALUES (?, ?, ?)"));
        q.bindAll({key, body, nowMs() + qint64(ttl.count())});
        q.run();
        if (++m_stored % 64 == 0)
            clean(); // a long session's old answers too
    } catch (const store::StoreError& e) {
        trouble(e);
    }
}

} // namespace online
