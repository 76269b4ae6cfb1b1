// The shipped schema, its views and plans, and that creating never overwrites a file.
#include "store/Catalogue.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using store::Recordset;
using store::StoreError;

const auto S = [](const char* text) { return QString::fromLatin1(text); };
// One column of every row the statement yields, joined.
static QString column(const store::Connection& db, const char* sql, const char* name, std::vector<QVariant> params = {})
{
    QStringList out;
    for (Recordset rs(db, S(sql), std::move(params)); !rs.Eof(); rs.MoveNext())
        out << rs.Value(S(name)).toString();
    return out.join(QLatin1Char('|'));
}

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void viewsColumnsAndOrders()
    {
        testing::TempCatalogue cat;
        const qint64 b = cat.addMovie(
            S("Beta"), {{S("Director"), S("Zed")}, {S("Widescreen"), true}, {S("Year_Released"), S("1999")}});
        const qint64 a = cat.addMovie(S("alpha"), {{S("Year_Released"), S("1980")}});
        const qint64 x = cat.addActor(S("Smith"), S("Ann")), y = cat.addActor(S("adams"), S("Bob"));
        for (auto [actor, movie] : {std::pair{x, b}, {y, b}, {x, a}})
            cat.link(actor, movie);
        const auto db = cat.open();

        Recordset movies(db, S("SELECT * FROM qry_Movie_Title"));
        QStringList cols;
        for (int i = 0; i < movies.ColumnCount(); ++i)
            cols << movies.ColumnName(i);
        QCOMPARE(cols.join(QLatin1Char(',')),
                 S("Movie_Title,Director,Producer,Writer,Screenwriter,Composer,Executive_Producer,"
                   "Cinematographer,Genre,Studio,Format,Length,Year_Released,Grade,Rating,Widescreen,Movie_ID"));
        // Orders are case-blind; credits not given read "Unknown".
        QCOMPARE(column(db, "SELECT * FROM qry_Movie_Title", "Director"), S("Unknown|Zed"));
        QCOMPARE(column(db, "SELECT * FROM qry_Actor_Movie_Join", "Actor"), S("adams, Bob|Smith, Ann|Smith, Ann"));
        QCOMPARE(column(db, "SELECT * FROM qry_Actor_Report", "Movie_Title"), S("Beta|alpha|Beta"));
        QCOMPARE(column(db, "SELECT * FROM qry_Widescreen_Report", "Director"), S("Zed"));
        QCOMPARE(column(db, "SELECT * FROM qry_Year_Report WHERE [Year_Released] = ?", "Movie_Title", {S("1980")}),
                 S("alpha"));
    }

    void lookupsUseIndexes()
    {
        testing::TempCatalogue cat;
        auto db = cat.open();
        for (const char* sql :
             {"SELECT [Actor] FROM qry_Actor_Movie_Join WHERE [Movie_Title] = ?",
              "SELECT * FROM qry_Actor WHERE [Actor] = ?", "SELECT * FROM qry_Actor_Report WHERE [Actor] = ?",
              "SELECT * FROM qry_Actor_Movie_Join WHERE [Actor] = ?",
              "SELECT * FROM qry_Movie_Title WHERE [Movie_Title] = ?",
              "SELECT * FROM [tbl_Director] WHERE [Director] = ?",
              "SELECT * FROM [tbl_Screenplay] WHERE [Screenwriter] = ?",
              "SELECT * FROM [tbl_Movie_Title] WHERE [Director_ID] = ?",
              "SELECT * FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?"}) {
            store::Statement plan(db, S("EXPLAIN QUERY PLAN ") + S(sql));
            plan.bind(1, S("x"));
            QStringList steps;
            while (plan.step())
                steps << plan.column(3).toString();
            QVERIFY2(steps.filter(QRegularExpression(S("^SCAN"))).isEmpty(),
                     qPrintable(S(sql) + S(": ") + steps.join(S(" | "))));
        }
    }

    // Damaged and foreign files at start are the reliability tests' business; here creation, and a
    // path the system takes but the engine does not.
    void createRefusesExistingFileOpenRefusesLongPath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(S("Reelkeeper.mdb"));
        store::Connection(path, store::Connection::Mode::ReadWriteCreate).exec(S("CREATE TABLE notes (t TEXT)"));
        QVERIFY_THROWS_EXCEPTION(StoreError, store::CreateCatalogue(path));
        store::Connection again(path, store::Connection::Mode::ReadWrite);
        QVERIFY(store::Statement(again, S("SELECT count(*) FROM notes")).step());

        const QString deep = dir.filePath(QStringList(3, QString(200, QLatin1Char('d'))).join(QLatin1Char('/')));
        QVERIFY(QDir().mkpath(deep) && QFile::copy(path, deep + S("/Reelkeeper.mdb")));
        try {
            store::OpenDatabase(deep + S("/Reelkeeper.mdb"));
            QFAIL("opened");
        } catch (const StoreError& e) {
            QVERIFY2(e.message().contains(S("characters long")), qPrintable(e.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"
