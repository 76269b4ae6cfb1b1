// The movie editor driven through its controls, as the user works it.
#include "movie_editor/frmMovieAdd.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

using movie_editor::frmMovieAdd;
using testing::ScriptedMessages;

namespace {
const char* const kCombos[] = {"dbcDirector", "dbcProducer", "dbcExecutiveProducer", "dbcScreenWriter",
                               "dbcWriter",   "dbcComposer", "dbcCinematographer",   "dbcGenre",
                               "dbcStudio",   "dbcFormat"};
#define S(text) QStringLiteral(text)

// The editor as the main window opens it, with its controls found by name.
struct Editor
{
    std::unique_ptr<frmMovieAdd> w;
    explicit Editor(const QString& title = {})
    {
        shell::CurrentMovieTitle() = title;
        w = std::make_unique<frmMovieAdd>();
    }
    template <class T = QWidget> T* ctl(const char* name) const { return w->findChild<T*>(QString::fromLatin1(name)); }
    QLineEdit* box(const char* n) const
    {
        return ctl<QComboBox>(n) ? ctl<QComboBox>(n)->lineEdit() : ctl<QLineEdit>(n);
    }
    QString text(const char* name) const { return box(name)->text(); }
    void type(const char* name, const QString& keys) const { QTest::keyClicks(box(name), keys); }
    void click(const char* name) const { QTest::mouseClick(ctl<QPushButton>(name), Qt::LeftButton); }
};

QVariant movieColumn(testing::TempCatalogue& cat, const char* column, const QString& title)
{
    return cat.scalar(S("SELECT [%1] FROM [tbl_Movie_Title] WHERE [Movie_Title] = ?").arg(QLatin1String(column)),
                      {title});
}
} // namespace

