// The eight HTML reports and their picker, judged by the files they leave on the desktop.
#include "reports/ReportModule.h"
#include "reports/frmReportPick.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using reports::frmReportPick;

class TestReports : public QObject
{
    Q_OBJECT
    QTemporaryDir m_desktop;
    std::unique_ptr<testing::TempCatalogue> m_cat;
    std::unique_ptr<testing::ScriptedMessages> m_boxes;

    static QString s(const char* t) { return QString::fromUtf8(t); }
    template <class... T> static QStringList texts(const T&... t) { return QStringList{s(t)...}; }
    // Lines end in CR LF; "{n}" stands for n lines of empty cells.
    static QByteArray crlf(const char* text)
    {
        QByteArray out(text);
        for (int n = 1; n <= 5; ++n)
            out.replace(QByteArray::number(n).prepend('{').append('}'), QByteArray("\n<td></td>").repeated(n));
        return out.replace("\n", "\r\n");
    }
    QByteArray read(const QString& name)
    {
        QFile f(m_desktop.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // fields as "Director=Ang Lee|Year_Released=1995"
    qint64 movie(const char* title, const char* fields = "")
    {
        std::map<QString, QVariant> values;
        for (const QString& pair : s(fields).split(QLatin1Char('|'), Qt::SkipEmptyParts))
            values[pair.section(QLatin1Char('='), 0, 0)] = pair.section(QLatin1Char('='), 1);
        return m_cat->addMovie(s(title), values);
    }
    // The bold cells in file order: group names, flat first columns, totals.
    static QStringList outline(const QByteArray& html)
    {
        static const QRegularExpression bold(QStringLiteral("<td><strong><font size=\"1\">?(.*)</strong></td>"));
        QStringList out;
        for (auto it = bold.globalMatch(QString::fromUtf8(html)); it.hasNext();)
            out << it.next().captured(1);
        return out;
    }
    // "Printing Record", the number, "of", the total; hidden labels read as "-".
    static QString labels(QWidget* w)
    {
        QStringList out;
        for (const char* name : {"Label1", "Label2", "Label3", "Label4"}) {
            auto* l = w->findChild<QLabel*>(s(name));
            out << (l->isVisibleTo(w) ? l->text() : s("-"));
        }
        return out.join(QLatin1Char('|'));
    }
    static void click(QWidget* w, const QString& name)
    {
        QTest::mouseClick(w->findChild<QWidget*>(name), Qt::LeftButton);
    }
    // Prints through the picker as the main window opens it and returns its progress labels. It opens on
    // the movie title report with its counter hidden; OK closes it. No option given: the one it opens on.
    static QString print(const QString& option = {})
    {
        QWidget owner;
        QString shown;
        shell::SetModalHandler([&](QWidget* w) {
            QCOMPARE(labels(w), s("-||-|"));
            if (!option.isEmpty())
                click(w, s("optStudio")), click(w, option); // so that the option is a change of choice
            click(w, s("cmdPrint"));
            shown = labels(w);
            click(w, s("cmdOK"));
            QVERIFY(!w->isVisible());
        });
        shell::ShowModal(new frmReportPick(&owner), &owner);
        shell::SetModalHandler(nullptr);
        return shown;
    }

private slots:
    void init()
    {
        QDir(m_desktop.path()).removeRecursively();
        QDir().mkpath(m_desktop.path());
        ReportModule::SetDesktopFolder(m_desktop.path());
        ReportModule::SetReportDate(s("12/7/26"));
        m_cat = std::make_unique<testing::TempCatalogue>();
        m_boxes = std::make_unique<testing::ScriptedMessages>();
    }
    void cleanup() { m_boxes.reset(), m_cat.reset(); }

    // Values are escaped and in UTF-8, a name with quotes still finds its movies, and an old, longer
    // file is replaced whole, with nothing left beside it.
    void directorReportWholeFile()
    {
        movie("Tom & Jerry <Redux>", "Director=Ang \"Q\" Lee|Studio=Amélie|Year_Released=2005|Length=2:14|Grade=A-");
        movie("Nameless", "Studio=Focus");
        QFile old(m_desktop.filePath(s("Director.html")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(100000, 'x')) && old.flush());
        QCOMPARE(print(s("optDirector")), s("Printing Record|1|of|1"));
        QCOMPARE(read(s("Director.html")), crlf(R"(<html>
<head>
<meta charset="utf-8">
<title>Cinevault - Reelkeeper / Director Report</title>
</head>
<p align="center"><font color="#0000FF" size="6"><strong>Cinevault - Reelkeeper</strong></font></P>
<p align="center"><font color="#0000FF" size="6"><strong>Director Report</strong></font></p>
<p align="right"><strong>12/7/26
<hr>
<table border="0">
<tr>
<td align="center"><strong>Director</strong></td>
<td align="center"><strong>Movie Title</strong></td>
<td align="center"><strong>Studio</strong></td>
<td align="center"><strong>Year</strong></td>
<td align="center"><strong>Length</strong></td>
<td align="center"><strong>Grade</strong></td>
</tr>
<tr>
<td><strong><font size="1">Ang &quot;Q&quot; Lee</strong></td>{5}
</tr>
<tr>{1}
<td><font size="1">Tom &amp; Jerry &lt;Redux&gt;</td>
<td><font size="1">Amélie</td>
<td align="center"><font size="1">2005</td>
<td align="center"><font size="1">2:14</td>
<td><font size="1">A-</td>
</tr>
<tr>{1}
<td><strong><font size="1">Total Movies: 1</strong></td>{4}
</tr>
<tr>
<td><strong><font size="1">Total Directors in Library:</strong></td>
<td><strong><font size="1">1</strong></td>
</table>
</body>
</html>
)"));
        QCOMPARE(QDir(m_desktop.path()).entryList(QDir::Files), texts("Director.html"));
        QCOMPARE(m_boxes->texts(), texts("The report has been saved on your desktop as Director.html"));
        // A link of the report's name aimed at the catalogue: the link is replaced, the catalogue kept.
        QFile catalogue(m_cat->path());
        QVERIFY(catalogue.link(m_desktop.filePath(s("Movie Title.html"))));
        QCOMPARE(print(s("optMovieTitle")), s("Printing Record|2|of|2")); // a bold first column is escaped too
        QVERIFY(catalogue.open(QIODevice::ReadOnly) && catalogue.read(15) == "SQLite format 3");
        QVERIFY(!QFileInfo(m_desktop.filePath(s("Movie Title.html"))).isSymLink());
        QCOMPARE(outline(read(s("Movie Title.html"))),
                 texts("Nameless", "Tom &amp; Jerry &lt;Redux&gt;", "Total Movies in Library:", "2"));
    }

    // Lookup, year (a missing one an empty group) and actor groups, and the widescreen totals.
    void groupsInOrder()
    {
        // Only the exact "Unknown" is left out of a lookup report.
        const qint64 first = movie("A", "Year_Released=2010");
        m_cat->scalar(s("INSERT INTO [tbl_Genre] ([Genre]) VALUES ('UNKNOWN')"));
        m_cat->scalar(s("UPDATE [tbl_Movie_Title] SET [Genre_ID] = 2 WHERE [Movie_ID] = ?"), {first});
        // A second genre of the movie is no group of it: a movie stands under its first only.
        m_cat->scalar(s("INSERT INTO [tbl_Genre] ([Genre]) VALUES ('Drama')"));
        m_cat->scalar(s("INSERT INTO [tbl_Movie_More_Name] VALUES (?, 'Genre_ID', 2, 3)"), {first});
        ReportModule::PrintGenreReport();
        QCOMPARE(outline(read(s("Genre.html"))),
                 texts("Drama", "Total Movies: 0", "UNKNOWN", "Total Movies: 1", "Total Genres in Library:", "2"));

        const qint64 second = movie("B", "Year_Released=1999");
        movie("C", "Year_Released=2001"), movie("D");
        QCOMPARE(print(s("optYear")), s("Printing Record|4|of|4"));
        QCOMPARE(outline(read(s("Year.html"))),
                 texts("", "Total Movies: 0", "1999", "Total Movies: 1", "2001", "Total Movies: 1", "2010",
                       "Total Movies: 1", "Total Years spanning Library:", "4"));
        // Two actors of the same name, in any case, are two groups, each with the movies of both.
        m_cat->addActor(s("Doe"), s("Jo"));
        m_cat->link(m_cat->addActor(s("Smith"), s("Ann")), first);
        m_cat->link(m_cat->addActor(s("SMITH"), s("ann")), second);
        ReportModule::PrintActorReport();
        QCOMPARE(outline(read(s("Actor.html"))),
                 texts("Doe, Jo", "Total Movies: 0", "Smith, Ann", "Total Movies: 2", "SMITH, ann", "Total Movies: 2",
                       "Total Actors in Library:", "3"));
        movie("Wide", "Widescreen=1"), movie("Wider", "Widescreen=1");
        ReportModule::PrintWidescreenReport();
        const QByteArray html = read(s("Widescreen.html"));
        QCOMPARE(outline(html), texts("Wide", "Wider", "2", "6"));
        // Both totals have plain labels; only the first row is closed.
        QVERIFY(html.contains("<td><font size=\"1\">Total Letterbox Movies:</td>\r\n"));
        QVERIFY(html.endsWith("<tr>\r\n<td><font size=\"1\">Total Movies in Library:</td>\r\n<td><strong><font "
                              "size=\"1\">6</strong></td>\r\n</table>\r\n</body>\r\n</html>\r\n"));
    }

    void failureLeavesNoFileAndNoSuccess_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("unwritable desktop") << "readonly";
        QTest::newRow("name taken by a folder") << "folder";
        QTest::newRow("catalogue missing") << "catalogue";
    }
    void failureLeavesNoFileAndNoSuccess()
    {
        QFETCH(QString, cause);
        QDir desktop(m_desktop.path());
        if (cause == s("readonly")) { // not even the superuser makes files in the process table
            desktop.setPath(s("/proc"));
            ReportModule::SetDesktopFolder(desktop.path());
        } else if (cause == s("folder")) {
            desktop.mkdir(s("Director.html"));
        } else {
            QFile::remove(m_cat->path());
        }
        ReportModule::PrintDirectorReport();
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().style, int(shell::vbCritical));
        QVERIFY(m_boxes->last().text.contains(desktop.filePath(s("Director.html"))));
        QCOMPARE(desktop.entryList({s("Director*")}, QDir::Files), QStringList());
    }

    void noDesktopFolderGoesHome()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        ReportModule::SetDesktopFolder(home.filePath(s("Desktop")));
        ReportModule::PrintStudioReport();
        qputenv("HOME", oldHome);
        QVERIFY(QFile::exists(home.filePath(s("Studio.html"))));
        QVERIFY(m_boxes->last().text.endsWith(home.filePath(s("Studio.html"))));
    }

