#pragma once

#include <QStringList>

namespace covers {

// The covers: one row per movie in tbl_Cover, the picture (at most 1000 pixels on its longer side,
// JPEG or PNG) and a small thumbnail for the quick-info panel. The thumbnail comes first in the
// row, so reading it never walks the picture's pages. A trigger deletes a movie's cover with it,
// whoever deletes the movie, in the same transaction.
QStringList CreateCoverSql();

} // namespace covers
