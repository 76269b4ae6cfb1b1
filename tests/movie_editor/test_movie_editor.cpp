// The movie editor driven through its controls, as the user works it.
#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "movie_editor/frmMovieAdd.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <memory>
#include <optional>

using movie_editor::frmMovieAdd;
using testing::ScriptedMessages;

const auto S = [](const char* text) { return QString::fromUtf8(text); };

const char* const kCombos[] = {"dbcDirector", "dbcProducer", "dbcExecutiveProducer", "dbcScreenWriter",
                               "dbcWriter",   "dbcComposer", "dbcCinematographer",   "dbcGenre",
                               "dbcStudio",   "dbcFormat"};

// The editor as the main window opens it, with its controls found by name.
struct Editor
{
    std::unique_ptr<frmMovieAdd> w;
    explicit Editor(const QString& title = {})
    {
        shell::CurrentMovieTitle() = title;
        w = std::make_unique<frmMovieAdd>();
    }
    template <class T = QWidget> T* ctl(const char* name) const { return w->findChild<T*>(S(name)); }
    QLineEdit* box(const char* n) const
    {
        return ctl<QComboBox>(n) ? ctl<QComboBox>(n)->lineEdit() : ctl<QLineEdit>(n);
    }
    QString text(const char* name) const { return box(name)->text(); }
    void type(const char* name, const QString& keys) const { QTest::keyClicks(ctl(name), keys); }
    void click(const char* name) const { QTest::mouseClick(ctl<QPushButton>(name), Qt::LeftButton); }
};

// Every movie's title, grade and widescreen flag, in the order stored.
const auto movies = [](const testing::TempCatalogue& cat) {
    return cat
        .scalar(S("SELECT group_concat(Movie_Title || '/' || Grade || '/' || Widescreen, '|') FROM tbl_Movie_Title"))
        .toString();
};
// A box's title and style in one text: which kind of box it was.
const auto kind = [](const shell::MessageRecord& box) -> QString { return box.title + QString::number(box.style); };

class TestMovieEditor : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    std::optional<ScriptedMessages> msgs;

