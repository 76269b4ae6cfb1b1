// The catalogue locked by another program, damaged or foreign files at start, and places that
// cannot be written: each told in a message, never reported as success, nothing left half done.
// The safety net: a copy of the catalogue before the first change of a run. Nothing the program
// starts runs through a shell or opens remote content. Odd and hostile text through the editor's
// save and load, the lookup by title and the Movie Title report: stored and found exactly, shown
// without harm, escaped in the HTML.
#include "cast/FlexGrid.h"
#include "cast/frmActorInfo.h"
#include "main_window/DeleteMovie.h"
#include "main_window/frmMain.h"
#include "movie_editor/frmMovieAdd.h"
#include "reports/ReportModule.h"
#include "resources/frmRemoveResource.h"
#include "shell/App.h"
#include "shell/CatalogueHome.h"
#include "shell/ErrorReport.h"
#include "shell/HelpViewer.h"
#include "shell/Module1.h"
#include "shell/Settings.h"
#include "shell/frmAbout.h"
#include "store/Backup.h"
#include "store/Recordset.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFuture>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

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

// Presses "&Add Movie" for a new title; the boxes say what came of it.
void addThroughEditor(const QString& title)
{
    shell::CurrentMovieTitle().clear();
    movie_editor::frmMovieAdd form;
    form.findChild<QLineEdit*>(S("txtMovieTitle"))->setText(title);
    form.findChild<QPushButton*>(S("cmd_Update"))->click();
}

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

} // namespace

class TestFailures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void busyCatalogueIsToldAndWorksOnceFree();
    void damagedFilesEndStartUntouched_data();
    void damagedFilesEndStartUntouched();
    void unwritablePlacesAreToldNothingHalfDone_data();
    void unwritablePlacesAreToldNothingHalfDone();
    void copyBeforeFirstChangeOnly_data();
    void copyBeforeFirstChangeOnly();
    void lastFiveKeptNewestFirst_data();
    void lastFiveKeptNewestFirst();
    void helpFollowsOnlyItsOwnPages();
    void systemInformationStartsNoShell_data();
    void systemInformationStartsNoShell();
    void oddTextIsStoredFoundAndEscaped();

public slots:
    void open(const QUrl& url) { m_opened << url; } // any link handed to another program

private:
    QList<QUrl> m_opened;
};

void TestFailures::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    shell::App::SetTitle(S("ReelkeeperReliabilityTest"));
}

void TestFailures::busyCatalogueIsToldAndWorksOnceFree()
{
    testing::TempCatalogue cat;
    const qint64 alpha = cat.addMovie(S("Alpha"));
    cat.lookupKey(S("tbl_Director"), S("Director"), S("Spare"));
    cat.addActor(S("Zed"), S("Ann"));
    cat.addMovie(S("Beta"));
    testing::ScriptedMessages boxes;
    const auto work = [&] { // add, delete, remove a name, link an actor
        addThroughEditor(S("Gamma"));
        shell::Guarded([&] {
            store::Connection db = cat.open();
            main_window::DeleteMovieRecord(db, alpha);
        });
        resources::frmRemoveResource names;
        auto* list = names.findChild<QComboBox*>(S("cboDirector"));
        list->setCurrentIndex(list->findText(S("Spare")));
        names.findChild<QPushButton*>(S("cmdDelete"))->click();
        shell::CurrentMovieTitle() = S("Beta"); // the cast editor's double click on a library actor
        cast::frmActorInfo cast;
        auto* grid = cast.findChild<cast::FlexGrid*>(S("ActorListGrid"));
        for (int i = 0; i < grid->Rows(); ++i)
            if (grid->TextMatrix(i, 1) == S("Zed, Ann"))
                grid->SetRow(i);
        shell::Guarded([&] { cast.SelectOne(); });
    };
    const QString state =
        S("SELECT (SELECT group_concat(Movie_Title) FROM tbl_Movie_Title) || (SELECT count(*) "
          "FROM tbl_Director WHERE Director = 'Spare') || (SELECT count(*) FROM tbl_Actor_Movie_Join)");
    store::Connection other(cat.path(), store::Connection::Mode::ReadWrite); // another program's
    other.exec(S("BEGIN EXCLUSIVE"));
    QElapsedTimer clock;
    clock.start();
    work();
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(boxes.count(), 5); // the removal asked first
    for (const auto& box : boxes.boxes())
        QVERIFY2(box.yesNo() || (box.text.contains(S("is busy")) && box.text.contains(cat.path())),
                 qPrintable(box.text));
    other.exec(S("COMMIT"));
    QCOMPARE(cat.scalar(state).toString(), S("Alpha,Beta10"));
    boxes.clear();
    work();
    QVERIFY2(boxes.texts().join(S("; ")).contains(S("Gamma has been added")), qPrintable(boxes.texts().join(S("; "))));
    QCOMPARE(cat.scalar(state).toString(), S("Beta,Gamma01"));
}

