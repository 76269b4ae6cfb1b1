// The cast editor, the add-actor window and the filmography view, driven as the user drives them.
#include "cast/ActorName.h"
#include "cast/FlexGrid.h"
#include "cast/frmActorAdd.h"
#include "cast/frmActorInfo.h"
#include "cast/frmActorList.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using cast::FlexGrid;
using cast::frmActorAdd;
using cast::frmActorInfo;
using cast::frmActorList;
#define L QStringLiteral

namespace {
QStringList column(const FlexGrid* grid, int col)
{
    QStringList out;
    for (int i = 0; i < grid->Rows(); ++i)
        out << grid->TextMatrix(i, col);
    return out;
}
QStringList numbers(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QString::number(i);
    return out;
}
void click(QWidget* window, const char* name)
{
    window->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}
qint64 count(const testing::TempCatalogue& cat, const char* table)
{
    return cat.scalar(L("SELECT count(*) FROM ") + QString::fromLatin1(table)).toLongLong();
}
} // namespace

class TestCast : public QObject
{
    Q_OBJECT
private slots:
    void init() { shell::CurrentMovieTitle().clear(); }
    void linkTwiceRenumberAndUnlink();
    void quotesInValues_data();
    void quotesInValues();
    void unknownActorOrMovieChangesNothing();
    void pickingAndTyping();
    void letterSearch();
    void capitalize_data();
    void capitalize();
    void addActor();
    void filmography();
    void displayNameAgreesWithCatalogue_data();
    void displayNameAgreesWithCatalogue();
};

void TestCast::linkTwiceRenumberAndUnlink()
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages msgs;
    cat.addMovie(L("Heat"));
    const qint64 deniro = cat.addActor(L("De Niro"), L("Robert"));
    cat.link(deniro, cat.addMovie(L("Casino")));
    cat.addActor(L("Pacino"), L("Al"));
    cat.addActor(L("Sizemore"), L("Tom"));
    shell::CurrentMovieTitle() = L("Heat");
    frmActorInfo w;
    FlexGrid* list = w.ActorListGrid();
    FlexGrid* cast = w.ActorGrid();
    click(&w, "cmdDeselectAll"); // a movie without cast
    QCOMPARE(msgs.last().text, L("There is no actor to delete!"));
    QCOMPARE(msgs.last().title, L("Error!"));
    QCOMPARE(msgs.last().icon(), int(shell::vbExclamation));

    for (int row : {2, 0, 1}) {
        list->SetRow(row);
        click(&w, "cmdAdd1");
    }
    QCOMPARE(column(cast, 0), numbers(3));
    QCOMPARE(column(cast, 1), (QStringList{L("De Niro, Robert"), L("Pacino, Al"), L("Sizemore, Tom")}));

    emit list->DblClick(); // the same actor again
    QCOMPARE(msgs.count(), 2);
    QCOMPARE(msgs.last().text, L("You may not add an actor that is alread featured in this film!"));
    QCOMPARE(msgs.last().title, L("Actor Already Available!"));
    QCOMPARE(count(cat, "tbl_Actor_Movie_Join"), 4);

    cast->SetRow(0);
    emit cast->DblClick();
    QCOMPARE(column(cast, 0), numbers(2));
    QCOMPARE(column(cast, 1), (QStringList{L("Pacino, Al"), L("Sizemore, Tom")}));
    click(&w, "cmdDeselectAll"); // no question first
    QCOMPARE(msgs.count(), 2);
    QCOMPARE(cast->Rows(), 0);
    QCOMPARE(count(cat, "tbl_Actor_Movie_Join"), 1); // Casino keeps its cast
}

void TestCast::quotesInValues_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("last");
    QTest::newRow("apostrophe") << L("Ocean's Eleven") << L("O'Hara");
    QTest::newRow("double quote") << L("The \"Big\" One") << L("Jo \"JJ\"");
}

void TestCast::quotesInValues()
{
    QFETCH(QString, title);
    QFETCH(QString, last);
    testing::TempCatalogue cat;
    testing::ScriptedMessages msgs;
    const qint64 movie = cat.addMovie(title);
    cat.addMovie(L("Plain"));
    cat.link(cat.addActor(last, L("Pat")), cat.addMovie(L("Other")));
    shell::CurrentMovieTitle() = title;
    frmActorInfo w;
    click(&w, "cmdAdd1");
    QCOMPARE(column(w.ActorGrid(), 1), QStringList{QString(last + L(", Pat"))});
    QCOMPARE(cat.scalar(L("SELECT Movie_ID FROM tbl_Actor_Movie_Join ORDER BY rowid DESC")), QVariant(movie));
    frmActorList films;
    QCOMPARE(films.cboActorList()->currentText(), QString(last + L(", Pat")));
    QCOMPARE(films.MovieGrid()->Rows(), 2);
    click(&w, "cmdDeselect1");
    QCOMPARE(w.ActorGrid()->Rows(), 0);
    QCOMPARE(count(cat, "tbl_Actor_Movie_Join"), 1);
    QCOMPARE(msgs.count(), 0);
}

