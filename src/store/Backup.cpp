#include "store/Backup.h"

#include "store/Catalogue.h"
#include "store/Sqlite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
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

void prune(QDir folder, const QString& kept)
{
    // A copy cut short by a crash never got its final name, and its journal stayed behind with it.
    const QStringList leftovers{QStringLiteral("Reelkeeper-*.part"), QStringLiteral("Reelkeeper-*.part-journal"),
                                QStringLiteral("Reelkeeper-*.part-wal"), QStringLiteral("Reelkeeper-*.part-shm")};
    for (const QString& part : folder.entryList(leftovers, QDir::Files | QDir::Hidden | QDir::System))
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

QString BackupCatalogue(sqlite3* source, const QString& cataloguePath)
{
    const QString folderPath = BackupFolder(cataloguePath);
    QDir folder(folderPath);
    if (!folder.exists() && !QDir().mkpath(folderPath))
        throw StoreError(SQLITE_CANTOPEN,
                         QStringLiteral("the folder \"%1\" cannot be made.").arg(QDir::toNativeSeparators(folderPath)));
    const QStringList earlier = inOrder(folder);
    qint64 next = earlier.isEmpty() ? 1 : std::max<qint64>(number(earlier.last()), 0) + 1;
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    auto nameFor = [&](qint64 n) {
        return folder.filePath(QStringLiteral("Reelkeeper-%1_%2Z.mdb").arg(n, 6, 10, QLatin1Char('0')).arg(stamp));
    };
    QString target = nameFor(next);
    while (QFileInfo::exists(target))
        target = nameFor(++next);
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    sqlite3* dest = nullptr;
    int rc = sqlite3_open_v2(part.toUtf8().constData(), &dest, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString problem;
    if (rc == SQLITE_OK) {
        sqlite3_backup* copy = sqlite3_backup_init(dest, "main", source, "main");
        if (copy) {
            sqlite3_backup_step(copy, -1);
            rc = sqlite3_backup_finish(copy); // the first error of any step
        } else {
            rc = sqlite3_errcode(dest);
        }
        if (rc != SQLITE_OK)
            problem = ErrorText(rc, dest);
    } else {
        problem = QString::fromUtf8(sqlite3_errstr(rc));
    }
    if (sqlite3_close(dest) != SQLITE_OK && problem.isEmpty())
        problem = QStringLiteral("the copy could not be closed");
    if (problem.isEmpty() && !QFile::rename(part, target))
        problem = QStringLiteral("the copy could not be renamed");
    if (!problem.isEmpty()) {
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        throw StoreError(rc == SQLITE_OK ? SQLITE_IOERR : rc,
                         QStringLiteral("%1 (%2).").arg(problem, QDir::toNativeSeparators(part)));
    }
    prune(folder, QFileInfo(target).fileName());
    return target;
}

void MarkCreatedThisRun(const QString& path)
{
    created().insert(key(path));
}

void BeforeFirstChange(sqlite3* db)
{
    const char* name = sqlite3_db_filename(db, "main");
    if (!name || !*name)
        return; // in memory
    // Nothing goes into a damaged file, nor into one whose check is still under way.
    RequireSound(QString::fromUtf8(name));
    const QString path = key(QString::fromUtf8(name));
    if (handled().contains(path) || created().contains(path))
        return;
    // Marked first: a failure is told once, and the copy's own writes never come back here.
    handled().insert(path);
    try {
        BackupCatalogue(db, path);
    } catch (const StoreError& e) {
        if (failureHandler())
            failureHandler()(QStringLiteral("The catalogue \"%1\" could not be backed up before this change: %2")
                                 .arg(QDir::toNativeSeparators(path), e.message()) +
                             QStringLiteral("\nYour change goes ahead; the last good backups are kept."));
    }
}

void SetBackupFailureHandler(std::function<void(const QString& message)> handler)
{
    failureHandler() = std::move(handler);
}

} // namespace store
