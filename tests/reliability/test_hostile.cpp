// Odd and hostile text through the editor's save, the editor's load, the lookup by title and the
// Movie Title report: stored and found exactly, shown without harm, escaped in the HTML.
#include "movie_editor/frmMovieAdd.h"
#include "reports/ReportModule.h"
#include "shell/App.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

// Letters, marks and signs from many scripts, quotes and controls, emoji as surrogate pairs.
QString randomText(QRandomGenerator& random)
{
    static const QString pool = QStringLiteral("aZ0 '\"\\%_;-<>&/*\t\x01\x1f\x7f\u00e9\u00df\u0301\u05d0\u0627\u200f"
                                               "\u4e2d\u00a0\ufeff\u2028=");
    QString out;
    const int length = int(random.bounded(1, 40));
    for (int i = 0; i < length; ++i) {
        if (random.bounded(8) == 0)
            out += QString::fromUcs4(U"\U0001F600\U0001F47B\U0001F9D1" + random.bounded(3), 1);
        else
            out += pool[random.bounded(int(pool.size()))];
    }
    return out;
}

template <class T = QWidget> T* control(QWidget& form, const char* name)
{
    return form.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT
private slots:
    void oddTextIsStoredFoundAndEscaped();
};

void TestHostile::oddTextIsStoredFoundAndEscaped()
{
    testing::TempCatalogue cat;
    QRandomGenerator random(1207);
    QStringList texts{S("It's \"quoted\" twice"),
                      S("C:\\path\\to\\nowhere\\"),
                      S("100% of _all_ LIKE '%_'"),
                      S("\"; DROP TABLE tbl_Actor; --"),
                      S("'); DELETE FROM tbl_Movie_Title; --"),
                      S("<script>alert('x')</script>"),
                      S("<b>bold</b> &amp; &lt;"),
                      QStringLiteral("Fire \U0001F525 and \U0001F3AC"),
                      QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627 mixed"),
                      QStringLiteral("tab\there bell\u0007 del\u007f esc\u001b"),
                      QString(QStringLiteral("nul") + QChar(0) + QStringLiteral("inside")),
                      QStringLiteral("e\u0301 combining \u200B zero width"),
                      QString(100000, QLatin1Char('x')) + S(" the end")};
    const qsizetype fixed = texts.size();
    while (texts.size() < 2500)
        texts << randomText(random);

    testing::ScriptedMessages boxes;
    shell::CurrentMovieTitle().clear();
    {
        // One form for all saves, as a user adding movie after movie with "Clear Form".
        movie_editor::frmMovieAdd form;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            form.cmdClearForm_Click();
            // Numbered, so no two differ only in letter case (lookups ignore it on purpose).
            control<QLineEdit>(form, "txtMovieTitle")->setText(QStringLiteral("%1 ").arg(i) + texts[i]);
            control<QComboBox>(form, "dbcDirector")->setEditText(QStringLiteral("D%1 ").arg(i) + texts[i]);
            control<QComboBox>(form, "dbcGenre")->setEditText(texts[i]);
            boxes.clear();
            control<QPushButton>(form, "cmd_Update")->click();
            QVERIFY2(boxes.count() == 1 && boxes.last().text.contains(S(" has been added")),
                     qPrintable(QStringLiteral("%1: %2").arg(i).arg(boxes.texts().join(S("; ")).left(300))));
        }
    }

    // Found by title exactly, with every credit as it was typed.
    store::Connection db = cat.open();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString title = QStringLiteral("%1 ").arg(i) + texts[i];
        store::Recordset rs(db, S("SELECT * from [qry_Movie_Title] WHERE [Movie_Title] = ?"), {title});
        QVERIFY2(rs.RecordCount() == 1, qPrintable(QString::number(i)));
        QCOMPARE(rs.Value(S("Movie_Title")).toString(), title);
        QCOMPARE(rs.Value(S("Director")).toString(), QString(QStringLiteral("D%1 ").arg(i) + texts[i]));
    }
    QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Actor")).toInt(), 0);

    // The editor opens each of the fixed ones as stored.
    for (qsizetype i = 0; i < fixed; ++i) {
        shell::CurrentMovieTitle() = QStringLiteral("%1 ").arg(i) + texts[i];
        movie_editor::frmMovieAdd form;
        QCOMPARE(control<QLineEdit>(form, "txtMovieTitle")->text(), shell::CurrentMovieTitle());
        QCOMPARE(control<QComboBox>(form, "dbcGenre")->currentText(), texts[i]);
    }

    // Bytes another tool wrote that are not UTF-8: the report shows replacement marks.
    store::Statement bad(db, S("INSERT INTO tbl_Movie_Title (Movie_Title) VALUES (CAST(? AS TEXT))"));
    bad.bind(1, QByteArray("Broken \xff\xfe <title> \xc3"));
    bad.run();
    QTemporaryDir desktop;
    ReportModule::SetDesktopFolder(desktop.path());
    ReportModule::PrintMovieTitleReport();
    ReportModule::SetDesktopFolder(QString());
    QVERIFY2(boxes.last().text.contains(S("has been saved")), qPrintable(boxes.last().text));
    QFile file(desktop.filePath(S("Movie Title.html")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString html = QString::fromUtf8(bytes);
    QVERIFY(html.toUtf8() == bytes); // the report itself is valid UTF-8
    QVERIFY(bytes.contains("Broken \xef\xbf\xbd\xef\xbf\xbd &lt;title&gt; \xef\xbf\xbd"));
    for (qsizetype i = 0; i < texts.size(); ++i)
        QVERIFY2(html.contains(QString(QStringLiteral("%1 ").arg(i) + texts[i]).toHtmlEscaped()),
                 qPrintable(QString::number(i)));
    QVERIFY(!html.contains(S("<script")));

    // That title as the grid shows it no longer matches the stored bytes: the editor says it cannot
    // read the movie, and goes on.
    boxes.clear();
    store::Recordset shown(db, S("SELECT * FROM [qry_Movie_Title] WHERE [Movie_Title] LIKE 'Broken%'"));
    shell::CurrentMovieTitle() = shown.Value(S("Movie_Title")).toString();
    movie_editor::frmMovieAdd form;
    QCOMPARE(control<QLineEdit>(form, "txtMovieTitle")->text(), shell::CurrentMovieTitle());
    QVERIFY(boxes.count() > 0 && shell::CurrentMovieTitle().startsWith(S("Broken ")));
    for (const auto& box : boxes.boxes())
        QCOMPARE(box.title, S("Error!"));
}

QTEST_MAIN(TestHostile)
#include "test_hostile.moc"