void TestCast::unknownActorOrMovieChangesNothing()
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages msgs;
    cat.addMovie(L("Vertigo"));
    shell::CurrentMovieTitle() = L("Vertigo");
    frmActorInfo w;
    click(&w, "cmdAdd1"); // empty library
    QCOMPARE(msgs.last().text, L("This actor is not in your library!"));

    cat.addActor(L("Stewart"), L("James"));
    w.PopulateComboBoxes();
    w.ActorListGrid()->SetText(L("Nobody, At All"));
    click(&w, "cmdAdd1");
    QCOMPARE(msgs.last().text, L("This actor is not in your library!"));
    w.PopulateComboBoxes();
    w.cboMovie()->setEditText(L("Vert"));
    click(&w, "cmdAdd1");
    QCOMPARE(msgs.last().text, L("This movie is not in your library!"));
    click(&w, "cmdDeselectAll");
    QCOMPARE(msgs.last().text, L("There is no actor to delete!"));

    // Adding while the box names no movie keeps the actor and links nothing.
    frmActorAdd add(&w);
    add.txtLastName()->setText(L("Novak"));
    click(&add, "Command1");
    QCOMPARE(msgs.last().text, L("This movie is not in your library!"));
    QCOMPARE(msgs.count(), 5);
    QCOMPARE(count(cat, "tbl_Actor"), 2);
    QCOMPARE(count(cat, "tbl_Actor_Movie_Join"), 0);
}

void TestCast::pickingAndTyping()
{
    testing::TempCatalogue cat;
    const qint64 alien = cat.addMovie(L("Alien"));
    const qint64 aliens = cat.addMovie(L("Aliens"));
    const qint64 hurt = cat.addActor(L("Hurt"), L("John"));
    cat.link(cat.addActor(L("Weaver"), L("Sigourney")), aliens);
    shell::CurrentMovieTitle() = L("Aliens");
    frmActorInfo w;
    QComboBox* box = w.cboMovie();
    QCOMPARE(box->currentText(), L("Aliens"));
    QCOMPARE(w.ActorGrid()->Rows(), 1);

    // Changed behind the window's back: picking the shown title does not read again, another does.
    cat.link(hurt, aliens);
    emit box->activated(box->currentIndex());
    QCOMPARE(w.ActorGrid()->Rows(), 1);
    box->setCurrentIndex(box->findText(L("Alien")));
    emit box->activated(box->currentIndex());
    QCOMPARE(shell::CurrentMovieTitle(), L("Alien"));
    QCOMPARE(w.ActorGrid()->Rows(), 0);

    // Each key refills the complete list and re-reads the cast of the text so far.
    cat.link(hurt, alien);
    cat.addActor(L("Holm"), L("Ian"));
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, L("Alie"));
    QCOMPARE(shell::CurrentMovieTitle(), L("Alie"));
    QCOMPARE(w.ActorGrid()->Rows(), 0);
    QCOMPARE(w.ActorListGrid()->Rows(), 3);
    QTest::keyClick(box, Qt::Key_N);
    QCOMPARE(column(w.ActorGrid(), 1), QStringList{L("Hurt, John")});
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->count(), 2);
}

void TestCast::letterSearch()
{
    testing::TempCatalogue cat;
    for (const char* last : {"Adams", "Baker", "Cole", "Dunn", "Dale", "Evans", "Fox", "Grant", "Hill"})
        for (char first = 'a'; first < 'g'; ++first)
            cat.addActor(QString::fromLatin1(last), QString(QLatin1Char(first)));
    cat.addActor(L("da Silva"), L("Ab")); // a small d is no match
    frmActorInfo w;
    w.show();
    FlexGrid* list = w.ActorListGrid();
    QTest::keyClick(list, Qt::Key_D);
    QCOMPARE(list->Text(), L("Dale, a"));
    QCOMPARE(list->TopRow(), list->Row());
    QTest::keyClick(list, Qt::Key_Q);
    QCOMPARE(list->Row(), 54);
    list->SetCol(0);
    QCOMPARE(list->Col(), 1); // the number column is never current
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(54, 0)).center());
    QCOMPARE(list->Col(), 1);
}

void TestCast::capitalize_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("words and hyphens") << QString() << 0 << L("mary-jo van dyke") << L("Mary-Jo Van Dyke");
    QTest::newRow("text ends in a blank") << L("ab ") << 1 << L("x") << L("aXb ");
    QTest::newRow("text ends in a letter") << L("a b") << 2 << L("x") << L("a xb");
}