class TestMovieEditor : public QObject
{
    Q_OBJECT
private slots:
    void opensEmptyForNewAndFilledForEdit_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("widescreen");
        QTest::newRow("new") << QString() << false;
        QTest::newRow("edit, quotes") << S("The \"Big\" Sleep") << true;
        QTest::newRow("edit, narrow") << S("Alien") << false;
    }

    void opensEmptyForNewAndFilledForEdit()
    {
        QFETCH(QString, title);
        QFETCH(bool, widescreen);
        testing::TempCatalogue cat;
        const QString director = S("O'Brien \"Doc\" Smith");
        cat.addMovie(S("The \"Big\" Sleep"),
                     {{S("Director"), director}, {S("Widescreen"), true}, {S("Grade"), S("A")}});
        cat.addMovie(S("Alien"),
                     {{S("Director"), director}, {S("Screenwriter"), S("Dan O'Bannon")}, {S("Grade"), S("C")}});
        ScriptedMessages msgs;
        Editor f(title);
        QCOMPARE(msgs.count(), 0);
        QCOMPARE(f.ctl<QComboBox>("dbcDirector")->count(), 2); // Unknown and the director, in name order
        QCOMPARE(f.ctl<QComboBox>("dbcScreenWriter")->itemText(0), S("Dan O'Bannon"));
        QCOMPARE(f.w->focusWidget(), f.box("txtMovieTitle"));
        QCOMPARE(f.text("txtMovieTitle"), title);
        QCOMPARE(f.text("dbcDirector"), title.isEmpty() ? QString() : director);
        QCOMPARE(f.text("txtGrade"), title.isEmpty() ? S("") : widescreen ? S("A") : S("C"));
        QCOMPARE(f.ctl<QCheckBox>("chkWidescreen")->isChecked(), widescreen);
        QCOMPARE(f.ctl("dbcFormat")->isEnabled(), !title.isEmpty());
        QCOMPARE(f.ctl("cmdAddActor")->isHidden(), title.isEmpty());
        QCOMPARE(f.ctl<QPushButton>("cmd_Update")->text(), title.isEmpty() ? S("&Add Movie") : S("&Update Movie"));
    }

    void titleEnablesFieldsAndClearFormEmpties()
    {
        testing::TempCatalogue cat;
        ScriptedMessages msgs;
        Editor f;
        f.type("txtMovieTitle", S("X"));
        QVERIFY(f.ctl("dbcStudio")->isEnabled() && f.ctl("cmd_Update")->isEnabled());
        QTest::keyClick(f.box("txtMovieTitle"), Qt::Key_Backspace);
        QVERIFY(!f.ctl("txtYear")->isEnabled() && !f.ctl("cmd_Update")->isEnabled());

        f.type("txtMovieTitle", S("Heat"));
        f.ctl<QCheckBox>("chkWidescreen")->setChecked(true);
        f.click("cmd_Update");
        QVERIFY(!f.ctl("cmdAddActor")->isHidden());
        f.click("cmdClearForm");
        QVERIFY(f.ctl("cmdAddActor")->isHidden());
        for (const char* name : {"txtMovieTitle", "dbcDirector", "dbcFormat", "txtLength", "txtRating"})
            QCOMPARE(f.box(name)->text(), QString());
        QVERIFY(!f.ctl<QCheckBox>("chkWidescreen")->isChecked());
        QCOMPARE(f.ctl<QComboBox>("dbcGenre")->count(), 1);
        QCOMPARE(f.ctl<QPushButton>("cmd_Update")->text(), S("&Add Movie"));

        // Add Actors hands over the title as typed, saved or not.
        QString handed;
        frmMovieAdd::SetAddActorsCommand([&](QWidget*) { handed = shell::CurrentMovieTitle(); });
        f.type("txtMovieTitle", S("heat 2"));
        f.click("cmd_Update");
        f.type("txtMovieTitle", S("!"));
        f.click("cmdAddActor");
        frmMovieAdd::SetAddActorsCommand(nullptr);
        QCOMPARE(handed, S("heat 2!"));
    }

    void typedKeysFollowTheCapitalRules_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("studio") << S("dbcStudio") << S("blue-sky pictures") << S("Blue-Sky Pictures");
        QTest::newRow("first only") << S("dbcDirector") << S("megacorp") << S("Megacorp");
        QTest::newRow("format kept") << S("dbcFormat") << S("dvd") << S("dvd");
        QTest::newRow("list entry, other case, Enter") << S("dbcGenre") << S("unknown\r") << S("Unknown");
        QTest::newRow("rating") << S("txtRating") << S("pg-13x") << S("PG-13");
        QTest::newRow("grade") << S("txtGrade") << S("b+") << S("B+");
        QTest::newRow("year length") << S("txtYear") << S("19999") << S("1999");
        QTest::newRow("title untouched") << S("txtMovieTitle") << S("the end") << S("the end");
    }

    void typedKeysFollowTheCapitalRules()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        testing::TempCatalogue cat;
        cat.scalar(S("UPDATE [tbl_Genre] SET [Genre] = 'UNKNOWN'"));
        cat.addMovie(S("T"));
        ScriptedMessages msgs;
        Editor f(S("T"));
        QLineEdit* edit = f.box(control.toLatin1().constData());
        edit->clear();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), expected);
        QCOMPARE(msgs.count(), 0);
    }

    void emptyCreditsBecomeUnknownAndNamesAreAddedOnce()
    {
        testing::TempCatalogue cat;
        cat.scalar(S("DELETE FROM [tbl_Genre]")); // a file built without its "Unknown" row
        ScriptedMessages msgs;
        for (const char* title : {"First", "Second"}) {
            Editor f;
            f.type("txtMovieTitle", QString::fromLatin1(title));
            f.type("dbcScreenWriter", S("jane roe"));
            f.click("cmd_Update");
            QCOMPARE(msgs.last().text, QString::fromLatin1(title) +
                                           S(" has been added to your library.\r\nYou may now add actors or clear "
                                             "the form and enter a new movie!"));
            QCOMPARE(msgs.last().title + QString::number(msgs.last().style), S("Cinevault - Reelkeeper64"));
            for (const char* name : kCombos)
                QCOMPARE(f.box(name)->text(), qstrcmp(name, "dbcScreenWriter") == 0 ? S("Jane Roe") : S("Unknown"));
            QCOMPARE(QStringList({f.text("txtLength"), f.text("txtYear"), f.text("txtGrade"), f.text("txtRating")}),
                     QStringList({S("1:30"), S("1900"), S("C"), S("PG")}));
        }
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM [tbl_Screenplay]")).toInt(), 2);
        QCOMPARE(movieColumn(cat, "Screenplay_ID", S("Second")),
                 cat.scalar(S("SELECT [Screenplay_ID] FROM [tbl_Screenplay] WHERE [Screenwriter] = 'Jane Roe'")));
        QCOMPARE(movieColumn(cat, "Director_ID", S("Second")).toInt(), 1);
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM [tbl_Genre] WHERE [Genre] = 'Unknown'")).toInt(), 1);
        QCOMPARE(movieColumn(cat, "Genre_ID", S("First")), cat.scalar(S("SELECT [Genre_ID] FROM [tbl_Genre]")));
        QCOMPARE(movieColumn(cat, "Widescreen", S("First")).toInt(), 0);
    }

    void overwriteAsksAndNoWritesNothing()
    {
        testing::TempCatalogue cat;
        const QString title = S("The \"Big\" Sleep");
        cat.addMovie(title, {{S("Widescreen"), true}, {S("Grade"), S("A")}});
        cat.addMovie(S("The Big Sleep"), {{S("Grade"), S("B")}}); // must never be matched instead
        ScriptedMessages msgs;
        Editor f(title);
        f.ctl<QCheckBox>("chkWidescreen")->setChecked(false);
        f.box("txtGrade")->setText(S("F"));
        msgs.answer(shell::vbNo);
        f.click("cmd_Update");
        QCOMPARE(msgs.texts(),
                 QStringList(S("This movie already exists in the database. Are you sure you wish to overwrite?")));
        QCOMPARE(msgs.last().title + QString::number(msgs.last().style), S("Overwrite OK?4"));
        QCOMPARE(movieColumn(cat, "Grade", title).toString(), S("A"));
        QCOMPARE(f.text("dbcDirector"), S("Unknown")); // from the load: nothing written back

        f.click("cmd_Update");
        QVERIFY(msgs.last().text.startsWith(title + S(" has been updated.\r\n")));
        QCOMPARE(movieColumn(cat, "Grade", title).toString(), S("F"));
        QCOMPARE(movieColumn(cat, "Widescreen", title).toInt(), 0);
        QCOMPARE(movieColumn(cat, "Grade", S("The Big Sleep")).toString(), S("B"));
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM [tbl_Movie_Title]")).toInt(), 2);
    }

    void errorMidSaveShowsBoxAndNoSuccess()
    {
        testing::TempCatalogue cat;
        ScriptedMessages msgs;
        Editor f;
        cat.scalar(S("CREATE TRIGGER [NoGenres] BEFORE INSERT ON [tbl_Genre] BEGIN SELECT RAISE(ABORT, 'no'); END"));
        f.type("txtMovieTitle", S("Lost"));
        f.type("dbcDirector", S("New Name"));
        f.type("dbcGenre", S("Noir"));
        f.click("cmd_Update");
        QCOMPARE(msgs.texts(), QStringList(S("The following error occurred while attempting to save:\r\n"
                                             "Error number: 1811\r\nError Description: no\r\n")));
        QCOMPARE(msgs.last().title + QString::number(msgs.last().style), S("Error!48"));
        // The save is one unit: the name added before the failure goes with it.
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM [tbl_Director] WHERE [Director] = 'New Name'")).toInt(), 0);
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM [tbl_Movie_Title]")).toInt(), 0);
    }
};

QTEST_MAIN(TestMovieEditor)
#include "test_movie_editor.moc"
