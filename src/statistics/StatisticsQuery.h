#pragma once

#include "store/Sqlite.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

namespace statistics {

// One bar: what it is labelled, how many it counts, and what the find box gets when it is clicked
// (empty for bars that stand for no single value).
struct Bar
{
    enum Kind { Value, Unknown, Other, More };
    QString label;
    qint64 count = 0;
    QString find;
    Kind kind = Value;
};

// One chart's bars in the order they are drawn.
struct Chart
{
    QString name; // the chart's objectName, "chtGenres"
    QString tab;
    QString title;
    std::vector<Bar> bars;
    bool pending = false; // not counted yet: CountChart counts it
};

struct Totals
{
    qint64 movies = 0;
    qint64 actors = 0;
    qint64 directors = 0;  // named directors with at least one movie
    qint64 minutes = 0;    // over the lengths that read as h:mm
    qint64 oddLengths = 0; // lengths that do not
    qint64 widescreen = 0;
    QStringList movieNotes; // what other parts of the program count of the movies: "1 on loan"
};

// Another part of the program's count of the movies, shown beside their number ("3 on loan"), read
// on the statistics' own connection. Registered once per run.
void AddMovieNote(std::function<QString(const store::Connection& db)> note);

struct Statistics
{
    bool counting = false; // the totals and years are not counted yet: CollectFirst counts them
    Totals totals;
    std::vector<Bar> years;    // every year with movies, in order, then "Other"
    std::vector<Chart> charts; // decades first
};

// Every chart and the totals pending, as a window opens before anything is counted.
Statistics Pending();
// What the window opens with: the totals and the years. The other charts come without bars,
// pending. Throws store::StoreError.
Statistics CollectFirst(const store::Connection& db);
// The names of the charts CollectFirst leaves pending, the costliest first.
QStringList PendingCharts();
// Counts the pending chart named `name`; each on a connection of its own may run beside the others.
// Once `stop` turns true the query ends early with a store::StoreError. Throws store::StoreError.
Chart CountChart(const store::Connection& db, const QString& name, const std::atomic<bool>* stop = nullptr);
// Every chart at once, one after the other. Throws store::StoreError.
Statistics Collect(const store::Connection& db);

// Decades from the years: "1980s" bars, with an empty bar for each decade without movies between
// the first and the last, then "Other".
std::vector<Bar> Decades(const std::vector<Bar>& years);
// The years of the decade that starts at `first`.
std::vector<Bar> YearsOf(const std::vector<Bar>& years, int first);

// The statements Collect runs, with the values it binds, as a script for the sqlite3 tool.
QString SqliteScript();

} // namespace statistics
