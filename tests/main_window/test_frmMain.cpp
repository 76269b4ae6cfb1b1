// The movie browser: binding, quick info, status, activation, layout rules and sorting.
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using main_window::frmMain;

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { shell::CurrentMovieTitle().clear(); }
    void rowChangeFillsQuickInfo();
    void starringFollowsTitleAndOrder();
    void activationRequeriesAndKeepsRow();
    void emptyCatalogueAndNullFields();
    void resizeRulesKeepThresholds();
    void sortingStatementsAndCheckMarks_data();
    void sortingStatementsAndCheckMarks();
    void headerClickSortsAndWidescreenUnchecks();
    void modelIsSound();

private:
    struct Fixture
    {
        testing::TempCatalogue cat;
        std::unique_ptr<frmMain> w;
        void load()
        {
            w = std::make_unique<frmMain>();
            QVERIFY(w->Form_Load());
            w->show();
        }
        QString text(const char* name) const
        {
            if (auto* l = w->findChild<QLabel*>(QString::fromLatin1(name)))
                return l->text();
            return w->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
        }
        QAction* item(const char* name) const { return w->findChild<QAction*>(QString::fromLatin1(name)); }
    };
    static void threeMovies(testing::TempCatalogue& cat)
    {
        cat.addMovie(QStringLiteral("Casablanca"), {{QStringLiteral("Director"), QStringLiteral("Curtiz")},
                                                    {QStringLiteral("Year_Released"), QStringLiteral("1942")},
                                                    {QStringLiteral("Length"), QStringLiteral("1:42")},
                                                    {QStringLiteral("Grade"), QStringLiteral("A")}});
        cat.addMovie(QStringLiteral("alien"), {{QStringLiteral("Director"), QStringLiteral("Scott")},
                                               {QStringLiteral("Year_Released"), QStringLiteral("1979")},
                                               {QStringLiteral("Length"), QStringLiteral("1:57")},
                                               {QStringLiteral("Grade"), QStringLiteral("A-")}});
        cat.addMovie(QStringLiteral("Brazil"), {{QStringLiteral("Director"), QStringLiteral("Gilliam")},
                                                {QStringLiteral("Year_Released"), QStringLiteral("1985")},
                                                {QStringLiteral("Length"), QStringLiteral("2:22")},
                                                {QStringLiteral("Grade"), QStringLiteral("B+")},
                                                {QStringLiteral("Widescreen"), true}});
    }
};

void TestFrmMain::rowChangeFillsQuickInfo()
{
    Fixture f;
    threeMovies(f.cat);
    f.load();
    QCOMPARE(f.w->objectName(), QStringLiteral("frmMain"));
    QCOMPARE(f.w->windowTitle(), QStringLiteral("Cinevault - Reelkeeper"));
    QCOMPARE(f.text("txtStatus"), QStringLiteral("Record 1 of 3"));
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("alien"));

    f.w->dbgMovie()->SetRow(2);
    QCOMPARE(f.text("txtStatus"), QStringLiteral("Record 3 of 3"));
    QCOMPARE(f.text("lblYear"), QStringLiteral("1942"));
    QCOMPARE(f.text("lblTime"), QStringLiteral("1:42"));
    QCOMPARE(f.text("lblGrade"), QStringLiteral("A"));
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("Casablanca"));

    // A column change in the same row refreshes and makes the title column current again.
    f.w->dbgMovie()->SetCol(5);
    QCOMPARE(f.w->dbgMovie()->Col(), 0);
    QCOMPARE(f.w->dbgMovie()->Text(), QStringLiteral("Casablanca"));
    QCOMPARE(f.w->datMovieQuery()->CellText(1, 15), QStringLiteral("True"));
}