void TestFailures::damagedFilesEndStartUntouched_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("lines"); // what is wrong; what to do about it; the engine's own words
    QTest::addColumn<QString>("engine");
    const QString malformed = S("database disk image is malformed"), notDb = S("file is not a database");
    QTest::newRow("cut in half") << S("truncate") << S("the file is damaged") << 3 << malformed;
    QTest::newRow("random bytes inside") << S("scribble") << S("the file is damaged") << 3 << malformed;
    // Met by the first screen's read, before any check has read the file.
    QTest::newRow("the movies' own pages") << S("movies") << S("the file is damaged") << 3 << malformed;
    QTest::newRow("all random bytes") << S("random") << S("the file is damaged") << 3 << notDb;
    QTest::newRow("missing") << S("missing") << S("does not exist") << 1 << QString();
    QTest::newRow("empty") << S("empty") << S("empty") << 2 << QString();
    QTest::newRow("a folder") << S("folder") << S("folder") << 1 << QString();
    QTest::newRow("another program's database") << S("foreign") << S("it is not a Reelkeeper catalogue, or a") << 3
                                                << S("the table tbl_Movie_Title is missing.");
    // Told at the next activation, once; the program then ends as on Exit, with a failing status.
    QTest::newRow("moved away while running") << S("vanish") << S("does not exist") << 1 << QString();
}

void TestFailures::damagedFilesEndStartUntouched()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QFETCH(int, lines);
    QFETCH(QString, engine);
    QTemporaryDir dir;
    const QString path = dir.filePath(S("Reelkeeper.mdb"));
    QByteArray bytes;
    qint64 moviePage = 0; // where the movie table's first leaf starts
    {
        testing::TempCatalogue real; // some size, so damage can land past the first pages
        real.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT "
                      "i + 1 FROM n WHERE i < 1999) SELECT 'Movie ' || i FROM n"));
        moviePage = real.scalar(S("SELECT (min(pageno) - 1) * (SELECT page_size FROM pragma_page_size) FROM dbstat "
                                  "WHERE name = 'tbl_Movie_Title' AND pagetype = 'leaf'"))
                        .toLongLong();
        bytes = readAll(real.path());
    }
    QByteArray noise(bytes.size(), '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    if (damage == QLatin1String("truncate"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("scribble"))
        bytes.replace(bytes.size() / 3, 40000, noise.left(40000));
    else if (damage == QLatin1String("movies"))
        bytes.replace(moviePage, 4096, noise.left(4096));
    else if (damage == QLatin1String("random"))
        bytes = noise;
    else if (damage != QLatin1String("vanish"))
        bytes.clear();
    // An older version's copy and a numbered one: the message names the numbered one as the newest.
    const QStringList planted{S("Reelkeeper-2099-01-01_00-00-00-000.mdb"),
                              S("Reelkeeper-000002_2020-01-01_00-00-00Z.mdb")};
    QDir(dir.path()).mkdir(S("backups"));
    for (const QString& copy : planted)
        writeAll(dir.filePath(S("backups/") + copy), "copy");
    if (damage == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (damage == QLatin1String("foreign")) {
        store::Connection(path, store::Connection::Mode::ReadWriteCreate)
            .exec(
                S("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes (body) VALUES ('mine');"));
        bytes = readAll(path);
    } else if (damage != QLatin1String("missing")) {
        writeAll(path, bytes);
    }

    shell::App::SetPath(dir.path());
    shell::SaveSetting(shell::App::Title(), S("Settings"), S("MW01"), QString());
    static const QTemporaryDir runtime; // a socket folder of our own: the user's Reelkeeper must not take over
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    testing::ScriptedMessages boxes;
    QWidget elsewhere; // the user switches to another window and back
    const QString moved = dir.filePath(S("moved.mdb"));
    QTimer::singleShot(300, &elsewhere, [&] {
        QFile::rename(path, moved);
        elsewhere.show();
        for (int i = 0; i < 3; ++i) {
            elsewhere.activateWindow();
            QTest::qWait(100);
            Module1::MainWindow()->activateWindow();
            QTest::qWait(100);
        }
    });
    QTimer::singleShot(5000, &elsewhere, [] { QCoreApplication::exit(99); }); // stuck
    QCOMPARE(Module1::Main(testing::MainMaker()), 1);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().icon(), int(shell::vbCritical));
    const QString text = boxes.last().text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(reason), qPrintable(text));
    // Plain words first, then what to do, and the engine's words only on a last line of their own.
    const QStringList told = text.split(QLatin1Char('\n'));
    QVERIFY2(told.size() == lines && !told.first().contains(S("(")), qPrintable(text));
    QVERIFY2(lines == 1 || (told[1].contains(planted.last()) && told[1].contains(dir.filePath(S("backups")))),
             qPrintable(text));
    if (!engine.isEmpty())
        QCOMPARE(told.last(), S("Technical detail: ") + engine);
    if (damage != QLatin1String("folder"))
        QVERIFY(readAll(damage == QLatin1String("vanish") ? moved : path) == bytes); // byte for byte as it was
    QVERIFY(damage == QLatin1String("vanish") || !QFile::exists(path + S("-wal")));  // the engine's, left for it
    QVERIFY(damage != QLatin1String("missing") || !QFile::exists(path));             // never created
    QCOMPARE(QDir(dir.filePath(S("backups"))).entryList(QDir::Files).size(), planted.size());
    // Settings are saved as on a normal close only by a program that got as far as its window.
    QCOMPARE(shell::GetSetting(shell::App::Title(), S("Settings"), S("MW01")).isEmpty(),
             damage != QLatin1String("vanish"));
    shell::App::SetPath(QString());
}

