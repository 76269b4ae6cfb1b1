// The result-set contract every window relies on.
#include "find/SortOrder.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QTest>
#include <algorithm>

using store::Recordset;
using store::StoreError;

const auto S = [](const char* text) { return QString::fromUtf8(text); };

class TestRecordset : public QObject
{
    Q_OBJECT
private slots:
    void movieViewReadsRowsOnDemand()
    {
        testing::TempCatalogue cat;
        const auto title = [](int grade) { return S("M%1").arg(1199 - grade, 3, 10, QLatin1Char('0')); };
        // More than one block of keys and of fetched rows; grades are text, so "130" sorts before "14".
        cat.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Grade) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL "
                     "SELECT i + 1 FROM n WHERE i < 1199) SELECT printf('M%03d', 1199 - i), i FROM n"));
        QStringList grades;
        for (int i = 0; i < 1200; ++i)
            grades << QString::number(i);
        grades.sort();
        const auto db = cat.open();
        Recordset rs(db, find::SortedKeysSql(S("Grade")));
        QCOMPARE(rs.RecordCount(), 1200);
        rs.SetBookmark(qint64(1000)); // grade "999", the last row, in a block not read yet
        QCOMPARE(rs.AbsolutePosition(), 1199);
        rs.SetAbsolutePosition(530); // read out of order first
        QCOMPARE(rs.Value(S("Movie_Title")).toString(), title(grades[530].toInt()));
        // Walked from the top, the keys come in blocks of growing size.
        Recordset walk(db, find::SortedKeysSql(S("Grade")));
        int row = 0;
        for (; !walk.Eof(); walk.MoveNext(), ++row) {
            QCOMPARE(walk.At(row, walk.ColumnIndex(S("Grade"))).toString(), grades[row]);
            QCOMPARE(walk.Value(S("Movie_Title")).toString(), title(grades[row].toInt()));
        }
        QCOMPARE(row, 1200);
        // A row another program deletes after the requery reads as empty until the next one.
        Recordset fresh(db, S("SELECT * FROM qry_Movie_Title"));
        cat.scalar(S("DELETE FROM tbl_Movie_Title WHERE Movie_Title = 'M999'"));
        fresh.MoveLast();
        QCOMPARE(fresh.Value(S("Movie_Title")), QVariant());
        fresh.Requery();
        QCOMPARE(fresh.RecordCount(), 1199);
    }

    void readFromEitherEnd_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("changedBetween"); // another program writes after the end is read
        QTest::newRow("title") << S("Movie_Title") << QString() << false;
        QTest::newRow("grade, found, walked") << S("Grade") << S("[Movie_ID] %1") << false;
        QTest::newRow("director, found, some named by no row") << S("Director") << S("[Movie_ID] %1") << false;
        QTest::newRow("director, changed between") << S("Director") << QString() << true;
    }

    // Ctrl+End reads the order backwards; what is read from the start afterwards must meet it
    // exactly, with every row once, in the order read forwards alone gives.
    void readFromEitherEnd()
    {
        QFETCH(QString, field);
        QFETCH(QString, where);
        QFETCH(bool, changedBetween);
        testing::TempCatalogue cat;
        cat.scalar(S("INSERT INTO tbl_Director (Director_ID, Director) VALUES (100, NULL), (101, 'b'), (102, 'A'), "
                     "(103, 'c')"));
        // Titles repeat and so do grades, so ties are broken by key; director 104 names no row, and
        // some titles and grades are empty.
        cat.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Grade, Director_ID) WITH RECURSIVE n(i) AS "
                     "(SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1499) SELECT nullif(printf('t%03d', i % 700), "
                     "'t007'), nullif(i % 13, 5), 100 + i % 5 FROM n"));
        // A condition binding a value, asked of most movies so the first block is walked.
        const QString condition =
            where.isEmpty() ? where : where.arg(S("IN (SELECT Movie_ID FROM tbl_Movie_Title WHERE Movie_Title >= ?)"));
        const std::vector<QVariant> params =
            where.isEmpty() ? std::vector<QVariant>{} : std::vector<QVariant>{S("t05")};
        const auto db = cat.open();
        const store::SortedKeys order = find::SortedKeysSql(field, condition, condition);
        const auto keysOf = [&](const QString& sql) {
            store::SortedKeys all = order;
            all.keys = sql;
            all.count.clear(); // every key at once, in the statement's own order
            Recordset once(db, all, params);
            std::vector<qint64> keys;
            for (; !once.Eof(); once.MoveNext())
                keys.push_back(once.Bookmark().toLongLong());
            return keys;
        };
        const std::vector<qint64> before = keysOf(order.keys);
        // The movies a condition lists are asked of each movie met, never walked for every name.
        for (const QString& sql : {order.keys, order.keysBack}) {
            store::Statement plan(db, S("EXPLAIN QUERY PLAN ") + sql);
            plan.bindAll(params);
            while (plan.step())
                QVERIFY2(!plan.column(3).toString().contains(S("AND rowid=?")), qPrintable(plan.column(3).toString()));
        }
        // Backwards, each statement gives exactly the order reversed.
        for (const QString& back : {order.keysBack, order.walkBack.isEmpty() ? order.keysBack : order.walkBack}) {
            const std::vector<qint64> backwards = keysOf(back);
            QVERIFY(std::equal(before.rbegin(), before.rend(), backwards.begin(), backwards.end()));
        }
        // As the window keeps its movie after a requery, then scrolls from it either way.
        for (qint64 row = 0, size = qint64(before.size()); row < size; row += 37) {
            Recordset fresh(db, order, params);
            fresh.SetBookmark(before[std::size_t(row)]);
            QCOMPARE(fresh.AbsolutePosition(), row);
            const bool down = row % 2 == 0;
            for (qint64 i = 0; i <= 600; ++i) {
                const qint64 at = down ? row - 300 + i : row + 300 - i;
                if (at >= 0 && at < size) {
                    fresh.SetAbsolutePosition(at);
                    QCOMPARE(fresh.Bookmark().toLongLong(), before[std::size_t(at)]);
                }
            }
        }
        Recordset rs(db, order, params);
        const qint64 n = rs.RecordCount();
        QCOMPARE(n, qint64(before.size()));
        QVERIFY(n > 1200);
        // The first screen too, unless another program is to write before the start is read.
        for (const qint64 row : {changedBetween ? n - 1 : 0, n - 1, n - 600}) {
            rs.SetAbsolutePosition(row);
            QCOMPARE(rs.Bookmark().toLongLong(), before[std::size_t(row)]);
        }
        rs.Delete(); // read from the end, deleted through the set
        QCOMPARE(rs.RecordCount(), n - 1);
        for (const qint64 row : {n - 602, n - 2}) {
            rs.SetAbsolutePosition(row);
            QCOMPARE(rs.Bookmark().toLongLong(), before[std::size_t(row < n - 600 ? row : row + 1)]);
        }
        if (changedBetween) {
            cat.scalar(S("DELETE FROM tbl_Movie_Title WHERE Movie_ID IN (10, 20, 30)"));
            cat.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Director_ID) VALUES ('a', 104), ('z', 103)"));
        }
        std::vector<qint64> walked;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            walked.push_back(rs.Bookmark().toLongLong());
        QCOMPARE(walked, keysOf(order.keys));
        QCOMPARE(rs.RecordCount(), qint64(walked.size()));
        // Deleted through the set among the keys read from the movie: the rows after it move up.
        Recordset middle(db, order, params);
        middle.SetBookmark(walked[740]);
        middle.Delete();
        QCOMPARE(middle.RecordCount(), qint64(walked.size()) - 1);
        for (const qint64 row : {700, 740, 739, 760}) {
            middle.SetAbsolutePosition(row);
            QCOMPARE(middle.Bookmark().toLongLong(), walked[std::size_t(row < 740 ? row : row + 1)]);
        }
        // Kept through a requery, sought at once far from both ends, and read on from there.
        middle.Requery();
        middle.SetBookmark(walked[761]);
        QCOMPARE(middle.AbsolutePosition(), 760);
        middle.SetAbsolutePosition(500);
        QCOMPARE(middle.Bookmark().toLongLong(), walked[500]);
    }

    void namesBookmarksRequeryDeleteAndErrors()
    {
        testing::TempCatalogue cat;
        cat.addMovie(S("B"));
        const qint64 c = cat.addMovie(S("C"), {{S("Director"), S("Ridley Scott")}});
        const auto db = cat.open();
        Recordset rs(db, S("SELECT * FROM qry_Movie_Title"));
        QCOMPARE(rs.RecordCount(), 2); // full count straight after opening
        rs.MoveNext();
        const QVariant mark = rs.Bookmark();
        QCOMPARE(mark.toLongLong(), c);
        for (const char* name : {"Director", "director", "[DIRECTOR]", " [Director] "})
            QCOMPARE(rs.Fields(S(name)).Value().toString(), S("Ridley Scott"));
        // Other connections write while this set is open: no lock, and the requery sees it.
        const qint64 twin = cat.addMovie(S("C"), {{S("Director"), S("Ridley Scott")}});
        cat.link(cat.addActor(S("Last"), S("First")), twin);
        cat.addMovie(S("A"));
        cat.scalar(S("UPDATE tbl_Movie_Title SET Grade = 'B+' WHERE Movie_ID = ?"), {c});
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 4);
        rs.SetBookmark(mark);
        QCOMPARE(rs.Value(S("Grade")).toString(), S("B+"));
        const qint64 at = rs.AbsolutePosition();
        rs.SetBookmark(qint64(9999)); // a row that is gone: stay put
        QCOMPARE(rs.AbsolutePosition(), at);
        // Deleting through the view takes only that movie's own row, not its twin's, director or cast.
        rs.Delete();
        QCOMPARE(
            cat.scalar(S("SELECT group_concat(Movie_ID) FROM tbl_Movie_Title WHERE Movie_Title = 'C'")).toLongLong(),
            twin);
        QCOMPARE(cat.count(S("tbl_Director")) + cat.count(S("tbl_Actor_Movie_Join")), 3);
        QCOMPARE(rs.RecordCount(), 3);

        Recordset none(db, S("SELECT * FROM tbl_Movie_Title WHERE Movie_Title = ?"), {S("zz")});
        QVERIFY(none.Eof() && none.Bof() && none.RecordCount() == 0);

        // Misuse throws with the engine's own numbers, which the windows show.
        const auto code = [](auto&& f) {
            try {
                f();
            } catch (const StoreError& e) {
                return e.code();
            }
            return 0;
        };
        QCOMPARE(code([&] { none.Value(S("Movie_Title")); }), 3021);
        QCOMPARE(code([&] { rs.Fields(S("NoSuchColumn")); }), 3265);
        QCOMPARE(code([&] { rs.AddNew(); }), 3027);
        QCOMPARE(code([&] { none.Update(); }), 3020);
        none.Close();
        QCOMPARE(code([&] { none.RecordCount(); }), 3420);
    }
};

QTEST_GUILESS_MAIN(TestRecordset)
#include "test_recordset.moc"