    // Each option, and the main window's menu item of the same name, prints its own report into its own
    // file; on an empty catalogue only the totals remain, and the lookup reports count past their "Unknown" row.
    void everyOption()
    {
        main_window::frmMain main;
        QVERIFY(main.Form_Load());
        const std::tuple<const char*, const char*, const char*> options[] = {
            {"Actor", "Actor.html", "|of|0"},
            {"Composer", "Composer.html", "0|of|0"},
            {"Director", "Director.html", "0|of|0"},
            {"MovieTitle", "Movie Title.html", "|of|0"},
            {"Year", "Year.html", "|of|0"},
            {"Genre", "Genre.html", "0|of|0"},
            {"Widescreen", "Widescreen.html", "|of|0"},
            {"Studio", "Studio.html", "0|of|0"}};
        for (const auto& [name, file, counter] : options) {
            m_boxes->clear();
            const bool first = qstrcmp(name, "MovieTitle") == 0; // what the picker opens on
            QCOMPARE(print(first ? QString() : s("opt") + s(name)), s("Printing Record|") + s(counter));
            QVERIFY(read(s(file)).endsWith(
                "<td><strong><font size=\"1\">0</strong></td>\r\n</table>\r\n</body>\r\n</html>\r\n"));
            // Removing the file makes the menu item prove its own report.
            QVERIFY(QFile::remove(m_desktop.filePath(s(file))));
            main.findChild<QAction*>(s("mnu") + s(name))->trigger();
            QVERIFY2(QFile::exists(m_desktop.filePath(s(file))), name);
            QCOMPARE(m_boxes->texts(), QStringList(2, s("The report has been saved on your desktop as ") + s(file)));
        }
        QCOMPARE(QDir(m_desktop.path()).entryList(QDir::Files).size(), std::size(options));
        QVERIFY(!QApplication::overrideCursor()); // the hourglass is gone again
    }
};

QTEST_MAIN(TestReports)
#include "test_reports.moc"