private slots:
    void init() { cat.emplace(), msgs.emplace(); }
    void cleanup() { msgs.reset(), cat.reset(); }

    // A stored value shows whole, however long or spelt, and an untouched Update writes it back as it was.
    void opensEmptyForNewAndFilledForEdit_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown"); // the box's text, or the check box as 0 or 1
        QTest::newRow("new") << QString() << S("Grade") << QVariant() << QString();
        QTest::newRow("widescreen") << S("The \"Big\" Sleep") << S("Widescreen") << QVariant(1) << S("1");
        QTest::newRow("yes") << S("Alien") << S("Widescreen") << QVariant(S("yes")) << S("1");
        QTest::newRow("True") << S("Alien") << S("Widescreen") << QVariant(S("True")) << S("1");
        QTest::newRow("length") << S("Alien") << S("Length") << QVariant(S("1:57:30")) << S("1:57:30");
        QTest::newRow("year") << S("Alien") << S("Year_Released") << QVariant(S("1979-80")) << S("1979-80");
        QTest::newRow("grade") << S("Alien") << S("Grade") << QVariant(S("A+++")) << S("A+++");
        QTest::newRow("rating") << S("Alien") << S("Rating") << QVariant(S("PG-13 (US)")) << S("PG-13 (US)");
    }
    void opensEmptyForNewAndFilledForEdit()
    {
        QFETCH(QString, title);
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        const QString who = S("O'Brien \"Doc\" Smith");
        cat->addMovie(S("The \"Big\" Sleep"), {{S("Director"), who}, {column, stored}});
        cat->addMovie(S("Alien"), {{S("Director"), who}, {S("Screenwriter"), S("Dan O'Bannon")}, {column, stored}});
        Editor f(title);
        const bool edit = !title.isEmpty();
        QCOMPARE(msgs->count(), 0);
        QCOMPARE(f.ctl<QComboBox>("dbcScreenWriter")->itemText(0), S("Dan O'Bannon")); // lists in name order
        QCOMPARE(f.w->focusWidget(), f.box("txtMovieTitle"));
        QCOMPARE(f.text("txtMovieTitle"), title);
        QCOMPARE(f.text("dbcDirector"), edit ? who : QString());
        const auto* shows = f.w->findChild<QLineEdit*>(S("txt") + column.section(QLatin1Char('_'), 0, 0));
        QTEST(shows ? shows->text() : QString::number(f.ctl<QCheckBox>("chkWidescreen")->isChecked()), "shown");
        QCOMPARE(f.ctl("dbcFormat")->isEnabled(), edit);
        QCOMPARE(f.ctl("cmdAddActor")->isHidden(), !edit);
        if (edit) // untouched, the value goes back as it was
            f.click("cmd_Update");
        QCOMPARE(cat->scalar(S("SELECT [%1] FROM tbl_Movie_Title WHERE Movie_Title = ?").arg(column), {title}), stored);
    }

    void typedKeysFollowTheCapitalRules()
    {
        cat->scalar(S("UPDATE [tbl_Genre] SET [Genre] = 'UNKNOWN'"));
        Editor f;
        const char* cases[][3] = {{"txtMovieTitle", "the end", "the end"}, // enables the rest
                                  {"dbcStudio", "blue-sky pictures", "Blue-Sky Pictures"},
                                  {"dbcFormat", "dvd", "dvd"},
                                  {"dbcGenre", "unknown\r", "Unknown"}, // Enter picks no other-case entry
                                  {"txtRating", "pg-13x", "PG-13"},     // capitals kept within the length
                                  {"txtGrade", "b+", "B+"}};
        for (const auto& [box, typed, expected] : cases) {
            f.box(box)->clear();
            f.type(box, S(typed));
            QCOMPARE(f.text(box), S(expected));
        }
        QCOMPARE(msgs->count(), 0);
    }

    // Two movies added in turn, the form cleared between them; the title box enables the rest.
    void emptyBoxesGetDefaultsAndNamesAreAddedOnce()
    {
        cat->scalar(S("DELETE FROM [tbl_Genre]")); // a file built without its "Unknown" row
        Editor f;
        QString handed;
        frmMovieAdd::SetAddActorsCommand([&](QWidget*) { handed = shell::CurrentMovieTitle(); });
        for (const QString& title : {S("First"), S("Second")}) {
            QVERIFY(!f.ctl("txtYear")->isEnabled() && !f.ctl("cmd_Update")->isEnabled());
            f.type("txtMovieTitle", title);
            QVERIFY(f.ctl("dbcStudio")->isEnabled() && f.ctl("cmd_Update")->isEnabled());
            f.type("dbcScreenWriter", S("jane roe"));
            f.ctl<QCheckBox>("chkWidescreen")->setChecked(title == S("Second"));
            f.click("cmd_Update");
            QVERIFY(msgs->last().text.startsWith(title + S(" has been added to your library.\r\n")));
            QCOMPARE(kind(msgs->last()), S("Cinevault - Reelkeeper64"));
            for (const char* name : kCombos)
                QCOMPARE(f.text(name), qstrcmp(name, "dbcScreenWriter") == 0 ? S("Jane Roe") : S("Unknown"));
            QCOMPARE(QStringList({f.text("txtLength"), f.text("txtYear"), f.text("txtGrade"), f.text("txtRating")}),
                     QStringList({S("1:30"), S("1900"), S("C"), S("PG")}));
            QVERIFY(!f.ctl("cmdAddActor")->isHidden());
            // Add Actors hands over the title as typed, saved or not.
            f.type("txtMovieTitle", S("!"));
            f.click("cmdAddActor");
            QCOMPARE(handed, title + S("!"));

            f.click("cmdClearForm");
            QVERIFY(f.ctl("cmdAddActor")->isHidden());
            for (const char* name : {"txtMovieTitle", "dbcDirector", "dbcScreenWriter", "txtLength", "txtRating"})
                QCOMPARE(f.text(name), QString());
            QCOMPARE(f.ctl<QComboBox>("dbcDirector")->count(), 1); // the lists stay
        }
        frmMovieAdd::SetAddActorsCommand(nullptr);
        // Each name is stored once and both movies point at it: "Unknown" found or added, Jane Roe reused.
        QCOMPARE(
            QList<qint64>({cat->count(S("tbl_Director")), cat->count(S("tbl_Screenplay")), cat->count(S("tbl_Genre"))}),
            QList<qint64>({1, 2, 1}));
        QCOMPARE(cat->scalar(S("SELECT group_concat(Director || '/' || Screenwriter || '/' || Genre || '/' || "
                               "Widescreen, '|') FROM qry_Movie_Title"))
                     .toString(),
                 S("Unknown/Jane Roe/Unknown/0|Unknown/Jane Roe/Unknown/1"));
    }

    void overwriteAsksAndNoWritesNothing()
    {
        const QString title = S("The \"Big\" Sleep");
        cat->addMovie(title, {{S("Widescreen"), true}, {S("Grade"), S("A")}});
        cat->addMovie(S("The Big Sleep"), {{S("Grade"), S("B")}}); // must never be matched instead
        Editor f(title);
        f.ctl<QCheckBox>("chkWidescreen")->setChecked(false);
        f.box("txtGrade")->setText(S("F"));
        msgs->answer(shell::vbNo);
        f.click("cmd_Update");
        QCOMPARE(msgs->texts(),
                 QStringList(S("This movie already exists in the database. Are you sure you wish to overwrite?")));
        QCOMPARE(kind(msgs->last()), S("Overwrite OK?4"));
        QCOMPARE(movies(*cat), S("The \"Big\" Sleep/A/1|The Big Sleep/B/0"));
        QCOMPARE(f.text("dbcDirector"), S("Unknown")); // from the load: nothing written back

        f.click("cmd_Update");
        QVERIFY(msgs->last().text.startsWith(title + S(" has been updated.\r\n")));
        QCOMPARE(movies(*cat), S("The \"Big\" Sleep/F/0|The Big Sleep/B/0"));
    }

    void errorMidSaveShowsBoxAndNoSuccess()
    {
        Editor f;
        cat->scalar(S("CREATE TRIGGER [NoGenres] BEFORE INSERT ON [tbl_Genre] BEGIN SELECT RAISE(ABORT, 'no'); END"));
        f.type("txtMovieTitle", S("Lost"));
        f.type("dbcDirector", S("New Name"));
        f.type("dbcGenre", S("Noir"));
        f.click("cmd_Update");
        QCOMPARE(msgs->texts(), QStringList(S("The following error occurred while attempting to save:\r\n"
                                              "Error number: 1811\r\nError Description: no\r\n")));
        QCOMPARE(kind(msgs->last()), S("Error!48"));
        // The save is one unit: the name added before the failure goes with it.
        QCOMPARE(cat->count(S("tbl_Director WHERE [Director] = 'New Name'")), 0);
        QCOMPARE(movies(*cat), QString());
    }

    // The details window typed into and kept with OK, saved with Update in the movie's own unit; a
    // value that does not read is told and keeps the window open, and Cancel then keeps nothing.
    void detailsSavedWithUpdate_data()
    {
        QTest::addColumn<QStringList>("typed"); // box, then what is typed there (a break: Return)
        QTest::addColumn<QString>("refusal");   // a part of it; none: kept
        QTest::addColumn<QString>("stored");    // plot|rating|more genres|IMDb id|barcodes|fields
        const QString before = S("Old plot||||4006381333931|");
        QTest::newRow("every kind") << QStringList{S("txtPlot"),           S("A heist.\nIn LA."),
                                                   S("txtPersonalRating"), S("7,5"),
                                                   S("txtImdbId"),         S("https://www.imdb.com/title/tt0113277/"),
                                                   S("txtBarcodes"),       S("4006381333931\n0 36000 29145 2"),
                                                   S("txtFields"),         S("Region: 2\nLanguages: en\\nfr"),
                                                   S("txtMoreGenres"),     S("Drama\nCrime\ndrama")}
                                    << QString()
                                    << S("A heist.\nIn LA.|7.5|Drama|tt0113277|4006381333931,036000291452|Region=2,"
                                         "Languages=en\nfr");
        QTest::newRow("rating 11") << QStringList{S("txtPersonalRating"), S("11")} << S("\"11\" is not a rating")
                                   << before;
        QTest::newRow("rating abc") << QStringList{S("txtPersonalRating"), S("abc")} << S("\"abc\" is not a rating")
                                    << before;
        QTest::newRow("IMDb id of tt and letters")
            << QStringList{S("txtImdbId"), S("ttabc")} << S("\"ttabc\" is not an IMDb id") << before;
        QTest::newRow("wrong check digit")
            << QStringList{S("txtBarcodes"), S("4006381333932")} << S("4006381333932") << before;
        QTest::newRow("field named like its own")
            << QStringList{S("txtFields"), S("Plot: mine")} << S("cannot be named \"Plot\"") << before;
        QTest::newRow("field with markup")
            << QStringList{S("txtFields"), S("<b>x</b>: y")} << S("cannot name a field") << before;
    }
    void detailsSavedWithUpdate()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, refusal);
        const qint64 heat = cat->addMovie(S("Heat"), {{S("Genre"), S("Crime")}});
        cat->scalar(S("INSERT INTO tbl_Movie_Details (Movie_ID, Plot) VALUES (?, 'Old plot')"), {heat});
        cat->scalar(S("INSERT INTO tbl_Movie_Barcode VALUES (?, 1, '4006381333931')"), {heat});
        Editor f(S("Heat"));
        shell::SetModalHandler([&](QWidget* window) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            for (qsizetype i = 0; i + 1 < typed.size(); i += 2) {
                if (typed[i].startsWith(S("txtMore"))) { // on the other tab
                    auto* tabs = window->findChild<QTabBar*>();
                    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
                }
                window->findChild<QWidget*>(typed[i])->setFocus();
                QWidget* focused = QApplication::focusWidget();
                QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier); // over what is there
                const QStringList lines = typed[i + 1].split(QLatin1Char('\n'));
                for (const QString& line : lines) {
                    if (&line != &lines.front())
                        QTest::keyClick(focused, Qt::Key_Return);
                    QTest::keyClicks(focused, line);
                }
            }
            QTest::mouseClick(window->findChild<QPushButton*>(S("cmdOK")), Qt::LeftButton);
            QCOMPARE(window->isVisible(), !refusal.isEmpty());
            if (window->isVisible())
                QTest::mouseClick(window->findChild<QPushButton*>(S("cmdCancel")), Qt::LeftButton);
        });
        f.click("cmdDetails");
        shell::SetModalHandler(nullptr);
        QCOMPARE(msgs->texts().size(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty())
            QVERIFY2(msgs->last().text.contains(refusal), qPrintable(msgs->last().text));
        f.click("cmd_Update");
        QVERIFY(msgs->last().text.startsWith(S("Heat has been updated.")));
        const catalog::Movie m = *catalog::ReadMovie(cat->open(), heat);
        QStringList fields;
        for (const catalog::Field& field : m.fields)
            fields << field.name + S("=") + field.value;
        const QStringList got{m.plot,
                              catalog::RatingText(m.personalRating),
                              m.moreNames[store::kGenre].join(S(",")),
                              m.imdbId,
                              m.barcodes.join(S(",")),
                              fields.join(S(","))};
        QTEST(got.join(S("|")), "stored");
        QCOMPARE(m.credits[store::kGenre], S("Crime")); // the box's, as it was
    }
};

QTEST_MAIN(TestMovieEditor)
#include "test_movie_editor.moc"
