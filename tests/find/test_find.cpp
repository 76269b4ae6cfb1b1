// Finding movies as you type: the matching rules, hostile input, and the filter kept while the
// browser works on what it shows. The rules' cases are shared with the page the program exports,
// whose find box must answer them the same.
#include "catalog/MovieWriter.h"
#include "find/FindQuery.h"
#include "find/FoundSet.h"
#include "loans/LoanStore.h"
#include "main_window/DataControl.h"
#include "shell/Background.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

const auto S = [](const char* text) { return QString::fromUtf8(text); };

struct Fixture
{
    testing::TempCatalogue cat;
    testing::ScriptedMessages boxes;
    std::unique_ptr<main_window::frmMain> w;
    qint64 ford = 0;

    // The movies of the shared cases, as their file describes them.
    explicit Fixture(const QJsonArray& movies)
    {
        store::Connection db = cat.open();
        for (const QJsonValue& value : movies) {
            const QJsonObject m = value.toObject();
            std::map<QString, QVariant> fields;
            for (auto it = m.begin(); it != m.end(); ++it)
                if (it.value().isString() || it.value().isBool())
                    fields[it.key()] = it.value().toVariant();
            const qint64 id = cat.addMovie(m[S("title")].toString(), fields);
            // What the movie holds beyond its row too: the characters, the plot, and barcodes for one.
            for (const QJsonValue& actor : m[S("cast")].toArray()) {
                const qint64 actorId = cat.addActor(actor[0].toString(), actor[1].toString());
                cat.link(actorId, id);
                if (!actor[2].toString().isEmpty())
                    catalog::MovieWriter(db).SetCharacter(id, actorId, actor[2].toString());
            }
            if (m.contains(S("plot")))
                cat.scalar(S("INSERT INTO tbl_Movie_Details (Movie_ID, Plot) VALUES (?, ?)"), {id, m[S("plot")]});
            if (m[S("title")] == S("Heat")) {
                cat.scalar(S("INSERT INTO tbl_Movie_Barcode VALUES (?, 0, '4006381333931'), (?, 1, '0036000291452')"),
                           {id, id});
                cat.scalar(S("INSERT INTO tbl_Director (Director) VALUES ('Dana Hollowmere')"));
                cat.scalar(S("INSERT INTO tbl_Movie_More_Name SELECT ?, 'Director_ID', 2, Director_ID FROM "
                             "tbl_Director WHERE Director = 'Dana Hollowmere'"),
                           {id});
            }
            const QJsonObject loan = m[S("loan")].toObject();
            if (!loan.isEmpty())
                loans::Lend(db, id, loan[S("borrower")].toString(),
                            QDate::fromString(loan[S("lent")].toString(), Qt::ISODate),
                            QDate::fromString(loan[S("due")].toString(), Qt::ISODate));
        }
        w = testing::OpenMain();
    }
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
        if (typed.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Backspace);
        } else if (typed.size() > 100 || typed.contains(QRegularExpression(S("\\p{Cc}")))) {
            QApplication::clipboard()->setText(typed);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            for (char32_t c : typed.toUcs4()) // as a keyboard with these letters sends them
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
        }
        QCoreApplication::processEvents(); // the search runs once the keys are in
    }
};

