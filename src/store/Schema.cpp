#include "store/Schema.h"

#include "covers/CoverSchema.h"
#include "find/FindSchema.h"
#include "loans/LoanSchema.h"
#include "store/SortOrder.h"
#include "store/Sqlite.h"

#include <QScopeGuard>
#include <memory>
#include <sqlite3.h>

namespace store {

namespace {

UpgradeProgress& progressHook()
{
    static UpgradeProgress hook;
    return hook;
}

int schemaVersion(const Connection& db)
{
    Statement q(db, QStringLiteral("PRAGMA user_version"));
    return q.step() ? q.column(0).toInt() : 0;
}

void run(Connection& db, const QStringList& statements)
{
    for (const QString& sql : statements)
        db.exec(sql);
}

// The find index's objects: every table, view and trigger named for it.
const char* const kFindObjects =
    "([name] LIKE 'tbl\\_Find\\_%' ESCAPE '\\' OR [name] LIKE 'qry\\_Find\\_%' ESCAPE '\\' OR "
    "[name] LIKE 'trg\\_Find\\_%' ESCAPE '\\')";

// Whether the find index is laid out as today's code makes it, object by object: the catalogue
// keeps each statement as it was given. Earlier builds changed the layout under one version
// number; a change to it always gets a version step now, and this catches one that slips by.
bool findIndexCurrent(const Connection& db)
{
    // The tables the full-text engine keeps for itself follow from its statement.
    Statement q(db, QStringLiteral("SELECT [sql] FROM [sqlite_master] WHERE [sql] IS NOT NULL AND %1 AND [name] NOT "
                                   "LIKE ?1 || '\\_%' ESCAPE '\\' AND [name] NOT LIKE ?2 || '\\_%' ESCAPE '\\'")
                        .arg(QLatin1String(kFindObjects)));
    q.bind(1, QString(find::kWordsTable).replace(QLatin1Char('_'), QStringLiteral("\\_")));
    q.bind(2, QString(find::kTrigramTable).replace(QLatin1Char('_'), QStringLiteral("\\_")));
    QStringList found, wanted = find::CreateIndexSql();
    while (q.step())
        found << q.column(0).toString();
    found.sort();
    wanted.sort();
    return found == wanted;
}

// Drops whatever find index the catalogue holds: triggers and the view first, then the full-text
// tables, which take the engine's own tables with them, then the rest.
void dropFindIndex(Connection& db)
{
    Statement q(db, QStringLiteral("SELECT [type], [name] FROM [sqlite_master] WHERE [type] IN ('trigger', 'view', "
                                   "'table') AND %1 ORDER BY [type] = 'table', [sql] NOT LIKE 'CREATE VIRTUAL%'")
                        .arg(QLatin1String(kFindObjects)));
    QStringList drops;
    while (q.step())
        drops << QStringLiteral("DROP %1 IF EXISTS \"%2\"")
                     .arg(q.column(0).toString().toUpper(),
                          q.column(1).toString().replace(QLatin1Char('"'), QStringLiteral("\"\"")));
    q.reset();
    run(db, drops);
}

// Version 2: the find index, filled in batches so the progress window can follow and cancel.
void addFindIndex(Connection& db)
{
    run(db, find::CreateIndexSql());
    Statement range(db, QStringLiteral("SELECT ifnull(min([Movie_ID]), 0), ifnull(max([Movie_ID]), -1), count(*) "
                                       "FROM [tbl_Movie_Title]"));
    range.step();
    const qint64 first = range.column(0).toLongLong(), last = range.column(1).toLongLong();
    const qint64 total = range.column(2).toLongLong();
    std::vector<std::unique_ptr<Statement>> fill;
    for (const QString& sql : find::FillIndexSql())
        fill.push_back(std::make_unique<Statement>(db, sql));
    constexpr qint64 kBatch = 2000;
    const UpgradeProgress& progress = progressHook();
    for (qint64 low = first; low <= last; low += kBatch) {
        if (progress && !progress(qMin(total, (low - first) * total / qMax<qint64>(1, last - first + 1)), total))
            throw StoreError(SQLITE_INTERRUPT,
                             QStringLiteral("its upgrade was cancelled; the catalogue was left as it was."));
        for (auto& q : fill) {
            q->reset();
            q->bind(1, low);
            q->bind(2, low + kBatch - 1);
            q->run();
        }
    }
    if (progress)
        progress(total, total);
}

// Version 3: the indexes the grid reads its orders from. Each is one long statement, so the engine
// reports while it builds one: the progress moves (in movies, as the other steps count, guessed
// from the work done) and Cancel stops the statement.
void addSortIndexes(Connection& db)
{
    Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    count.step();
    struct Tick
    {
        const UpgradeProgress& progress;
        qint64 total, done = 0, span = 0, ticks = 0;
    } tick{progressHook(), count.column(0).toLongLong()};
    if (!tick.progress) {
        run(db, SortIndexSql());
        return;
    }
    constexpr int kOps = 20000; // engine steps between reports, about a millisecond
    sqlite3_progress_handler(
        db.handle(), kOps,
        [](void* data) {
            auto* t = static_cast<Tick*>(data);
            // About forty engine steps per movie; never past the end of this index's share.
            const qint64 within = qMin(t->span * 9 / 10, ++t->ticks * kOps / 40);
            return t->progress(t->done + within, t->total) ? 0 : 1;
        },
        &tick);
    const auto quiet = qScopeGuard([&] { sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr); });
    const QStringList sql = SortIndexSql();
    for (qsizetype i = 0; i < sql.size(); ++i) {
        tick.done = tick.total * i / sql.size();
        tick.span = tick.total / sql.size();
        tick.ticks = 0;
        try {
            db.exec(sql[i]);
        } catch (const StoreError& e) {
            if (e.code() != SQLITE_INTERRUPT)
                throw;
            throw StoreError(SQLITE_INTERRUPT,
                             QStringLiteral("its upgrade was cancelled; the catalogue was left as it was."));
        }
    }
    tick.progress(tick.total, tick.total);
}

} // namespace

