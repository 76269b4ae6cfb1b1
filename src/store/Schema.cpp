#include "store/Schema.h"

#include "find/FindSchema.h"
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

// Version 3: the indexes the grid reads its orders from. An index is built in one statement, so
// the progress moves (in movies, as the other steps count) and may cancel between indexes.
void addSortIndexes(Connection& db)
{
    Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    count.step();
    const qint64 total = count.column(0).toLongLong();
    const QStringList sql = SortIndexSql();
    const UpgradeProgress& progress = progressHook();
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (progress && !progress(total * i / sql.size(), total))
            throw StoreError(SQLITE_INTERRUPT,
                             QStringLiteral("its upgrade was cancelled; the catalogue was left as it was."));
        db.exec(sql[i]);
    }
    if (progress)
        progress(total, total);
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
    if (schemaVersion(db) >= kSchemaVersion)
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
    if (version >= kSchemaVersion)
        return;
    if (version < 2)
        addFindIndex(db);
    if (version < 3)
        addSortIndexes(db);
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
