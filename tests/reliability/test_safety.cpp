// The safety net (a copy of the catalogue before the first change of a run) and the rule that
// nothing the program starts runs through a shell or opens remote content.
#include "shell/App.h"
#include "shell/HelpViewer.h"
#include "shell/Settings.h"
#include "shell/frmAbout.h"
#include "store/Backup.h"
#include "support/TestSupport.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

// A catalogue that was there before this run, as a user's is: a fresh one copied to a folder of its
// own, which becomes the program folder.
struct Delivered : testing::TempCatalogue
{
    QTemporaryDir home;
    explicit Delivered(const QStringList& titles)
    {
        for (const QString& t : titles)
            addMovie(t);
        QFile::copy(path(), home.filePath(S("Reelkeeper.mdb")));
        shell::App::SetPath(home.path());
    }
    QStringList copies() const
    {
        return QDir(store::BackupFolder(path())).entryList({S("Reelkeeper-*.mdb")}, QDir::Files, QDir::Name);
    }
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSafety : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void copyBeforeFirstChangeOnly_data();
    void copyBeforeFirstChangeOnly();
    void lastFiveKeptNewestFirst_data();
    void lastFiveKeptNewestFirst();
    void helpFollowsOnlyItsOwnPages();
    void systemInformationStartsNoShell_data();
    void systemInformationStartsNoShell();

public slots:
    void open(const QUrl& url) { m_opened << url; } // any link handed to another program

private:
    QList<QUrl> m_opened;
};

void TestSafety::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    shell::App::SetTitle(S("ReelkeeperReliabilityTest"));
}

void TestSafety::copyBeforeFirstChangeOnly_data()
{
    QTest::addColumn<bool>("blocked"); // a file where the backups folder should go
    QTest::newRow("copied") << false;
    QTest::newRow("the copy fails: told once, the work goes on") << true;
}

void TestSafety::copyBeforeFirstChangeOnly()
{
    QFETCH(bool, blocked);
    testing::ScriptedMessages boxes; // the store tells its handler, never the user directly
    Delivered cat({S("Alpha"), S("Beta")});
    if (blocked)
        writeFile(store::BackupFolder(cat.path()), {});
    QStringList told;
    store::SetBackupFailureHandler([&](const QString& message) { told << message; });
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 2); // reading is no change
    QVERIFY(cat.copies().isEmpty() && told.isEmpty());
    cat.addMovie(S("Gamma"));
    cat.addMovie(S("Delta"));
    store::SetBackupFailureHandler(nullptr);
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 4);
    QCOMPARE(cat.copies().size() + told.size(), 1);
    QCOMPARE(boxes.count(), 0);
    QVERIFY2(!blocked || (told.last().contains(S("could not be backed up")) && told.last().contains(cat.path())),
             qPrintable(told.join(S("; "))));
    if (blocked)
        return;
    // Restored as the README says: the log files beside the catalogue removed, the copy put over it.
    for (const char* gone : {"-wal", "-shm", ""})
        QFile::remove(cat.path() + S(gone));
    QVERIFY(QFile::copy(store::BackupFolder(cat.path()) + QLatin1Char('/') + cat.copies().first(), cat.path()));
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 2);

    testing::TempCatalogue fresh; // made by this run: nothing in it to lose
    fresh.addMovie(S("New"));
    QVERIFY(!QDir(store::BackupFolder(fresh.path())).exists());
}

void TestSafety::lastFiveKeptNewestFirst_data()
{
    QTest::addColumn<QStringList>("planted"); // in the backups folder before this run; all of it goes
    QTest::newRow("none") << QStringList();
    // Named by the local time of a run far east (or a clock that ran fast), as earlier versions did.
    QTest::newRow("copies dated after now")
        << QStringList{S("Reelkeeper-2099-01-01_00-00-00-000.mdb"), S("Reelkeeper-2099-01-01_00-00-01-000.mdb")};
    QTest::newRow("what a copy killed halfway leaves")
        << QStringList{S("Reelkeeper-000009_2026-01-01_00-00-00Z.mdb.part"),
                       S("Reelkeeper-000009_2026-01-01_00-00-00Z.mdb.part-journal"),
                       S("Reelkeeper-2000-01-01_00-00-00-000.mdb.part-journal")};
}

