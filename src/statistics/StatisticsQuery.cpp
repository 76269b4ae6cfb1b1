#include "statistics/StatisticsQuery.h"

#include "find/FindWords.h"
#include "statistics/Tallies.h"
#include "store/Credits.h"
#include "store/StoreError.h"

#include <QScopeGuard>
#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace statistics {

namespace {

std::vector<std::function<QString(const store::Connection&)>>& movieNotes()
{
    static std::vector<std::function<QString(const store::Connection&)>> notes;
    return notes;
}

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

const QString kUnknown = QStringLiteral("Unknown");

// The counts kept of one field's values, as (v, n) rows.
QString tally(const char* field)
{
    return QStringLiteral("SELECT [Value] AS v, [Movies] AS n FROM [%1] WHERE [Field] = '%2' AND [Movies] > 0")
        .arg(L(kTallyTable), L(field));
}

// Movies per credit name of one lookup table: the kept count of each key, named from the small
// lookup table; a key that points at no row has no name.
QString creditGroups(const store::Credit& c)
{
    return QStringLiteral("SELECT l.[%3] AS name, m.n AS n FROM (%1) AS m LEFT JOIN [%2] AS l ON l.[%4] = m.v")
        .arg(tally(c.key), L(c.table), L(c.name), L(c.key));
}

// Grouped as the column compares, case-blind: a bar's click finds the movies of every spelling it
// counts.
QString columnGroups(const char* column)
{
    return QStringLiteral("SELECT v COLLATE NOCASE AS name, n FROM (%1)").arg(tally(column));
}

// Actors are many: counted by key, and named only when shown. A link whose actor is gone counts
// under "Other". Links are counted as they stand: the cast editor never links an actor twice to a
// movie. Rows as ranked() gives them.
const QString kActors =
    QStringLiteral("WITH g AS MATERIALIZED (SELECT t.v AS k, t.n AS n, EXISTS (SELECT 1 FROM [tbl_Actor] AS a "
                   "WHERE a.[Actor_ID] = t.v) AS known FROM (%1) AS t) "
                   "SELECT 0, (SELECT ifnull(a.[Actor_Last_Name], '') || ', ' || ifnull(a.[Actor_First_Name], '') "
                   "FROM [tbl_Actor] AS a WHERE a.[Actor_ID] = t.k), t.n FROM (SELECT k, n FROM g WHERE known ORDER "
                   "BY n DESC, k LIMIT ?2) AS t "
                   "UNION ALL SELECT 2, NULL, SUM(n) FROM g WHERE NOT known GROUP BY known "
                   "UNION ALL SELECT 3, COUNT(*), ifnull(SUM(n), 0) FROM g WHERE known")
        .arg(tally("Actor_ID"));

// From (name, n) groups: the ?2 largest named values (kind 0), the "Unknown" (?1) and the
// nameless groups' sums (kinds 1 and 2), and how many named values and movies the rest hold (3).
QString ranked(const QString& groups)
{
    return QStringLiteral(
               "WITH g AS MATERIALIZED (SELECT name, SUM(n) AS n FROM (%1) GROUP BY name), "
               "c AS MATERIALIZED (SELECT CASE WHEN name IS NULL OR trim(name) = '' THEN 2 WHEN name = ?1 THEN 1 "
               "ELSE 0 END AS kind, name, n FROM g) "
               "SELECT * FROM (SELECT 0 AS kind, name, n FROM c WHERE kind = 0 ORDER BY n DESC, name LIMIT ?2) "
               "UNION ALL SELECT kind, NULL, SUM(n) FROM c WHERE kind > 0 GROUP BY kind "
               "UNION ALL SELECT 3, COUNT(*), ifnull(SUM(n), 0) FROM c WHERE kind = 0")
        .arg(groups);
}

// Years that are four digits; anything else ("19xx", empty) is one group without a year.
const QString kYears = QStringLiteral("SELECT CASE WHEN v GLOB '[0-9][0-9][0-9][0-9]' THEN v END AS year, SUM(n) "
                                      "FROM (%1) GROUP BY year ORDER BY year")
                           .arg(tally("Year_Released"));

// Every movie has one Widescreen value, so its counts add up to the movies. Lengths read as hours,
// colon, two-digit minutes; the others are counted apart. Directors are named directors with a movie.
const QString kTotals =
    QStringLiteral(
        "SELECT (SELECT ifnull(SUM(n), 0) FROM (%1)), (SELECT COUNT(*) FROM [tbl_Actor]), "
        "(SELECT COUNT(DISTINCT d.[Director]) FROM [tbl_Director] AS d WHERE d.[Director_ID] IN (SELECT v FROM (%2)) "
        "AND trim(d.[Director]) <> '' AND d.[Director] <> ?1), "
        "(SELECT ifnull(SUM(n), 0) FROM (%1) WHERE v <> 0), "
        "ifnull(SUM(CASE WHEN ok THEN n * (CAST(substr(t, 1, instr(t, ':') - 1) AS INTEGER) * 60 + "
        "CAST(substr(t, -2) AS INTEGER)) END), 0), ifnull(SUM(CASE WHEN ok THEN 0 ELSE n END), 0) "
        "FROM (SELECT v AS t, n, (v GLOB '[0-9]*:[0-5][0-9]' AND substr(v, 1, instr(v, ':') - 1) NOT GLOB "
        "'*[^0-9]*') AS ok FROM (%3))")
        .arg(tally("Widescreen"), tally("Director_ID"), tally("Length"));

struct ChartQuery
{
    const char* name;
    const char* tab;
    const char* title;
    const char* field; // as the find box names it
    QString sql;       // rows of kind, name and count
    int limit;
};

std::vector<ChartQuery> chartQueries()
{
    using namespace store;
    return {
        {"chtGenres", "Genres", "Genres", "genre", ranked(creditGroups(kCredits[kGenre])), 20},
        {"chtFormats", "Formats", "Formats", "format", ranked(creditGroups(kCredits[kFormat])), 20},
        {"chtGrades", "Grades", "Grades", "grade", ranked(columnGroups("Grade")), 20},
        {"chtRatings", "Ratings", "Ratings", "rating", ranked(columnGroups("Rating")), 20},
        {"chtDirectors", "Directors", "Top Ten Directors", "director", ranked(creditGroups(kCredits[kDirector])), 10},
        {"chtComposers", "Composers", "Top Ten Composers", "composer", ranked(creditGroups(kCredits[kComposer])), 10},
        {"chtStudios", "Studios", "Top Ten Studios", "studio", ranked(creditGroups(kCredits[kStudio])), 10},
        {"chtActors", "Actors", "Top Ten Actors", "actor", kActors, 10},
    };
}

Chart rankedChart(const store::Connection& db, const ChartQuery& q)
{
    Chart chart{L(q.name), L(q.tab), L(q.title), {}};
    store::Statement st(db, q.sql);
    st.bindAll({kUnknown, q.limit});
    qint64 shownGroups = 0, shownMovies = 0;
    std::vector<Bar> apart;
    while (st.step()) {
        const int kind = st.column(0).toInt();
        const qint64 n = st.column(2).toLongLong();
        if (kind == 0) {
            const QString name = st.column(1).toString();
            chart.bars.push_back({name, n, find::FindText(L(q.field), name), Bar::Value});
            ++shownGroups;
            shownMovies += n;
        } else if (kind == 1) {
            apart.push_back({kUnknown, n, find::FindText(L(q.field), kUnknown), Bar::Unknown});
        } else if (kind == 2) {
            apart.push_back({QStringLiteral("Other"), n, QString(), Bar::Other});
        } else if (st.column(1).toLongLong() > shownGroups) {
            apart.push_back({QStringLiteral("%1 more").arg(st.column(1).toLongLong() - shownGroups), n - shownMovies,
                             QString(), Bar::More});
        }
    }
    chart.bars.insert(chart.bars.end(), apart.begin(), apart.end());
    return chart;
}

} // namespace

