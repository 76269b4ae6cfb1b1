#pragma once

#include "store/Schema.h"

#include <QString>
#include <QStringList>

namespace store {
class Connection;
}

namespace statistics {

// How many movies hold each value the charts count (a genre's key, a grade, a year...), and how
// many links each actor has, kept by triggers as movies change: the window reads a few thousand
// counts instead of grouping every movie. Values are kept as spelt; the charts group them as
// the movie columns compare. A row's count may fall to zero and stay; readers skip those.
inline constexpr char kTallyTable[] = "tbl_Statistics_Tally";

// The table and its triggers.
QStringList CreateTalliesSql();
// Counts every value afresh, replacing what the table holds. Throws store::StoreError.
void CountTallies(store::Connection& db, const store::UpgradeProgress& progress = {});
// Makes the table and its triggers afresh, over whatever a step cut short left, and counts.
void MakeTallies(store::Connection& db, const store::UpgradeProgress& progress = {});
// Whether the table and every trigger that keeps it are there.
bool TalliesKept(const store::Connection& db);

} // namespace statistics
