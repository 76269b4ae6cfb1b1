// The shipped schema, its views and plans, and how opening treats files that are not catalogues.
#include "store/Catalogue.h"
#include "store/Credits.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

using store::Recordset;
using store::StoreError;

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void everyLookupHoldsUnknown();
    void viewsColumnsAndOrders();
    void actorDisplayName_data();
    void actorDisplayName();
    void lookupsUseIndexes_data();
    void lookupsUseIndexes();
    void createRefusesExistingFile();
};

void TestCatalogue::everyLookupHoldsUnknown()
{
    testing::TempCatalogue cat;
    for (const store::Credit& l : store::kCredits) {
        const QString sql = QStringLiteral("SELECT [%1] FROM [%2] WHERE rowid = 1")
                                .arg(QString::fromLatin1(l.name), QString::fromLatin1(l.table));
        QCOMPARE(cat.scalar(sql).toString(), QStringLiteral("Unknown"));
    }
}

void TestCatalogue::viewsColumnsAndOrders()
{
    testing::TempCatalogue cat;
    const qint64 b = cat.addMovie(QStringLiteral("beta"), {{QStringLiteral("Director"), QStringLiteral("Zed")},
                                                           {QStringLiteral("Widescreen"), true},
                                                           {QStringLiteral("Year_Released"), QStringLiteral("1999")}});
    const qint64 a = cat.addMovie(QStringLiteral("Alpha"), {{QStringLiteral("Year_Released"), QStringLiteral("1980")}});
    const qint64 x = cat.addActor(QStringLiteral("smith"), QStringLiteral("Ann"));
    const qint64 y = cat.addActor(QStringLiteral("Adams"), QStringLiteral("Bob"));
    cat.link(x, b);
    cat.link(y, b);
    cat.link(x, a);
    const auto db = cat.open();

    Recordset movies(db, QStringLiteral("SELECT * FROM qry_Movie_Title"));
    QStringList cols;
    for (int i = 0; i < movies.ColumnCount(); ++i)
        cols << movies.ColumnName(i);
    QCOMPARE(cols.join(QLatin1Char(',')),
             QStringLiteral("Movie_Title,Director,Producer,Writer,Screenwriter,Composer,Executive_Producer,"
                            "Cinematographer,Genre,Studio,Format,Length,Year_Released,Grade,Rating,Widescreen,"
                            "Movie_ID"));
    QCOMPARE(movies.Value(QStringLiteral("Movie_Title")).toString(), QStringLiteral("Alpha")); // case-blind order
    QCOMPARE(movies.Value(QStringLiteral("Director")).toString(), QStringLiteral("Unknown"));

    Recordset cast(db, QStringLiteral("SELECT * FROM qry_Actor_Movie_Join"));
    QStringList rows;
    for (; !cast.Eof(); cast.MoveNext())
        rows << cast.Value(QStringLiteral("Actor")).toString() + QLatin1Char('/') +
                    cast.Value(QStringLiteral("Movie_Title")).toString();
    QCOMPARE(rows.first(), QStringLiteral("Adams, Bob/beta"));
    QCOMPARE(rows.size(), 3);

    Recordset wide(db, QStringLiteral("SELECT * FROM qry_Widescreen_Report"));
    QCOMPARE(wide.RecordCount(), 1);
    QCOMPARE(wide.Value(QStringLiteral("Director")).toString(), QStringLiteral("Zed"));

    Recordset report(db, QStringLiteral("SELECT * FROM qry_Actor_Report"));
    QStringList order;
    for (; !report.Eof(); report.MoveNext())
        order << report.Value(QStringLiteral("Movie_Title")).toString();
    QCOMPARE(order, (QStringList{QStringLiteral("beta"), QStringLiteral("Alpha"), QStringLiteral("beta")}));

    Recordset years(db, QStringLiteral("SELECT * FROM qry_Year_Report WHERE [Year_Released] = ?"),
                    {QStringLiteral("1980")});
    QCOMPARE(years.Value(QStringLiteral("Movie_Title")).toString(), QStringLiteral("Alpha"));
}

