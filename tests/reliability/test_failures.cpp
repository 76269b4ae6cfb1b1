// The catalogue locked by another program, damaged or foreign files at start, and places that
// cannot be written: each told in a message, never reported as success, nothing left half done.
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
#include "shell/Module1.h"
#include "shell/Settings.h"
#include "shell/frmAbout.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

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

// Presses "&Add Movie" for a new title; the boxes say what came of it.
void addThroughEditor(const QString& title)
{
    shell::CurrentMovieTitle().clear();
    movie_editor::frmMovieAdd form;
    form.findChild<QLineEdit*>(S("txtMovieTitle"))->setText(title);
    form.findChild<QPushButton*>(S("cmd_Update"))->click();
}

// The cast editor's double click on a library actor: one link for the movie.
void linkActor(const QString& title, const QString& actor)
{
    shell::CurrentMovieTitle() = title;
    cast::frmActorInfo form;
    auto* grid = form.findChild<cast::FlexGrid*>(S("ActorListGrid"));
    for (int i = 0; i < grid->Rows(); ++i)
        if (grid->TextMatrix(i, 1) == actor)
            grid->SetRow(i);
    shell::Guarded([&] { form.SelectOne(); });
}

// The resource window's delete, with the name picked from its list.
void removeDirector(const QString& name)
{
    resources::frmRemoveResource form;
    auto* list = form.findChild<QComboBox*>(S("cboDirector"));
    list->setCurrentIndex(list->findText(name));
    form.findChild<QPushButton*>(S("cmdDelete"))->click();
}

bool anyContains(const QStringList& texts, const QString& piece)
{
    return std::any_of(texts.cbegin(), texts.cend(), [&](const QString& t) { return t.contains(piece); });
}

// Runs the child with a file-size limit and returns the boxes it showed.
QStringList childBoxes(const QStringList& args)
{
    QProcess child;
    child.start(S(CHILD_PATH), args);
    if (!child.waitForFinished(60000))
        return {S("child hung")};
    QStringList boxes;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("BOX ") || line.startsWith("ERROR "))
            boxes << QString::fromUtf8(line);
    return boxes;
}

// Root may write into a read-only folder; such a folder proves nothing then.
bool folderIsReallyReadOnly(const QString& folder)
{
    QFile probe(folder + S("/probe"));
    const bool wrote = probe.open(QIODevice::WriteOnly);
    probe.remove();
    return !wrote;
}

} // namespace

class TestFailures : public QObject
{
    Q_OBJECT
private slots:
    void busyCatalogueIsToldAndWorksOnceFree();
    void damagedFilesEndStartUntouched_data();
    void damagedFilesEndStartUntouched();
    void fullDiskLeavesNothingHalfDone();
    void readOnlyPlacesAreTold();

private:
    QByteArray sizedCatalogue(); // 2,000 movies, made once
    QByteArray m_sized;
};

void TestFailures::busyCatalogueIsToldAndWorksOnceFree()
{
    testing::TempCatalogue cat;
    const qint64 alpha = cat.addMovie(S("Alpha"));
    cat.lookupKey(S("tbl_Director"), S("Director"), S("Spare"));
    cat.addActor(S("Zed"), S("Ann"));
    cat.addMovie(S("Beta"));
    const auto work = [&] { // add, delete, remove a name, link an actor
        addThroughEditor(S("Gamma"));
        shell::Guarded([&] {
            store::Connection db = cat.open();
            main_window::DeleteMovieRecord(db, alpha);
        });
        removeDirector(S("Spare"));
        linkActor(S("Beta"), S("Zed, Ann"));
    };
    const QString state =
        S("SELECT (SELECT group_concat(Movie_Title) FROM tbl_Movie_Title) || (SELECT count(*) "
          "FROM tbl_Director WHERE Director = 'Spare') || (SELECT count(*) FROM tbl_Actor_Movie_Join)");
    QProcess holder;
    holder.start(S(CHILD_PATH), {S("lock"), cat.path()}); // another program's connection
    QVERIFY(holder.waitForStarted());
    while (!holder.readAllStandardOutput().contains("locked"))
        QVERIFY(holder.waitForReadyRead(5000));

    testing::ScriptedMessages boxes;
    QElapsedTimer clock;
    clock.start();
    work();
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(boxes.count(), 5); // the removal asked first
    for (const auto& box : boxes.boxes())
        QVERIFY2(box.yesNo() || (box.text.contains(S("is busy")) && box.text.contains(cat.path())),
                 qPrintable(box.text));

    holder.write("done\n");
    QVERIFY(holder.waitForFinished(5000));
    QCOMPARE(cat.scalar(state).toString(), S("Alpha,Beta10"));
    boxes.clear();
    work();
    QVERIFY2(anyContains(boxes.texts(), S("Gamma has been added")), qPrintable(boxes.texts().join(S("; "))));
    QCOMPARE(cat.scalar(state).toString(), S("Beta,Gamma01"));
}

