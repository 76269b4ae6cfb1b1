// Statistics: the counts over a small catalogue, a click on a bar, a chart saved and copied.
#include "statistics/Tallies.h"
#include "statistics/frmStatistics.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAbstractBarSeries>
#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using statistics::Bar;

const auto S = [](const char* text) { return QString::fromUtf8(text); };

// A few movies with an unknown director, odd lengths and years, an empty grade, a genre key
// that points at no row, and a link to an actor who is gone.
static void fill(testing::TempCatalogue& cat)
{
    const char* movies[][7] = {
        {"Blade Runner", "Ridley Scott", "Drama", "1982", "1:57", "A", "1"},
        {"Star Wars", "George Lucas", "Sci-Fi", "1977", "2:01", "A", "0"},
        {"Alien", "Ridley Scott", "Drama", "1979", "abc", "", "0"},
        {"Untitled", "", "", "19xx", "", "B+", "0"},
        {"Lost Genre", "", "Drama", "2004", "1:61", "B", "1"},
    };
    const char* fields[] = {"Director", "Genre", "Year_Released", "Length", "Grade", "Widescreen"};
    std::vector<qint64> keys;
    for (const auto& m : movies) {
        std::map<QString, QVariant> values;
        for (int f = 0; f < 6; ++f)
            values[S(fields[f])] = S(m[f + 1]);
        keys.push_back(cat.addMovie(S(m[0]), values));
    }
    cat.open().exec(S("UPDATE [tbl_Movie_Title] SET [Genre_ID] = 999 WHERE [Movie_Title] = 'Lost Genre'"));
    const qint64 ford = cat.addActor(S("Ford"), S("Harrison"));
    cat.link(ford, keys[0]);
    cat.link(ford, keys[1]);
    cat.link(99, keys[1]);
    cat.link(cat.addActor(S("Hamill"), S("Mark")), keys[1]);
    cat.open().exec(S("INSERT INTO tbl_Borrower (Borrower) VALUES ('Ann'); INSERT INTO tbl_Loan (Movie_ID, "
                      "Borrower_ID, Date_Lent, Date_Returned) VALUES (%1, 1, '2026-01-01', NULL), (%2, 1, "
                      "'2025-01-01', '2025-02-01')")
                        .arg(keys[0])
                        .arg(keys[1]));
}

static QString shape(const std::vector<Bar>& bars)
{
    QStringList out;
    for (const Bar& b : bars)
        out << b.label + QLatin1Char('=') + QString::number(b.count);
    return out.join(QLatin1Char(' '));
}

// Presses the mouse on the middle of the bar labelled `label`, as the user would.
static void clickBar(QChartView* view, const QString& label)
{
    QChart* chart = view->chart();
    auto* series = qobject_cast<QAbstractBarSeries*>(chart->series().constFirst());
    const bool up = series->type() == QAbstractSeries::SeriesTypeBar;
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(up ? Qt::Horizontal : Qt::Vertical).constFirst());
    const int i = int(axis->categories().indexOf(label));
    QVERIFY2(i >= 0, qPrintable(label));
    const double half = series->barSets().constFirst()->at(i) / 2;
    const QPointF at = chart->mapToPosition(up ? QPointF(i, half) : QPointF(half, i), series);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(at));
}