void TestFrmMain::starringFollowsTitleAndOrder()
{
    Fixture f;
    const qint64 a = f.cat.addMovie(QStringLiteral("Twin \"Peaks\""));
    const qint64 b = f.cat.addMovie(QStringLiteral("Twin \"Peaks\""));
    f.cat.addMovie(QStringLiteral("Zero"));
    f.cat.link(f.cat.addActor(QStringLiteral("Zane"), QStringLiteral("Billy")), a);
    f.cat.link(f.cat.addActor(QStringLiteral("Lynch"), QStringLiteral("David")), b);
    f.cat.link(f.cat.addActor(QStringLiteral("MacLachlan"), QStringLiteral("Kyle")), a);
    f.load();
    // The list goes by title, so both movies of one title show every linked actor, in name order.
    const auto* starring = f.w->findChild<QLabel*>(QStringLiteral("lblStarring"));
    QCOMPARE(starring->property("rawText").toString(),
             QStringLiteral("Lynch, David\r\nMacLachlan, Kyle\r\nZane, Billy\r\n"));
    f.w->dbgMovie()->SetRow(2);
    QCOMPARE(starring->text(), QString());
}

void TestFrmMain::activationRequeriesAndKeepsRow()
{
    Fixture f;
    threeMovies(f.cat);
    f.load();
    f.w->dbgMovie()->SetRow(1); // Brazil
    // Another window adds a movie before it and changes this one.
    f.cat.addMovie(QStringLiteral("Amadeus"));
    {
        auto db = f.cat.open();
        store::Statement up(db, QStringLiteral("UPDATE tbl_Movie_Title SET Grade = ? WHERE Movie_Title = ?"));
        up.bindAll({QStringLiteral("A+"), QStringLiteral("Brazil")});
        up.run();
    }
    f.w->Form_Activate();
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("Brazil"));
    QCOMPARE(f.text("txtStatus"), QStringLiteral("Record 3 of 4"));
    QCOMPARE(f.text("lblGrade"), QStringLiteral("A+"));
}

void TestFrmMain::emptyCatalogueAndNullFields()
{
    {
        Fixture f;
        f.load();
        f.w->Form_Activate();
        QCOMPARE(f.text("txtStatus"), QString());
        QCOMPARE(f.text("lblYear"), QString());
        QCOMPARE(f.text("lblStarring"), QString());
        QCOMPARE(shell::CurrentMovieTitle(), QString());
        f.w->dbgMovie_HeadClick(3);
    }
    Fixture f;
    {
        auto db = f.cat.open();
        db.exec(QStringLiteral("INSERT INTO tbl_Movie_Title (Movie_Title) VALUES ('Bare')"));
    }
    f.load();
    QCOMPARE(f.text("txtStatus"), QStringLiteral("Record 1 of 1"));
    QCOMPARE(f.text("lblYear"), QString());
    QCOMPARE(f.text("lblGrade"), QString());
}

void TestFrmMain::resizeRulesKeepThresholds()
{
    Fixture f;
    threeMovies(f.cat);
    f.load();
    const auto twips = [&](const char* name) {
        return f.w->TwipGeometry(f.w->findChild<QWidget*>(QString::fromLatin1(name)));
    };
    auto resizeTo = [&](double w, double h) {
        f.w->resize(shell::TwipsToPixelsX(w), shell::TwipsToPixelsY(h));
        QCoreApplication::processEvents();
    };
    resizeTo(9000, 8000);
    const double w = f.w->WidthTwips();
    const double h = f.w->HeightTwips();
    QCOMPARE(twips("dbgMovie").width(), w - 3500);
    QCOMPARE(twips("Frame").width(), w - 3500 + 300);
    QCOMPARE(twips("frmInfo").left(), w - 3500 + 500);
    QCOMPARE(twips("dbgMovie").height(), h - 2200);
    QCOMPARE(twips("Frame").height(), h - 2200 + 400);
    QCOMPARE(twips("frmInfo").height(), h - 2200 + 400);
    QCOMPARE(twips("txtStatus").top(), h - 2200 + twips("dbgMovie").top() + 200);
    QCOMPARE(twips("lblStarring").height(), h - 2200 + 400 - 3100); // the panel is taller than 3101

    // Too small in both directions: the last layout stays.
    const QRectF grid = twips("dbgMovie");
    const QRectF status = twips("txtStatus");
    resizeTo(3000, 2000);
    QCOMPARE(twips("dbgMovie"), grid);
    QCOMPARE(twips("txtStatus"), status);
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("alien"));
}