void AddMovieNote(std::function<QString(const store::Connection& db)> note)
{
    movieNotes().push_back(std::move(note));
}

Statistics Pending()
{
    Statistics s;
    s.counting = true;
    s.charts.push_back(
        {QStringLiteral("chtYears"), QStringLiteral("Years"), QStringLiteral("Movies per Decade"), {}, true});
    for (const ChartQuery& q : chartQueries())
        s.charts.push_back({L(q.name), L(q.tab), L(q.title), {}, true});
    return s;
}

Statistics CollectFirst(const store::Connection& db)
{
    Statistics s = Pending();
    s.counting = false;
    {
        store::Statement st(db, kTotals);
        st.bind(1, kUnknown);
        if (st.step())
            s.totals = {st.column(0).toLongLong(),
                        st.column(1).toLongLong(),
                        st.column(2).toLongLong(),
                        st.column(4).toLongLong(),
                        st.column(5).toLongLong(),
                        st.column(3).toLongLong(),
                        {}};
    }
    for (const auto& note : movieNotes())
        s.totals.movieNotes << note(db);
    {
        store::Statement st(db, kYears);
        qint64 odd = 0;
        while (st.step()) {
            const QVariant year = st.column(0);
            if (year.isNull())
                odd = st.column(1).toLongLong();
            else
                s.years.push_back({year.toString(), st.column(1).toLongLong(),
                                   find::FindText(QStringLiteral("year"), year.toString()), Bar::Value});
        }
        if (odd > 0)
            s.years.push_back({QStringLiteral("Other"), odd, QString(), Bar::Other});
    }
    Chart& years = s.charts.front();
    years.bars = Decades(s.years);
    years.pending = false;
    return s;
}

