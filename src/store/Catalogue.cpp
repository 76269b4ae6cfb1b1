#include "store/Catalogue.h"

#include "store/Backup.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <sqlite3.h>

namespace store {

namespace {

const char* const kTables[] = {"tbl_Movie_Title",     "tbl_Director", "tbl_Producer",   "tbl_Executive_Producer",
                               "tbl_Composer",        "tbl_Writer",   "tbl_Screenplay", "tbl_Cinematographer",
                               "tbl_Studio",          "tbl_Genre",    "tbl_Format",     "tbl_Actor",
                               "tbl_Actor_Movie_Join"};
const char* const kViews[] = {"qry_Movie_Title",       "qry_Actor",       "qry_Actor_Movie_Join", "qry_Year_Report",
                              "qry_Widescreen_Report", "qry_Actor_Report"};

// A file of the engine's that lacks the catalogue's tables or views.
constexpr int kForeign = SQLITE_NOTADB | (1 << 16);

QString& cataloguePath()
{
    static QString path;
    return path;
}

QString describe(const QString& path, const QString& problem)
{
    return QStringLiteral("The catalogue \"%1\" cannot be opened: %2").arg(QDir::toNativeSeparators(path), problem);
}

// What is wrong in plain words, what the user can do about it, and the engine's words last.
StoreError unusable(const QString& path, int code, const QString& problem, const QString& detail)
{
    const QString folder = QDir::toNativeSeparators(BackupFolder(path));
    const QStringList copies = Backups(path);
    const QString name = QFileInfo(path).fileName();
    QString advice;
    if (copies.isEmpty())
        advice = QStringLiteral("There is no backup of it in the folder \"%1\"; put back a copy you keep yourself.")
                     .arg(folder);
    else
        advice = QStringLiteral("You can put back your newest backup, \"%1\" in the folder \"%2\": close the "
                                "program, delete \"%3-wal\" and \"%3-shm\" beside the catalogue if they are there, "
                                "and copy the backup over it under the name \"%3\".")
                     .arg(copies.last(), folder, name);
    QString text = describe(path, problem) + QLatin1Char('\n') + advice;
    // The engine's words on one line: the message above already says what to do.
    const QString engine = detail.section(QLatin1Char('\n'), 0, 0).simplified();
    if (!engine.isEmpty())
        text += QStringLiteral("\nTechnical detail: ") + engine;
    return StoreError(code, text);
}

// SQLite's own limit on a file name, which a deep folder can exceed long before the system's.
void checkLength(const QString& path)
{
    const sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    const qsizetype length = QFileInfo(path).absoluteFilePath().toUtf8().size();
    if (vfs && length > vfs->mxPathname)
        throw StoreError(SQLITE_CANTOPEN,
                         describe(path, QStringLiteral("its path is %1 characters long, and the database engine "
                                                       "accepts at most %2. Move it to a folder with a shorter path.")
                                            .arg(length)
                                            .arg(vfs->mxPathname)));
}

void verify(const Connection& db)
{
    Statement q(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = ? AND name = ?"));
    auto has = [&](const char* type, const char* name) {
        q.reset();
        q.bind(1, QString::fromLatin1(type));
        q.bind(2, QString::fromLatin1(name));
        return q.step() && q.column(0).toLongLong() > 0;
    };
    for (const char* t : kTables)
        if (!has("table", t))
            throw StoreError(kForeign, QStringLiteral("the table %1 is missing.").arg(QString::fromLatin1(t)));
    for (const char* v : kViews)
        if (!has("view", v))
            throw StoreError(kForeign, QStringLiteral("the view %1 is missing.").arg(QString::fromLatin1(v)));
}

// What can be told of the file without opening it.
void refuseUnusable(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(SQLITE_CANTOPEN, describe(path, QStringLiteral("the file does not exist.")));
    if (info.isDir())
        throw StoreError(SQLITE_CANTOPEN, describe(path, QStringLiteral("it is a folder, not a file.")));
    if (!info.isReadable())
        throw StoreError(SQLITE_CANTOPEN, describe(path, QStringLiteral("you may not read it.")));
    if (!info.isWritable())
        throw StoreError(SQLITE_READONLY,
                         describe(path, QStringLiteral("it is read-only. Allow writing to it and start again.")));
    if (info.size() == 0)
        throw unusable(path, SQLITE_NOTADB, QStringLiteral("the file is empty."), QString());
    checkLength(path);
}

// The file's words for a failed open or check: plain words first, the engine's last.
StoreError explain(const QString& path, const StoreError& e)
{
    if (e.code() == kForeign)
        return unusable(path, SQLITE_NOTADB,
                        QStringLiteral("it is not a Reelkeeper catalogue, or a part of it is missing."), e.message());
    const int primary = e.code() & 0xff;
    if (primary == SQLITE_CORRUPT)
        return unusable(path, e.code(), QStringLiteral("the file is damaged."), e.message());
    if (primary == SQLITE_NOTADB)
        return unusable(path, e.code(), QStringLiteral("the file is damaged, or it is not a Reelkeeper catalogue."),
                        e.message());
    QString reason = e.message();
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        reason = QStringLiteral("another program is using it. Close that program and try again.");
    else if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return StoreError(e.code(), describe(path, reason));
}

// Runs the check on db; an empty result for a sound file.
std::optional<StoreError> quickCheck(sqlite3* db)
{
    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr);
    QString verdict;
    if (rc == SQLITE_OK && (rc = sqlite3_step(check)) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
    const int specific = check ? sqlite3_reset(check) : rc;
    sqlite3_finalize(check);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return StoreError(specific != SQLITE_OK ? specific : rc, ErrorText(specific != SQLITE_OK ? specific : rc, db));
    // The check's own report names pages and b-tree routines, which tell the user nothing.
    if (verdict != QLatin1String("ok"))
        return StoreError(SQLITE_CORRUPT, QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT)));
    return std::nullopt;
}

// Where each file's check stands in this run, by absolute path.
struct CheckState
{
    enum Stage { Deferred, Running, Sound, Failed } stage = Deferred;
    std::optional<StoreError> error; // as OpenDatabase would throw it
};

struct Checks
{
    std::mutex lock;
    std::condition_variable changed;
    std::map<QString, CheckState> files;
    std::atomic<bool> pending{false}; // a deferred, running or failed check: changes look first
    // The check reads every page for as long as that takes: a thread of its own keeps the shared
    // pool's for pictures and finds.
    QThreadPool pool;
    QFuture<void> running;             // the newest check; set under the lock
    sqlite3* checking = nullptr;       // its connection, for an interrupt
    std::atomic<bool> stopping{false}; // also seen before the check's statement first steps
    std::function<bool(QFuture<void>)> waiter;
    Checks() { pool.setMaxThreadCount(1); }
    ~Checks() { stop(); }
    void stop()
    {
        stopping = true;
        QFuture<void> check;
        {
            std::lock_guard guard(lock);
            if (checking)
                sqlite3_interrupt(checking);
            check = running;
        }
        check.waitForFinished();
    }
};

Checks& checks()
{
    static Checks c;
    return c;
}

QString checkKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

bool damaged(const StoreError& e)
{
    const int primary = e.code() & 0xff;
    return e.code() == kForeign || primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Records the verdict. A check that could not finish (busy, locked, out of memory...) gives none:
// the file goes back to deferred so the next change checks again, and the explained error is
// returned for the caller to throw once.
std::optional<StoreError> settle(const QString& key, const QString& path, std::optional<StoreError> error)
{
    Checks& c = checks();
    std::lock_guard guard(c.lock);
    CheckState& state = c.files[key];
    std::optional<StoreError> unfinished;
    if (!error) {
        state.stage = CheckState::Sound;
    } else if (damaged(*error)) {
        state.stage = CheckState::Failed;
        state.error = explain(path, *error);
    } else {
        state.stage = CheckState::Deferred;
        unfinished = explain(path, *error);
    }
    c.pending = std::any_of(c.files.cbegin(), c.files.cend(),
                            [](const auto& f) { return f.second.stage != CheckState::Sound; });
    c.changed.notify_all();
    return unfinished;
}

// A damaged file is found before the user's work goes into it. Once per file and run: the check
// reads every page.
void checkOnce(const Connection& db, const QString& path)
{
    const QString key = checkKey(path);
    {
        Checks& c = checks();
        std::lock_guard guard(c.lock);
        if (c.files.count(key))
            return; // checked, deferred or under way: reading goes on, changes wait for the verdict
    }
    if (auto error = quickCheck(db.handle()))
        throw *error;
    settle(key, path, std::nullopt);
}

} // namespace

void DeferCheck(const QString& path)
{
    Checks& c = checks();
    std::lock_guard guard(c.lock);
    c.files[checkKey(path)] = CheckState{};
    c.pending = true;
}

void StartCheck(const QString& path, std::function<void()> onVerdict)
{
    Checks& c = checks();
    const QString key = checkKey(path);
    bool decided = false; // a change made it already
    {
        std::lock_guard guard(c.lock);
        CheckState& state = c.files[key];
        if (state.stage != CheckState::Deferred) {
            if (state.stage == CheckState::Running)
                return;
            decided = true;
        } else {
            state.stage = CheckState::Running;
            c.pending = true;
        }
    }
    if (decided) {
        if (onVerdict)
            onVerdict(); // unlocked: it may well call RequireSound
        return;
    }
    c.stop(); // a check of an earlier file in this run
    c.stopping = false;
    std::lock_guard guard(c.lock);
    c.running = QtConcurrent::run(&c.pool, [key, path, onVerdict = std::move(onVerdict)] {
        Checks& c = checks();
        sqlite3* db = nullptr;
        std::optional<StoreError> error;
        int rc =
            sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_extended_result_codes(db, 1);
            sqlite3_busy_timeout(db, 2000);
            sqlite3_progress_handler(
                db, 1000, [](void* stopping) { return static_cast<std::atomic<bool>*>(stopping)->load() ? 1 : 0; },
                &c.stopping);
            {
                std::lock_guard guard(c.lock);
                c.checking = db;
            }
            error = quickCheck(db);
            std::lock_guard guard(c.lock);
            c.checking = nullptr;
        } else {
            error = StoreError(rc, ErrorText(rc, db));
        }
        sqlite3_close_v2(db);
        if (error && (error->code() & 0xff) == SQLITE_INTERRUPT) {
            std::lock_guard guard(c.lock);
            c.files[key].stage = CheckState::Deferred; // stopped at the end of the run: no verdict
            c.changed.notify_all();
            return;
        }
        if (settle(key, path, std::move(error)))
            return; // no verdict: the next change checks again
        if (onVerdict)
            onVerdict();
    });
}

