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
        db.exec(QStringLiteral("PRAGMA synchronous = OFF; CREATE TABLE IF NOT EXISTS answers ("
                               "key TEXT PRIMARY KEY, body BLOB NOT NULL, expires INTEGER NOT NULL)"));
        store::Statement clean(db, QStringLiteral("DELETE FROM answers WHERE expires <= ?"));
        clean.bind(1, nowMs());
        clean.run();
        m_db.emplace(std::move(db));
    } catch (const store::StoreError& e) {
        trouble(e);
    }
}

void ResponseCache::trouble(const store::StoreError& e)
{
    m_db.reset();
    if (e.isBusy())
        return; // the next open tries again
    qCWarning(lcCache) << "The cache file" << QDir::toNativeSeparators(m_path) << "is unusable:" << e.message();
    if (m_replaced)
        return; // replaced once already: work without a cache
    m_replaced = true;
    for (const char* tail : {"", "-journal", "-wal", "-shm"})
        QFile::remove(m_path + QLatin1String(tail));
    open();
}

std::optional<QByteArray> ResponseCache::find(const QString& key)
{
    if (!m_db)
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
    if (!m_db)
        open();
    if (!m_db)
        return;
    try {
        store::Statement q(*m_db,
                           QStringLiteral("INSERT OR REPLACE INTO answers (key, body, expires) VALUES (?, ?, ?)"));
        q.bindAll({key, body, nowMs() + qint64(ttl.count())});
        q.run();
    } catch (const store::StoreError& e) {
        trouble(e);
    }
}

} // namespace online
