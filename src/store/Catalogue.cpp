#include "store/Catalogue.h"

#include "shell/App.h"

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

QString describe(const QString& path, const QString& problem)
{
    return QStringLiteral("The catalogue \"%1\" cannot be opened: %2").arg(QDir::toNativeSeparators(path), problem);
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
            throw StoreError(SQLITE_NOTADB,
                             QStringLiteral("it is not a Reelkeeper catalogue (the table %1 is missing).")
                                 .arg(QString::fromLatin1(t)));
    for (const char* v : kViews)
        if (!has("view", v))
            throw StoreError(SQLITE_NOTADB,
                             QStringLiteral("it is not a Reelkeeper catalogue (the stored query %1 is missing).")
                                 .arg(QString::fromLatin1(v)));
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
        throw StoreError(SQLITE_CORRUPT, QStringLiteral("database disk image is malformed: ") + verdict);
    checked.insert(key);
}

} // namespace

QString CataloguePath()
{
    return shell::App::Path() + QStringLiteral("/Reelkeeper.mdb");
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
        throw StoreError(SQLITE_NOTADB, describe(path, QStringLiteral("the file is empty.")));
    try {
        Connection db(path, Connection::Mode::ReadWrite);
        verify(db);
        checkOnce(db, path);
        // WAL lets the browser's reads and a command's write go on side by side. FULL syncs the log
        // at every commit, so a change reported as saved survives a power loss too, not only a
        // program crash; saves come at the pace of typing, so the sync costs nothing noticeable.
        Statement mode(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        mode.step();
        db.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        return db;
    } catch (const StoreError& e) {
        if (e.message().startsWith(QStringLiteral("The catalogue ")))
            throw;
        QString reason = e.message();
        const int primary = e.code() & 0xff;
        if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
            reason = QStringLiteral("the file is damaged or is not a catalogue (%1).").arg(e.message());
        else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
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
    Connection db(path, Connection::Mode::ReadWriteCreate);
    db.exec(SchemaSql());
    Statement mode(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    mode.step();
}

} // namespace store