bool IsDamage(const StoreError& error)
{
    return damaged(error);
}

StoreError RecordDamage(const QString& path, const StoreError& error)
{
    if (!damaged(error))
        return error;
    settle(checkKey(path), path, error);
    return explain(path, error);
}

void RequireSound(const QString& path)
{
    Checks& c = checks();
    if (!c.pending)
        return;
    const QString key = checkKey(path);
    std::unique_lock guard(c.lock);
    auto stage = [&] {
        const auto it = c.files.find(key);
        return it == c.files.end() ? CheckState::Sound : it->second.stage;
    };
    if (stage() == CheckState::Running) {
        const auto waiter = c.waiter;
        if (waiter) {
            const QFuture<void> running = c.running;
            guard.unlock();
            const bool waited = waiter(running);
            guard.lock();
            if (!waited)
                throw StoreError(SQLITE_INTERRUPT,
                                 QStringLiteral("Your change was not saved: the catalogue \"%1\" is still being "
                                                "checked for damage. Try again in a moment.")
                                     .arg(QDir::toNativeSeparators(path)));
        }
        c.changed.wait(guard, [&] { return stage() != CheckState::Running; });
    }
    // After the running check, as one that could not finish leaves the file deferred again.
    if (stage() == CheckState::Deferred) {
        guard.unlock();
        refuseUnusable(path);
        std::optional<StoreError> unfinished;
        try {
            const Connection db(path, Connection::Mode::ReadWrite);
            unfinished = settle(key, path, quickCheck(db.handle()));
        } catch (const StoreError& e) {
            throw explain(path, e); // not opened: no verdict
        }
        if (unfinished)
            throw *unfinished;
        guard.lock();
    }
    const auto it = c.files.find(key);
    if (it != c.files.end() && it->second.stage == CheckState::Failed)
        throw *it->second.error;
}

