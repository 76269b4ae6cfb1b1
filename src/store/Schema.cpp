#include "store/Schema.h"

#include "store/Sqlite.h"

#include <QScopeGuard>
#include <algorithm>
#include <mutex>
#include <sqlite3.h>
#include <vector>

namespace store {

namespace {

struct Registry
{
    std::mutex lock;
    std::vector<SchemaStep> steps; // by version
    std::function<void(const QStringList&)> notice;
};

Registry& registry()
{
    static Registry r;
    return r;
}

std::vector<SchemaStep> steps()
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.steps;
}

int schemaVersion(const Connection& db)
{
    Statement q(db, QStringLiteral("PRAGMA user_version"));
    return q.step() ? q.column(0).toInt() : 0;
}

bool needed(const SchemaStep& step, const Connection& db, int version)
{
    return version < step.version || (step.stale && step.stale(db));
}

qint64 pragma(const Connection& db, const char* name)
{
    Statement q(db, QStringLiteral("PRAGMA ") + QLatin1String(name));
    return q.step() ? q.column(0).toLongLong() : 0;
}

// A step that replaced something large (an earlier find index) leaves its pages free inside the
// file: they are given back while the user waits for the upgrade anyway, so the file is the size of
// what it holds. Where that cannot be done now (another program has the file open, Cancel), the file
// stays as large and whole as it was.
void reclaim(Connection& db, const UpgradeProgress& progress, const std::function<void(const QString&)>& announce)
{
    const qint64 pages = pragma(db, "page_count");
    if (pragma(db, "freelist_count") * 4 <= pages)
        return;
    if (announce)
        announce(QStringLiteral("a smaller file"));
    try {
        // The copy it makes on the way is as large as the catalogue: on the disk, not in memory.
        db.exec(QStringLiteral("PRAGMA temp_store = FILE"));
        RunReporting(db, {QStringLiteral("VACUUM")}, pages, progress);
    } catch (const StoreError&) {
    }
    try {
        db.exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
    } catch (const StoreError&) {
    }
}

} // namespace

void RegisterSchemaStep(SchemaStep step)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const auto at =
        std::find_if(r.steps.begin(), r.steps.end(), [&](const SchemaStep& s) { return s.version >= step.version; });
    if (at != r.steps.end() && at->version == step.version)
        *at = std::move(step);
    else
        r.steps.insert(at, std::move(step));
}

int SchemaVersion()
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.steps.empty() ? 1 : std::max(1, r.steps.back().version);
}

void CancelledUpgrade()
{
    throw StoreError(SQLITE_INTERRUPT, QStringLiteral("its upgrade was cancelled; the catalogue was left as it was."));
}

void RefuseNewerSchema(const Connection& db)
{
    const int version = schemaVersion(db);
    if (version > SchemaVersion())
        throw StoreError(SQLITE_CANTOPEN,
                         QStringLiteral("it was written by a newer version of Reelkeeper (catalogue version %1; this "
                                        "program reads up to version %2). Open it with the newer program.")
                             .arg(version)
                             .arg(SchemaVersion()));
}

bool NeedsUpgrade(const Connection& db)
{
    const int version = schemaVersion(db);
    const std::vector<SchemaStep> all = steps();
    return std::any_of(all.begin(), all.end(), [&](const SchemaStep& s) { return needed(s, db, version); });
}

QStringList UpgradeSchema(Connection& db, const UpgradeProgress& progress,
                          const std::function<void(const QString&)>& announce)
{
    if (!NeedsUpgrade(db))
        return {};
    // What a step builds is written once, straight into the file, not first into the log and then
    // copied again; where another connection holds the file the log stays, and only the time differs.
    const auto setJournal = [&](const char* mode) {
        try {
            db.exec(QStringLiteral("PRAGMA journal_mode = ") + QLatin1String(mode));
        } catch (const StoreError&) {
        }
    };
    setJournal("DELETE");
    const auto backToLog = qScopeGuard([&] { setJournal("WAL"); });
    Transaction unit(db); // backs the file up first
    // Read again under the write lock: another connection may have upgraded it meanwhile. Each step
    // is judged just before it runs, as an earlier one may have taken away what a later one made.
    const int version = schemaVersion(db);
    QStringList told;
    int reached = version;
    for (const SchemaStep& step : steps()) {
        if (!needed(step, db, version))
            continue;
        if (announce)
            announce(step.adds);
        step.run(db, progress, told);
        reached = std::max(reached, step.version);
    }
    db.exec(QStringLiteral("PRAGMA user_version = %1").arg(std::max(reached, SchemaVersion())));
    unit.commit();
    reclaim(db, progress, announce);
    return told;
}

void SetUpgradeNotice(std::function<void(const QStringList& told)> notice)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    r.notice = std::move(notice);
}

namespace detail {
void TellUpgrade(const QStringList& told)
{
    if (told.isEmpty())
        return;
    std::function<void(const QStringList&)> notice;
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        notice = r.notice;
    }
    if (notice)
        notice(told);
}
} // namespace detail

void RunReporting(Connection& db, const QStringList& statements, qint64 total, const UpgradeProgress& progress)
{
    if (!progress) {
        for (const QString& sql : statements)
            db.exec(sql);
        return;
    }
    // Each statement is one long step of the engine's, so the engine reports while it runs: the
    // progress moves (guessed from the work done, about forty engine steps per row) and Cancel stops it.
    struct Tick
    {
        const UpgradeProgress& progress;
        qint64 total, done = 0, span = 0, ticks = 0;
    } tick{progress, total};
    constexpr int kOps = 20000; // engine steps between reports, about a millisecond
    sqlite3_progress_handler(
        db.handle(), kOps,
        [](void* data) {
            auto* t = static_cast<Tick*>(data);
            const qint64 within = qMin(t->span * 9 / 10, ++t->ticks * kOps / 40);
            return t->progress(t->done + within, t->total) ? 0 : 1;
        },
        &tick);
    const auto quiet = qScopeGuard([&] { sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr); });
    for (qsizetype i = 0; i < statements.size(); ++i) {
        tick.done = total * i / statements.size();
        tick.span = total / statements.size();
        tick.ticks = 0;
        try {
            db.exec(statements[i]);
        } catch (const StoreError& e) {
            if ((e.code() & 0xff) != SQLITE_INTERRUPT)
                throw;
            CancelledUpgrade();
        }
    }
    progress(total, total);
}

} // namespace store