QByteArray TestFailures::sizedCatalogue()
{
    if (m_sized.isEmpty()) {
        // A catalogue of some size, so damage can land past its first pages.
        testing::TempCatalogue real;
        real.scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title) WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT "
                      "i + 1 FROM n WHERE i < 1999) SELECT 'Movie ' || i FROM n"));
        m_sized = readAll(real.path());
    }
    return m_sized;
}

void TestFailures::damagedFilesEndStartUntouched_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("lines"); // what is wrong; what to do about it; the engine's own words
    QTest::newRow("cut in half") << S("truncate") << S("the file is damaged") << 3;
    QTest::newRow("random bytes inside") << S("scribble") << S("the file is damaged") << 3;
    QTest::newRow("all random bytes") << S("random") << S("the file is damaged") << 3;
    QTest::newRow("missing") << S("missing") << S("does not exist") << 1;
    QTest::newRow("empty") << S("empty") << S("empty") << 2;
    QTest::newRow("a folder") << S("folder") << S("folder") << 1;
    QTest::newRow("another program's database") << S("foreign") << S("it is not a Reelkeeper catalogue, or a") << 3;
    // Told at the next activation, once; the program then ends as on Exit, with a failing status.
    QTest::newRow("moved away while running") << S("vanish") << S("does not exist") << 1;
}

