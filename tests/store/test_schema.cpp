// The catalogue's schema version: an older catalogue is upgraded once, after a backup, and all
// or nothing; a newer one is refused.
#include "Features.h"
#include "find/FindSchema.h"
#include "store/Backup.h"
#include "store/Catalogue.h"
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
    void initTestCase() { RegisterFeatures(); }

    // Also: two movies of one title, as an earlier import stored them, part by the year in brackets.
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
                    "INSERT INTO tbl_Actor_Movie_Join VALUES (1, 1);"
                    "INSERT INTO tbl_Movie_Title (Movie_Title, Year_Released) VALUES ('Heat', '1986'), "
                    "('HEAT', '1995'), ('Heat (1995)', '2001');"));
        QFile::rename(made, path);
        const QString state = S("PRAGMA user_version; SELECT count(*) FROM sqlite_master WHERE name IN "
                                "('tbl_Find_Words', 'tbl_Cover', 'tbl_Loan');");

        QVERIFY_THROWS_EXCEPTION(store::StoreError,
                                 store::UpgradeCatalogue(path, [](qint64, qint64) { return false; }, {})); // Cancel
        QCOMPARE(cli(path, state), S("1\n0"));

        qint64 seen = -1;
        QStringList steps;
        const QStringList told = store::UpgradeCatalogue(
            path, [&](qint64 done, qint64 total) { return seen = done, total == 4; },
            [&](const QString& adds) { steps << adds; });
        QCOMPARE(seen, 4);
        QCOMPARE(steps.removeDuplicates(), 0); // each step once, versions may leave gaps
        QVERIFY(steps.size() >= 6 && steps.size() <= store::SchemaVersion() - 1);
        QCOMPARE(told.mid(1), QStringList{S("\"HEAT\" is now \"HEAT (1995) (2)\"")});
        QCOMPARE(cli(path, S("SELECT group_concat(Movie_Title, '|') FROM (SELECT Movie_Title FROM tbl_Movie_Title "
                             "ORDER BY Movie_ID)")),
                 S("Amélie|Heat|HEAT (1995) (2)|Heat (1995)"));
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);
        // Found by its title, credit and cast; and the file stays the sqlite3 tool's to change.
        QCOMPARE(cli(path, state + S("SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH "
                                     "'amelie director:jeunet actor:audrey';"
                                     "UPDATE tbl_Actor SET Actor_First_Name = 'Audrée';"
                                     "SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH 'audree';")),
                 S("%1\n3\n1\n1").arg(store::SchemaVersion()));
    }

    // The catalogues users hold, with a find index of today's layout or of one of the two earlier
    // ones (the documents keyed by rowid alone; no trigger carrying a changed document into the
    // indexes), at version 2 or already past it: each ends at today's version and layout with its
    // loan tables, and the rest kept.
    void catalogueUpgraded_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("version");
        QTest::newRow("today's find index") << 3 << 2;
        QTest::newRow("first find index") << 1 << 2;
        QTest::newRow("first find index, versions later") << 1 << store::SchemaVersion();
        QTest::newRow("second find index") << 2 << 2;
        QTest::newRow("second find index, versions later") << 2 << store::SchemaVersion();
    }
    void catalogueUpgraded()
    {
        QFETCH(int, layout);
        QFETCH(int, version);
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb")), made = path + S(".new");
        QStringList index;
        for (QString sql : find::CreateIndexSql()) {
            if (layout < 3 && sql.contains(S("[trg_Find_Document_Update]")))
                continue;
            if (layout < 2 && sql.contains(S("[tbl_Find_Document]")))
                sql.remove(S("[Movie_ID] INTEGER PRIMARY KEY, "))
                    .remove(S("content_rowid='Movie_ID', "))
                    .remove(S(", columnsize=0"))
                    .replace(S("new.[Movie_ID]"), S("new.rowid"))
                    .replace(S("old.[Movie_ID]"), S("old.rowid"));
            index << sql;
        }
        if (version == 2) {
            store::Connection(made, store::Connection::Mode::ReadWriteCreate).exec(store::SchemaSql());
        } else {
            store::CreateCatalogue(made);
            index = find::DropCatalogueTriggerSql() +
                    QStringList{S("DROP TABLE tbl_Find_Words"), S("DROP TABLE tbl_Find_Trigram"),
                                S("DROP VIEW qry_Find_Document"), S("DROP TABLE tbl_Find_Document")} +
                    index;
        }
        {
            store::Connection db(made, store::Connection::Mode::ReadWrite);
            db.exec(S("INSERT INTO tbl_Movie_Title (Movie_Title) VALUES ('Alien')"));
            for (const QString& sql : index)
                db.exec(sql);
            const QString columns = S("[") + find::DocumentColumns().join(S("], [")) + S("]");
            db.exec(S("INSERT INTO tbl_Find_Document (rowid, %1) SELECT Movie_ID, %1 FROM qry_Find_Document; "
                      "PRAGMA user_version = %2")
                        .arg(columns)
                        .arg(version));
        }
        QFile::rename(made, path);
        store::OpenDatabase(path);
        // Found by its title, by a cast added since, and by its key as the grid's orders read it.
        QCOMPARE(cli(path, S("PRAGMA user_version; SELECT count(*) FROM tbl_Find_Words WHERE tbl_Find_Words MATCH "
                             "'alien'; INSERT INTO tbl_Actor (Actor_Last_Name) VALUES ('Weaver'); INSERT INTO "
                             "tbl_Actor_Movie_Join (Actor_ID, Movie_ID) SELECT max(Actor_ID), 1 FROM tbl_Actor; "
                             "SELECT count(*) FROM tbl_Find_Trigram WHERE tbl_Find_Trigram MATCH 'weaver'; "
                             "SELECT count(*) FROM tbl_Find_Document WHERE Movie_ID = 1; "
                             "INSERT INTO tbl_Borrower (Borrower) VALUES ('Anna'); INSERT INTO tbl_Loan "
                             "(Movie_ID, Borrower_ID, Date_Lent) VALUES (1, 1, '2026-12-03');"
                             "DELETE FROM tbl_Movie_Title; SELECT count(*) FROM tbl_Loan;")),
                 S("%1\n1\n1\n1\n0").arg(store::SchemaVersion()));
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);

        if (layout < 3)
            return;
        // Marked as from a newer release, it is refused and not backed up again.
        cli(path, S("PRAGMA user_version = %1").arg(store::SchemaVersion() + 1));
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