void TestFailures::unwritablePlacesAreToldNothingHalfDone_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("work");      // done in a second process, where the file-size limit binds
    QTest::addColumn<QStringList>("words"); // each somewhere in what the program told
    // The save fails whole; the backup that comes first fails too and is told, once.
    QTest::newRow("disk full, save") << S("full") << S("save")
                                     << QStringList{S("could not be backed up"), S("too large")};
    QTest::newRow("disk full, report") << S("full") << S("report")
                                       << QStringList{S("could not be saved"), S("too large")};
    QTest::newRow("read-only folders, save")
        << S("read-only") << S("save") << QStringList{S("Error!: "), S("read-only")};
    QTest::newRow("read-only folders, report") << S("read-only") << S("report") << QStringList{S("Movie Title.html")};
}

void TestFailures::unwritablePlacesAreToldNothingHalfDone()
{
    QFETCH(QString, place);
    QFETCH(QString, work);
    QFETCH(QStringList, words);
    testing::TempCatalogue cat;
    for (int i = 0; i < 300; ++i)
        cat.addMovie(QStringLiteral("Movie <%1> & \"more\"").arg(i), {{S("Director"), S("Somebody")}});
    const QByteArray before = readAll(cat.path());
    const QString desktop = cat.dir() + S("/Desktop");
    QDir(cat.dir()).mkdir(S("Desktop"));
    // Permissions bind an ordinary user; root is bound only by a read-only mount.
    bool mounted = false;
    const auto setWritable = [&](bool yes) {
        if (yes && std::exchange(mounted, false))
            QProcess::execute(S("umount"), {cat.dir()});
        for (const QString& folder : {desktop, cat.dir()})
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                              (yes ? QFile::WriteOwner : QFile::Permissions()));
    };
    auto restore = qScopeGuard([&] { setWritable(true); });
    if (place == QLatin1String("read-only")) {
        setWritable(false);
        if (QFileInfo(desktop).isWritable()) { // root may write into a read-only folder
            mounted = QProcess::execute(S("mount"), {S("--bind"), cat.dir(), cat.dir()}) == 0;
            if (!mounted || QProcess::execute(S("mount"), {S("-o"), S("remount,bind,ro"), cat.dir()}) != 0 ||
                QFileInfo(desktop).isWritable())
                QSKIP("this user may write anywhere and may not mount");
        }
    }
    QProcess child;
    child.start(S(CHILD_PATH), {work, cat.dir(), desktop, place == QLatin1String("full") ? S("40960") : S("0")});
    QVERIFY(child.waitForFinished(60000));
    const QString told = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY2(!told.contains(S("has been")) && (work == QLatin1String("save") || told.count(S("BOX ")) == 1),
             qPrintable(told));
    for (const QString& word : words)
        QVERIFY2(told.contains(word), qPrintable(told));
    QCOMPARE(QDir(desktop).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());

    if (place == QLatin1String("read-only") && work == QLatin1String("save")) {
        // Started from there, the program works on the user's own copy of the shipped catalogue.
        const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + S("/Reelkeeper.mdb");
        QFile::remove(own);
        QCOMPARE(shell::SettleCatalogue(), own);
        testing::ScriptedMessages boxes;
        addThroughEditor(S("Beta"));
        QVERIFY2(boxes.texts().join(S("; ")).contains(S("has been added")), qPrintable(boxes.texts().join(S("; "))));
        QCOMPARE(cat.count(S("tbl_Movie_Title")), 301); // the store now opens it
        QVERIFY(shell::frmAbout().findChild<QLabel*>(S("lblDescription"))->text().contains(own));
        QFile::remove(own);
        shell::App::SetPath(cat.dir());
    }
    setWritable(true);
    QVERIFY(readAll(cat.path()) == before);
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 300);
    QCOMPARE(cat.count(S("tbl_Director")), 2);
    QCOMPARE(cat.scalar(S("PRAGMA integrity_check")).toString(), S("ok"));
}

