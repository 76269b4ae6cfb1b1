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

} // namespace

void RegisterSchema()
{
    store::RegisterSchemaStep({6, QStringLiteral("titles that name one movie each"), uniqueTitles, {}});
}

} // namespace catalog
