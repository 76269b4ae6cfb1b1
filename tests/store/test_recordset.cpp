// The result-set contract every window relies on.
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QTest>

using store::Recordset;
using store::StoreError;

class TestRecordset : public QObject
{
    Q_OBJECT
private slots:
    void namesIgnoreCaseAndBrackets();
    void countsAndMovement();
    void addEditDeleteThroughTable();
    void deleteThroughMovieView();
    void movieViewReadsRowsOnDemand();
    void bookmarkSurvivesRequeryAndOtherConnection();
    void valuesRoundTripExactly_data();
    void valuesRoundTripExactly();
    void errorsCarryEngineNumbers();
};

void TestRecordset::namesIgnoreCaseAndBrackets()
{
    testing::TempCatalogue cat;
    cat.addMovie(QStringLiteral("Alien"), {{QStringLiteral("Director"), QStringLiteral("Ridley Scott")}});
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM [qry_Movie_Title]"));
    for (const char* name : {"Director", "director", "[DIRECTOR]", " [Director] "})
        QCOMPARE(rs.Fields(QString::fromLatin1(name)).Value().toString(), QStringLiteral("Ridley Scott"));
}

void TestRecordset::countsAndMovement()
{
    testing::TempCatalogue cat;
    for (const char* t : {"Cc", "aa", "Bb"})
        cat.addMovie(QString::fromLatin1(t));
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM qry_Movie_Title"));
    QCOMPARE(rs.RecordCount(), 3); // full count straight after opening
    QStringList seen;
    for (; !rs.Eof(); rs.MoveNext())
        seen << rs.Value(QStringLiteral("Movie_Title")).toString();
    QCOMPARE(seen, (QStringList{QStringLiteral("aa"), QStringLiteral("Bb"), QStringLiteral("Cc")}));
    rs.MoveLast();
    QCOMPARE(rs.AbsolutePosition(), 2);
    rs.MoveFirst();
    QCOMPARE(rs.AbsolutePosition(), 0);

    Recordset none(db, QStringLiteral("SELECT * FROM tbl_Movie_Title WHERE Movie_Title = ?"), {QStringLiteral("zz")});
    QVERIFY(none.Eof());
    QVERIFY(none.Bof());
    QCOMPARE(none.RecordCount(), 0);
}

void TestRecordset::addEditDeleteThroughTable()
{
    testing::TempCatalogue cat;
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM [tbl_Director] WHERE [Director] = ?"), {QStringLiteral("x")});
    rs.AddNew();
    rs.Fields(QStringLiteral("Director")) = QStringLiteral("Agnès Varda");
    rs.Update();
    const qint64 key = rs.LastInsertedKey();
    QVERIFY(key > 1);
    QCOMPARE(cat.scalar(QStringLiteral("SELECT Director FROM tbl_Director WHERE Director_ID = ?"), {key}).toString(),
             QStringLiteral("Agnès Varda"));

    Recordset movies(db, QStringLiteral("SELECT * FROM [tbl_Movie_Title]"));
    movies.AddNew();
    movies.Fields(QStringLiteral("Movie_Title")) = QStringLiteral("Cléo");
    movies.Update();
    // Unwritten columns take their defaults: "Unknown" credits and a false Widescreen.
    movies.MoveLast();
    QCOMPARE(movies.Value(QStringLiteral("Director_ID")).toLongLong(), 1);
    QCOMPARE(movies.Value(QStringLiteral("Widescreen")).toLongLong(), 0);
    QCOMPARE(movies.Value(QStringLiteral("Movie_ID")).toLongLong(), movies.LastInsertedKey());

    movies.Edit();
    movies.Fields(QStringLiteral("Grade")) = QStringLiteral("A");
    movies.Update();
    QCOMPARE(cat.scalar(QStringLiteral("SELECT Grade FROM tbl_Movie_Title")).toString(), QStringLiteral("A"));

    movies.Delete();
    QCOMPARE(cat.scalar(QStringLiteral("SELECT count(*) FROM tbl_Movie_Title")).toInt(), 0);
}

void TestRecordset::deleteThroughMovieView()
{
    testing::TempCatalogue cat;
    const qint64 a = cat.addMovie(QStringLiteral("Same"), {{QStringLiteral("Director"), QStringLiteral("D")}});
    const qint64 b = cat.addMovie(QStringLiteral("Same"), {{QStringLiteral("Director"), QStringLiteral("D")}});
    cat.link(cat.addActor(QStringLiteral("Last"), QStringLiteral("First")), a);
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Director], [Movie_Title]"));
    rs.SetBookmark(b);
    rs.Delete();
    QVERIFY(rs.Eof() || rs.AbsolutePosition() >= 0);
    // Only that movie's own row goes; its twin, the director and the cast link stay.
    QCOMPARE(cat.scalar(QStringLiteral("SELECT group_concat(Movie_ID) FROM tbl_Movie_Title")).toLongLong(), a);
    QCOMPARE(cat.scalar(QStringLiteral("SELECT count(*) FROM tbl_Director")).toInt(), 2);
    QCOMPARE(cat.scalar(QStringLiteral("SELECT count(*) FROM tbl_Actor_Movie_Join")).toInt(), 1);
    QCOMPARE(rs.RecordCount(), 1);
}

