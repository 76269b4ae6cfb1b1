#include "reports/ReportModule.h"
#include "reports/ReportProgress.h"
#include "reports/frmReportPick.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using reports::frmReportPick;

class TestReports : public QObject, reports::ReportProgress
{
    Q_OBJECT
    QTemporaryDir m_desktop;
    std::unique_ptr<testing::TempCatalogue> m_cat;
    std::unique_ptr<testing::ScriptedMessages> m_boxes;
    qint64 m_total = -1, m_current = -1;

    void SetTotal(qint64 t) override { m_total = t; }
    void SetCurrent(qint64 c) override { m_current = c; }
    void Refresh() override {}

    static QString s(const char* t) { return QString::fromUtf8(t); }
    static QByteArray crlf(const char* text) { return QByteArray(text).replace("\n", "\r\n"); }
    template <class... T> static QStringList texts(const T&... t) { return QStringList{s(t)...}; }
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

private slots:
    void init()
    {
        QDir(m_desktop.path()).removeRecursively();
        QDir().mkpath(m_desktop.path());
        ReportModule::SetDesktopFolder(m_desktop.path());
        ReportModule::SetReportDate(s("12/7/26"));
        m_total = m_current = -1;
        reports::SetProgress(this);
        m_cat = std::make_unique<testing::TempCatalogue>();
        m_boxes = std::make_unique<testing::ScriptedMessages>();
    }
    void cleanup() { m_boxes.reset(), m_cat.reset(); }