void TestFailures::damagedFilesEndStartUntouched()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QFETCH(int, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(S("Reelkeeper.mdb"));
    QByteArray bytes = sizedCatalogue();
    QRandomGenerator random(7);
    auto noise = [&](qsizetype size) {
        QByteArray out(size, '\0');
        for (char& c : out)
            c = char(random.bounded(256));
        return out;
    };
    if (damage == QLatin1String("truncate"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("scribble"))
        bytes.replace(bytes.size() / 3, 40000, noise(40000));
    else if (damage == QLatin1String("random"))
        bytes = noise(bytes.size());
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
        {
            store::Connection other(path, store::Connection::Mode::ReadWriteCreate);
            other.exec(S("CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); "
                         "INSERT INTO notes (body) VALUES ('mine');"));
        }
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
    QTimer stuck;
    stuck.callOnTimeout([] { QCoreApplication::exit(99); });
    stuck.start(5000);
    QCOMPARE(Module1::Main(), 1);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().icon(), int(shell::vbCritical));
    QVERIFY2(boxes.last().text.contains(QDir::toNativeSeparators(path)), qPrintable(boxes.last().text));
    QVERIFY2(boxes.last().text.contains(reason), qPrintable(boxes.last().text));
    // Plain words first, then what to do, and the engine's words only on a last line of their own.
    const QStringList told = boxes.last().text.split(QLatin1Char('\n'));
    QVERIFY2(told.size() == lines && !told.first().contains(S("(")), qPrintable(boxes.last().text));
    QVERIFY2(lines == 1 || (told[1].contains(planted.last()) && told[1].contains(dir.filePath(S("backups")))),
             qPrintable(boxes.last().text));
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

void TestFailures::fullDiskLeavesNothingHalfDone()
{
    testing::TempCatalogue cat;
    for (int i = 0; i < 300; ++i)
        cat.addMovie(QStringLiteral("Movie <%1> & \"more\"").arg(i), {{S("Director"), S("Somebody")}});
    const QByteArray before = readAll(cat.path());
    const QString limit = QString::number(40 * 1024);

    // The save fails whole; the backup that comes first fails too and is told, once.
    const QStringList saved = childBoxes({S("save"), cat.dir(), limit});
    QVERIFY2(!anyContains(saved, S("has been added")), qPrintable(saved.join(S("; "))));
    QVERIFY2(anyContains(saved, S("could not be backed up")), qPrintable(saved.join(S("; "))));
    QVERIFY2(anyContains(saved, S("full")) || anyContains(saved, S("too large")), qPrintable(saved.join(S("; "))));
    QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Movie_Title")).toInt(), 300);
    QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Director")).toInt(), 2);
    QCOMPARE(cat.scalar(S("PRAGMA integrity_check")).toString(), S("ok"));
    QVERIFY(readAll(cat.path()) == before);

    QTemporaryDir desktop;
    const QStringList report = childBoxes({S("report"), cat.dir(), desktop.path(), limit});
    QCOMPARE(report.size(), 1);
    QVERIFY2(report.first().contains(S("could not be saved")) && report.first().contains(S("too large")),
             qPrintable(report.first()));
    QCOMPARE(QDir(desktop.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
}

void TestFailures::readOnlyPlacesAreTold()
{
    testing::TempCatalogue cat;
    cat.addMovie(S("Alpha"));
    QTemporaryDir place;
    QDir(place.path()).mkdir(S("Desktop"));
    QFile::copy(cat.path(), place.filePath(S("Reelkeeper.mdb")));
    const QByteArray before = readAll(place.filePath(S("Reelkeeper.mdb")));
    const QString desktop = place.filePath(S("Desktop"));
    // Permissions bind an ordinary user; root is bound only by a read-only mount.
    bool mounted = false;
    QFile::setPermissions(desktop, QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(place.path(), QFile::ReadOwner | QFile::ExeOwner);
    const auto writable = [&] {
        if (mounted)
            QProcess::execute(S("umount"), {place.path()});
        mounted = false;
        QFile::setPermissions(desktop, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(place.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    auto restore = qScopeGuard(writable);
    if (!folderIsReallyReadOnly(desktop)) {
        mounted = QProcess::execute(S("mount"), {S("--bind"), place.path(), place.path()}) == 0;
        if (!mounted || QProcess::execute(S("mount"), {S("-o"), S("remount,bind,ro"), place.path()}) != 0 ||
            !folderIsReallyReadOnly(desktop))
            QSKIP("this user may write anywhere and may not mount");
    }
    shell::App::SetPath(place.path());
    testing::ScriptedMessages boxes;
    ReportModule::SetDesktopFolder(desktop);
    ReportModule::PrintMovieTitleReport();
    ReportModule::SetDesktopFolder(QString());
    QVERIFY(!anyContains(boxes.texts(), S("has been")));
    QCOMPARE(boxes.count(), 1);
    QVERIFY2(boxes.last().text.contains(S("Movie Title.html")), qPrintable(boxes.last().text));
    boxes.clear();
    addThroughEditor(S("Beta"));
    QVERIFY(!anyContains(boxes.texts(), S("has been")));
    QVERIFY2(boxes.count() >= 1 && boxes.last().title == S("Error!"), qPrintable(boxes.texts().join(S("; "))));
    QCOMPARE(QDir(desktop).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Started from there, the program works on the user's own copy of the shipped catalogue.
    QStandardPaths::setTestModeEnabled(true);
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + S("/Reelkeeper.mdb");
    QFile::remove(own);
    QCOMPARE(shell::SettleCatalogue(), own);
    boxes.clear();
    addThroughEditor(S("Beta"));
    QVERIFY2(anyContains(boxes.texts(), S("has been added")), qPrintable(boxes.texts().join(S("; "))));
    QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Movie_Title")).toInt(), 2); // the store now opens it
    QVERIFY(shell::frmAbout().findChild<QLabel*>(S("lblDescription"))->text().contains(own));
    QFile::remove(own);
    shell::App::SetPath(cat.dir());
    writable();
    QCOMPARE(readAll(place.filePath(S("Reelkeeper.mdb"))), before);
}

QTEST_MAIN(TestFailures)
#include "test_failures.moc"