void SetCheckWaiter(std::function<bool(QFuture<void> check)> waiter)
{
    Checks& c = checks();
    std::lock_guard guard(c.lock);
    c.waiter = std::move(waiter);
}

bool AwaitSound(const QString& path, const std::function<bool()>& stopped)
{
    Checks& c = checks();
    const QString key = checkKey(path);
    std::unique_lock guard(c.lock);
    for (;;) {
        const auto it = c.files.find(key);
        if (it == c.files.end() || it->second.stage == CheckState::Sound)
            return true;
        if (it->second.stage == CheckState::Failed || stopped())
            return false;
        // A deferred check has no thread to tell of the end of the run: look again now and then.
        c.changed.wait_for(guard, std::chrono::milliseconds(50));
    }
}

void StopChecks()
{
    checks().stop();
}

void SetCataloguePath(const QString& path)
{
    cataloguePath() = path;
}

QString CataloguePath()
{
    return cataloguePath();
}

namespace {

Connection openChecked(const QString& path, const std::function<void(Connection&)>& upgrade)
{
    refuseUnusable(path);
    try {
        Connection db(path, Connection::Mode::ReadWrite);
        RefuseNewerSchema(db);
        verify(db);
        checkOnce(db, path);
        // WAL lets the browser's reads and a command's write go on side by side. FULL syncs the log
        // at every commit, so a change reported as saved survives a power loss too, not only a
        // program crash; saves come at the pace of typing, so the sync costs nothing noticeable.
        Statement mode(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        mode.step();
        mode.reset(); // a statement left open keeps a read snapshot that no later write may outgrow
        db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        upgrade(db);
        return db;
    } catch (const StoreError& e) {
        throw explain(path, e);
    }
}

} // namespace

void RefuseUnusable(const QString& path)
{
    refuseUnusable(path);
}

Connection OpenDatabase(const QString& path)
{
    return openChecked(path, [](Connection& db) { detail::TellUpgrade(UpgradeSchema(db)); });
}

QStringList UpgradeCatalogue(const QString& path, const UpgradeProgress& progress,
                             const std::function<void(const QString& adds)>& announce)
{
    QStringList told;
    openChecked(path, [&](Connection& db) { told = UpgradeSchema(db, progress, announce); });
    return told;
}

QString SchemaSql()
{
    QFile file(QStringLiteral(":/reelkeeper/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(SQLITE_INTERNAL, QStringLiteral("The catalogue schema is missing from the program."));
    return QString::fromUtf8(file.readAll());
}

void CreateCatalogue(const QString& path)
{
    if (QFileInfo::exists(path))
        throw StoreError(SQLITE_CANTOPEN, describe(path, QStringLiteral("a file of that name already exists.")));
    checkLength(path);
    Connection db(path, Connection::Mode::ReadWriteCreate);
    db.exec(SchemaSql());
    UpgradeSchema(db); // a new file has nothing to tell
    Statement mode(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    mode.step();
}

} // namespace store
