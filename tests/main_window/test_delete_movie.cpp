// The delete command: what goes with a movie, what stays, and that a refusal leaves all as it was.
#include "loans/LoanStore.h"
#include "main_window/DataControl.h"
#include "main_window/DeleteMovie.h"
#include "main_window/MovieGrid.h"
#include "shell/App.h"
#include "store/Credits.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QTest>
#include <optional>

const auto S = [](const char* text) { return QString::fromLatin1(text); };
constexpr qint64 kWide = 5'000'000'000; // a key that needs more than 32 bits

class TestDeleteMovie : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    std::unique_ptr<main_window::frmMain> main;
    testing::ScriptedMessages boxes;

    qint64 fingerprint() const
    {
        return cat->count(S("tbl_Loan")) * 10000 + cat->count(S("tbl_Movie_Title")) * 1000 +
               cat->count(S("tbl_Director")) * 100 + cat->count(S("tbl_Actor")) * 10 +
               cat->count(S("tbl_Actor_Movie_Join"));
    }
    // Selects the movie with this key in a fresh main window and runs the delete command on it.
    bool deleteMovie(qint64 id)
    {
        main = testing::OpenMain();
        store::Recordset& set = main->datMovieQuery()->Recordset();
        for (int r = 0; r < set.RecordCount(); ++r)
            if (set.At(r, set.ColumnIndex(S("Movie_ID"))).toLongLong() == id)
                main->dbgMovie()->SetRow(r);
        return main_window::DeleteCurrentMovie(*main);
    }