void TestCatalogue::actorDisplayName_data()
{
    QTest::addColumn<QVariant>("last");
    QTest::addColumn<QVariant>("first");
    QTest::addColumn<QString>("shown");
    QTest::newRow("both") << QVariant(QStringLiteral("Hepburn")) << QVariant(QStringLiteral("Audrey"))
                          << QStringLiteral("Hepburn, Audrey");
    QTest::newRow("first only") << QVariant(QString()) << QVariant(QStringLiteral("Cher")) << QStringLiteral(", Cher");
    QTest::newRow("null last") << QVariant() << QVariant(QStringLiteral("Cher")) << QStringLiteral(", Cher");
    QTest::newRow("last only") << QVariant(QStringLiteral("Garbo")) << QVariant() << QStringLiteral("Garbo, ");
    QTest::newRow("blanks kept") << QVariant(QStringLiteral(" Lee ")) << QVariant(QStringLiteral("Bruce"))
                                 << QStringLiteral(" Lee , Bruce");
}

void TestCatalogue::actorDisplayName()
{
    QFETCH(QVariant, last);
    QFETCH(QVariant, first);
    QFETCH(QString, shown);
    testing::TempCatalogue cat;
    {
        auto db = cat.open();
        store::Statement add(db,
                             QStringLiteral("INSERT INTO tbl_Actor (Actor_Last_Name, Actor_First_Name) VALUES (?, ?)"));
        add.bindAll({last, first});
        add.run();
    }
    QCOMPARE(cat.scalar(QStringLiteral("SELECT Actor FROM qry_Actor")).toString(), shown);
    // Found again by its display name, whatever the case.
    QCOMPARE(cat.scalar(QStringLiteral("SELECT count(*) FROM qry_Actor WHERE [Actor] = ?"), {shown.toUpper()}).toInt(),
             1);
}

void TestCatalogue::lookupsUseIndexes_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("starring") << QStringLiteral("SELECT [Actor] FROM qry_Actor_Movie_Join WHERE [Movie_Title] = ?");
    QTest::newRow("actor by name") << QStringLiteral("SELECT * FROM qry_Actor WHERE [Actor] = ?");
    QTest::newRow("actor report") << QStringLiteral("SELECT * FROM qry_Actor_Report WHERE [Actor] = ?");
    QTest::newRow("cast by actor") << QStringLiteral("SELECT * FROM qry_Actor_Movie_Join WHERE [Actor] = ?");
    QTest::newRow("movie by title") << QStringLiteral("SELECT * FROM qry_Movie_Title WHERE [Movie_Title] = ?");
    QTest::newRow("director by name") << QStringLiteral("SELECT * FROM [tbl_Director] WHERE [Director] = ?");
    QTest::newRow("screenwriter") << QStringLiteral("SELECT * FROM [tbl_Screenplay] WHERE [Screenwriter] = ?");
    QTest::newRow("movies of a director") << QStringLiteral("SELECT * FROM [tbl_Movie_Title] WHERE [Director_ID] = ?");
    QTest::newRow("links of a movie") << QStringLiteral("SELECT * FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?");
}

void TestCatalogue::lookupsUseIndexes()
{
    QFETCH(QString, sql);
    testing::TempCatalogue cat;
    auto db = cat.open();
    store::Statement plan(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    plan.bind(1, QStringLiteral("x"));
    QStringList steps;
    while (plan.step())
        steps << plan.column(3).toString();
    for (const QString& step : std::as_const(steps))
        QVERIFY2(!step.startsWith(QLatin1String("SCAN")), qPrintable(steps.join(QStringLiteral(" | "))));
}

// Damaged and foreign files at start are the reliability tests' business; here only creation.
void TestCatalogue::createRefusesExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Reelkeeper.mdb"));
    {
        store::Connection other(path, store::Connection::Mode::ReadWriteCreate);
        other.exec(QStringLiteral("CREATE TABLE notes (t TEXT)"));
    }
    QVERIFY_THROWS_EXCEPTION(StoreError, store::CreateCatalogue(path));
    store::Connection again(path, store::Connection::Mode::ReadWrite);
    store::Statement notes(again, QStringLiteral("SELECT count(*) FROM notes"));
    QVERIFY(notes.step());
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