class TestFind : public QObject
{
    Q_OBJECT
    QJsonObject m_cases;
    std::unique_ptr<Fixture> m_shared;

private slots:
    // Each row of the shared cases, typed into the program's find box; and a paste far past the
    // longest text the box takes.
    void matching_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QFile file(S(FIND_CASES));
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_cases = QJsonDocument::fromJson(file.readAll()).object();
        QStringList all;
        for (const QJsonValue& m : m_cases[S("movies")].toArray())
            all << m[S("title")].toString();
        for (const QJsonValue& value : m_cases[S("cases")].toArray()) {
            const QJsonArray c = value.toArray();
            QStringList found = c[2].isString() ? all : c[2].toVariant().toStringList();
            QTest::newRow(c[0].toString().toUtf8().constData()) << c[1].toString() << found;
        }
        QTest::newRow("10000 characters") << QString(10000, QLatin1Char('x')) << QStringList();
        // Words of what a movie holds beyond its row, which the shared page does not carry.
        QTest::newRow("plot") << S("plot:THIEF") << QStringList{S("Heat")};
        QTest::newRow("plot with markup")
            << S("plot:\"<script>\"") << QStringList{S("</script><img src=x onerror=alert(1)>")};
        QTest::newRow("plot, a wildcard taken as itself") << S("plot:100%") << QStringList();
        QTest::newRow("character") << S("character:rusty") << QStringList{S("Ocean's Eleven"), S("Mask")};
        QTest::newRow("a further director") << S("hollowmere") << QStringList{S("Heat")};
        QTest::newRow("barcode, its first digits") << S("barcode:4006381") << QStringList{S("Heat")};
        QTest::newRow("barcode as UPC-A of an EAN-13") << S("barcode:036000291452") << QStringList{S("Heat")};
    }
    void matching()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        if (!m_shared) // one catalogue and window for all the rows: each row types over the last
            m_shared = std::make_unique<Fixture>(m_cases[S("movies")].toArray());
        Fixture& f = *m_shared;
        f.find(typed);
        QStringList shown = f.shown();
        shown.sort();
        found.sort();
        QCOMPARE(shown, found);
        // The movie shown stays shown while the movies found still hold it.
        QCOMPARE(f.text("txtStatus").section(S(" of "), 1),
                 found.isEmpty() ? QString() : QString::number(found.size()));
        QCOMPARE(f.w->findChild<QWidget*>(S("cmdLend"))->isEnabled(), !found.isEmpty());
        QCOMPARE(f.boxes.count(), 0);
    }

    // The index follows every change the writer makes, one by one or as a bulk writer's whole run
    // (where it catches up at the end), and a run given up leaves it as it was. The engine's own
    // check compares the index with the values.
    void indexFollowsWriters_data()
    {
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<bool>("kept");
        QTest::newRow("one by one") << false << true;
        QTest::newRow("bulk") << true << true;
        QTest::newRow("bulk given up") << true << false;
    }
    void indexFollowsWriters()
    {
        QFETCH(bool, bulk);
        QFETCH(bool, kept);
        m_shared.reset();
        testing::TempCatalogue cat;
        const qint64 old = cat.addMovie(S("Old Title"), {{S("Director"), S("Kubrick")}});
        const qint64 doomed = cat.addMovie(S("Doomed"));
        const qint64 actor = cat.addActor(S("Ryan"), S("Meg"));
        cat.link(actor, old);
        store::Connection db = cat.open();
        catalog::MovieWriter(db).SetCharacter(old, actor, S("Kate"));
        cat.scalar(S("INSERT INTO tbl_Movie_Details (Movie_ID, Plot) VALUES (?, 'A tiger hunts')"), {old});
        {
            store::Transaction unit(db);
            catalog::MovieWriter writer(db);
            if (bulk)
                writer.BeginBulk();
            catalog::Movie renamed;
            renamed.title = S("Renamed");
            renamed.credits[0] = S("Newman");
            renamed.plot = S("A lion sleeps");
            renamed.cast = {{S("Ryan"), S("Meg"), S("Sally")}};
            writer.Overwrite(old, renamed);
            writer.SetCharacter(old, actor, S("Molly"));
            catalog::Movie fresh;
            fresh.title = S("Fresh Zebra");
            writer.Add(fresh);
            writer.Delete(doomed);
            if (bulk)
                QVERIFY(writer.FinishBulk());
            if (kept)
                unit.commit();
        }
        const auto count = [&](const char* typed) {
            const find::Filter f = find::MatchFilter(S(typed));
            store::Statement q(db, S("SELECT count(*) FROM tbl_Movie_Title WHERE ") + f.where);
            q.bindAll(f.params);
            return q.step() ? q.column(0).toInt() : -1;
        };
        for (const char* typed : {"renamed", "plot:lion", "character:molly", "zebra", "director:newman"})
            QVERIFY2(count(typed) == int(kept), typed);
        for (const char* typed : {"title:old", "plot:tiger", "character:kate", "doomed", "director:kubrick"})
            QVERIFY2(count(typed) == int(!kept), typed);
        for (const char* table : {"tbl_Find_Words", "tbl_Find_Trigram"})
            db.exec(S("INSERT INTO %1 (%1, rank) VALUES ('integrity-check', 1)").arg(S(table)));
        // The triggers are back for whoever writes next.
        cat.addMovie(S("Afterwards"));
        QCOMPARE(count("afterwards"), 1);
    }

    // A word naming thousands of people finds their movies through names held in memory: the same
    // movies as the catalogue's own statement, and again after another program adds one.
    void broadWordAgreesWithStatement()
    {
        m_shared.reset();
        Fixture f;
        f.cat.scalar(S("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2100) "
                       "INSERT INTO tbl_Director (Director) SELECT 'Smith ' || i FROM n"));
        f.cat.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Director_ID) SELECT 'By ' || Director, Director_ID "
                       "FROM tbl_Director WHERE Director_ID % 3 = 0"));
        const qint64 more = f.cat.addMovie(S("Second Named"));
        f.cat.scalar(
            S("INSERT INTO tbl_Movie_More_Name SELECT ?, 'Director_ID', 2, Director_ID FROM tbl_Director WHERE "
              "Director = 'Smith 5'"),
            {more});
        f.cat.link(f.cat.addActor(S("Smithee"), S("Alan")), f.cat.addMovie(S("Acted")));
        const auto statement = [&] {
            const find::Filter filter = find::MatchFilter(S("smith"));
            return int(f.cat.scalar(S("SELECT count(*) FROM tbl_Movie_Title WHERE ") + filter.where, filter.params)
                           .toLongLong());
        };
        // The names are made ahead as the window comes back; a movie added after that is found
        // all the same, and so is one added while a word is shown.
        find::SetReachAhead(0);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(f.w.get(), &activate);
        shell::WorkPool()->waitForDone();
        f.cat.addMovie(S("Sooner"), {{S("Director"), S("Smith 2")}});
        f.find(S("smith"));
        QCOMPARE(f.shown().size(), statement());
        QVERIFY(f.shown().contains(S("Second Named")) && f.shown().contains(S("Acted")) &&
                f.shown().contains(S("Sooner")));
        f.cat.addMovie(S("Later"), {{S("Director"), S("Smith 1")}});
        QApplication::sendEvent(f.w.get(), &activate);
        shell::WorkPool()->waitForDone();
        QCOMPARE(f.shown().size(), statement());
        QVERIFY(f.shown().contains(S("Later")));
        // The names are kept while only other values change, and made again after any change to a
        // credit, a further name or a cast link.
        const QString smith4 = S("(SELECT Director_ID FROM tbl_Director WHERE Director = 'Smith 4')");
        for (const QString& change :
             {S("UPDATE tbl_Movie_Title SET Grade = 'A', Director_ID = Director_ID"),
              S("UPDATE tbl_Movie_Title SET Director_ID = %1 WHERE Movie_Title = 'Amélie'").arg(smith4),
              S("UPDATE tbl_Movie_More_Name SET Name_ID = 1"),
              S("DELETE FROM tbl_Actor_Movie_Join WHERE Actor_ID = "
                "(SELECT max(Actor_ID) FROM tbl_Actor)")}) {
            f.cat.scalar(change);
            QApplication::sendEvent(f.w.get(), &activate);
            shell::WorkPool()->waitForDone();
            QVERIFY2(f.shown().size() == statement(), qPrintable(change));
        }
        QVERIFY(f.shown().contains(S("Amélie")) && !f.shown().contains(S("Acted")));
        find::SetReachAhead(100000);
    }

    // Sorting, becoming active and deleting act on the movies found; Escape shows them all. The
    // fillers make the movies found few among many, which the grid reads by listing them.
    void filterKept()
    {
        m_shared.reset(); // one catalogue and window at a time
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
