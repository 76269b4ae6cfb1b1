#pragma once

#include "store/SortedKeys.h"
#include <QString>
#include <QStringList>

namespace find {

// The grid's sixteen orders (a qry_Movie_Title column, then the title) read straight off an
// index: the movie's own columns from tbl_Movie_Title, the credit names by walking the name table's
// index and each name's movies through the movie table's index of the credit's key and title.
// Reading the first rows of an order then costs a few index pages, not a sort of the catalogue.

// The statements creating those indexes, one index each.
QStringList SortIndexSql();

// The statements giving the movie keys in the order of `field`, then title, of the movies meeting
// `where` (a condition on [Movie_ID], binding its own parameters; empty for every movie), and the one
// counting them. `probe`, when given, is the same condition asked of one movie at a time.
store::SortedKeys SortedKeysSql(const QString& field, const QString& where = {}, const QString& probe = {});

} // namespace find
