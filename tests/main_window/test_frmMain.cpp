// The movie browser: quick info, status, activation, layout rules and sorting.
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "shell/App.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using main_window::frmMain;

const auto S = [](const char* text) { return QString::fromUtf8(text); };

struct Fixture
{
    testing::TempCatalogue cat;
    std::unique_ptr<frmMain> w;

    // Out of case-blind order on purpose; only Brazil is widescreen.
    void addThree()
    {
        cat.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Year_Released, Length, Grade, Widescreen) VALUES "
                     "('Casablanca', '1942', '1:42', 'A', 0), ('alien', '1979', '1:57', 'A-', 0), "
                     "('Brazil', '1985', '2:22', 'B+', 1)"));
    }
    QString text(const char* name) const { return w->findChild<QWidget*>(S(name))->property("text").toString(); }
    // Status, year, time, grade and the shared current title, as one line.
    QString info() const
    {
        const QStringList parts{text("txtStatus"), text("lblYear"), text("lblTime"), text("lblGrade")};
        return parts.join(QLatin1Char('|')) + QLatin1Char('|') + shell::CurrentMovieTitle();
    }
    QString source() const { return w->datMovieQuery()->RecordSource(); }
    // The sort items that draw anything left of their text, where a check mark goes.
    QStringList checkedSortItems() const
    {
        auto* menu = w->findChild<QMenu*>(S("mnuSort"));
        const QImage shown = menu->grab().toImage().scaled(menu->size());
        QStringList names;
        for (QAction* a : menu->actions()) {
            const QRect r = menu->actionGeometry(a).adjusted(1, 1, -1, -1);
            const auto inked = [&](int x) {
                for (int y = r.top(); y <= r.bottom(); ++y)
                    if (shown.pixel(x, y) != shown.pixel(r.topLeft()))
                        return true;
                return false;
            };
            int text = r.right();
            while (text > r.left() && !inked(text))
                --text;
            text -= menu->fontMetrics().horizontalAdvance(a->text()) + 3;
            for (int x = r.left(); x < text; ++x)
                if (inked(x)) {
                    names << a->objectName();
                    break;
                }
        }
        return names;
    }
};

class TestFrmMain : public QObject
{
    Q_OBJECT
private slots:
    void init() { shell::CurrentMovieTitle().clear(); }

