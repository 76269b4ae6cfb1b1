#include "store/Backup.h"

#include "shell/Toolkit.h"
#include "store/Sqlite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
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

QString key(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

void prune(QDir folder)
{
    // A copy cut short by a crash never got its final name; it is of no use.
    for (const QString& part : folder.entryList({QStringLiteral("*.part")}, QDir::Files))
        folder.remove(part);
    const QStringList copies =
        folder.entryList({QStringLiteral("Reelkeeper-*.mdb")}, QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = kBackupsKept; i < copies.size(); ++i)
        folder.remove(copies[i]);
}

} // namespace

QString BackupFolder(const QString& cataloguePath)
{
    return QFileInfo(cataloguePath).absolutePath() + QStringLiteral("/backups");
}

QString BackupCatalogue(sqlite3* source, const QString& cataloguePath)
{
    const QString folderPath = BackupFolder(cataloguePath);
    QDir folder(folderPath);
    if (!folder.exists() && !QDir().mkpath(folderPath))
        throw StoreError(SQLITE_CANTOPEN,
                         QStringLiteral("the folder \"%1\" cannot be made.").arg(QDir::toNativeSeparators(folderPath)));
    // Names sort in time order, so pruning keeps the newest by name alone.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
    QString target = folder.filePath(QStringLiteral("Reelkeeper-%1.mdb").arg(stamp));
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = folder.filePath(QStringLiteral("Reelkeeper-%1_%2.mdb").arg(stamp).arg(n)); // sorts after
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
        throw StoreError(rc == SQLITE_OK ? SQLITE_IOERR : rc,
                         QStringLiteral("%1 (%2).").arg(problem, QDir::toNativeSeparators(part)));
    }
    prune(folder);
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
    const QString path = key(QString::fromUtf8(name));
    if (handled().contains(path) || created().contains(path))
        return;
    // Marked first: a failure is told once, and the copy's own writes never come back here.
    handled().insert(path);
    try {
        BackupCatalogue(db, path);
    } catch (const StoreError& e) {
        shell::MsgBox(QStringLiteral("The catalogue \"%1\" could not be backed up before this change: %2")
                              .arg(QDir::toNativeSeparators(path), e.message()) +
                          shell::kCrLf + QStringLiteral("Your change goes ahead; the last good backups are kept."),
                      shell::vbExclamation);
    }
}

} // namespace store