void TestRecordset::movieViewReadsRowsOnDemand()
{
    testing::TempCatalogue cat;
    {
        auto db = cat.open();
        store::Transaction tx(db);
        store::Statement add(db, QStringLiteral("INSERT INTO tbl_Movie_Title (Movie_Title, Grade) VALUES (?, ?)"));
        for (int i = 0; i < 150; ++i) { // more than one block of fetched rows
            add.reset();
            add.bindAll({QStringLiteral("M%1").arg(149 - i, 3, 10, QLatin1Char('0')), QString::number(i)});
            add.run();
        }
        tx.commit();
    }
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Grade], [Movie_Title]"));
    QCOMPARE(rs.RecordCount(), 150);
    QStringList grades; // grades are text, so "130" sorts before "14"
    for (int i = 0; i < 150; ++i)
        grades << QString::number(i);
    grades.sort();
    rs.SetAbsolutePosition(130); // read out of order first
    QCOMPARE(rs.Value(QStringLiteral("Movie_Title")).toString(),
             QStringLiteral("M%1").arg(149 - grades[130].toInt(), 3, 10, QLatin1Char('0')));
    rs.MoveFirst();
    for (int row = 0; !rs.Eof(); rs.MoveNext(), ++row) {
        const QString grade = rs.Value(QStringLiteral("Grade")).toString();
        QCOMPARE(rs.Value(QStringLiteral("Movie_Title")).toString(),
                 QStringLiteral("M%1").arg(149 - grade.toInt(), 3, 10, QLatin1Char('0')));
        QCOMPARE(rs.At(row, rs.ColumnIndex(QStringLiteral("Grade"))).toString(), grade);
    }
    // A row another program deletes after the requery reads as empty until the next one.
    Recordset fresh(db, QStringLiteral("SELECT * FROM qry_Movie_Title"));
    {
        auto other = cat.open();
        other.exec(QStringLiteral("DELETE FROM tbl_Movie_Title WHERE Movie_Title = 'M149'"));
    }
    fresh.MoveLast();
    QCOMPARE(fresh.Value(QStringLiteral("Movie_Title")), QVariant());
    fresh.Requery();
    QCOMPARE(fresh.RecordCount(), 149);
}

void TestRecordset::bookmarkSurvivesRequeryAndOtherConnection()
{
    testing::TempCatalogue cat;
    cat.addMovie(QStringLiteral("B"));
    const qint64 c = cat.addMovie(QStringLiteral("C"));
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM qry_Movie_Title"));
    rs.MoveNext();
    const QVariant mark = rs.Bookmark();
    QCOMPARE(mark.toLongLong(), c);

    // Another connection writes while this set is open: no lock, and the requery sees it.
    cat.addMovie(QStringLiteral("A"));
    {
        auto other = cat.open();
        store::Statement up(other, QStringLiteral("UPDATE tbl_Movie_Title SET Grade = ? WHERE Movie_ID = ?"));
        up.bindAll({QStringLiteral("B+"), c});
        up.run();
    }
    rs.Requery();
    QCOMPARE(rs.RecordCount(), 3);
    rs.SetBookmark(mark);
    QCOMPARE(rs.AbsolutePosition(), 2);
    QCOMPARE(rs.Value(QStringLiteral("Grade")).toString(), QStringLiteral("B+"));
    rs.SetBookmark(qint64(9999)); // a row that is gone: stay put
    QCOMPARE(rs.AbsolutePosition(), 2);
}

void TestRecordset::valuesRoundTripExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("double quote") << QStringLiteral("The \"Big\" Sleep");
    QTest::newRow("apostrophe") << QStringLiteral("O'Brien's");
    QTest::newRow("like and escape") << QStringLiteral("100% \\ _x_");
    QTest::newRow("statement text") << QStringLiteral("x\"; DELETE FROM tbl_Movie_Title; --");
    QTest::newRow("non-ascii") << QStringLiteral("Amélie — Ærø 東京");
}

void TestRecordset::valuesRoundTripExactly()
{
    QFETCH(QString, value);
    testing::TempCatalogue cat;
    cat.addMovie(QStringLiteral("Other"));
    cat.addMovie(value, {{QStringLiteral("Director"), value}});
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM [qry_Movie_Title] WHERE [Movie_Title] = ?"), {value});
    QCOMPARE(rs.RecordCount(), 1);
    QCOMPARE(rs.Value(QStringLiteral("Director")).toString(), value);
    QCOMPARE(cat.scalar(QStringLiteral("SELECT count(*) FROM tbl_Movie_Title")).toInt(), 2);
}

void TestRecordset::errorsCarryEngineNumbers()
{
    testing::TempCatalogue cat;
    const auto db = cat.open();
    Recordset rs(db, QStringLiteral("SELECT * FROM qry_Movie_Title"));
    auto code = [](auto&& f) {
        try {
            f();
        } catch (const StoreError& e) {
            return e.code();
        }
        return 0;
    };
    QCOMPARE(code([&] { rs.Value(QStringLiteral("Movie_Title")); }), 3021);
    QCOMPARE(code([&] { rs.Fields(QStringLiteral("NoSuchColumn")); }), 3265);
    QCOMPARE(code([&] { rs.AddNew(); }), 3027);
    Recordset table(db, QStringLiteral("SELECT * FROM tbl_Genre"));
    QCOMPARE(code([&] { table.Update(); }), 3020);
    table.Close();
    QCOMPARE(code([&] { table.RecordCount(); }), 3420);
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "test_recordset.moc"
