// Finding movies as you type: the matching rules, hostile input, and the filter kept while the
// browser works on what it shows.
#include "loans/LoanStore.h"
#include "main_window/DataControl.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QTest>

const auto S = [](const char* text) { return QString::fromUtf8(text); };

struct Fixture
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages boxes;
    std::unique_ptr<main_window::frmMain> w;
    qint64 ford = 0;

    Fixture()
    {
        const auto movie = [&](const char* title, const char* director, const char* year, const char* studio = "") {
            return cat.addMovie(
                S(title), {{S("Director"), S(director)}, {S("Year_Released"), S(year)}, {S("Studio"), S(studio)}});
        };
        movie("Amélie", "Jean-Pierre Jeunet", "2001");
        movie("Cléo de 5 à 7", "Agnès Varda", "1962");
        movie("M - Eine Stadt sucht einen mörder", "Fritz Lang", "1931");
        movie("סאלח שבתי", "Ephraim Kishon", "1964");
        const qint64 blade = movie("Blade Runner", "Ridley Scott", "1982");
        const qint64 star = movie("Star Wars", "George Lucas", "1977", "Lucasfilm");
        ford = cat.addActor(S("Ford"), S("Harrison"));
        cat.link(ford, blade);
        cat.link(ford, star);
        cat.link(cat.addActor(S("Hamill"), S("Mark")), star);
        store::Connection db = cat.open();
        loans::Lend(db, blade, S("Anna O'Brien"), QDate::currentDate().addDays(-9), QDate::currentDate().addDays(-1));
        loans::Lend(db, star, S("100%_Bob"), QDate::currentDate(), QDate::currentDate());
        w = testing::OpenMain();
    }
    QStringList shown() const
    {
        QStringList titles;
        for (int r = 0; r < w->datMovieQuery()->rowCount(); ++r)
            titles << w->datMovieQuery()->CellText(r, 0);
        return titles;
    }
    QString text(const char* name) const { return w->findChild<QWidget*>(S(name))->property("text").toString(); }
    // Ctrl+F, then what the user types replaces what the box held; control characters and long
    // text can only be pasted.
    void find(const QString& typed)
    {
        QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
        QWidget* box = QApplication::focusWidget();
        QCOMPARE(box->objectName(), S("txtFind"));
        if (typed.size() > 100 || typed.contains(QRegularExpression(S("\\p{Cc}")))) {
            QApplication::clipboard()->setText(typed);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            for (QChar c : typed) // as a keyboard with these letters sends them
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QCoreApplication::processEvents(); // the search runs once the keys are in
    }
};

class TestFind : public QObject
{
    Q_OBJECT
private slots:
    void matching_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        const QString all =
            S("Amélie|Blade Runner|Cléo de 5 à 7|M - Eine Stadt sucht einen mörder|Star Wars|סאלח שבתי");
        const auto row = [](const char* name, const char* typed, const QString& found) {
            QTest::newRow(name) << S(typed) << found;
        };
        row("empty box", "", all);
        row("accent and case", "CLEO", S("Cléo de 5 à 7"));
        row("umlaut typed", "MÖRDER", S("M - Eine Stadt sucht einen mörder"));
        row("inside a word", "unne", S("Blade Runner"));
        row("two letters", "ha", S("Blade Runner|Star Wars"));
        row("one letter", "w", S("Star Wars"));
        row("most movies", "19", S("Blade Runner|Cléo de 5 à 7|M - Eine Stadt sucht einen mörder|Star Wars|סאלח שבתי"));
        row("phrase", "\"de 5 à\"", S("Cléo de 5 à 7"));
        row("phrase out of order", "\"runner blade\"", QString());
        row("cast", "hamill", S("Star Wars"));
        row("fields", "actor:ford year:1982", S("Blade Runner"));
        row("credit field", "director:lucas", S("Star Wars"));
        row("field elsewhere", "title:lucas", QString());
        row("several words", "ford lucasfilm", S("Star Wars"));
        row("right to left", "שבתי", S("סאלח שבתי"));
        row("borrower's whole name", "borrower:\"anna o'brien\" runner", S("Blade Runner"));
        row("wildcards as text", "borrower:% borrower:_", S("Star Wars"));
        row("loaned", "loaned:yes", S("Blade Runner|Star Wars"));
        row("not loaned", "loaned:no year:19", S("Cléo de 5 à 7|M - Eine Stadt sucht einen mörder|סאלח שבתי"));
        row("overdue", "overdue:yes", S("Blade Runner"));
        // Typed as text, never an error.
        row("operators", "ford AND", QString());
        row("near", "NEAR(ford", QString());
        row("lone signs", "* ^ - ( ) :", all);
        row("unknown field", "foo:runner", QString());
        row("unbalanced quote", "\"blade run", S("Blade Runner"));
        row("control characters", "blade\x01\trunner\x7f", S("Blade Runner"));
        QTest::newRow("10000 characters") << QString(10000, QLatin1Char('x')) << QString();
    }
    void matching()
    {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        Fixture f;
        f.find(typed);
        QCOMPARE(f.shown().join(QLatin1Char('|')), found);
        QCOMPARE(f.text("txtStatus"), found.isEmpty() ? QString() : S("Record 1 of %1").arg(f.shown().size()));
        QCOMPARE(f.w->findChild<QWidget*>(S("cmdLend"))->isEnabled(), !found.isEmpty());
        QCOMPARE(f.boxes.count(), 0);
    }

    // Sorting, becoming active and deleting act on the movies found; Escape shows them all. The
    // fillers make the movies found few among many, which the grid reads by listing them.
    void filterKept()
    {
        Fixture f;
        f.cat.scalar(S("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                       "INSERT INTO [tbl_Movie_Title] ([Movie_Title]) SELECT 'Filler ' || i FROM n"));
        f.find(S("ford"));
        f.w->findChild<QAction*>(S("mnuSortDirector"))->trigger();
        QCOMPARE(f.shown(), (QStringList{S("Star Wars"), S("Blade Runner")}));
        f.cat.link(f.ford, f.cat.addMovie(S("Witness"), {{S("Director"), S("Peter Weir")}}));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(f.w.get(), &activate);
        QCOMPARE(f.shown(), (QStringList{S("Star Wars"), S("Witness"), S("Blade Runner")}));

        // Down from the box into the list; the last movie found may go while others remain.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        for (int left = 2; left >= 0; --left) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
            QCOMPARE(f.shown().size(), left);
            QCOMPARE(f.text("txtStatus"), left ? S("Record 1 of %1").arg(left) : QString());
        }
        QCOMPARE(f.text("lblYear"), QString());
        QCOMPARE(f.boxes.count(), 3); // the three questions, no refusal

        QTest::keyClick(f.w.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(f.shown().first(4), (QStringList{S("Cléo de 5 à 7"), S("סאלח שבתי"),
                                                  S("M - Eine Stadt sucht einen mörder"), S("Amélie")}));
        QCOMPARE(QApplication::focusWidget()->objectName(), S("dbgMovieSplit0"));
    }
};

QTEST_MAIN(TestFind)
#include "test_find.moc"