void TestSafety::lastFiveKeptNewestFirst()
{
    QFETCH(QStringList, planted);
    Delivered cat({S("Alpha")});
    const QString folder = store::BackupFolder(cat.path());
    QDir().mkpath(folder);
    for (const QString& name : planted)
        writeFile(folder + QLatin1Char('/') + name, {});
    const store::Connection db = cat.open();
    QStringList made;
    for (int i = 0; i < 7; ++i)
        made << QFileInfo(store::BackupCatalogue(db.handle(), cat.path())).fileName();
    QCOMPARE(QDir(folder).entryList(QDir::Files), made.mid(2));
}

void TestSafety::helpFollowsOnlyItsOwnPages()
{
    QTemporaryDir dir;
    const QString help = dir.filePath(S("Reelkeeper.html"));
    writeFile(help, "<html><body><a name=\"top\">Top</a> <a href=\"http://example.invalid/\">away</a>"
                    "<img src=\"http://example.invalid/x.png\"></body></html>");
    writeFile(dir.filePath(S("second.html")), "<html><body>Second page</body></html>");

    for (const char* scheme : {"http", "https", "file", "mailto", "ftp"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    shell::HelpViewer viewer;
    QString error;
    QVERIFY(viewer.Open(help, shell::HelpViewer::HelpContents, &error));
    // The way a user follows a link from the keyboard, then links as the browser hands them on.
    viewer.show();
    viewer.Browser()->setFocus();
    QTest::keyClick(viewer.Browser(), Qt::Key_Tab);
    QTest::keyClick(viewer.Browser(), Qt::Key_Return);
    QVERIFY(viewer.Browser()->toHtml().contains(S("away")));
    for (const char* link : {"http://example.invalid/", "https://example.invalid/a b;c", "mailto:x@example.invalid",
                             "file:///etc/passwd", "../outside.html", "#top"})
        emit viewer.Browser()->anchorClicked(QUrl(QString::fromLatin1(link)));
    QVERIFY(m_opened.isEmpty());
    QVERIFY(!viewer.Browser()->toPlainText().contains(S("root:")));
    emit viewer.Browser()->anchorClicked(QUrl(S("second.html")));
    QVERIFY(viewer.Browser()->toPlainText().contains(S("Second page")));
}

void TestSafety::systemInformationStartsNoShell_data()
{
    QTest::addColumn<QString>("setting"); // %1 is the folder
    QTest::addColumn<bool>("runs");
    QTest::newRow("blanks and ; in the program's own name") << S("%1/sys info;x.sh") << true;
    QTest::newRow("a command line") << S("%1/sys info;x.sh; touch %1/pwned") << false;
    QTest::newRow("a shell substitution") << S("$(touch %1/pwned)") << false;
    QTest::newRow("a pipe") << S("true | touch %1/pwned") << false;
}

void TestSafety::systemInformationStartsNoShell()
{
    QFETCH(QString, setting);
    QFETCH(bool, runs);
    QTemporaryDir dir;
    const QString program = dir.filePath(S("sys info;x.sh"));
    writeFile(program, QStringLiteral("#!/bin/sh\ntouch '%1/ran'\n").arg(dir.path()).toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    shell::SaveSetting(shell::App::Title(), S("SysInfo"), S("PATH"), setting.arg(dir.path()));

    testing::ScriptedMessages boxes;
    shell::frmAbout().StartSysInfo();
    if (runs)
        QTRY_VERIFY(QFile::exists(dir.filePath(S("ran"))));
    QTest::qWait(300);
    QVERIFY(!QFile::exists(dir.filePath(S("pwned"))));
}

QTEST_MAIN(TestSafety)
#include "test_safety.moc"
