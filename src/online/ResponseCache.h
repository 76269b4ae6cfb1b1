#pragma once

#include "store/Sqlite.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>

namespace online {

// Answers kept in a small SQLite file for a time each. The cache is a convenience: a damaged file
// is replaced, and when even that fails the cache stays off; nothing here ever throws.
class ResponseCache
{
public:
    explicit ResponseCache(const QString& path);

    // The body stored under key while it is fresh.
    std::optional<QByteArray> find(const QString& key);
    void store(const QString& key, const QByteArray& body, std::chrono::milliseconds ttl);

private:
    void open();
    void clean(); // drops expired answers; throws StoreError
    // A failed statement: a damaged file is replaced once; busy leaves it be.
    void trouble(const store::StoreError& e);

    QString m_path;
    std::optional<store::Connection> m_db;
    bool m_replaced = false;
    bool m_off = false;
    int m_stored = 0;
};

} // namespace online