void TestCast::capitalize()
{
    QFETCH(QString, start);
    QFETCH(int, caret);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    testing::TempCatalogue cat;
    frmActorInfo w;
    frmActorAdd add(&w);
    for (QLineEdit* box : {add.txtLastName(), add.txtFirstName()}) {
        box->setText(start);
        box->setCursorPosition(caret);
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), result);
    }
}

void TestCast::addActor()
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages msgs;
    cat.addMovie(L("Fargo"));
    for (const char* last : {"Buscemi", "Macy", "Stormare"})
        cat.addActor(QString::fromLatin1(last), L("A"));
    shell::CurrentMovieTitle() = L("Fargo");
    frmActorInfo w;
    w.ActorListGrid()->SetRow(2);
    shell::SetModalHandler([&](QWidget* window) {
        auto* add = qobject_cast<frmActorAdd*>(window);
        QVERIFY(add);
        click(add, "Command1");
        QCOMPARE(msgs.last().text, L("You must input at least a first or last name before proceeding!"));
        QCOMPARE(msgs.last().title, L("Error"));
        QCOMPARE(msgs.last().icon(), int(shell::vbCritical));
        add->txtLastName()->setText(L("macy"));
        add->txtFirstName()->setText(L("A"));
        click(add, "Command1");
        QCOMPARE(msgs.last().text, L("This Actor is already in the database!"));
        QCOMPARE(msgs.last().title, L("Actor Already Available"));
        QCOMPARE(add->txtLastName()->text(), L("macy"));

        add->txtLastName()->clear();
        add->txtFirstName()->setText(L("Cher")); // a first name alone
        click(add, "Command1");
        QVERIFY(add->txtFirstName()->text().isEmpty());
        QCOMPARE(add->focusWidget(), add->txtFirstName());
        add->txtLastName()->setText(L("Lynch"));
        add->txtFirstName()->setText(L("John"));
        click(add, "Command1");
        click(add, "cmdOK");
    });
    click(&w, "cmdAddActor");
    shell::SetModalHandler(nullptr);
    QCOMPARE(msgs.count(), 2);
    QCOMPARE(column(w.ActorGrid(), 1), (QStringList{L(", Cher"), L("Lynch, John")}));
    QCOMPARE(cat.scalar(L("SELECT Actor_Last_Name FROM tbl_Actor WHERE Actor_First_Name = 'Cher'")), QVariant(L("")));
    // The lent cell shows its own actor again, like every other row.
    QCOMPARE(column(w.ActorListGrid(), 1),
             (QStringList{L(", Cher"), L("Buscemi, A"), L("Lynch, John"), L("Macy, A"), L("Stormare, A")}));
    QCOMPARE(column(w.ActorListGrid(), 0), numbers(5));
}

void TestCast::filmography()
{
    testing::TempCatalogue cat;
    const qint64 zeta = cat.addActor(L("Zeta"), L("Z"));
    cat.addActor(L("Idle"), L("Ivy"));
    const qint64 best = cat.addActor(L("Best"), L("Bo"));
    for (const char* title : {"Gamma", "Alpha", "Beta"})
        cat.link(best, cat.addMovie(QString::fromLatin1(title)));
    cat.link(zeta, cat.addMovie(L("Omega")));
    frmActorList w;
    QComboBox* box = w.cboActorList();
    QCOMPARE(box->currentText(), L("Best, Bo"));
    QCOMPARE(column(w.MovieGrid(), 0), numbers(3));
    box->setCurrentIndex(box->findText(L("Idle, Ivy")));
    QCOMPARE(w.MovieGrid()->Rows(), 0);
    box->setEditText(L("Zeta, "));
    QTest::keyClick(box, Qt::Key_Z); // the store compares without regard to case
    QCOMPARE(column(w.MovieGrid(), 1), QStringList{L("Omega")});

    testing::TempCatalogue empty;
    frmActorList none;
    QCOMPARE(none.cboActorList()->count(), 0);
    QCOMPARE(none.MovieGrid()->Rows(), 0);
}

void TestCast::displayNameAgreesWithCatalogue_data()
{
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("first");
    QTest::newRow("both") << L("Doe") << L("Jane");
    QTest::newRow("no last name") << QString() << L("Jane");
    QTest::newRow("no first name, blanks kept") << L(" Doe ") << QString();
}

void TestCast::displayNameAgreesWithCatalogue()
{
    QFETCH(QString, last);
    QFETCH(QString, first);
    testing::TempCatalogue cat;
    const qint64 id = cat.addActor(last, first);
    QCOMPARE(cast::ActorDisplayName(last, first),
             cat.scalar(L("SELECT Actor FROM qry_Actor WHERE Actor_ID = ?"), {id}).toString());
}

QTEST_MAIN(TestCast)
#include "test_cast.moc"
