#include "store/Catalogue.h"

#include "store/Backup.h"
#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
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
    if (!detail.isEmpty())
        text += QStringLiteral("\nTechnical detail: ") + detail;
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

// A damaged file is found when the program starts, not halfway through the user's work. Once per
// file and run: the check reads every page.
void checkOnce(const Connection& db, const QString& path)
{
    static QSet<QString> checked;
    const QString key = QFileInfo(path).absoluteFilePath();
    if (checked.contains(key))
        return;
    Statement check(db, QStringLiteral("PRAGMA quick_check(1)"));
    const QString verdict = check.step() ? check.column(0).toString() : QString();
    if (verdict != QLatin1String("ok"))
        throw StoreError(SQLITE_CORRUPT, QStringLiteral("database disk image is malformed: ") + verdict.simplified());
    checked.insert(key);
}

} // namespace

void SetCataloguePath(const QString& path)
{
    cataloguePath() = path;
}

QString CataloguePath()
{
    return cataloguePath();
}

Connection OpenDatabase(const QString& path)
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
        UpgradeSchema(db);
        return db;
    } catch (const StoreError& e) {
        if (e.code() == kForeign)
            throw unusable(path, SQLITE_NOTADB,
                           QStringLiteral("it is not a Reelkeeper catalogue, or a part of it is missing."),
                           e.message());
        const int primary = e.code() & 0xff;
        if (primary == SQLITE_CORRUPT)
            throw unusable(path, e.code(), QStringLiteral("the file is damaged."), e.message());
        if (primary == SQLITE_NOTADB)
            throw unusable(path, e.code(), QStringLiteral("the file is damaged, or it is not a Reelkeeper catalogue."),
                           e.message());
        QString reason = e.message();
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
            reason = QStringLiteral("another program is using it. Close that program and try again.");
        else if (!reason.endsWith(QLatin1Char('.')))
            reason += QLatin1Char('.');
        throw StoreError(e.code(), describe(path, reason));
    }
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
    UpgradeSchema(db);
    Statement mode(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    mode.step();
}

} // namespace store
