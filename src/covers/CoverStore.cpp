#include "covers/CoverStore.h"

#include "store/Sqlite.h"

#include <QCache>
#include <sqlite3.h>

namespace covers {

namespace {

struct Decoded
{
    QByteArray stored; // compared on every read, so a change made elsewhere is never hidden
    QImage image;
};

QCache<qint64, Decoded>& cache()
{
    static QCache<qint64, Decoded> decoded(8);
    return decoded;
}

} // namespace

void SaveCover(store::Connection& db, qint64 movieId, const Cover& cover)
{
    store::Statement q(db, QStringLiteral("INSERT OR REPLACE INTO [tbl_Cover] ([Movie_ID], [Thumbnail], [Picture]) "
                                          "VALUES (?, ?, ?)"));
    q.bindAll({movieId, cover.thumbnail, cover.picture});
    q.run();
}

void RemoveCover(store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("DELETE FROM [tbl_Cover] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    q.run();
}

bool HasCover(const store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("SELECT 1 FROM [tbl_Cover] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    return q.step();
}

QByteArray Picture(const store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("SELECT [Picture] FROM [tbl_Cover] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    return q.step() ? q.column(0).toByteArray() : QByteArray();
}

QHash<qint64, QByteArray> PictureFormats(const store::Connection& db)
{
    QHash<qint64, QByteArray> formats;
    // Shared by every movie's entry: one copy each, not one per movie.
    const QByteArray png = QByteArrayLiteral("PNG"), jpeg = QByteArrayLiteral("JPEG");
    store::Statement q(db, QStringLiteral("SELECT [Movie_ID] FROM [tbl_Cover]"));
    sqlite3_blob* blob = nullptr;
    while (q.step()) {
        const qint64 id = q.column(0).toLongLong();
        // Read in place: a picture's first page, not the whole of it.
        const int rc = blob ? sqlite3_blob_reopen(blob, id)
                            : sqlite3_blob_open(db.handle(), "main", "tbl_Cover", "Picture", id, 0, &blob);
        char head[4] = {};
        if (rc == SQLITE_OK && sqlite3_blob_read(blob, head, qMin(4, sqlite3_blob_bytes(blob)), 0) == SQLITE_OK)
            formats.insert(id, QByteArray(head, 4) == "\x89PNG" ? png : jpeg);
    }
    sqlite3_blob_close(blob);
    return formats;
}

QByteArray StoredThumbnail(const store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("SELECT [Thumbnail] FROM [tbl_Cover] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    return q.step() ? q.column(0).toByteArray() : QByteArray();
}

QImage Thumbnail(const store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("SELECT [Thumbnail] FROM [tbl_Cover] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    if (!q.step()) {
        cache().remove(movieId);
        return {};
    }
    const QByteArray stored = q.column(0).toByteArray();
    if (const Decoded* hit = cache().object(movieId); hit && hit->stored == stored)
        return hit->image;
    auto* decoded = new Decoded{stored, QImage::fromData(stored)};
    const QImage image = decoded->image;
    cache().insert(movieId, decoded);
    return image;
}

} // namespace covers
