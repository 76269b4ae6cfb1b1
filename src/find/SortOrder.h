#pragma once

#include "store/SortedKeys.h"
#include <QString>
#include <QStringList>

namespace find {

// The grid's sixteen orders (a qry_Movie_Title column, then the title) read off the indexes the
// catalogue has anyway: the credit names by walking the name table's index and each name's movies
// through the movie table's index of the credit's key, sorted by title a name at a time; the title
// and the year by their own indexes; the few values of length, grade, rating and widescreen by a
// scan keeping only the rows asked for. Indexes of every column with the title beside it would
// answer a little faster and cost as much room as the catalogue's movies themselves.

// The statements giving the movie keys in the order of `field`, then title, of the movies meeting
// `where` (a condition on [Movie_ID], binding its own parameters; empty for every movie), and the one
// counting them. `probe`, when given, is the same condition asked of one movie at a time.
store::SortedKeys SortedKeysSql(const QString& field, const QString& where = {}, const QString& probe = {});

} // namespace find