    void directorReportWholeFile()
    {
        movie("Brokeback Mountain", "Director=Ang Lee|Studio=Focus|Year_Released=2005|Length=2:14|Grade=A-");
        movie("Nameless", "Studio=Focus");
        m_cat->lookupKey(s("tbl_Director"), s("Director"), s("Zed Nobody"));
        ReportModule::PrintDirectorReport();
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
<td><strong><font size="1">Ang Lee</strong></td>
<td></td>
<td></td>
<td></td>
<td></td>
<td></td>
</tr>
<tr>
<td></td>
<td><font size="1">Brokeback Mountain</td>
<td><font size="1">Focus</td>
<td align="center"><font size="1">2005</td>
<td align="center"><font size="1">2:14</td>
<td><font size="1">A-</td>
</tr>
<tr>
<td></td>
<td><strong><font size="1">Total Movies: 1</strong></td>
<td></td>
<td></td>
<td></td>
<td></td>
</tr>
<tr>
<td><strong><font size="1">Zed Nobody</strong></td>
<td></td>
<td></td>
<td></td>
<td></td>
<td></td>
</tr>
<tr>
<td></td>
<td><strong><font size="1">Total Movies: 0</strong></td>
<td></td>
<td></td>
<td></td>
<td></td>
</tr>
<tr>
<td><strong><font size="1">Total Directors in Library:</strong></td>
<td><strong><font size="1">2</strong></td>
</table>
</body>
</html>
)"));
        QCOMPARE(m_boxes->texts(), texts("The report has been saved on your desktop as Director.html"));
        QCOMPARE(m_boxes->last().style, int(shell::vbInformation));
        QCOMPARE(m_total, 2);
        QCOMPARE(m_current, 2);
    }

    void upperCaseUnknownIsAGroup()
    {
        const qint64 id = movie("Loud");
        m_cat->scalar(s("INSERT INTO [tbl_Genre] ([Genre]) VALUES ('UNKNOWN')"));
        m_cat->scalar(s("UPDATE [tbl_Movie_Title] SET [Genre_ID] = 2 WHERE [Movie_ID] = ?"), {id});
        ReportModule::PrintGenreReport();
        QCOMPARE(outline(read(s("Genre.html"))), texts("UNKNOWN", "Total Movies: 1", "Total Genres in Library:", "1"));
    }

    void yearAndActorGroups()
    {
        const qint64 first = movie("A", "Year_Released=2010");
        const qint64 second = movie("B", "Year_Released=1999");
        movie("C", "Year_Released=2001"), movie("D", "Year_Released=1999");
        frmReportPick pick;
        pick.show();
        click(&pick, s("optYear"));
        pick.cmdPrint_Click();
        pick.cmdPrint_Click(); // a second run replaces the file and the numbers
        QCOMPARE(labels(&pick), s("Printing Record|3|of|3"));
        QCOMPARE(m_boxes->count(), 2);
        QCOMPARE(outline(read(s("Year.html"))), texts("1999", "Total Movies: 2", "2001", "Total Movies: 1", "2010",
                                                      "Total Movies: 1", "Total Years spanning Library:", "3"));

        m_cat->addActor(s("Doe"), s("Jo"));
        m_cat->link(m_cat->addActor(s("Smith"), s("Ann")), first);
        m_cat->link(m_cat->addActor(s("Smith"), s("Ann")), second);
        ReportModule::PrintActorReport();
        QCOMPARE(outline(read(s("Actor.html"))),
                 texts("Doe, Jo", "Total Movies: 0", "Smith, Ann", "Total Movies: 2", "Smith, Ann", "Total Movies: 2",
                       "Total Actors in Library:", "3"));
    }

    void valuesEscapedAndUtf8()
    {
        movie("Tom & Jerry", "Director=Bob \"Q\" Jones"), movie("<Untitled>"), movie("Amélie");
        ReportModule::PrintMovieTitleReport();
        const QByteArray html = read(s("Movie Title.html"));
        QCOMPARE(html.split('\n').at(2), QByteArray("<meta charset=\"utf-8\">\r"));
        QVERIFY(html.contains("<td><font size=\"1\">Bob &quot;Q&quot; Jones</td>"));
        QCOMPARE(outline(html),
                 texts("&lt;Untitled&gt;", "Amélie", "Tom &amp; Jerry", "Total Movies in Library:", "3"));
        ReportModule::PrintDirectorReport(); // the quote in the name still finds its movie
        QCOMPARE(outline(read(s("Director.html"))).mid(0, 2), texts("Bob &quot;Q&quot; Jones", "Total Movies: 1"));
    }

    void widescreenTotals()
    {
        movie("Wide", "Widescreen=1"), movie("Narrow"), movie("Wider", "Widescreen=1");
        ReportModule::PrintWidescreenReport();
        const QByteArray html = read(s("Widescreen.html"));
        QCOMPARE(outline(html), texts("Wide", "Wider", "2", "3"));
        // Both totals have plain labels; only the first row is closed.
        QVERIFY(html.contains("<td><font size=\"1\">Total Letterbox Movies:</td>\r\n"));
        QVERIFY(html.endsWith("<tr>\r\n<td><font size=\"1\">Total Movies in Library:</td>\r\n<td><strong><font "
                              "size=\"1\">3</strong></td>\r\n</table>\r\n</body>\r\n</html>\r\n"));
    }

    void existingFileReplaced()
    {
        QFile old(m_desktop.filePath(s("Director.html")));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(100000, 'x')) && old.flush());
        ReportModule::PrintDirectorReport();
        QVERIFY(read(s("Director.html")).startsWith("<html>\r\n") && !read(s("Director.html")).contains('x'));
        QCOMPARE(QDir(m_desktop.path()).entryList(QDir::Files), texts("Director.html"));
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
    void opensOnMovieTitleAndPrintsIt()
    {
        QWidget owner;
        shell::SetModalHandler([&](QWidget* w) {
            QCOMPARE(w->objectName() + w->windowTitle(), s("frmReportPickReport Title"));
            QCOMPARE(qobject_cast<frmReportPick*>(w)->ReportChoice(), 4);
            QVERIFY(w->findChild<QRadioButton*>(s("optMovieTitle"))->isChecked());
            QCOMPARE(labels(w), s("-||-|"));
            click(w, s("cmdPrint"));
            click(w, s("cmdOK"));
            QVERIFY(!w->isVisible());
        });
        shell::ShowModal(new frmReportPick(&owner), &owner);
        shell::SetModalHandler(nullptr);
        QCOMPARE(m_boxes->texts(), QStringList(s("The report has been saved on your desktop as Movie Title.html")));
    }

    void optionCodes_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("walksUnknown"); // lookup reports count past their "Unknown" row
        QTest::newRow("actor") << "optActor" << 1 << "Actor.html" << false;
        QTest::newRow("composer") << "optComposer" << 2 << "Composer.html" << true;
        QTest::newRow("director") << "optDirector" << 3 << "Director.html" << true;
        QTest::newRow("title") << "optMovieTitle" << 4 << "Movie Title.html" << false;
        QTest::newRow("year") << "optYear" << 5 << "Year.html" << false;
        QTest::newRow("genre") << "optGenre" << 6 << "Genre.html" << true;
        QTest::newRow("widescreen") << "optWidescreen" << 7 << "Widescreen.html" << false;
        QTest::newRow("studio") << "optStudio" << 8 << "Studio.html" << true;
    }
    void optionCodes()
    {
        QFETCH(QString, option);
        QFETCH(int, code);
        QFETCH(QString, file);
        QFETCH(bool, walksUnknown);
        frmReportPick pick;
        pick.show();
        click(&pick, s("optStudio"));
        click(&pick, option);
        QCOMPARE(pick.ReportChoice(), code);
        pick.cmdPrint_Click();
        QCOMPARE(QDir(m_desktop.path()).entryList(QDir::Files), QStringList(file));
        QCOMPARE(m_boxes->texts(), QStringList(s("The report has been saved on your desktop as ") + file));
        QCOMPARE(labels(&pick), s(walksUnknown ? "Printing Record|0|of|0" : "Printing Record||of|0"));
        QVERIFY(
            read(file).endsWith("<td><strong><font size=\"1\">0</strong></td>\r\n</table>\r\n</body>\r\n</html>\r\n"));
    }
};

QTEST_MAIN(TestReports)
#include "test_reports.moc"
