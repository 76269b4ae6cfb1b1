#include "store/Backup.h"

#include "store/Catalogue.h"
#include "store/Sqlite.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sqlite3.h>

namespace store {

namespace {

QSet<QString>& created()
{
    static QSet<QString> paths;
    return paths;
}

QSet<QString>& handled()
{
    static QSet<QString> paths;
    return paths;
}

std::function<void(const QString&)>& failureHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

QString key(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

// The number a copy was made under; -1 for a copy named by an older version (local time alone).
qint64 number(const QString& name)
{
    static const QRegularExpression numbered(QStringLiteral("^Reelkeeper-(\\d+)_.*\\.mdb$"));
    const QRegularExpressionMatch m = numbered.match(name);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

QStringList inOrder(const QDir& folder)
{
    QStringList copies = folder.entryList({QStringLiteral("Reelkeeper-*.mdb")}, QDir::Files, QDir::Name);
    // Numbers, not times: a clock set back (travel, summer time) must not make a new copy look old.
    std::stable_sort(copies.begin(), copies.end(),
                     [](const QString& a, const QString& b) { return number(a) < number(b); });
    return copies;
}

// A copy under way in another run (the command line beside the window) names its process; it is
// not left behind until that process is gone.
bool writtenByAnotherLiveProcess(const QString& part)
{
    static const QRegularExpression pidIn(QStringLiteral("Z-(\\d+)\\.mdb\\.part"));
    const QRegularExpressionMatch m = pidIn.match(part);
    if (!m.hasMatch())
        return false;
    const qint64 pid = m.captured(1).toLongLong();
    if (pid <= 0 || pid == QCoreApplication::applicationPid())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

void prune(QDir folder, const QString& kept)
{
    // A copy cut short by a crash never got its final name, and its journal stayed behind with it.
    const QStringList leftovers{QStringLiteral("Reelkeeper-*.part"), QStringLiteral("Reelkeeper-*.part-journal"),
                                QStringLiteral("Reelkeeper-*.part-wal"), QStringLiteral("Reelkeeper-*.part-shm")};
    for (const QString& part : folder.entryList(leftovers, QDir::Files | QDir::Hidden | QDir::System))
        if (!writtenByAnotherLiveProcess(part))
            folder.remove(part);
    const QStringList copies = inOrder(folder);
    for (qsizetype i = 0; i < copies.size() - kBackupsKept; ++i)
        if (copies[i] != kept)
            folder.remove(copies[i]);
}

} // namespace

QString BackupFolder(const QString& cataloguePath)
{
    return QFileInfo(cataloguePath).absolutePath() + QStringLiteral("/backups");
}

QStringList Backups(const QString& cataloguePath)
{
    return inOrder(QDir(BackupFolder(cataloguePath)));
}

namespace {

// Pages per step of a copy in the background: a few megabytes, so a stop is seen at once and the
// source is read-locked only briefly at a time.
constexpr int kPagesPerStep = 512;

void removePart(const QString& part)
{
    for (const char* tail : {"", "-journal"})
        QFile::remove(part + QLatin1String(tail));
}

// Copies `source` into a new file `part`, all at once or in steps until `stop` says so.
// Returns false when stopped; throws StoreError with the file named.
bool copyInto(sqlite3* source, const QString& part, int pagesPerStep, const std::atomic<bool>* stop)
{
    removePart(part);
    sqlite3* dest = nullptr;
    int rc = sqlite3_open_v2(part.toUtf8().constData(), &dest, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString problem;
    bool stopped = false;
    if (rc == SQLITE_OK) {
        sqlite3_backup* copy = sqlite3_backup_init(dest, "main", source, "main");
        if (copy) {
            for (;;) {
                const int step = sqlite3_backup_step(copy, pagesPerStep);
                if (step == SQLITE_DONE || (step != SQLITE_OK && step != SQLITE_BUSY && step != SQLITE_LOCKED))
                    break;
                if (stop && *stop) {
                    stopped = true;
                    break;
                }
                if (step != SQLITE_OK)
                    QThread::msleep(20); // another program holds the file for a moment
            }
            rc = sqlite3_backup_finish(copy); // the first error of any step
        } else {
            rc = sqlite3_errcode(dest);
        }
        if (rc != SQLITE_OK && !stopped)
            problem = ErrorText(rc, dest);
    } else {
        problem = QString::fromUtf8(sqlite3_errstr(rc));
    }
    if (sqlite3_close(dest) != SQLITE_OK && problem.isEmpty() && !stopped)
        problem = QStringLiteral("the copy could not be closed");
    if (!problem.isEmpty() || stopped)
        removePart(part);
    if (!problem.isEmpty())
        throw StoreError(rc == SQLITE_OK ? SQLITE_IOERR : rc,
                         QStringLiteral("%1 (%2).").arg(problem, QDir::toNativeSeparators(part)));
    return !stopped;
}

QDir backupFolder(const QString& cataloguePath)
{
    const QString folderPath = BackupFolder(cataloguePath);
    QDir folder(folderPath);
    if (!folder.exists() && !QDir().mkpath(folderPath))
        throw StoreError(SQLITE_CANTOPEN,
                         QStringLiteral("the folder \"%1\" cannot be made.").arg(QDir::toNativeSeparators(folderPath)));
    return folder;
}

// Where a copy is written until it is whole; named by the time and this process, since its number
// is taken only at the end.
QString partFor(const QDir& folder, const QString& stamp)
{
    return folder.filePath(
        QStringLiteral("Reelkeeper-%1Z-%2.mdb.part").arg(stamp).arg(QCoreApplication::applicationPid()));
}

QString utcStamp()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

// Gives the whole copy the next number, then removes all but the newest copies.
QString keep(QDir folder, const QString& part, const QString& stamp)
{
    const QStringList earlier = inOrder(folder);
    qint64 next = earlier.isEmpty() ? 1 : std::max<qint64>(number(earlier.last()), 0) + 1;
    auto nameFor = [&](qint64 n) {
        return folder.filePath(QStringLiteral("Reelkeeper-%1_%2Z.mdb").arg(n, 6, 10, QLatin1Char('0')).arg(stamp));
    };
    QString target = nameFor(next);
    while (QFileInfo::exists(target))
        target = nameFor(++next);
    if (!QFile::rename(part, target)) {
        removePart(part);
        throw StoreError(SQLITE_IOERR,
                         QStringLiteral("the copy could not be renamed (%1).").arg(QDir::toNativeSeparators(part)));
    }
    prune(folder, QFileInfo(target).fileName());
    return target;
}

// The copy in the background, one file at a time. A whole copy waits as a .part file for the
// run's first change: a run that changes nothing pushes no older copy out of the folder.
struct Copies
{
    enum class Outcome { Running, Ready, Kept, Failed, Dropped };
    std::mutex lock;
    QThreadPool pool; // its own: the copy reads for as long as it takes, the shared pool's work goes on
    QString path;     // the file being copied, by key
    QFuture<void> running;
    Outcome outcome = Outcome::Dropped;
    QString failure;     // the reason, for a failed copy
    QString part, stamp; // a ready copy and when it was begun
    std::atomic<bool> stopping{false};
    std::function<bool(QFuture<void>)> waiter;
    Copies() { pool.setMaxThreadCount(1); }
    ~Copies() { stop(); }
    void stop()
    {
        stopping = true;
        QFuture<void> copy;
        {
            std::lock_guard guard(lock);
            copy = running;
        }
        copy.waitForFinished();
        std::lock_guard guard(lock);
        if (outcome == Outcome::Ready)
            removePart(part);
        outcome = Outcome::Dropped;
    }
};

Copies& copies()
{
    static Copies c;
    return c;
}

void copyInBackground(const QString& path)
{
    Copies& c = copies();
    Copies::Outcome outcome = Copies::Outcome::Dropped;
    QString failure, part, stamp;
    sqlite3* source = nullptr;
    try {
        const int rc =
            sqlite3_open_v2(path.toUtf8().constData(), &source, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw StoreError(rc, ErrorText(rc, source));
        sqlite3_busy_timeout(source, 2000);
        stamp = utcStamp();
        part = partFor(backupFolder(path), stamp);
        if (copyInto(source, part, kPagesPerStep, &c.stopping)) {
            // Ready once the file is found sound: a copy of a damaged one is never kept, nor waited for.
            if (AwaitSound(path, [&c] { return c.stopping.load(); }))
                outcome = Copies::Outcome::Ready;
            else
                removePart(part);
        }
    } catch (const StoreError& e) {
        outcome = Copies::Outcome::Failed;
        failure = e.message();
    }
    sqlite3_close_v2(source);
    std::lock_guard guard(c.lock);
    c.outcome = outcome;
    c.failure = failure;
    c.part = part;
    c.stamp = stamp;
}

void tellFailure(const QString& path, const QString& why)
{
    if (failureHandler())
        failureHandler()(QStringLiteral("The catalogue \"%1\" could not be backed up before this change: %2")
                             .arg(QDir::toNativeSeparators(path), why) +
                         QStringLiteral("\nYour change goes ahead; the last good backups are kept."));
}

} // namespace

QString BackupCatalogue(sqlite3* source, const QString& cataloguePath)
{
    const QDir folder = backupFolder(cataloguePath);
    const QString stamp = utcStamp();
    const QString part = partFor(folder, stamp);
    // In steps as in the background: no slower than all at once, and it lets others read between them.
    copyInto(source, part, kPagesPerStep, nullptr);
    return keep(folder, part, stamp);
}

void MarkCreatedThisRun(const QString& path)
{
    std::lock_guard guard(copies().lock);
    created().insert(key(path));
}

void StartBackup(const QString& path)
{
    if (path.isEmpty())
        return;
    Copies& c = copies();
    const QString file = key(path);
    {
        std::lock_guard guard(c.lock);
        if (handled().contains(file) || created().contains(file) || c.path == file)
            return;
    }
    c.stop(); // a copy of an earlier file in this run
    c.stopping = false;
    std::lock_guard guard(c.lock);
    c.path = file;
    c.outcome = Copies::Outcome::Running;
    c.running = QtConcurrent::run(&c.pool, [file] { copyInBackground(file); });
}

void SetBackupWaiter(std::function<bool(QFuture<void> copy)> waiter)
{
    std::lock_guard guard(copies().lock);
    copies().waiter = std::move(waiter);
}

void StopBackups()
{
    Copies& c = copies();
    c.stop();
    std::lock_guard guard(c.lock);
    c.path.clear();
    c.running = QFuture<void>();
}

void BeforeFirstChange(sqlite3* db)
{
    const char* name = sqlite3_db_filename(db, "main");
    if (!name || !*name)
        return; // in memory
    const QString path = key(QString::fromUtf8(name));
    Copies& c = copies();
    QFuture<void> copy; // the copy in the background this change waits for
    std::function<bool(QFuture<void>)> waiter;
    {
        std::lock_guard guard(c.lock);
        if (c.path == path && !handled().contains(path)) {
            copy = c.running;
            waiter = c.waiter;
        }
    }
    const bool underWay = !copy.isFinished();
    // Nothing goes into a damaged file, nor into one whose check is still under way.
    RequireSound(QString::fromUtf8(name));
    // The change waits for the copy to end: begun before it, the copy would take it in too.
    if (underWay) {
        if (waiter && !waiter(copy))
            throw StoreError(SQLITE_INTERRUPT, QStringLiteral("Your change was not saved: the catalogue \"%1\" is "
                                                              "still being backed up. Try again in a moment.")
                                                   .arg(QDir::toNativeSeparators(path)));
        copy.waitForFinished();
    }
    std::unique_lock guard(c.lock);
    if (handled().contains(path) || created().contains(path))
        return;
    // Marked first: a failure is told once, and the copy's own writes never come back here.
    handled().insert(path);
    if (c.path == path && (c.outcome == Copies::Outcome::Ready || c.outcome == Copies::Outcome::Failed)) {
        const bool ready = c.outcome == Copies::Outcome::Ready;
        c.outcome = Copies::Outcome::Kept;
        const QString why = c.failure, part = c.part, stamp = c.stamp;
        guard.unlock();
        try {
            if (!ready)
                throw StoreError(SQLITE_IOERR, why);
            keep(QFileInfo(part).dir(), part, stamp);
        } catch (const StoreError& e) {
            tellFailure(path, e.message());
        }
        return;
    }
    guard.unlock(); // a copy made here may take long: the lock is for the marks alone
    try {
        BackupCatalogue(db, path);
    } catch (const StoreError& e) {
        tellFailure(path, e.message());
    }
}

void SetBackupFailureHandler(std::function<void(const QString& message)> handler)
{
    failureHandler() = std::move(handler);
}

} // namespace store