void RefuseNewerSchema(const Connection& db)
{
    const int version = schemaVersion(db);
    if (version > kSchemaVersion)
        throw StoreError(SQLITE_CANTOPEN,
                         QStringLiteral("it was written by a newer version of Reelkeeper (catalogue version %1; this "
                                        "program reads up to version %2). Open it with the newer program.")
                             .arg(version)
                             .arg(kSchemaVersion));
}

void UpgradeSchema(Connection& db)
{
    if (schemaVersion(db) >= kSchemaVersion && findIndexCurrent(db))
        return;
    // The index is written once, straight into the file, not first into the log and then copied
    // again; where another connection holds the file the log stays, and only the time differs.
    const auto setJournal = [&](const char* mode) {
        try {
            db.exec(QStringLiteral("PRAGMA journal_mode = ") + QLatin1String(mode));
        } catch (const StoreError&) {
        }
    };
    setJournal("DELETE");
    const auto backToLog = qScopeGuard([&] { setJournal("WAL"); });
    Transaction unit(db); // backs the file up first
    // Read again under the write lock: another connection may have upgraded it meanwhile.
    int version = schemaVersion(db);
    const bool findCurrent = findIndexCurrent(db);
    if (version >= kSchemaVersion && findCurrent)
        return;
    if (!findCurrent) { // not there before version 2, or of an earlier layout: made afresh
        dropFindIndex(db);
        addFindIndex(db);
    }
    if (version < 3)
        addSortIndexes(db);
    if (version < 4)
        run(db, covers::CreateCoverSql());
    if (version < 5)
        run(db, loans::CreateLoanTablesSql());
    version = kSchemaVersion;
    db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    unit.commit();
}

UpgradeProgress SetUpgradeProgress(UpgradeProgress progress)
{
    std::swap(progressHook(), progress);
    return progress;
}

} // namespace store
