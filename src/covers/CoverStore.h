#pragma once

#include "covers/CoverImage.h"

#include <QHash>
#include <QImage>

namespace store {
class Connection;
}

namespace covers {

// The covers in the catalogue. Throws store::StoreError; knows no window.

// Sets or replaces the cover of the movie.
void SaveCover(store::Connection& db, qint64 movieId, const Cover& cover);
void RemoveCover(store::Connection& db, qint64 movieId);
bool HasCover(const store::Connection& db, qint64 movieId);

// The movie's picture as stored (JPEG or PNG); empty when it has none.
QByteArray Picture(const store::Connection& db, qint64 movieId);
// Every movie with a cover and its picture's format, "JPEG" or "PNG", told by the picture's first
// bytes alone.
QHash<qint64, QByteArray> PictureFormats(const store::Connection& db);

// The movie's thumbnail as stored (JPEG or PNG, at most kThumbnailSide pixels); empty when it has none.
QByteArray StoredThumbnail(const store::Connection& db, qint64 movieId);

// The movie's thumbnail, decoded; null when it has none. The last few decoded are kept, so going
// back and forth through the list decodes nothing twice.
QImage Thumbnail(const store::Connection& db, qint64 movieId);

} // namespace covers
