#include "statistics/Tallies.h"

#include "store/Sqlite.h"

#include <algorithm>

namespace statistics {

namespace {

// The movie columns counted; NULL is kept as '' (the charts read both as no value).
const char* const kMovieFields[] = {"Genre_ID", "Format_ID", "Director_ID",   "Composer_ID", "Studio_ID",
                                    "Grade",    "Rating",    "Year_Released", "Length",      "Widescreen"};

struct Kept
{
    const char* table;
    const char* tag; // in the triggers' names
    QStringList fields;
};

std::vector<Kept> kept()
{
    QStringList movie;
    for (const char* f : kMovieFields)
        movie << QLatin1String(f);
    return {{"tbl_Movie_Title", "Movie", movie}, {"tbl_Actor_Movie_Join", "Cast", {QStringLiteral("Actor_ID")}}};
}

// One statement adding `by` to each field's count of the row's value (`row` is new or old).
QString add(const QStringList& fields, const QString& row, int by)
{
    QStringList values;
    for (const QString& f : fields)
        values << QStringLiteral("('%1', ifnull(%2.[%1], ''), %3)").arg(f, row).arg(by);
    return QStringLiteral("INSERT INTO [%1] ([Field], [Value], [Movies]) VALUES %2 "
                          "ON CONFLICT DO UPDATE SET [Movies] = [Movies] + excluded.[Movies];\n")
        .arg(QLatin1String(kTallyTable), values.join(QStringLiteral(", ")));
}

} // namespace

QStringList CreateTalliesSql()
{
    QStringList sql{QStringLiteral("CREATE TABLE [%1] ([Field] TEXT NOT NULL, [Value] NOT NULL, [Movies] INTEGER NOT "
                                   "NULL, PRIMARY KEY ([Field], [Value])) WITHOUT ROWID")
                        .arg(QLatin1String(kTallyTable))};
    for (const Kept& k : kept()) {
        const QString table = QLatin1String(k.table), tag = QLatin1String(k.tag);
        sql << QStringLiteral("CREATE TRIGGER [trg_Tally_%1_Insert] AFTER INSERT ON [%2] BEGIN\n%3END")
                   .arg(tag, table, add(k.fields, QStringLiteral("new"), 1))
            << QStringLiteral("CREATE TRIGGER [trg_Tally_%1_Delete] AFTER DELETE ON [%2] BEGIN\n%3END")
                   .arg(tag, table, add(k.fields, QStringLiteral("old"), -1));
        // Spelt apart, so that a change of case moves the count with it.
        for (const QString& f : k.fields)
            sql << QStringLiteral("CREATE TRIGGER [trg_Tally_%1_%3] AFTER UPDATE OF [%3] ON [%2] WHEN old.[%3] IS NOT "
                                  "new.[%3] COLLATE BINARY BEGIN\n%4%5END")
                       .arg(tag, table, f, add({f}, QStringLiteral("old"), -1), add({f}, QStringLiteral("new"), 1));
    }
    return sql;
}

void CountTallies(store::Connection& db, const store::UpgradeProgress& progress)
{
    db.exec(QStringLiteral("DELETE FROM [%1]").arg(QLatin1String(kTallyTable)));
    QStringList sql;
    for (const Kept& k : kept())
        for (const QString& f : k.fields)
            sql << QStringLiteral("INSERT INTO [%1] ([Field], [Value], [Movies]) SELECT '%2', ifnull([%2], '') "
                                  "COLLATE BINARY AS v, count(*) FROM [%3] GROUP BY v")
                       .arg(QLatin1String(kTallyTable), f, QLatin1String(k.table));
    // Told in movies, as the other steps tell theirs; each field is one pass over them.
    store::Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    count.step();
    const qint64 movies = count.column(0).toLongLong();
    count.reset();
    const qint64 passes = sql.size();
    for (qint64 i = 0; i < passes; ++i)
        store::RunReporting(db, {sql[i]}, movies,
                            progress ? store::UpgradeProgress([&](qint64 done, qint64 total) {
                                return progress((i * total + std::min(done, total)) / passes, total);
                            })
                                     : store::UpgradeProgress());
}

namespace {

// The triggers the catalogue has that keep the table, by their names' common start.
QStringList triggersHad(const store::Connection& db)
{
    QStringList names;
    store::Statement st(db, QStringLiteral("SELECT [name] FROM [sqlite_master] WHERE [type] = 'trigger' AND [name] "
                                           "LIKE 'trg\\_Tally\\_%' ESCAPE '\\'"));
    while (st.step())
        names << st.column(0).toString();
    return names;
}

} // namespace

void MakeTallies(store::Connection& db, const store::UpgradeProgress& progress)
{
    for (const QString& name : triggersHad(db))
        db.exec(QStringLiteral("DROP TRIGGER \"%1\"").arg(name));
    db.exec(QStringLiteral("DROP TABLE IF EXISTS [%1]").arg(QLatin1String(kTallyTable)));
    for (const QString& sql : CreateTalliesSql())
        db.exec(sql);
    CountTallies(db, progress);
}

bool TalliesKept(const store::Connection& db)
{
    store::Statement table(db, QStringLiteral("SELECT 1 FROM [sqlite_master] WHERE [type] = 'table' AND [name] = ?"));
    table.bind(1, QLatin1String(kTallyTable));
    // The table and one trigger per statement making them.
    return table.step() && triggersHad(db).size() + 1 == CreateTalliesSql().size();
}

} // namespace statistics