    void quickInfoLayoutAndActivation()
    {
        Fixture f;
        f.addThree();
        f.w = testing::OpenMain();
        // The grid and the panels follow the window's size.
        const auto twips = [&](const char* name) { return f.w->TwipGeometry(f.w->findChild<QWidget*>(S(name))); };
        const auto resizeTo = [&](double w, double h) {
            f.w->resize(shell::TwipsToPixelsX(w), shell::TwipsToPixelsY(h));
            QCoreApplication::processEvents();
        };
        resizeTo(9000, 8000);
        const double w = f.w->WidthTwips() - 3500, h = f.w->HeightTwips() - 2200;
        QCOMPARE(twips("dbgMovie").size(), QSizeF(w, h));
        QCOMPARE(twips("lblStarring").height(), h + 400 - 3100); // the panel is taller than 3101
        // The caption stands over both panes.
        QTableView *left = f.w->dbgMovie()->Split(0), *right = f.w->dbgMovie()->Split(1);
        const QLabel* caption = f.w->dbgMovie()->findChild<QLabel*>();
        QVERIFY(caption && caption->isVisible() && caption->geometry().bottom() < left->y());
        QCOMPARE(caption->width(), left->width() + right->width());
        // The band lies behind every button; each picture stands out from the bare face and from every
        // other: the share of pixels far apart in grey, in percent.
        const auto contrast = [](const QImage& a, const QImage& b) {
            int strong = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    strong += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 80;
            return strong * 100 / (a.width() * a.height());
        };
        const auto frame = [&](const char* name) { return f.w->findChild<QWidget*>(S(name))->geometry(); };
        QList<QToolButton*> buttons{nullptr};
        buttons << f.w->centralWidget()->findChildren<QToolButton*>(QRegularExpression(S("^cmd")));
        QList<QImage> pictures(buttons.size(), QImage(buttons[1]->iconSize(), QImage::Format_RGB32));
        for (int i = 0; i < buttons.size(); ++i) {
            pictures[i].fill(buttons[1]->palette().button().color());
            if (buttons[i]) {
                QVERIFY(frame("Frame1").united(frame("Frame2")).contains(buttons[i]->geometry()));
                QPainter(&pictures[i]).drawPixmap(0, 0, buttons[i]->icon().pixmap(pictures[i].size()));
            }
            for (int j = 0; j < i; ++j)
                QVERIFY2(contrast(pictures[i], pictures[j]) >= 20,
                         qPrintable(S("button %1 against %2, 0 the bare face").arg(i).arg(j)));
        }

        // The labels stand on the panel unseen: where a label shows no text, the panel's colour.
        auto* info = f.w->findChild<QWidget*>(S("frmInfo"));
        const QImage panel = info->grab().toImage();
        const QWidget* year = f.w->findChild<QWidget*>(S("lblYear"));
        QPoint bare(info->width() / 2, info->height() - 20);
        while (info->childAt(bare) && bare.y() > 20)
            bare.ry() -= 4;
        QCOMPARE(panel.pixelColor(year->geometry().bottomRight() - QPoint(2, 2)), panel.pixelColor(bare));

        // Too small in both directions: the last layout stays.
        const QRectF grid = twips("dbgMovie");
        resizeTo(3000, 2000);
        QCOMPARE(twips("dbgMovie"), grid);

        // The keys move through either pane from a clicked cell; a column change makes the title column
        // current again. Left from the first other column goes on into the title pane.
        QCOMPARE(f.info(), S("Record 1 of 3|1979|1:57|A-|alien"));
        QVERIFY(QTest::qWaitForWindowActive(f.w.get()));
        QTest::mouseClick(right->viewport(), Qt::LeftButton, {},
                          right->visualRect(right->model()->index(2, 1)).center());
        const auto keys = [](std::initializer_list<Qt::Key> keys) {
            for (Qt::Key key : keys)
                QTest::keyClick(QApplication::focusWidget(), key);
        };
        keys({Qt::Key_Up});
        QCOMPARE(f.info(), S("Record 2 of 3|1985|2:22|B+|Brazil"));
        keys({Qt::Key_Right, Qt::Key_Up});
        QCOMPARE(f.info(), S("Record 1 of 3|1979|1:57|A-|alien"));
        keys({Qt::Key_Left, Qt::Key_Left, Qt::Key_Down});
        QCOMPARE(QApplication::focusWidget(), left);
        QCOMPARE(f.info(), S("Record 2 of 3|1985|2:22|B+|Brazil"));
        QCOMPARE(f.w->datMovieQuery()->CellText(1, 15), S("True"));

        // Another window changes the current movie, then adds one before it; the model and its views
        // must stay consistent through those requeries and a resort.
        QAbstractItemModelTester tester(f.w->datMovieQuery(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reads(f.w->datMovieQuery(), &QAbstractItemModel::dataChanged);
        f.w->Form_Activate(); // nothing changed: nothing read
        QCOMPARE(reads.count(), 0);
        f.cat.scalar(S("UPDATE tbl_Movie_Title SET Grade = 'A+' WHERE Movie_Title = 'Brazil'"));
        f.w->Form_Activate();
        QCOMPARE(f.info(), S("Record 2 of 3|1985|2:22|A+|Brazil"));
        f.cat.addMovie(S("Amadeus"));
        f.w->Form_Activate();
        QCOMPARE(f.info(), S("Record 3 of 4|1985|2:22|A+|Brazil"));
        QCOMPARE(f.w->dbgMovie()->Split(0)->verticalHeader()->count(), 4);
        f.w->dbgMovie_HeadClick(2);
    }

    // Empty at first; the movies come with the next activation.
    void emptyThenStarringAndNullFields()
    {
        Fixture f;
        f.w = testing::OpenMain();
        f.w->Form_Activate();
        f.w->dbgMovie_HeadClick(3);
        QCOMPARE(f.info() + f.text("lblStarring"), S("||||"));
        const qint64 a = f.cat.addMovie(S("Twin \"Peaks\"")), b = f.cat.addMovie(S("Twin \"Peaks\""));
        f.cat.addMovie(S("Zero"));
        f.cat.link(f.cat.addActor(S("Zane"), S("Billy")), a);
        f.cat.link(f.cat.addActor(S("Lynch"), S("David")), b);
        f.cat.link(f.cat.addActor(S("MacLachlan"), S("Kyle")), a);
        f.cat.scalar(S("INSERT INTO tbl_Movie_Details (Movie_ID, Plot, Personal_Rating) VALUES (?, ?, 7.5)"),
                     {a, S("An FBI agent\ncomes to town.")});
        f.w->Form_Activate();
        // The list goes by the movie's key, so two movies of one title (as an earlier import stored
        // them) each show their own cast, in name order.
        const auto* starring = f.w->findChild<QLabel*>(S("lblStarring"));
        QCOMPARE(starring->property("rawText").toString(), S("MacLachlan, Kyle\r\nZane, Billy\r\n"));
        // Its plot on a line under the grade, whole in the tooltip, and its rating as stars.
        const auto* plot = f.w->findChild<QLabel*>(S("lblPlot"));
        QCOMPARE(QStringList({plot->text(), plot->toolTip(), f.text("lblPersonalRating")}),
                 QStringList({S("An FBI agent comes to town."), S("An FBI agent\ncomes to town."), S("★★★½☆ 7.5")}));
        // With a loan, a cover and a long cast beside the plot, all of it stays inside the panel; the cast
        // ends in "..." and is whole in the tooltip.
        for (int i = 0; i < 30; ++i)
            f.cat.link(f.cat.addActor(S("Extra%1").arg(i), S("X")), a);
        QImage picture(300, 450, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        f.cat.scalar(S("INSERT INTO tbl_Cover (Movie_ID, Thumbnail, Picture) VALUES (?, ?, ?)"), {a, png, png});
        f.cat.scalar(S("INSERT INTO tbl_Borrower (Borrower) VALUES ('Anna')"));
        f.cat.scalar(S("INSERT INTO tbl_Loan (Movie_ID, Borrower_ID, Date_Lent) VALUES (?, 1, '2026-01-02')"), {a});
        f.w->dbgMovie()->SetRow(1);
        f.w->dbgMovie()->SetRow(0);
        const QRect panel = f.w->findChild<QWidget*>(S("frmInfo"))->contentsRect();
        for (const char* name : {"lblPersonalRating", "lblPlot", "Label4", "lblStarring"})
            QVERIFY2(panel.contains(f.w->findChild<QWidget*>(S(name))->geometry()), name);
        QVERIFY2(starring->text().endsWith(S("\n...\n")), qPrintable(starring->text()));
        QCOMPARE(starring->toolTip().count(QLatin1Char('\n')), 31);
        f.w->dbgMovie()->SetRow(2);
        QCOMPARE(starring->text(), QString());
        QVERIFY(plot->isHidden() && plot->text().isEmpty());
        QCOMPARE(f.info(), S("Record 3 of 3||||Zero"));
    }

    // Each row is a "&Sorting" item, or a click on a header that has none.
    void sortingStatementsAndCheckMarks_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("first");
        QTest::newRow("mnuSortYear") << 12 << S("Year_Released") << S("Casablanca");
        QTest::newRow("mnuSortMovieTitle") << 0 << S("Movie_Title") << S("alien"); // the title twice
        QTest::newRow("header") << 15 << S("Widescreen") << S("alien");            // false first, then by title
    }

    void sortingStatementsAndCheckMarks()
    {
        QFETCH(int, column);
        QFETCH(QString, field);
        QFETCH(QString, first);
        const QString statement = S("Select * FROM [qry_Movie_Title] Order By [%1], [Movie_Title]").arg(field);
        Fixture f;
        f.addThree();
        f.w = testing::OpenMain();
        QCOMPARE(f.checkedSortItems(), QStringList{S("mnuSortMovieTitle")});
        QAction* item = f.w->findChild<QAction*>(S(QTest::currentDataTag()));
        QTableView* right = f.w->dbgMovie()->Split(1);
        right->horizontalScrollBar()->setValue(right->horizontalScrollBar()->maximum());
        QHeaderView* header = right->horizontalHeader();
        // The same command again re-reads too, and goes back to the first row.
        for (int pass = 0; pass < 2; ++pass) {
            f.w->dbgMovie()->SetRow(2);
            if (item)
                item->trigger();
            else
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(header->sectionViewportPosition(column) + 5, 5));
            QCOMPARE(f.source(), statement);
            QCOMPARE(f.w->dbgMovie()->Row(), 0);
            QCOMPARE(shell::CurrentMovieTitle(), first);
            QCOMPARE(f.checkedSortItems(), item ? QStringList{item->objectName()} : QStringList());
        }
        f.w->Form_Activate();
        QCOMPARE(f.source(), statement);
        QCOMPARE(shell::CurrentMovieTitle(), first);
    }

    // Every order is the order the view gives, and is read off an index, sorted a name or a year at
    // a time; only the few values of length, grade, rating and widescreen are read by a scan.
    void everyOrderWithoutSort()
    {
        Fixture f;
        f.addThree();
        f.cat.addMovie(S("Zelig"), {{S("Director"), S("allen")}});
        f.cat.scalar(S("UPDATE tbl_Movie_Title SET Director_ID = 99 WHERE Movie_Title = 'Brazil'")); // no such row
        f.w = testing::OpenMain();
        const auto db = f.cat.open();
        int scans = 0;
        for (int column = 0; column < 16; ++column) {
            f.w->dbgMovie_HeadClick(column);
            QStringList plan, shown, view;
            for (store::Statement q(db, S("EXPLAIN QUERY PLAN ") + f.w->datMovieQuery()->Recordset().Sql()); q.step();)
                plan << q.column(3).toString();
            for (int row = 0; row < f.w->datMovieQuery()->rowCount(); ++row)
                shown << f.w->datMovieQuery()->CellText(row, 0);
            for (store::Statement q(db, f.source().replace(S("*"), S("Movie_Title"))); q.step();)
                view << q.column(0).toString();
            scans += plan.join(S(" ")).contains(S("TEMP B-TREE FOR ORDER BY"));
            QCOMPARE(shown, view);
        }
        QCOMPARE(scans, 4);
    }

    // Rows that come back when the find box is cleared, with the cursor on the last of them: both
    // panes show the same rows.
    void panesLevelAfterFindCleared()
    {
        Fixture f;
        f.cat.scalar(S("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                       "INSERT INTO tbl_Movie_Title (Movie_Title) SELECT printf('Movie %03d', i) FROM n"));
        f.w = testing::OpenMain();
        f.w->dbgMovie()->Split(0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), S("40"));
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(f.text("txtStatus"), S("Record 400 of 400"));
        const auto bar = [&](const char* pane) { return f.w->findChild<QTableView*>(S(pane))->verticalScrollBar(); };
        QTRY_COMPARE(bar("dbgMovieSplit1")->value(), bar("dbgMovieSplit0")->value());
        QCOMPARE(bar("dbgMovieSplit1")->value(), bar("dbgMovieSplit1")->maximum());
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmMain.moc"
