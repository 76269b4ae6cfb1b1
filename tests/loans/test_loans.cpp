// Lending and returning movies as the user does it: the lend window, the panel and the loans window.
// Names the user types stay plain text.
#include "catalog/Clock.h"
#include "loans/LoanStore.h"
#include "main_window/DataControl.h"
#include "shell/App.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

const auto S = [](const char* text) { return QString::fromUtf8(text); };
static QString day(int fromToday)
{
    return QLocale::c().toString(catalog::Today().addDays(fromToday), S("d MMM yyyy"));
}
// Each row's cells (or only one column's) joined by commas, rows by bars.
static QString rows(const QTableWidget* table, int only = -1)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            if (only < 0 || c == only)
                cells << table->item(r, c)->text();
        out << cells.join(QLatin1Char(','));
    }
    return out.join(QLatin1Char('|'));
}

struct Fixture
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages boxes;
    qint64 alien = cat.addMovie(S("Alien")), brazil = cat.addMovie(S("Brazil"));
    std::unique_ptr<main_window::frmMain> w = testing::OpenMain();

    ~Fixture()
    {
        shell::SetModalHandler(nullptr);
        catalog::SetToday({});
    }
    void lend(qint64 movie, const char* name, int lent, std::optional<int> due = {}, std::optional<int> back = {})
    {
        store::Connection db = cat.open();
        const QDate today = catalog::Today();
        loans::Lend(db, movie, S(name), today.addDays(lent), due ? today.addDays(*due) : QDate());
        if (back)
            loans::Return(db, movie, today.addDays(*back));
        w->dbgMovie_RowColChange();
    }
    QLabel* panel() const { return w->findChild<QLabel*>(S("lblLoan")); }
    void run(const char* item) { w->findChild<QAction*>(S(item))->trigger(); }
};
using testing::click;