class TestStatistics : public QObject
{
    Q_OBJECT
private slots:
    void counts_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("chart");
        QTest::addColumn<QString>("bars");
        // Lengths 1:57 and 2:01; "abc", "" and "1:61" are not read.
        QTest::newRow("totals") << false << S("totals")
                                << S("Movies: 5 (1 on loan)    Actors: 2    Directors: 2\nHours of film: 3 h 58 min "
                                     "(Other: 3 not read as h:mm)    Widescreen: 2 (40.0%)");
        QTest::newRow("decades") << false << S("chtYears") << S("1970s=2 1980s=1 1990s=0 2000s=1 Other=1");
        QTest::newRow("years") << false << S("1970") << S("1977=1 1979=1");
        QTest::newRow("genres") << false << S("chtGenres") << S("Drama=2 Sci-Fi=1 Unknown=1 Other=1");
        QTest::newRow("grades") << false << S("chtGrades") << S("A=2 B=1 B+=1 Other=1");
        QTest::newRow("directors") << false << S("chtDirectors") << S("Ridley Scott=2 George Lucas=1 Unknown=2");
        QTest::newRow("actors") << false << S("chtActors") << S("Ford, Harrison=2 Hamill, Mark=1 Other=1");
        QTest::newRow("empty totals") << true << S("totals")
                                      << S("Movies: 0 (0 on loan)    Actors: 0    Directors: 0\nHours of film: 0 h "
                                           "00 min    Widescreen: 0 (0.0%)");
        QTest::newRow("empty genres") << true << S("chtGenres") << QString();
        QTest::newRow("empty decades") << true << S("chtYears") << QString();
    }

    void counts()
    {
        QFETCH(bool, empty);
        QFETCH(QString, chart);
        testing::TempCatalogue cat;
        if (!empty)
            fill(cat);
        const statistics::Statistics s = statistics::Collect(cat.open());
        // Zeros and empty charts draw without complaint.
        statistics::frmStatistics window(s);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QString got = window.findChild<QLabel*>(S("lblTotals"))->text();
        if (chart.front().isDigit())
            got = shape(statistics::YearsOf(s.years, chart.toInt()));
        for (const statistics::Chart& c : s.charts)
            if (c.name == chart)
                got = shape(c.bars);
        QTEST(got, "bars");
    }

    // The counts kept as movies change are the counts made afresh.
    void keptAsMoviesChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("deleted") << S("DELETE FROM tbl_Movie_Title WHERE Movie_Title = 'Alien'");
        QTest::newRow("respelt, then deleted") << S("UPDATE tbl_Movie_Title SET Grade = 'a', Year_Released = NULL "
                                                    "WHERE Movie_Title = 'Star Wars'; DELETE FROM tbl_Movie_Title "
                                                    "WHERE Grade = 'A' COLLATE BINARY");
        QTest::newRow("credits changed") << S("UPDATE tbl_Movie_Title SET Director_ID = 1, Genre_ID = Genre_ID + 1, "
                                              "Widescreen = 1 - Widescreen, Length = '0:30'");
        QTest::newRow("cast relinked") << S("UPDATE tbl_Actor_Movie_Join SET Actor_ID = 1 WHERE Actor_ID = 99; "
                                            "DELETE FROM tbl_Actor_Movie_Join WHERE Actor_ID = 2");
        QTest::newRow("added") << S("INSERT INTO tbl_Movie_Title (Movie_Title, Grade, Rating) SELECT Movie_Title || "
                                    "' II', lower(Grade), 'pg' FROM tbl_Movie_Title");
    }

    void keptAsMoviesChange()
    {
        QFETCH(QString, change);
        testing::TempCatalogue cat;
        fill(cat);
        store::Connection db = cat.open();
        db.exec(change);
        const auto state = [&] {
            QStringList out;
            const statistics::Statistics s = statistics::Collect(db);
            out << statistics::frmStatistics(s).findChild<QLabel*>(S("lblTotals"))->text() << shape(s.years);
            for (const statistics::Chart& c : s.charts)
                out << shape(c.bars);
            store::Statement rows(db, S("SELECT Field, quote(Value), Movies FROM tbl_Statistics_Tally WHERE Movies "
                                        "<> 0 ORDER BY 1, 2"));
            while (rows.step())
                out << rows.column(0).toString() + rows.column(1).toString() + rows.column(2).toString();
            return out;
        };
        const QStringList kept = state();
        statistics::CountTallies(db);
        QCOMPARE(kept, state());
    }

    void barClick_data()
    {
        QTest::addColumn<QString>("chart");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("find");
        QTest::newRow("genre") << S("chtGenres") << QStringList{S("Drama")} << S("genre:Drama");
        QTest::newRow("a decade, then a year") << S("chtYears") << QStringList{S("1980s"), S("1982")} << S("year:1982");
        QTest::newRow("actor") << S("chtActors") << QStringList{S("Ford, Harrison")} << S("actor:\"Ford, Harrison\"");
        QTest::newRow("unknown director") << S("chtDirectors") << QStringList{S("Unknown")} << S("director:Unknown");
        QTest::newRow("other is no value") << S("chtGenres") << QStringList{S("Other")} << QString();
    }

    void barClick()
    {
        QFETCH(QString, chart);
        QFETCH(QStringList, clicks);
        testing::TempCatalogue cat;
        fill(cat);
        const auto w = testing::OpenMain();
        w->findChild<QAction*>(S("mnuStatistics"))->trigger();
        // Open at once, before anything is counted; the totals and charts come in as they are.
        statistics::frmStatistics* opened = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && qobject_cast<statistics::frmStatistics*>(top))
                opened = static_cast<statistics::frmStatistics*>(top);
        QVERIFY(opened);
        auto* totals = opened->findChild<QLabel*>(S("lblTotals"));
        QVERIFY(totals->text().startsWith(S("Counting")));
        QVERIFY(opened->findChild<QChartView*>(S("chtGenres"))->chart()->title().endsWith(S("(counting...)")));
        QTRY_VERIFY(totals->text().startsWith(S("Movies: 5")));
        QTRY_COMPARE(opened->findChild<QChartView*>(S("chtYears"))->chart()->series().size(), 1);
        statistics::frmStatistics* stats = nullptr;
        QTRY_VERIFY((stats = qobject_cast<statistics::frmStatistics*>(QApplication::activeWindow())));
        auto* tabs = stats->findChild<QTabWidget*>(S("tabCharts"));
        auto* view = stats->findChild<QChartView*>(chart);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tabs->indexOf(view)).center());
        QCOMPARE(stats->CurrentChart(), view);
        QTRY_VERIFY(!view->chart()->series().isEmpty());
        for (const QString& label : clicks)
            clickBar(view, label);
        QTEST(w->findChild<QLineEdit*>(S("txtFind"))->text(), "find");
        stats->close();
    }

    void saveChart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("png") << S("chart.png");
        QTest::newRow("svg") << S("chart.svg");
    }

    void saveChart()
    {
        QFETCH(QString, name);
        testing::TempCatalogue cat;
        fill(cat);
        statistics::frmStatistics window(statistics::Collect(cat.open()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QChartView* view = window.CurrentChart();
        const QString path = cat.dir() + QLatin1Char('/') + name;
        // The user types the name into the dialog and presses Enter.
        std::function<void()> answer = [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* edit = dialog ? dialog->findChild<QLineEdit*>(S("fileNameEdit")) : nullptr;
            if (!edit || !edit->isVisible())
                return QTimer::singleShot(20, answer);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            edit->selectAll();
            QTest::keyClicks(edit, path);
            QTest::keyClick(edit, Qt::Key_Return);
        };
        QTimer::singleShot(0, answer);
        QTest::mouseClick(window.findChild<QPushButton*>(S("cmdSave")), Qt::LeftButton);
        const QSize expected = view->size() * view->devicePixelRatio();
        if (name.endsWith(S(".svg"))) {
            QSvgRenderer svg(path);
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBox().size(), view->size());
        } else {
            QCOMPARE(QImage(path).size(), expected);
            QTest::mouseClick(window.findChild<QPushButton*>(S("cmdCopy")), Qt::LeftButton);
            QCOMPARE(QApplication::clipboard()->image().size(), expected);
        }
    }
};

QTEST_MAIN(TestStatistics)
#include "test_statistics.moc"