void TestFailures::copyBeforeFirstChangeOnly_data()
{
    QTest::addColumn<bool>("blocked");   // a file where the backups folder should go
    QTest::addColumn<int>("background"); // 0: copied by the change; 1: under way when it comes; 2: its wait given up
    QTest::newRow("copied") << false << 0;
    QTest::newRow("the copy fails: told once, the work goes on") << true << 0;
    QTest::newRow("copied in the background, the change waits for it") << false << 1;
    QTest::newRow("the wait given up: that change refused, the copy goes on") << false << 2;
    QTest::newRow("the copy in the background fails: told once") << true << 1;
}

void TestFailures::copyBeforeFirstChangeOnly()
{
    QFETCH(bool, blocked);
    QFETCH(int, background);
    testing::ScriptedMessages boxes; // the store tells its handler, never the user directly
    Delivered cat({S("Alpha"), S("Beta")});
    if (blocked)
        writeAll(store::BackupFolder(cat.path()), {});
    QStringList told;
    store::SetBackupFailureHandler([&](const QString& message) { told << message; });
    int waits = 0;
    const auto stop = qScopeGuard([] {
        store::StopBackups();
        store::SetBackupWaiter({});
    });
    if (background) {
        // Unchecked, the file is not copied to the end before the change comes.
        store::DeferCheck(cat.path());
        store::StartBackup(cat.path());
        store::SetBackupWaiter([&](QFuture<void> copy) {
            if (++waits == 1 && background == 2)
                return false;
            copy.waitForFinished();
            return true;
        });
    }
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 2); // reading is no change
    QVERIFY(cat.copies().isEmpty() && told.isEmpty());
    if (background == 2) {
        try {
            cat.addMovie(S("Refused"));
            QFAIL("saved without waiting");
        } catch (const store::StoreError& e) {
            QVERIFY2(e.message().contains(S("still being backed up")), qPrintable(e.message()));
        }
    }
    cat.addMovie(S("Gamma"));
    cat.addMovie(S("Delta"));
    store::SetBackupFailureHandler(nullptr);
    QCOMPARE(cat.count(S("tbl_Movie_Title")), 4);
    QCOMPARE(cat.copies().size() + told.size(), 1);
    QVERIFY2(background ? blocked || waits >= 1 : waits == 0, qPrintable(QString::number(waits)));
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

