// The catalogue's schema version: an older catalogue is upgraded once, after a backup, and all
// or nothing; a newer one is refused.
#include "Features.h"
#include "find/FindQuery.h"
#include "store/Backup.h"
#include "store/Catalogue.h"
#include "store/Schema.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <cstdio>

const auto S = [](const char* text) { return QString::fromUtf8(text); };

// What the sqlite3 tool prints for the statements.
static QString cli(const QString& path, const QString& sql)
{
    QProcess tool;
    tool.start(S("sqlite3"), {path, sql});
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// How many movies the find box shows for what was typed.
static qint64 found(const QString& path, const QString& typed)
{
    store::Connection db(path, store::Connection::Mode::ReadOnly);
    const find::Filter f = find::MatchFilter(typed);
    store::Statement q(db, S("SELECT count(*) FROM tbl_Movie_Title WHERE ") + f.where);
    q.bindAll(f.params);
    return q.step() ? q.column(0).toLongLong() : -1;
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
        QCOMPARE(found(path, S("amelie director:jeunet actor:audrey")), 1);
        QCOMPARE(cli(path, state + S("UPDATE tbl_Actor SET Actor_First_Name = 'Audrée';")),
                 S("%1\n3").arg(store::SchemaVersion()));
        QCOMPARE(found(path, S("amelie actor:audree")), 1);
        QCOMPARE(found(path, S("audrey")), 0);
    }

    // The catalogues users hold, with the first find index (a document per movie repeating every
    // name, indexed by its own sort indexes too) at version 2 or past the movie in full, or with
    // today's, or today's version with a piece of its index lost: each ends at today's version and
    // layout with its loan tables, and the rest kept.
    void catalogueUpgraded_data()
    {
        QTest::addColumn<bool>("documents");
        QTest::addColumn<int>("version");
        QTest::newRow("documents") << true << 2;
        QTest::newRow("documents, versions later") << true << 9;
        QTest::newRow("today's find index") << false << 9;
        QTest::newRow("today's version, a trigger lost") << false << store::SchemaVersion();
    }
    void catalogueUpgraded()
    {
        QFETCH(bool, documents);
        QFETCH(int, version);
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb")), made = path + S(".new");
        if (version == 2)
            store::Connection(made, store::Connection::Mode::ReadWriteCreate).exec(store::SchemaSql());
        else
            store::CreateCatalogue(made);
        {
            store::Connection db(made, store::Connection::Mode::ReadWrite);
            if (documents && version > 2) {
                store::Statement today(db, S("SELECT type, name FROM sqlite_master WHERE name LIKE 'trg_Find_%' OR "
                                             "name IN ('qry_Find_Value', 'tbl_Find_Words', 'tbl_Find_Trigram') "
                                             "ORDER BY type = 'table'"));
                QStringList drops;
                while (today.step())
                    drops << S("DROP %1 %2").arg(today.column(0).toString(), today.column(1).toString());
                today.reset();
                for (const QString& sql : drops)
                    db.exec(sql);
            }
            if (version == store::SchemaVersion())
                db.exec(S("DROP TRIGGER trg_Find_tbl_Actor_insert"));
            if (documents)
                db.exec(S("CREATE TABLE tbl_Find_Document (Movie_ID INTEGER PRIMARY KEY, Movie_Title, Director, Actor);"
                          "CREATE VIRTUAL TABLE tbl_Find_Words USING fts5(Movie_Title, Director, Actor, "
                          "content='tbl_Find_Document', content_rowid='Movie_ID');"
                          "CREATE VIRTUAL TABLE tbl_Find_Trigram USING fts5(Movie_Title, Director, Actor, "
                          "content='tbl_Find_Document', content_rowid='Movie_ID', tokenize='trigram');"
                          "CREATE TRIGGER trg_Find_Document_Insert AFTER INSERT ON tbl_Find_Document BEGIN INSERT "
                          "INTO tbl_Find_Words (rowid, Movie_Title) VALUES (new.Movie_ID, new.Movie_Title); END;"
                          "CREATE TRIGGER trg_Find_Movie_Insert AFTER INSERT ON tbl_Movie_Title BEGIN INSERT INTO "
                          "tbl_Find_Document (Movie_ID, Movie_Title) VALUES (new.Movie_ID, new.Movie_Title); END;"
                          "CREATE INDEX idx_Sort_Director ON tbl_Find_Document (Director, Movie_Title);"
                          "INSERT INTO tbl_Find_Document (Movie_ID, Actor) VALUES (999, zeroblob(2000000));"));
            db.exec(
                S("INSERT INTO tbl_Movie_Title (Movie_Title) VALUES ('Alien'); PRAGMA user_version = %1").arg(version));
        }
        QFile::rename(made, path);
        store::OpenDatabase(path);
        // Found by its title and by a cast added since; nothing of the documents left.
        QCOMPARE(found(path, S("alien")), 1);
        QCOMPARE(cli(path, S("PRAGMA user_version; INSERT INTO tbl_Actor (Actor_Last_Name) VALUES ('Weaver'); "
                             "INSERT INTO tbl_Actor_Movie_Join (Actor_ID, Movie_ID) SELECT max(Actor_ID), 1 FROM "
                             "tbl_Actor; SELECT count(*) FROM sqlite_master WHERE name LIKE '%Document%' OR name LIKE "
                             "'idx_Sort_Director';")),
                 S("%1\n0").arg(store::SchemaVersion()));
        QCOMPARE(found(path, S("alien eaver")), 1);
        QCOMPARE(cli(path, S("INSERT INTO tbl_Borrower (Borrower) VALUES ('Anna'); INSERT INTO tbl_Loan "
                             "(Movie_ID, Borrower_ID, Date_Lent) VALUES (1, 1, '2026-12-03');"
                             "DELETE FROM tbl_Movie_Title; SELECT count(*) FROM tbl_Loan;")),
                 S("0"));
        QCOMPARE(QDir(store::BackupFolder(path)).entryList({S("*.mdb")}).size(), 1);

        if (documents) { // the space the documents took is given back
            QVERIFY2(QFileInfo(path).size() < 1000000, qPrintable(QString::number(QFileInfo(path).size())));
            return;
        }
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

    // Killed at any moment of an upgrade that rebuilds the find index, the catalogue is whole with
    // either the old index or the new one, never a half; the next start ends the upgrade.
    void killedRebuildLeavesOldOrNew_data()
    {
        QTest::addColumn<double>("reached"); // the share of the movies the upgrade has reported
        QTest::newRow("at its start") << 0.0;
        QTest::newRow("half way") << 0.5;
        QTest::newRow("at its last report") << 1.0;
    }
    void killedRebuildLeavesOldOrNew()
    {
        QFETCH(double, reached);
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb")), made = path + S(".new");
        store::CreateCatalogue(made);
        store::Connection(made, store::Connection::Mode::ReadWrite)
            .exec(S("INSERT INTO tbl_Director (Director) VALUES ('Jean Moreau'), ('Ann Lee');"
                    "INSERT INTO tbl_Actor (Actor_Last_Name, Actor_First_Name) VALUES ('Tautou', 'Audrey');"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                    "INSERT INTO tbl_Movie_Title (Movie_Title, Director_ID) "
                    "SELECT iif(i % 4 = 0, 'River ', 'Road ') || i, 2 + i % 2 FROM n;"
                    "INSERT INTO tbl_Actor_Movie_Join SELECT 1, Movie_ID FROM tbl_Movie_Title WHERE Movie_ID % 5 = 0;"
                    "DROP TRIGGER trg_Find_tbl_Actor_insert;")); // so the index is made again
        QFile::rename(made, path);
        const QString typed = S("river director:moreau actor:audrey"),
                      trigger = S("SELECT count(*) FROM sqlite_master WHERE name = 'trg_Find_tbl_Actor_insert'");
        QProcess child;
        testing::MakeKillable(child);
        child.start(QCoreApplication::applicationFilePath(), {S("upgrade"), path});
        for (bool far = false; !far && child.waitForReadyRead(20000);)
            while (!far && child.canReadLine()) {
                const QList<QByteArray> report = child.readLine().trimmed().split(' ');
                far = report.value(0).toLongLong() >= reached * report.value(1).toDouble();
            }
        QVERIFY(child.state() == QProcess::Running);
        child.kill();
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(cli(path, S("PRAGMA integrity_check")), S("ok"));
        QCOMPARE(found(path, typed), 1000);
        QCOMPARE(cli(path, trigger), S("0"));
        store::UpgradeCatalogue(path, {}, {});
        QCOMPARE(found(path, typed), 1000);
        QCOMPARE(cli(path, trigger), S("1"));
    }
};

// Run as `upgrade <catalogue>`: the upgrade alone, reporting "<done> <total>" on stdout and as slow
// as a loaded machine, so a kill lands in it.
int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "upgrade") == 0) {
        QCoreApplication app(argc, argv);
        RegisterFeatures();
        store::UpgradeCatalogue(QString::fromLocal8Bit(argv[2]),
                                [](qint64 done, qint64 total) {
                                    std::printf("%lld %lld\n", done, total);
                                    std::fflush(stdout);
                                    QThread::msleep(done < total ? 20 : 500);
                                    return true;
                                },
                                {});
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestSchema test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_schema.moc"
