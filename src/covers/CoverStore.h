#pragma once

#include "covers/CoverImage.h"

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

// The movie's thumbnail, decoded; null when it has none. The last few decoded are kept, so going
// back and forth through the list decodes nothing twice.
QImage Thumbnail(const store::Connection& db, qint64 movieId);

} // namespace covers