void TestFailures::lastFiveKeptNewestFirst_data()
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

void TestFailures::lastFiveKeptNewestFirst()
{
    QFETCH(QStringList, planted);
    Delivered cat({S("Alpha")});
    const QString folder = store::BackupFolder(cat.path());
    QDir().mkpath(folder);
    for (const QString& name : planted)
        writeAll(folder + QLatin1Char('/') + name, {});
    const store::Connection db = cat.open();
    QStringList made;
    for (int i = 0; i < 7; ++i)
        made << QFileInfo(store::BackupCatalogue(db.handle(), cat.path())).fileName();
    QCOMPARE(QDir(folder).entryList(QDir::Files), made.mid(2));
}

void TestFailures::helpFollowsOnlyItsOwnPages()
{
    QTemporaryDir dir;
    const QString help = dir.filePath(S("Reelkeeper.html"));
    writeAll(help, "<html><body><a name=\"top\">Top</a> <a href=\"http://example.invalid/\">away</a>"
                   "<img src=\"http://example.invalid/x.png\"></body></html>");
    writeAll(dir.filePath(S("second.html")), "<html><body>Second page</body></html>");

    for (const char* scheme : {"http", "https", "file", "mailto", "ftp"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    shell::HelpViewer viewer;
    QVERIFY(viewer.Open(help, shell::HelpViewer::HelpContents, nullptr));
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

void TestFailures::systemInformationStartsNoShell_data()
{
    QTest::addColumn<QString>("setting"); // %1 is the folder
    QTest::addColumn<bool>("runs");
    QTest::newRow("blanks and ; in the program's own name") << S("%1/sys info;x.sh") << true;
    QTest::newRow("a command line") << S("%1/sys info;x.sh; touch %1/pwned") << false;
    QTest::newRow("a shell substitution") << S("$(touch %1/pwned)") << false;
    QTest::newRow("a pipe") << S("true | touch %1/pwned") << false;
}

void TestFailures::systemInformationStartsNoShell()
{
    QFETCH(QString, setting);
    QFETCH(bool, runs);
    QTemporaryDir dir;
    const QString program = dir.filePath(S("sys info;x.sh"));
    writeAll(program, QStringLiteral("#!/bin/sh\ntouch '%1/ran'\n").arg(dir.path()).toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    shell::SaveSetting(shell::App::Title(), S("SysInfo"), S("PATH"), setting.arg(dir.path()));

    testing::ScriptedMessages boxes;
    shell::frmAbout().StartSysInfo();
    if (runs)
        QTRY_VERIFY(QFile::exists(dir.filePath(S("ran"))));
    QTest::qWait(300);
    QVERIFY(!QFile::exists(dir.filePath(S("pwned"))));
}

void TestFailures::oddTextIsStoredFoundAndEscaped()
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
            form.findChild<QPushButton*>(S("cmdClearForm"))->click();
            // Numbered, so no two differ only in letter case (lookups ignore it on purpose).
            form.findChild<QLineEdit*>(S("txtMovieTitle"))->setText(QStringLiteral("%1 ").arg(i) + texts[i]);
            form.findChild<QComboBox*>(S("dbcDirector"))->setEditText(QStringLiteral("D%1 ").arg(i) + texts[i]);
            form.findChild<QComboBox*>(S("dbcGenre"))->setEditText(texts[i]);
            boxes.clear();
            form.findChild<QPushButton*>(S("cmd_Update"))->click();
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
        QCOMPARE(form.findChild<QLineEdit*>(S("txtMovieTitle"))->text(), shell::CurrentMovieTitle());
        QCOMPARE(form.findChild<QComboBox*>(S("dbcGenre"))->currentText(), texts[i]);
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
    const QByteArray bytes = readAll(desktop.filePath(S("Movie Title.html")));
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
    QCOMPARE(form.findChild<QLineEdit*>(S("txtMovieTitle"))->text(), shell::CurrentMovieTitle());
    QVERIFY(boxes.count() > 0 && shell::CurrentMovieTitle().startsWith(S("Broken ")));
    for (const auto& box : boxes.boxes())
        QCOMPARE(box.title, S("Error!"));
}

QTEST_MAIN(TestFailures)
#include "test_failures.moc"