void TestFrmMain::sortingStatementsAndCheckMarks_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("first");
    QTest::newRow("year") << QStringLiteral("mnuSortYear") << 12
                          << QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Year_Released], [Movie_Title]")
                          << QStringLiteral("Casablanca");
    QTest::newRow("director") << QStringLiteral("mnuSortDirector") << 1
                              << QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Director], [Movie_Title]")
                              << QStringLiteral("Casablanca");
    QTest::newRow("title twice") << QStringLiteral("mnuSortMovieTitle") << 0
                                 << QStringLiteral(
                                        "Select * FROM [qry_Movie_Title] Order By [Movie_Title], [Movie_Title]")
                                 << QStringLiteral("alien");
    QTest::newRow("grade as text") << QStringLiteral("mnuSortGrade") << 13
                                   << QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Grade], [Movie_Title]")
                                   << QStringLiteral("Casablanca");
}

void TestFrmMain::sortingStatementsAndCheckMarks()
{
    QFETCH(QString, item);
    QFETCH(int, column);
    QFETCH(QString, statement);
    QFETCH(QString, first);
    Fixture f;
    threeMovies(f.cat);
    f.load();
    QVERIFY(f.item("mnuSortMovieTitle")->isChecked());
    f.w->dbgMovie()->SetRow(2);
    f.w->findChild<QAction*>(item)->trigger();
    QCOMPARE(f.w->datMovieQuery()->RecordSource(), statement);
    QCOMPARE(f.w->SortColumn(), column);
    QCOMPARE(f.w->dbgMovie()->Row(), 0);
    QCOMPARE(shell::CurrentMovieTitle(), first);
    int checked = 0;
    for (QAction* a : f.w->findChild<QMenu*>(QStringLiteral("mnuSort"))->actions())
        checked += a->isChecked() ? 1 : 0;
    QCOMPARE(checked, 1);
    QVERIFY(f.w->findChild<QAction*>(item)->isChecked());

    // The same item again re-reads and goes back to the first row; the order stays after activation.
    f.w->dbgMovie()->SetRow(1);
    f.w->findChild<QAction*>(item)->trigger();
    QCOMPARE(f.w->dbgMovie()->Row(), 0);
    f.w->Form_Activate();
    QCOMPARE(f.w->datMovieQuery()->RecordSource(), statement);
    QCOMPARE(shell::CurrentMovieTitle(), first);
}

void TestFrmMain::headerClickSortsAndWidescreenUnchecks()
{
    Fixture f;
    threeMovies(f.cat);
    f.load();
    QTableView* right = f.w->dbgMovie()->Split(1);
    QHeaderView* header = right->horizontalHeader();
    right->horizontalScrollBar()->setValue(right->horizontalScrollBar()->maximum());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(15) + 5, 5));
    QCOMPARE(f.w->datMovieQuery()->RecordSource(),
             QStringLiteral("Select * FROM [qry_Movie_Title] Order By [Widescreen], [Movie_Title]"));
    QCOMPARE(f.w->SortColumn(), 15);
    for (QAction* a : f.w->findChild<QMenu*>(QStringLiteral("mnuSort"))->actions())
        QVERIFY(!a->isChecked());
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("alien")); // false sorts first, then by title
    QCOMPARE(f.w->datMovieQuery()->CellText(2, 0), QStringLiteral("Brazil"));
}

void TestFrmMain::modelIsSound()
{
    Fixture f;
    threeMovies(f.cat);
    f.load();
    QAbstractItemModelTester tester(f.w->datMovieQuery(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.cat.addMovie(QStringLiteral("Delta"));
    f.w->Form_Activate();
    f.w->dbgMovie_HeadClick(2);
    QCOMPARE(f.w->datMovieQuery()->rowCount(), 4);
    QCOMPARE(f.w->datMovieQuery()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("Executive Producer"));
}

QTEST_MAIN(TestFrmMain)
#include "test_frmMain.moc"
