#include "find/DetailWords.h"
#include "find/FindFeature.h"

#include "catalog/MovieWriter.h"
#include "find/FindSchema.h"
#include "find/SortOrder.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#include <memory>

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

// Fills the documents, and so both indexes, of the movies whose keys lie in [low, high].
class Filler
{
public:
    explicit Filler(store::Connection& db)
    {
        for (const QString& sql : FillIndexSql())
            m_fill.push_back(std::make_unique<store::Statement>(db, sql));
    }
    void fill(qint64 low, qint64 high)
    {
        for (auto& q : m_fill) {
            q->reset();
            q->bind(1, low);
            q->bind(2, high);
            q->run();
        }
    }

private:
    std::vector<std::unique_ptr<store::Statement>> m_fill;
};

// The find index made afresh, filled in batches so the progress window can follow and cancel.
void addIndex(store::Connection& db, const store::UpgradeProgress& progress, QStringList&)
{
    dropIndex(db);
    for (const QString& sql : CreateIndexSql())
        db.exec(sql);
    store::Statement range(db, QStringLiteral("SELECT ifnull(min([Movie_ID]), 0), ifnull(max([Movie_ID]), -1), "
                                              "count(*) FROM [tbl_Movie_Title]"));
    range.step();
    const qint64 first = range.column(0).toLongLong(), last = range.column(1).toLongLong();
    const qint64 total = range.column(2).toLongLong();
    range.reset();
    Filler filler(db);
    constexpr qint64 kBatch = 2000;
    for (qint64 low = first; low <= last; low += kBatch) {
        if (progress && !progress(qMin(total, (low - first) * total / qMax<qint64>(1, last - first + 1)), total))
            store::CancelledUpgrade();
        filler.fill(low, low + kBatch - 1);
    }
    if (progress)
        progress(total, total);
}

// The indexes the grid reads its orders from; made again where a rebuilt find index took its
// documents' ones with it.
QStringList missingSortIndexes(const store::Connection& db)
{
    QStringList missing;
    store::Statement there(db, QStringLiteral("SELECT 1 FROM [sqlite_master] WHERE [type] = 'index' AND [name] = ?"));
    for (const QString& sql : SortIndexSql()) {
        there.reset();
        there.bind(1, sql.section(QLatin1Char(' '), 2, 2).remove(QLatin1Char('[')).remove(QLatin1Char(']')));
        if (!there.step())
            missing << sql;
    }
    return missing;
}

void addSortIndexes(store::Connection& db, const store::UpgradeProgress& progress, QStringList&)
{
    store::Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    count.step();
    const qint64 total = count.column(0).toLongLong();
    count.reset();
    store::RunReporting(db, missingSortIndexes(db), total, progress);
}

} // namespace

void RegisterFeature()
{
    RegisterDetailWords();
    store::RegisterSchemaStep({2, QStringLiteral("finding movies as you type"), addIndex,
                               [](const store::Connection& db) { return !indexCurrent(db); }});
    store::RegisterSchemaStep({3, QStringLiteral("sorting by any column at once"), addSortIndexes,
                               [](const store::Connection& db) { return !missingSortIndexes(db).isEmpty(); }});
    // A bulk writer's movies reach the index once, after the last of them, rather than through the
    // triggers for every row and link. Any other connection sees the catalogue with its triggers,
    // before or after; a cancel restores them with the rest.
    catalog::AddBulkObserver(
        {[](store::Connection& db) {
             for (const QString& sql : DropCatalogueTriggerSql())
                 db.exec(sql);
         },
         [](store::Connection& db, const std::vector<qint64>& keys, const catalog::Progress& progress) {
             store::Statement drop(
                 db, QStringLiteral("DELETE FROM [tbl_Find_Document] WHERE [Movie_ID] BETWEEN ?1 AND ?2"));
             Filler filler(db);
             constexpr std::size_t kBatch = 1000;
             // Runs of following keys (an import's new movies) go as one range each.
             for (std::size_t i = 0; i < keys.size();) {
                 if (progress && !progress(qint64(i), qint64(keys.size())))
                     return false;
                 const std::size_t start = i;
                 while (i + 1 < keys.size() && keys[i + 1] == keys[i] + 1 && i + 1 - start < kBatch)
                     ++i;
                 drop.reset();
                 drop.bindAll({keys[start], keys[i]});
                 drop.run();
                 filler.fill(keys[start], keys[i]);
                 ++i;
             }
             for (const QString& sql : CatalogueTriggerSql())
                 db.exec(sql);
             return !progress || progress(qint64(keys.size()), qint64(keys.size()));
         }});
}

} // namespace find