private slots:
    void init()
    {
        main.reset();
        cat.emplace();
        boxes.clear();
    }

    void nothingChanges_data()
    {
        QTest::addColumn<int>("movies");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("borrower"); // empty: not lent
        QTest::newRow("no") << 2 << int(shell::vbNo) << S("Are you sure you want to delete this movie?") << QString();
        QTest::newRow("lent, no") << 2 << int(shell::vbNo) << S("Alpha is on loan to Anna. Delete it anyway?")
                                  << S("Anna");
        QTest::newRow("last movie") << 1 << int(shell::vbYes)
                                    << S("There has to be at least 1 record in the database at all times.\r\n"
                                         "So you cannot delete this record at this time.")
                                    << QString();
        QTest::newRow("failure midway") << 2 << int(shell::vbYes) << S("left as it was") << QString();
    }
    void nothingChanges()
    {
        QFETCH(int, movies);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, borrower);
        const qint64 a = cat->addMovie(S("Alpha"), {{S("Director"), S("D")}});
        cat->link(cat->addActor(S("Solo"), S("A")), a);
        if (movies == 2)
            cat->addMovie(S("Beta"));
        store::Connection db = cat->open();
        if (!borrower.isEmpty())
            loans::Lend(db, a, borrower, QDate::currentDate(), {});
        // The actor goes last, so a refusing trigger there fails a delete that has done all else.
        cat->scalar(S("CREATE TRIGGER fail BEFORE DELETE ON tbl_Actor BEGIN SELECT RAISE(ABORT, 'disk'); END"));
        const qint64 before = fingerprint();
        boxes.answer(answer);
        QVERIFY(!deleteMovie(a));
        QCOMPARE(fingerprint(), before);
        QCOMPARE(main->datMovieQuery()->rowCount(), movies);
        QCOMPARE(boxes.boxes().front().style, shell::vbYesNo | shell::vbExclamation);
        QVERIFY(boxes.last().text.contains(message));
    }

    // Two movies of one title, the selected one on a wide key, with every kind of credit on wide
    // keys too. A credit goes when no other movie uses it, unless it is named exactly "Unknown";
    // the key-1 rows stay though no movie uses them. Only the selected movie's links and lone
    // actors go with it.
    void creditsAndCast_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shared");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<bool>("second"); // shared as the other movie's second name of the credit
        QTest::newRow("alone") << S("Solo") << false << false << false;
        QTest::newRow("shared") << S("Solo") << true << true << false;
        QTest::newRow("shared as a second name") << S("Solo") << true << true << true;
        QTest::newRow("Unknown") << S("Unknown") << false << true << false;
        QTest::newRow("unknown") << S("unknown") << false << false << false;
    }
    void creditsAndCast()
    {
        QFETCH(QString, name);
        QFETCH(bool, shared);
        QFETCH(bool, stays);
        QFETCH(bool, second);
        const qint64 a = kWide, b = cat->addMovie(S("Twin"));
        cat->scalar(S("INSERT INTO tbl_Movie_Title (Movie_ID, Movie_Title) VALUES (?, 'Twin')"), {a});
        qint64 key = kWide;
        for (const store::Credit& c : store::kCredits) {
            cat->scalar(S("INSERT INTO %1 (%2, %3) VALUES (?, ?)").arg(S(c.table), S(c.key), S(c.name)), {++key, name});
            cat->scalar(S("UPDATE tbl_Movie_Title SET %1 = ? WHERE Movie_ID IN (?, ?)").arg(S(c.key)),
                        {key, a, shared && !second ? b : a});
            // Named by the movie again among its more names, and by the other movie only there.
            for (const qint64 movie : second ? std::vector{a, b} : std::vector{a})
                cat->scalar(S("INSERT INTO tbl_Movie_More_Name VALUES (?, ?, 2, ?)"), {movie, S(c.key), key});
        }
        // All else the movie holds goes with it.
        for (const char* sql : {"INSERT INTO tbl_Movie_Details (Movie_ID, Plot) VALUES (?, 'plot')",
                                "INSERT INTO tbl_Movie_Barcode VALUES (?, 1, '4006381333931')",
                                "INSERT INTO tbl_Movie_Field VALUES (?, 1, 'Region', '2')"})
            cat->scalar(S(sql), {a});
        const qint64 lone = cat->addActor(S("Lone"), {}), both = cat->addActor(S("Both"), {});
        const qint64 other = cat->addActor(S("Other"), {});
        for (auto [actor, movie] : {std::pair{lone, a}, {both, a}, {both, b}, {other, b}})
            cat->link(actor, movie);
        cat->scalar(S("INSERT INTO tbl_Cast_Character SELECT Movie_ID, Actor_ID, 'Kate' FROM tbl_Actor_Movie_Join"));
        store::Connection db = cat->open();
        loans::Lend(db, a, S("Anna"), QDate::currentDate(), {}); // the loan goes too
        QVERIFY(deleteMovie(a));
        for (const store::Credit& c : store::kCredits) {
            const QString table = S(c.table);
            QVERIFY2(cat->count(table + S(" WHERE rowid > 1")) == (stays ? 1 : 0), c.table);
            QVERIFY2(cat->count(table + S(" WHERE rowid = 1")) == 1, c.table);
        }
        QCOMPARE(cat->count(S("tbl_Movie_Title")), 1);
        for (const char* table :
             {"tbl_Movie_More_Name", "tbl_Movie_Details", "tbl_Movie_Barcode", "tbl_Movie_Field", "tbl_Cast_Character"})
            QVERIFY2(cat->count(S(table) + S(" WHERE Movie_ID = %1").arg(a)) == 0, table);
        QCOMPARE(cat->count(S("tbl_Cast_Character")), 2); // the other movie's two
        QCOMPARE(cat->count(S("tbl_Actor")), 2);
        QCOMPARE(cat->scalar(S("SELECT group_concat(Actor_ID) FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?"), {b}),
                 QVariant(S("%1,%2").arg(both).arg(other)));
        QCOMPARE(shell::CurrentMovieTitle(), S("Twin"));
        QCOMPARE(cat->count(S("tbl_Loan")), 0);
        QCOMPARE(loans::Borrowers(cat->open()), QStringList{S("Anna")}); // still offered next time
    }
};

QTEST_MAIN(TestDeleteMovie)
#include "test_delete_movie.moc"
