#include "find/FindFeature.h"

#include "catalog/MovieWriter.h"
#include "find/FindSchema.h"
#include "find/SortOrder.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#include <utility>
#include <vector>

namespace find {

namespace {

// The find index's objects: every table, view and trigger named for it.
const char* const kFindObjects =
    "([name] LIKE 'tbl\\_Find\\_%' ESCAPE '\\' OR [name] LIKE 'qry\\_Find\\_%' ESCAPE '\\' OR "
    "[name] LIKE 'trg\\_Find\\_%' ESCAPE '\\')";

// Whether the find index is laid out as today's code makes it, object by object: the catalogue
// keeps each statement as it was given. Earlier builds changed the layout under one version
// number; a change to it always gets a version step now, and this catches one that slips by.
bool indexCurrent(const store::Connection& db)
{
    // The tables the full-text engine keeps for itself follow from its statement.
    store::Statement q(db,
                       QStringLiteral("SELECT [sql] FROM [sqlite_master] WHERE [sql] IS NOT NULL AND %1 AND [name] NOT "
                                      "LIKE ?1 || '\\_%' ESCAPE '\\' AND [name] NOT LIKE ?2 || '\\_%' ESCAPE '\\'")
                           .arg(QLatin1String(kFindObjects)));
    q.bind(1, QString(kWordsTable).replace(QLatin1Char('_'), QStringLiteral("\\_")));
    q.bind(2, QString(kTrigramTable).replace(QLatin1Char('_'), QStringLiteral("\\_")));
    QStringList found, wanted = CreateIndexSql();
    while (q.step())
        found << q.column(0).toString();
    found.sort();
    wanted.sort();
    return found == wanted;
}

// Drops whatever find index the catalogue holds: triggers and the view first, then the full-text
// tables, which take the engine's own tables with them, then the rest.
void dropIndex(store::Connection& db)
{
    store::Statement q(db, QStringLiteral("SELECT [type], [name] FROM [sqlite_master] WHERE [type] IN ('trigger', "
                                          "'view', 'table') AND %1 ORDER BY [type] = 'table', [sql] NOT LIKE "
                                          "'CREATE VIRTUAL%'")
                               .arg(QLatin1String(kFindObjects)));
    QStringList drops;
    while (q.step())
        drops << QStringLiteral("DROP %1 IF EXISTS \"%2\"")
                     .arg(q.column(0).toString().toUpper(),
                          q.column(1).toString().replace(QLatin1Char('"'), QStringLiteral("\"\"")));
    q.reset();
    for (const QString& sql : drops)
        db.exec(sql);
}

// The find index made afresh, in the upgrade's transaction, the engine reporting as it fills.
void addIndex(store::Connection& db, const store::UpgradeProgress& progress, QStringList&)
{
    dropIndex(db);
    // The grid's orders no longer need indexes of their own beside every column (see SortOrder).
    store::Statement sorts(db, QStringLiteral("SELECT [name] FROM [sqlite_master] WHERE [type] = 'index' AND [name] "
                                              "LIKE 'idx\\_Sort\\_%' ESCAPE '\\'"));
    QStringList drops;
    while (sorts.step())
        drops << QStringLiteral("DROP INDEX \"%1\"").arg(sorts.column(0).toString());
    sorts.reset();
    for (const QString& sql : drops)
        db.exec(sql);
    for (const QString& sql : CreateIndexSql())
        db.exec(sql);
    store::Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    count.step();
    const qint64 total = count.column(0).toLongLong();
    count.reset();
    if (progress && !progress(0, total))
        store::CancelledUpgrade();
    store::RunReporting(db, FillIndexSql(), total, progress);
}

// The names version's table and triggers as the catalogue holds them: each one's name and statement.
std::vector<std::pair<QString, QString>> namesVersionHeld(const store::Connection& db)
{
    store::Statement q(db, QStringLiteral("SELECT [name], [sql] FROM [sqlite_master] WHERE [name] = ?1 OR [name] LIKE "
                                          "'trg\\_Names\\_Version\\_%' ESCAPE '\\'"));
    q.bind(1, kNamesVersionTable);
    std::vector<std::pair<QString, QString>> held;
    while (q.step())
        held.emplace_back(q.column(0).toString(), q.column(1).toString());
    return held;
}

bool namesVersionStale(const store::Connection& db)
{
    QStringList held, wanted = CreateNamesVersionSql();
    for (const auto& object : namesVersionHeld(db))
        held << object.second;
    wanted.removeIf([](const QString& sql) { return sql.startsWith(u"INSERT"); });
    held.sort();
    wanted.sort();
    return held != wanted;
}

void addNamesVersion(store::Connection& db, const store::UpgradeProgress&, QStringList&)
{
    for (const auto& [name, sql] : namesVersionHeld(db))
        if (name != kNamesVersionTable)
            db.exec(QStringLiteral("DROP TRIGGER [%1]").arg(name));
    db.exec(QStringLiteral("DROP TABLE IF EXISTS [%1]").arg(kNamesVersionTable));
    for (const QString& sql : CreateNamesVersionSql())
        db.exec(sql);
}

} // namespace

void RegisterFeature()
{
    // The first find index kept a document per movie; today's, which replaces it, comes with
    // version 10, after the movie in full has made the tables it also reads.
    store::RegisterSchemaStep({2,
                               QStringLiteral("the first find index"),
                               [](store::Connection&, const store::UpgradeProgress&, QStringList&) {},
                               {}});
    // Version 3 once added indexes for the grid's orders; version 10 takes them away again.
    store::RegisterSchemaStep({3,
                               QStringLiteral("sorting by any column at once"),
                               [](store::Connection&, const store::UpgradeProgress&, QStringList&) {},
                               {}});
    store::RegisterSchemaStep({10, QStringLiteral("finding movies as you type"), addIndex,
                               [](const store::Connection& db) { return !indexCurrent(db); }});
    store::RegisterSchemaStep(
        {12, QStringLiteral("finding names at once after a change"), addNamesVersion, namesVersionStale});
    // A bulk writer's values reach the index once, after the last movie. Any other connection
    // sees the catalogue with its triggers, before or after; a cancel restores them with the rest.
    catalog::AddBulkObserver({[](store::Connection& db) {
                                  for (const QString& sql : BulkStartSql())
                                      db.exec(sql);
                              },
                              [](store::Connection& db, const std::vector<qint64>&, const catalog::Progress& progress) {
                                  const QStringList sql = BulkFinishSql();
                                  for (qsizetype i = 0; i < sql.size(); ++i) {
                                      if (progress && !progress(i, sql.size()))
                                          return false;
                                      db.exec(sql[i]);
                                  }
                                  return !progress || progress(sql.size(), sql.size());
                              }});
}

} // namespace find
