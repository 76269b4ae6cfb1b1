// The catalogue's schema version: an older catalogue is upgraded once, after a backup, and all
// or nothing; a newer one is refused.
#include "find/FindSchema.h"
#include "store/Backup.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

const auto S = [](const char* text) { return QString::fromUtf8(text); };

// What the sqlite3 tool prints for the statements.
static QString cli(const QString& path, const QString& sql)
{
    QProcess tool;
    tool.start(S("sqlite3"), {path, sql});
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

class TestSchema : public QObject
{
    Q_OBJECT
private slots:
    void upgradeOnceAfterBackup()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb")), made = path + S(".new");
        // As the first release wrote it; made under another name, since a file this run creates
        // is not backed up.
        store::Connection(made, store::Connection::Mode::ReadWriteCreate)
            .exec(store::SchemaSql() +
                  S("INSERT INTO tbl_Director (Director) VALUES ('Jean-Pierre Jeunet');"
                    "INSERT INTO tbl_Movie_Title (Movie_Title, Director_ID) VALUES ('Amélie', 2);"
                    "INSERT INTO tbl_Actor (Actor_Last_Name, Actor_First_Name) VALUES ('Tautou', 'Audrey');"
                    "INSERT INTO tbl_Actor_Movie_Join VALUES (1, 1);"));
        QFile::rename(made, path);
        const QString state = S("PRAGMA user_version; SELECT count(*) FROM sqlite_master WHERE name IN "
                                "('tbl_Find_Words', 'tbl_Cover', 'tbl_Loan');");

        auto before = store::SetUpgradeProgress([](qint64, qint64) { return false; }); // Cancel
        QVERIFY_THROWS_EXCEPTION(store::StoreError, store::OpenDatabase(path));
        store::SetUpgradeProgress(before);
        QCOMPARE(cli(path, state), S("1\n0"));

        qint64 seen = -1;
        store::SetUpgradeProgress([&](qint64 done, qint64 total) { return seen = done, total == 1; });
        store::OpenDatabase(path);
        store::SetUpgradeProgress({});
        QCOMPARE(seen, 1);
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);
        // Found by its title, credit and cast; and the file stays the sqlite3 tool's to change.
        QCOMPARE(cli(path, state + S("SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH "
                                     "'amelie director:jeunet actor:audrey';"
                                     "UPDATE tbl_Actor SET Actor_First_Name = 'Audrée';"
                                     "SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH 'audree';")),
                 S("%1\n3\n1\n1").arg(store::kSchemaVersion));
    }

    // The catalogue users hold today, with its find index, gains the loan tables and keeps the rest;
    // a newer one is refused.
    void todaysCatalogueUpgradedNewerRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb")), made = path + S(".new");
        {
            store::Connection db(made, store::Connection::Mode::ReadWriteCreate);
            db.exec(store::SchemaSql() + S("INSERT INTO tbl_Movie_Title (Movie_Title) VALUES ('Alien');"));
            for (const QString& sql : find::CreateIndexSql())
                db.exec(sql);
            db.exec(S("PRAGMA user_version = 2"));
            db.exec(S("INSERT INTO tbl_Find_Document SELECT * FROM qry_Find_Document"));
        }
        QFile::rename(made, path);
        store::OpenDatabase(path);
        QCOMPARE(cli(path, S("PRAGMA user_version; SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH "
                             "'alien'; INSERT INTO tbl_Borrower (Borrower) VALUES ('Anna'); INSERT INTO tbl_Loan "
                             "(Movie_ID, Borrower_ID, Date_Lent) VALUES (1, 1, '2026-12-03');"
                             "DELETE FROM tbl_Movie_Title; SELECT count(*) FROM tbl_Loan;")),
                 S("%1\n1\n0").arg(store::kSchemaVersion));
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);

        // Marked as from a newer release, it is refused and not backed up again.
        cli(path, S("PRAGMA user_version = %1").arg(store::kSchemaVersion + 1));
        try {
            store::OpenDatabase(path);
            QFAIL("opened");
        } catch (const store::StoreError& e) {
            QVERIFY2(e.message().contains(S("written by a newer version of Reelkeeper")), qPrintable(e.message()));
        }
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
