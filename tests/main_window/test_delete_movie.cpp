#include "main_window/DataControl.h"
#include "main_window/DeleteMovie.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QTest>
#include <optional>

namespace {
const auto S = [](const char* text) { return QString::fromLatin1(text); };
// Each credit's name column and the stem of its table and key names.
const char* kKinds[][2] = {{"Director", "Director"},
                           {"Producer", "Producer"},
                           {"Executive_Producer", "Executive_Producer"},
                           {"Composer", "Composer"},
                           {"Writer", "Writer"},
                           {"Screenwriter", "Screenplay"},
                           {"Cinematographer", "Cinematographer"},
                           {"Studio", "Studio"},
                           {"Genre", "Genre"},
                           {"Format", "Format"}};
} // namespace

class TestDeleteMovie : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    std::unique_ptr<main_window::frmMain> main;
    testing::ScriptedMessages boxes;

    qint64 count(const QString& from) const { return cat->scalar(S("SELECT count(*) FROM ") + from).toLongLong(); }
    qint64 fingerprint() const
    {
        return count(S("tbl_Movie_Title")) * 1000 + count(S("tbl_Director")) * 100 + count(S("tbl_Actor")) * 10 +
               count(S("tbl_Actor_Movie_Join"));
    }
    // Selects the movie with this key in a fresh main window and runs the delete command on it.
    bool deleteMovie(qint64 id)
    {
        main = std::make_unique<main_window::frmMain>();
        main->Form_Load();
        main->show();
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
        QTest::newRow("no") << 2 << int(shell::vbNo) << S("Are you sure you want to delete this movie?");
        QTest::newRow("last movie") << 1 << int(shell::vbYes)
                                    << S("There has to be at least 1 record in the database at all times.\r\n"
                                         "So you cannot delete this record at this time.");
        QTest::newRow("failure midway") << 2 << int(shell::vbYes) << S("left as it was");
    }
    void nothingChanges()
    {
        QFETCH(int, movies);
        QFETCH(int, answer);
        QFETCH(QString, message);
        const qint64 a = cat->addMovie(S("Alpha"), {{S("Director"), S("D")}});
        cat->link(cat->addActor(S("Solo"), S("A")), a);
        if (movies == 2)
            cat->addMovie(S("Beta"));
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

    // Each kind of credit, with a key too wide for 16 bits: the row goes when no other movie uses
    // it, unless it is named exactly "Unknown"; the key-1 rows stay though no movie uses them.
    void credits_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shared");
        for (int k = 0; k < 10; ++k) {
            QTest::addRow("%s alone", kKinds[k][0]) << k << S("Solo") << false;
            QTest::addRow("%s shared", kKinds[k][0]) << k << S("Solo") << true;
        }
        QTest::newRow("Unknown") << 0 << S("Unknown") << false;
        QTest::newRow("unknown") << 0 << S("unknown") << false;
    }
    void credits()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(bool, shared);
        std::map<QString, QVariant> named;
        for (const auto& k : kKinds)
            named[S(k[0])] = S("Named");
        const qint64 a = cat->addMovie(S("Alpha")), b = cat->addMovie(S("Beta"), named);
        const QString table = S("tbl_") + S(kKinds[kind][1]), key = S(kKinds[kind][1]) + S("_ID");
        cat->scalar(S("INSERT INTO %1 (%2, %3) VALUES (40000, ?)").arg(table, key, S(kKinds[kind][0])), {name});
        cat->scalar(S("UPDATE tbl_Movie_Title SET %1 = 40000 WHERE Movie_ID IN (?, ?)").arg(key), {a, shared ? b : a});
        QVERIFY(deleteMovie(a));
        QCOMPARE(count(table + S(" WHERE rowid = 40000")), shared || name == S("Unknown") ? 1 : 0);
        qint64 unknown = 0;
        for (const auto& k : kKinds)
            unknown += count(S("tbl_") + S(k[1]) + S(" WHERE rowid = 1"));
        QCOMPARE(unknown, 10);
        QCOMPARE(shell::CurrentMovieTitle(), S("Beta"));
    }

    // Two movies of one title: only the selected one loses its row, links and lone actors.
    void cast()
    {
        const qint64 a = cat->addMovie(S("Twin"), {{S("Director"), S("D1")}});
        cat->scalar(S("UPDATE tbl_Movie_Title SET Movie_ID = 70000 WHERE Movie_ID = ?"),
                    {cat->addMovie(S("Twin"), {{S("Director"), S("D2")}})});
        const qint64 lone = cat->addActor(S("Lone"), {}), both = cat->addActor(S("Both"), {});
        const qint64 other = cat->addActor(S("Other"), {});
        for (auto [actor, movie] : {std::pair{lone, qint64(70000)}, {both, 70000}, {both, a}, {other, a}})
            cat->link(actor, movie);
        QVERIFY(deleteMovie(70000));
        QCOMPARE(count(S("tbl_Movie_Title")), 1);
        QCOMPARE(count(S("tbl_Director WHERE Director IN ('D1', 'D2')")), 1);
        QCOMPARE(count(S("tbl_Actor")), 2);
        QCOMPARE(cat->scalar(S("SELECT group_concat(Actor_ID) FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?"), {a}),
                 QVariant(S("%1,%2").arg(both).arg(other)));
    }
};

QTEST_MAIN(TestDeleteMovie)
#include "test_delete_movie.moc"
