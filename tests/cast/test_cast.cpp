// The cast editor, the add-actor window and the filmography view, driven as the user drives them.
#include "cast/ActorName.h"
#include "cast/FlexGrid.h"
#include "cast/frmActorAdd.h"
#include "cast/frmActorInfo.h"
#include "cast/frmActorList.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <optional>

using cast::FlexGrid;
using cast::frmActorAdd;
using cast::frmActorInfo;
using cast::frmActorList;
using testing::click;
#define L QStringLiteral

// The names a grid lists, each marked when the number column beside it does not count 1, 2, 3...
static QStringList names(const FlexGrid* grid)
{
    QStringList out;
    for (int i = 0; i < grid->Rows(); ++i)
        out << grid->TextMatrix(i, 1) +
                   (grid->TextMatrix(i, 0) == QString::number(i + 1) ? L("") : L(" (misnumbered)"));
    return out;
}
// Both kinds of quote, so that no value can be pasted into the statements' text unharmed.
const QString kQuoted = L("Ocean's \"Eleven\"");
const QString kQuotedName = L("O'Toole \"Pete\"");

class TestCast : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    std::optional<testing::ScriptedMessages> msgs;

private slots:
    void init() { shell::CurrentMovieTitle().clear(), cat.emplace(), msgs.emplace(); }
    void cleanup() { msgs.reset(), cat.reset(); }

    void linkTwiceRenumberAndUnlink()
    {
        cat->addMovie(kQuoted);
        const qint64 deniro = cat->addActor(L("De Niro"), L("Robert"));
        cat->link(deniro, cat->addMovie(L("Casino")));
        cat->addActor(kQuotedName, L("Peter"));
        cat->addActor(L("Sizemore"), L("Tom"));
        shell::CurrentMovieTitle() = kQuoted;
        frmActorInfo w;
        FlexGrid* list = w.ActorListGrid();
        FlexGrid* cast = w.ActorGrid();
        click(&w, "cmdDeselectAll"); // a movie without cast
        for (int row : {2, 0, 1}) {
            list->SetRow(row);
            click(&w, "cmdAdd1");
        }
        QCOMPARE(names(cast), (QStringList{L("De Niro, Robert"), kQuotedName + L(", Peter"), L("Sizemore, Tom")}));
        emit list->DblClick(); // the same actor again
        QCOMPARE(cat->count(L("tbl_Actor_Movie_Join")), 4);
        QCOMPARE(msgs->texts(), (QStringList{L("There is no actor to delete!"),
                                             L("You may not add an actor that is alread featured in this film!")}));

        // Whom each plays, typed with the keyboard alone: the character's mnemonic, then Enter or Tab away.
        w.show();
        QApplication::setActiveWindow(&w);
        const std::pair<int, QString> typed[] = {{1, L(" Kate \"K\" ")}, {0, L("Sam")}, {0, L("")}};
        for (const auto& [row, character] : typed) {
            cast->SetRow(row);
            QTest::keyClick(&w, Qt::Key_H, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), L("txtCharacter"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
            QTest::keyClicks(QApplication::focusWidget(), character);
            QTest::keyClick(QApplication::focusWidget(), row ? Qt::Key_Return : Qt::Key_Tab);
        }
        const QString kate = kQuotedName + L(", Peter as Kate \"K\"");
        QCOMPARE(names(cast), (QStringList{L("De Niro, Robert"), kate, L("Sizemore, Tom")}));
        click(&w, "cmdDeselect1"); // the current row, De Niro's, again without a character
        QCOMPARE(names(cast), (QStringList{kate, L("Sizemore, Tom")}));
        QCOMPARE(cat->count(L("tbl_Cast_Character")), 1);
        cat->link(deniro,
                  cat->scalar(L("SELECT Movie_ID FROM tbl_Movie_Title WHERE Movie_Title = ?"), {kQuoted}).toLongLong());
        w.cboMovie_Change();
        QCOMPARE(names(cast), (QStringList{L("De Niro, Robert"), kate, L("Sizemore, Tom")}));
        cast->SetRow(1);
        emit cast->DblClick(); // the actor found again behind the character
        QCOMPARE(names(cast), (QStringList{L("De Niro, Robert"), L("Sizemore, Tom")}));
        QCOMPARE(cat->count(L("tbl_Cast_Character")), 0);
        click(&w, "cmdDeselectAll"); // no question first
        QCOMPARE(msgs->count(), 2);
        QCOMPARE(cast->Rows(), 0);
        QCOMPARE(cat->count(L("tbl_Actor_Movie_Join")), 1); // Casino keeps its cast
    }

    void unknownActorOrMovieChangesNothing()
    {
        cat->addMovie(L("Vertigo"));
        shell::CurrentMovieTitle() = L("Vertigo");
        frmActorInfo w;
        click(&w, "cmdAdd1"); // empty library
        cat->addActor(L("Stewart"), L("James"));
        w.PopulateComboBoxes();
        w.ActorListGrid()->SetText(L("Nobody, At All"));
        click(&w, "cmdAdd1");
        w.PopulateComboBoxes();
        w.cboMovie()->setEditText(L("Vert"));
        click(&w, "cmdAdd1");
        click(&w, "cmdDeselectAll");
        // Adding while the box names no movie keeps the actor and links nothing.
        frmActorAdd add(&w);
        add.txtLastName()->setText(L("Novak"));
        click(&add, "Command1");
        const QString noActor = L("This actor is not in your library!"),
                      noMovie = L("This movie is not in your library!");
        QCOMPARE(msgs->texts(), (QStringList{noActor, noActor, noMovie, L("There is no actor to delete!"), noMovie}));
        QCOMPARE(cat->count(L("tbl_Actor")), 2);
        QCOMPARE(cat->count(L("tbl_Actor_Movie_Join")), 0);
    }

    void pickingAndTyping()
    {
        const qint64 alien = cat->addMovie(L("Alien"));
        const qint64 aliens = cat->addMovie(L("Aliens"));
        const qint64 hurt = cat->addActor(L("Hurt"), L("John"));
        cat->link(cat->addActor(L("Weaver"), L("Sigourney")), aliens);
        shell::CurrentMovieTitle() = L("Aliens");
        frmActorInfo w;
        QComboBox* box = w.cboMovie();
        QCOMPARE(w.ActorGrid()->Rows(), 1); // the cast of the movie asked for

        // Changed behind the window's back: picking the shown title does not read again, another does.
        cat->link(hurt, aliens);
        emit box->activated(box->currentIndex());
        QCOMPARE(w.ActorGrid()->Rows(), 1);
        box->setCurrentIndex(box->findText(L("Alien")));
        emit box->activated(box->currentIndex());
        QCOMPARE(w.ActorGrid()->Rows(), 0);

        // Each key refills the complete list and re-reads the cast of the text so far.
        cat->link(hurt, alien);
        cat->addActor(L("Holm"), L("Ian"));
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, L("Alie"));
        QCOMPARE(shell::CurrentMovieTitle(), L("Alie"));
        QCOMPARE(w.ActorGrid()->Rows(), 0);
        QCOMPARE(w.ActorListGrid()->Rows(), 3);
        QTest::keyClick(box, Qt::Key_N);
        QCOMPARE(names(w.ActorGrid()), QStringList{L("Hurt, John")});
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->count(), 2);
    }

    void letterSearch()
    {
        for (const char* last : {"Adams", "Baker", "Cole", "Dunn", "Dale", "Evans", "Fox", "Grant", "Hill"})
            for (char first = 'a'; first <= 'z'; ++first) // past the rows a list reads at first
                cat->addActor(QString::fromLatin1(last), QString(QLatin1Char(first)));
        cat->addActor(L("da Silva"), L("Ab")); // a small d is no match
        frmActorInfo w;
        w.show();
        FlexGrid* list = w.ActorListGrid();
        QTest::keyClick(list, Qt::Key_D);
        QCOMPARE(list->Text(), L("Dale, a"));
        QCOMPARE(list->TopRow(), list->Row());
        QCOMPARE(list->columnViewportPosition(0), 0); // only rows scroll; names end clear of the bar:
        QVERIFY(list->columnViewportPosition(1) + list->columnWidth(1) <= list->viewport()->width());
        QTest::keyClick(list, Qt::Key_H);
        QCOMPARE(list->Text(), L("Hill, a"));
        QTest::keyClick(list, Qt::Key_Q);
        QCOMPARE(list->Row(), 234);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(234, 0)).center());
        QCOMPARE(list->Col(), 1);
    }

    // A capital starts the box and follows a blank or hyphen; the rule looks at the text's end, not the caret.
    void capitalize()
    {
        frmActorInfo w;
        frmActorAdd add(&w);
        const std::tuple<const char*, int, const char*, const char*> cases[] = {
            {"", 0, "mary-jo van dyke", "Mary-Jo Van Dyke"}, {"ab ", 1, "x", "aXb "}, {"a b", 2, "x", "a xb"}};
        for (const auto& [start, caret, typed, result] : cases)
            for (QLineEdit* box : {add.txtLastName(), add.txtFirstName()}) {
                box->setText(QString::fromLatin1(start));
                box->setCursorPosition(caret);
                QTest::keyClicks(box, QString::fromLatin1(typed));
                QCOMPARE(box->text(), QString::fromLatin1(result));
            }
    }

    void addActor()
    {
        cat->addMovie(L("Fargo"));
        for (const char* last : {"Buscemi", "Macy", "Stormare"})
            cat->addActor(QString::fromLatin1(last), L("A"));
        shell::CurrentMovieTitle() = L("Fargo");
        frmActorInfo w;
        w.ActorListGrid()->SetRow(2);
        shell::SetModalHandler([&](QWidget* window) {
            auto* add = qobject_cast<frmActorAdd*>(window);
            QVERIFY(add);
            const auto enter = [add](const QString& last, const QString& first) {
                add->txtLastName()->setText(last);
                add->txtFirstName()->setText(first);
                click(add, "Command1");
            };
            enter({}, {});
            enter(L("macy"), L("A"));
            QCOMPARE(add->txtLastName()->text(), L("macy")); // a refused name stays for correcting
            enter({}, L("Cher"));                            // a first name alone
            QVERIFY(add->txtFirstName()->text().isEmpty());
            QCOMPARE(add->focusWidget(), add->txtFirstName());
            enter(L("Zane"), L("John"));
            click(add, "cmdOK");
        });
        click(&w, "cmdAddActor");
        shell::SetModalHandler(nullptr);
        QCOMPARE(msgs->texts(), (QStringList{L("You must input at least a first or last name before proceeding!"),
                                             L("This Actor is already in the database!")}));
        QCOMPARE(names(w.ActorGrid()), (QStringList{L(", Cher"), L("Zane, John")}));
        QCOMPARE(cat->scalar(L("SELECT Actor_Last_Name FROM tbl_Actor WHERE Actor_First_Name = 'Cher'")),
                 QVariant(L("")));
        // The lent cell shows its own actor again, like every other row.
        QCOMPARE(names(w.ActorListGrid()),
                 (QStringList{L(", Cher"), L("Buscemi, A"), L("Macy, A"), L("Stormare, A"), L("Zane, John")}));
    }

    void filmography()
    {
        const qint64 zeta = cat->addActor(L("Zeta"), L("Z"));
        cat->addActor(L("Roe"), L("Ivy"));
        const qint64 first = cat->addActor(kQuotedName, L("Bo"));
        for (const char* title : {"Gamma", "Alpha", "Beta"})
            cat->link(first, cat->addMovie(QString::fromLatin1(title)));
        cat->link(zeta, cat->addMovie(L("Omega")));
        frmActorList w;
        QComboBox* box = w.cboActorList();
        QCOMPARE(box->currentText(), kQuotedName + L(", Bo"));
        QStringList films = names(w.MovieGrid());
        films.sort(); // the store keeps no order among one actor's movies
        QCOMPARE(films, (QStringList{L("Alpha"), L("Beta"), L("Gamma")}));
        box->setCurrentIndex(box->findText(L("Roe, Ivy")));
        QCOMPARE(w.MovieGrid()->Rows(), 0);
        box->setEditText(L("Zeta, "));
        QTest::keyClick(box, Qt::Key_Z); // the store compares without regard to case
        QCOMPARE(names(w.MovieGrid()), QStringList{L("Omega")});

        testing::TempCatalogue empty;
        frmActorList none;
        QCOMPARE(none.cboActorList()->count(), 0);
        QCOMPARE(none.MovieGrid()->Rows(), 0);
    }

    // The windows find actors again by this text, so it must match the catalogue's own, blanks and all,
    // a missing part as empty text, whatever its case.
    void displayNameAgreesWithCatalogue()
    {
        const std::pair<QVariant, QVariant> pairs[] = {{L("Doe"), L("Jane")}, {{}, L("Cher")}, {L(" Lee "), {}}};
        for (const auto& [last, first] : pairs) {
            const QVariant id = cat->scalar(L("INSERT INTO tbl_Actor (Actor_Last_Name, Actor_First_Name) VALUES (?, ?) "
                                              "RETURNING Actor_ID"),
                                            {last, first});
            const QString name = cast::ActorDisplayName(last.toString(), first.toString());
            QCOMPARE(cat->scalar(L("SELECT Actor_ID FROM qry_Actor WHERE Actor = ?"), {name.toUpper()}), id);
        }
    }
};

QTEST_MAIN(TestCast)
#include "test_cast.moc"