QStringList PendingCharts()
{
    QStringList names;
    for (const ChartQuery& q : chartQueries())
        names << L(q.name);
    // The actors are counted over every link, several per movie: started first, they are counted
    // beside all the others.
    names.move(names.indexOf(QStringLiteral("chtActors")), 0);
    return names;
}

Chart CountChart(const store::Connection& db, const QString& name, const std::atomic<bool>* stop)
{
    if (stop)
        sqlite3_progress_handler(
            db.handle(), 1000, [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
            const_cast<std::atomic<bool>*>(stop));
    const auto quiet = qScopeGuard([&] {
        if (stop)
            sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr);
    });
    for (const ChartQuery& q : chartQueries())
        if (L(q.name) == name)
            return rankedChart(db, q);
    throw store::StoreError(SQLITE_MISUSE, QStringLiteral("There is no chart named %1.").arg(name));
}

Statistics Collect(const store::Connection& db)
{
    Statistics s = CollectFirst(db);
    for (Chart& chart : s.charts)
        if (chart.pending)
            chart = CountChart(db, chart.name);
    return s;
}

std::vector<Bar> Decades(const std::vector<Bar>& years)
{
    std::map<int, qint64> decades;
    std::vector<Bar> bars;
    for (const Bar& y : years) {
        if (y.kind == Bar::Value)
            decades[y.label.toInt() / 10 * 10] += y.count;
        else
            bars.push_back(y);
    }
    // Time passes evenly along the axis, so decades without movies stand between the others as empty
    // bars; a gap of centuries (a stray year 1) is jumped rather than drawn as hundreds of bars.
    constexpr int kWidestGap = 50;
    std::vector<Bar> out;
    int last = 0;
    for (const auto& [first, n] : decades) {
        if (!out.empty() && first - last <= kWidestGap)
            for (int empty = last + 10; empty < first; empty += 10)
                out.push_back({QString::number(empty) + QLatin1Char('s'), 0, QString(), Bar::Value});
        out.push_back({QString::number(first) + QLatin1Char('s'), n, QString(), Bar::Value});
        last = first;
    }
    out.insert(out.end(), bars.begin(), bars.end());
    return out;
}

std::vector<Bar> YearsOf(const std::vector<Bar>& years, int first)
{
    std::vector<Bar> out;
    for (const Bar& y : years)
        if (y.kind == Bar::Value && y.label.toInt() / 10 * 10 == first)
            out.push_back(y);
    return out;
}

QString SqliteScript()
{
    const auto quoted = [](const QString& text) -> QString { return QLatin1Char('\'') + text + QLatin1Char('\''); };
    QString script = QStringLiteral(".parameter init\n.parameter set ?1 %1\n").arg(quoted(kUnknown));
    script += kTotals + QStringLiteral(";\n") + kYears + QStringLiteral(";\n");
    for (const ChartQuery& q : chartQueries())
        script += QStringLiteral(".parameter set ?2 %1\n").arg(q.limit) + q.sql + QStringLiteral(";\n");
    return script;
}

} // namespace statistics
