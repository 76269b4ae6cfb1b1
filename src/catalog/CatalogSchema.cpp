#include "catalog/CatalogSchema.h"

#include "store/Schema.h"
#include "store/Sqlite.h"

#include <vector>

namespace catalog {

namespace {

// A title names one movie: the editor, the cast windows and the panel find a movie by it. Earlier
// imports stored a second movie under a title already taken when its year differed; each such
// movie but the first stored takes its year into its title, as an import does now.
void uniqueTitles(store::Connection& db, const store::UpgradeProgress&, QStringList& told)
{
    store::Statement twice(db, QStringLiteral("SELECT [Movie_Title] FROM [tbl_Movie_Title] GROUP BY [Movie_Title] "
                                              "HAVING count(*) > 1"));
    QStringList titles;
    while (twice.step())
        titles << twice.column(0).toString();
    twice.reset();
    store::Statement movies(db, QStringLiteral("SELECT [Movie_ID], [Year_Released], [Movie_Title] FROM "
                                               "[tbl_Movie_Title] WHERE [Movie_Title] = ? ORDER BY [Movie_ID]"));
    store::Statement taken(db, QStringLiteral("SELECT 1 FROM [tbl_Movie_Title] WHERE [Movie_Title] = ?"));
    store::Statement rename(db, QStringLiteral("UPDATE [tbl_Movie_Title] SET [Movie_Title] = ? WHERE [Movie_ID] = ?"));
    const auto isTaken = [&](const QString& title) {
        taken.reset();
        taken.bind(1, title);
        const bool there = taken.step();
        taken.reset();
        return there;
    };
    QStringList renamed;
    for (const QString& shared : std::as_const(titles)) {
        struct Same
        {
            qint64 id;
            QString year, title;
        };
        std::vector<Same> same;
        movies.reset();
        movies.bind(1, shared);
        while (movies.step())
            same.push_back(
                {movies.column(0).toLongLong(), movies.column(1).toString().trimmed(), movies.column(2).toString()});
        movies.reset();
        for (std::size_t i = 1; i < same.size(); ++i) {
            const QString& year = same[i].year;
            const QString& title = same[i].title;
            QString candidate;
            for (int n = year.isEmpty() ? 2 : 1; candidate.isEmpty() || isTaken(candidate); ++n)
                candidate = year.isEmpty() ? QStringLiteral("%1 (%2)").arg(title).arg(n)
                            : n == 1       ? QStringLiteral("%1 (%2)").arg(title, year)
                                           : QStringLiteral("%1 (%2) (%3)").arg(title, year).arg(n);
            rename.reset();
            rename.bindAll({candidate, same[i].id});
            rename.run();
            renamed << QStringLiteral("\"%1\" is now \"%2\"").arg(title, candidate);
        }
    }
    if (!renamed.isEmpty())
        told << QStringLiteral("Some movies shared a title with another movie. A title names one movie, so each "
                               "of them now has its year in its title:")
             << renamed;
}

// Where a movie keeps all a collection file or a person gives it beyond the movie table's columns,
// which stay as the described windows and reports know them. [Credit] in the more names is the
// movie table's column the name would stand in ("Genre_ID"), [Name_ID] a key of that column's name
// table, [Position] its place in the credit, the column's own name being the first.
const char* const kMovieInFull[] = {
    "CREATE TABLE IF NOT EXISTS [tbl_Movie_More_Name] ([Movie_ID] INTEGER NOT NULL, [Credit] TEXT NOT NULL, "
    "[Position] INTEGER NOT NULL, [Name_ID] INTEGER NOT NULL, PRIMARY KEY ([Movie_ID], [Credit], [Position])) "
    "WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS [idx_tbl_Movie_More_Name_Name] ON [tbl_Movie_More_Name] ([Credit], [Name_ID])",
    "CREATE TABLE IF NOT EXISTS [tbl_Cast_Character] ([Movie_ID] INTEGER NOT NULL, [Actor_ID] INTEGER NOT NULL, "
    "[Character] TEXT NOT NULL COLLATE NOCASE, PRIMARY KEY ([Movie_ID], [Actor_ID])) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS [tbl_Movie_Details] ([Movie_ID] INTEGER PRIMARY KEY, [Original_Title] TEXT COLLATE "
    "NOCASE, [Plot] TEXT, [Notes] TEXT, [Personal_Rating] REAL, [Watched] TEXT, [Purchased] TEXT, [Price] TEXT, "
    "[IMDb_ID] TEXT, [TMDb_ID] TEXT)",
    "CREATE TABLE IF NOT EXISTS [tbl_Movie_Barcode] ([Movie_ID] INTEGER NOT NULL, [Position] INTEGER NOT NULL, "
    "[Barcode] TEXT NOT NULL, PRIMARY KEY ([Movie_ID], [Position])) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS [idx_tbl_Movie_Barcode_Barcode] ON [tbl_Movie_Barcode] ([Barcode])",
    "CREATE TABLE IF NOT EXISTS [tbl_Movie_Field] ([Movie_ID] INTEGER NOT NULL, [Position] INTEGER NOT NULL, "
    "[Name] TEXT NOT NULL, [Value] TEXT NOT NULL, PRIMARY KEY ([Movie_ID], [Position]))",
    // Whoever deletes a movie or a cast link, what hangs on it goes too.
    "CREATE TRIGGER IF NOT EXISTS [trg_Movie_In_Full_Delete] AFTER DELETE ON [tbl_Movie_Title] BEGIN\n"
    "DELETE FROM [tbl_Movie_More_Name] WHERE [Movie_ID] = old.[Movie_ID];\n"
    "DELETE FROM [tbl_Movie_Details] WHERE [Movie_ID] = old.[Movie_ID];\n"
    "DELETE FROM [tbl_Movie_Barcode] WHERE [Movie_ID] = old.[Movie_ID];\n"
    "DELETE FROM [tbl_Movie_Field] WHERE [Movie_ID] = old.[Movie_ID];\nEND",
    "CREATE TRIGGER IF NOT EXISTS [trg_Cast_Character_Unlink] AFTER DELETE ON [tbl_Actor_Movie_Join] BEGIN\n"
    "DELETE FROM [tbl_Cast_Character] WHERE [Movie_ID] = old.[Movie_ID] AND [Actor_ID] = old.[Actor_ID] AND NOT "
    "EXISTS (SELECT 1 FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = old.[Movie_ID] AND [Actor_ID] = "
    "old.[Actor_ID]);\nEND",
};
const char* const kMovieInFullNames[] = {
    "tbl_Movie_More_Name",      "idx_tbl_Movie_More_Name_Name",  "tbl_Cast_Character", "tbl_Movie_Details",
    "tbl_Movie_Barcode",        "idx_tbl_Movie_Barcode_Barcode", "tbl_Movie_Field",    "trg_Movie_In_Full_Delete",
    "trg_Cast_Character_Unlink"};

void movieInFull(store::Connection& db, const store::UpgradeProgress&, QStringList&)
{
    for (const char* sql : kMovieInFull)
        db.exec(QString::fromLatin1(sql));
}

// A table, index or trigger of the step missing, whatever the version says.
bool movieInFullMissing(const store::Connection& db)
{
    // One look at the schema: it is asked at every opening.
    QString names;
    for (const char* name : kMovieInFullNames)
        names +=
            (names.isEmpty() ? QStringLiteral("'") : QStringLiteral(", '")) + QLatin1String(name) + QLatin1Char('\'');
    store::Statement there(db, QStringLiteral("SELECT count(*) FROM [sqlite_master] WHERE [name] IN (%1)").arg(names));
    return !there.step() || there.column(0).toInt() != int(std::size(kMovieInFullNames));
}

} // namespace

void RegisterSchema()
{
    store::RegisterSchemaStep({6, QStringLiteral("titles that name one movie each"), uniqueTitles, {}});
    store::RegisterSchemaStep(
        {8, QStringLiteral("more names, characters and details of each movie"), movieInFull, movieInFullMissing});
}

} // namespace catalog