class TestLoans : public QObject
{
    Q_OBJECT
private slots:
    void lend_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("dueSteps"); // days the due date is stepped back from two weeks on; -1: none
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("refusal");
        const QString since = S("On loan to %1 since ") + day(0);
        QTest::newRow("earlier borrower") << S("daniel") << -1 << since.arg(S("Daniel")) << QString();
        QTest::newRow("the start of an earlier borrower") << S("Dan") << -1 << since.arg(S("Dan")) << QString();
        QTest::newRow("earlier borrower picked") << S("\u2193") << -1 << since.arg(S("Daniel")) << QString();
        QTest::newRow("due today") << S("Anna") << 14 << since.arg(S("Anna")) + S(", due ") + day(0) << QString();
        QTest::newRow("due before lent") << S("Anna") << 15 << QString()
                                         << S("The due date cannot be before the date lent.");
        QTest::newRow("no name") << S("  \t ") << -1 << QString() << S("Please type the name of the borrower.");
        const QString hostile = S("<b>O'Brien</b> \"Bob\" &amp; %1 <img src=x>");
        QTest::newRow("markup and quotes") << hostile << -1 << since.arg(hostile) << QString();
        QTest::newRow("10000 characters") << QString(10000, QLatin1Char('x')) << -1
                                          << since.arg(QString(loans::kMaxNameLength, QLatin1Char('x'))) << QString();
    }
    void lend()
    {
        QFETCH(QString, typed);
        QFETCH(int, dueSteps);
        QFETCH(QString, refusal);
        Fixture f;
        f.lend(f.brazil, "Daniel", -9, {}, -2);
        shell::SetModalHandler([&](QWidget* window) {
            QApplication::setActiveWindow(window);
            QWidget* name = QApplication::focusWidget();
            QCOMPARE(name->objectName(), S("cboBorrower"));
            if (typed.size() > 100 || typed.contains(QLatin1Char('\t'))) {
                QApplication::clipboard()->setText(typed); // as only a paste brings them
                QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
            } else if (typed == QChar(0x2193)) { // the first earlier borrower, picked from the list
                QTest::keyClick(name, Qt::Key_Down, Qt::AltModifier);
                QTRY_VERIFY(QApplication::activePopupWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                QTest::keyClicks(name, typed);
            }
            if (dueSteps >= 0) {
                click(window, "chkDue");
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                for (int i = 0; i < dueSteps; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            }
            click(window, "cmdLend");
            if (!refusal.isEmpty())
                click(window, "cmdCancel");
        });
        click(f.w.get(), "cmdLend");
        QCOMPARE(f.boxes.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
        QTEST(f.panel()->text(), "shown");
        QCOMPARE(f.cat.scalar(S("SELECT count(*) FROM tbl_Loan")).toInt(), refusal.isEmpty() ? 2 : 1);
    }

    // The panel, the loans window and the find word agree once the due date has passed; a movie
    // that is out is not lent again, and its panel button returns it once the user says so.
    void overdueAndReturn_data()
    {
        QTest::addColumn<QDate>("today");  // invalid: the system's
        QTest::addColumn<QVariant>("due"); // days from today; null: none
        QTest::addColumn<bool>("red");
        QTest::newRow("no due date") << QDate() << QVariant() << false;
        QTest::newRow("due today") << QDate() << QVariant(0) << false;
        QTest::newRow("due yesterday") << QDate() << QVariant(-1) << true;
        // Far from the system's date: whatever reads that instead disagrees.
        QTest::newRow("due yesterday, on a day set long after") << QDate(2100, 3, 1) << QVariant(-1) << true;
    }
    void overdueAndReturn()
    {
        QFETCH(QDate, today);
        QFETCH(QVariant, due);
        QFETCH(bool, red);
        Fixture f;
        catalog::SetToday(today);
        f.lend(f.alien, "Anna", -20, due.isNull() ? std::nullopt : std::optional<int>(due.toInt()));
        const QString shown = f.panel()->text();
        QCOMPARE(f.panel()->palette().color(QPalette::WindowText) == QColor(192, 0, 0), red);
        shell::SetModalHandler([&](QWidget* window) {
            const QTableWidgetItem* dueCell = window->findChild<QTableWidget*>(S("grdLoans"))->item(0, 3);
            QCOMPARE(dueCell->foreground().color() == QColor(192, 0, 0), red);
            click(window, "cmdClose");
        });
        f.run("mnuLoans");
        const auto find = [&](const QString& typed) {
            QApplication::setActiveWindow(f.w.get()); // back from the loans window
            QTest::keyClick(f.w.get(), Qt::Key_F, Qt::ControlModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
            QTest::keyClicks(QApplication::focusWidget(), typed);
            QCoreApplication::processEvents(); // the search runs once the keys are in
            return f.w->datMovieQuery()->rowCount();
        };
        QCOMPARE(find(S("overdue:yes")), red ? 1 : 0);
        QCOMPARE(find(QString()), 2);
        shell::SetModalHandler([](QWidget*) { QFAIL("lent twice"); });
        f.run("mnuLend");
        const auto* button = f.w->findChild<QPushButton*>(S("cmdLend"));
        for (int answer : {shell::vbNo, shell::vbYes}) {
            QCOMPARE(button->text() + S(" ") + f.panel()->text(), S("Return ") + shown);
            f.boxes.answer(answer);
            click(f.w.get(), "cmdLend");
        }
        QCOMPARE(button->text() + f.panel()->text(), S("Lend..."));
        f.run("mnuReturn");
        const QString question = S("Alien is on loan to Anna. Mark it as returned today?");
        QCOMPARE(f.boxes.texts(),
                 (QStringList{S("Alien is on loan to Anna since %1. Return it before lending it again.").arg(day(-20)),
                              question, question, S("Alien is not on loan.")}));
        QCOMPARE(f.cat.scalar(S("SELECT Date_Returned FROM tbl_Loan")).toString(),
                 catalog::Today().toString(Qt::ISODate));
    }

    // Out now, sorted by each column, overdue rows marked; a loan returned there joins its movie's
    // history, and a movie the find box hides is shown in the main grid.
    void loansWindow()
    {
        Fixture f;
        const qint64 casablanca = f.cat.addMovie(S("Casablanca"));
        f.lend(f.alien, "Dan", -60, {}, -40);
        f.lend(f.alien, "Anna", -30, -5);
        f.lend(casablanca, "Cleo", -3, -1);
        f.lend(f.brazil, "bob", -10);
        QTest::keyClicks(f.w->findChild<QWidget*>(S("txtFind")), S("alien"));
        QCoreApplication::processEvents();
        shell::SetModalHandler([&](QWidget* window) {
            auto* out = window->findChild<QTableWidget*>(S("grdLoans"));
            auto* past = window->findChild<QTableWidget*>(S("grdHistory"));
            QCOMPARE(out->selectedItems().first()->text(), S("Alien")); // the main grid's movie
            QCOMPARE(rows(past), S("Dan,%1,,%2").arg(day(-60), day(-40)));
            const auto sortBy = [&](int column) {
                QHeaderView* header = out->horizontalHeader();
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(header->sectionViewportPosition(column) + 5, 5));
                return rows(out, 0);
            };
            QCOMPARE(sortBy(4), S("Brazil|Casablanca|Alien"));
            QCOMPARE(sortBy(4), S("Alien|Casablanca|Brazil"));
            QCOMPARE(rows(out), S("Alien,Anna,%1,%2,5|Casablanca,Cleo,%3,%4,1|Brazil,bob,%5,,")
                                    .arg(day(-30), day(-5), day(-3), day(-1), day(-10)));
            QCOMPARE(out->item(1, 3)->foreground().color(), QColor(192, 0, 0));
            QCOMPARE(out->item(2, 3)->foreground().style(), Qt::NoBrush);
            QCOMPARE(sortBy(2), S("Alien|Brazil|Casablanca"));
            QCOMPARE(sortBy(1), S("Alien|Brazil|Casablanca"));

            click(window, "cmdReturn");
            QCOMPARE(out->rowCount(), 2);
            QCOMPARE(rows(past), S("Anna,%1,%2,%3|Dan,%4,,%5").arg(day(-30), day(-5), day(0), day(-60), day(-40)));
            const QRect brazil = out->visualItemRect(out->findItems(S("Brazil"), Qt::MatchExactly).first());
            QTest::mouseClick(out->viewport(), Qt::LeftButton, {}, brazil.center());
            QCOMPARE(window->findChild<QLabel*>(S("lblHistory"))->text(), S("Past loans of Brazil:"));
            click(window, "cmdSelect");
        });
        f.run("mnuLoans");
        QCOMPARE(shell::CurrentMovieTitle(), S("Brazil"));
        QCOMPARE(f.w->findChild<QWidget*>(S("txtFind"))->property("text").toString(), QString());
    }
};

QTEST_MAIN(TestLoans)
#include "test_loans.moc"
