// Start-up: a damaged catalogue is refused before any change, ahead of the window after a killed
// run; a saved place that would hide the main window is brought back onto a screen.
#include "Features.h"
#include "main_window/frmMain.h"
#include "shell/App.h"
#include "shell/Module1.h"
#include "shell/Settings.h"
#include "store/Recordset.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

class TestModule1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime;

private slots:
    // Socket and data folders of our own: the user's Reelkeeper and its traces stay out of it.
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_runtime.path()));
        shell::App::SetTitle(QStringLiteral("Reelkeeper test_module1"));
    }
    void damageFoundBeforeAnyChange_data()
    {
        QTest::addColumn<bool>("killed"); // how the run before ended
        QTest::newRow("after a clean exit, once the window shows") << false;
        QTest::newRow("after a killed run, before the window") << true;
    }
    void damageFoundBeforeAnyChange()
    {
        QFETCH(bool, killed);
        testing::TempCatalogue cat;
        cat.addMovie(QStringLiteral("Kept"));
        int page = 0, pageSize = 0;
        {
            store::Connection db = cat.open();
            db.exec(QStringLiteral("CREATE TABLE notes (body TEXT); INSERT INTO notes VALUES ('mine');"));
            pageSize = cat.scalar(QStringLiteral("PRAGMA page_size")).toInt();
            page = cat.scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'notes'")).toInt();
        }
        QProcess run; // the program as the user had it, on a sound catalogue
        testing::MakeKillable(run);
        run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("run"), cat.dir()});
        QVERIFY(run.waitForReadyRead(20000));
        if (killed)
            run.kill();
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitStatus() == QProcess::CrashExit, killed);

        // A page no start-up read touches, so only the check can find it.
        QFile file(cat.path());
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(qint64(page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\x7f'));
        QVERIFY(file.seek(0));
        const QByteArray damaged = file.readAll();
        file.close();

        testing::ScriptedMessages boxes;
        struct Watch : QObject
        {
            bool shown = false, refused = false;
            bool eventFilter(QObject* watched, QEvent* event) override
            {
                if (event->type() != QEvent::Show || watched != Module1::MainWindow() || shown)
                    return false;
                shown = true;
                try { // a change made at once
                    store::Connection db = store::OpenDatabase();
                    store::Statement(db, QStringLiteral("UPDATE tbl_Movie_Title SET Movie_Title = 'Gone'")).run();
                } catch (const store::StoreError& e) {
                    refused = e.message().contains(QStringLiteral("the file is damaged"));
                }
                return false;
            }
        } watch;
        qApp->installEventFilter(&watch);
        QCOMPARE(Module1::Main(testing::MainMaker()), 1);
        QCOMPARE(watch.shown, !killed);
        QCOMPARE(watch.refused, !killed);
        QCOMPARE(boxes.count(), 1);
        QVERIFY2(boxes.last().text.contains(QStringLiteral("the file is damaged")), qPrintable(boxes.last().text));
        QFile after(cat.path());
        QVERIFY(after.open(QIODevice::ReadOnly) && after.readAll() == damaged);
    }

    void savedPlaceStaysVisible_data()
    {
        QTest::addColumn<QRect>("saved"); // pixels, on a 1920 by 1040 screen with a 1280 by 1024 one on its right
        QTest::addColumn<QRect>("shown");
        QTest::newRow("sane") << QRect(67, 67, 433, 433) << QRect(67, 67, 433, 433);
        QTest::newRow("across both screens") << QRect(1800, 100, 600, 400) << QRect(1800, 100, 600, 400);
        QTest::newRow("beyond the right screen") << QRect(4000, 67, 433, 433) << QRect(2767, 67, 433, 433);
        QTest::newRow("title bar above the screen") << QRect(100, -500, 433, 433) << QRect(100, 0, 433, 433);
        QTest::newRow("title bar below the screen") << QRect(100, 1030, 433, 433) << QRect(100, 607, 433, 433);
        QTest::newRow("no width") << QRect(67, 67, 0, 433) << QRect(67, 67, 320, 433);
        QTest::newRow("negative size") << QRect(67, 67, -1, -1) << QRect(67, 67, 320, 240);
        QTest::newRow("larger than the screen") << QRect(67, 67, 666667, 666667) << QRect(0, 0, 1920, 1040);
    }
    void savedPlaceStaysVisible()
    {
        QFETCH(QRect, saved);
        QTEST(shell::VisibleGeometry(saved, {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)}), "shown");
        // Twips no int holds, as a damaged settings file may give them, land on this machine's screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(shell::VisibleGeometryTwips(QRectF(3.4e38, -3.4e38, 1e30, 3.4e38))));
    }
};

// "run <folder>": the program on the folder's catalogue, as a test kills it or lets it end.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "run") == 0) {
        RegisterFeatures();
        shell::App::SetTitle(QStringLiteral("Reelkeeper test_module1 run"));
        shell::App::SetPath(QString::fromLocal8Bit(argv[2]));
        QTimer shown;
        shown.callOnTimeout([&] {
            if (!Module1::MainWindow() || !Module1::MainWindow()->isVisible())
                return;
            shown.stop();
            std::printf("shown\n");
            std::fflush(stdout);
            QTimer::singleShot(300, Module1::MainWindow(), &QWidget::close); // unless killed first
        });
        shown.start(1);
        return Module1::Main(testing::MainMaker());
    }
    TestModule1 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_module1.moc"
