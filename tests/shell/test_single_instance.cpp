// The single-instance rule between real processes, in a socket folder of the tests' own, so that a
// Reelkeeper the user has open is never the one reached.
#include "shell/SingleInstance.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QUuid>
#include <sys/stat.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime;

private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    void secondStartHandsOver_data()
    {
        QTest::addColumn<QString>("first");         // how the title is held when the second start comes
        QTest::addColumn<QByteArray>("secondSays"); // "handed-over": it ended; "ready": it went on
        QTest::addColumn<QByteArray>("firstSays");  // what the first then says, if anything
        const QByteArray restored = "activated was-minimised=1 minimised=0 maximised=0";
        QTest::newRow("minimised") << "idle" << QByteArray("handed-over") << restored;
        QTest::newRow("maximised, then minimised")
            << "maximised" << QByteArray("handed-over") << QByteArray("was-minimised=1 minimised=0 maximised=1");
        QTest::newRow("busy longer than the wait") << "busy" << QByteArray("handed-over") << restored;
        QTest::newRow("holder that cannot answer") << "unanswerable" << QByteArray("handed-over") << QByteArray();
        QTest::newRow("crashed, leaving lock and socket") << "crashed" << QByteArray("ready") << QByteArray();
        QTest::newRow("an empty lock file") << "empty lock" << QByteArray("ready") << QByteArray();
        QTest::newRow("a listener that holds no lock") << "impostor" << QByteArray("ready") << QByteArray();
    }
    void secondStartHandsOver()
    {
        QFETCH(QString, first);
        QFETCH(QByteArray, secondSays);
        QFETCH(QByteArray, firstSays);
        const QString title = QStringLiteral("Reelkeeper test ") + QUuid::createUuid().toString();
        const QString name = shell::SingleInstance::ServerName(title);
        QProcess a, b;
        testing::MakeKillable(a);
        testing::MakeKillable(b);
        QByteArray said, heard; // accumulated: the macro reads its condition once more after success
        QLocalServer impostor;
        if (first == QLatin1String("impostor")) {
            QVERIFY(impostor.listen(name));
            connect(&impostor, &QLocalServer::newConnection, &impostor,
                    [&] { impostor.nextPendingConnection()->write("ok\n"); });
        } else if (first == QLatin1String("empty lock")) {
            QFile lock(name + QStringLiteral(".lock"));
            QVERIFY(lock.open(QIODevice::WriteOnly));
        } else {
            if (first == QLatin1String("unanswerable")) // its socket cannot be made
                QVERIFY(QDir().mkpath(name));
            a.start(QStringLiteral(PROBE_PATH),
                    {title, QString::number(first == QLatin1String("busy") ? 4000 : 0), first});
            QTRY_VERIFY_WITH_TIMEOUT((heard += a.readAllStandardOutput()).contains("ready"), 10000);
            if (first == QLatin1String("crashed")) {
                a.kill(); // SIGKILL: lock and socket stay behind
                QVERIFY(a.waitForFinished());
            }
        }
        b.start(QStringLiteral(PROBE_PATH), {title});
        QTRY_VERIFY_WITH_TIMEOUT((said += b.readAllStandardOutput()).contains(secondSays), 10000);
        if (secondSays == "handed-over")
            QTRY_VERIFY_WITH_TIMEOUT(b.state() == QProcess::NotRunning && b.exitCode() == 0, 5000);
        if (!firstSays.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT((heard += a.readAllStandardOutput()).contains(firstSays), 10000);
        for (QProcess* p : {&a, &b}) {
            p->kill();
            p->waitForFinished();
        }
    }

    void socketFolderIsPrivate_data()
    {
        QTest::addColumn<QByteArray>("runtime"); // XDG_RUNTIME_DIR as the session gives it
        QTest::newRow("the session's own") << QByteArray("own");
        QTest::newRow("unset") << QByteArray();
        QTest::newRow("the shared temporary folder, another user's") << QByteArray("/tmp");
    }
    void socketFolderIsPrivate()
    {
        QFETCH(QByteArray, runtime);
        const QByteArray own = QFile::encodeName(m_runtime.path());
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        qputenv("XDG_RUNTIME_DIR", runtime == "own" ? own : runtime);
        const QString folder = QFileInfo(shell::SingleInstance::ServerName(QStringLiteral("x"))).path();
        qputenv("XDG_RUNTIME_DIR", own);
        qunsetenv("XDG_CACHE_HOME");
        if (runtime == "own")
            QCOMPARE(folder, m_runtime.path());
        struct stat st = {};
        QVERIFY2(::stat(QFile::encodeName(folder).constData(), &st) == 0, qPrintable(folder));
        QCOMPARE(st.st_uid, ::geteuid());
        QCOMPARE(st.st_mode & 0777, 0700u);
    }

    void realProgramSecondStartEnds_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::newRow("after the first has loaded") << 1500;
        QTest::newRow("at the same moment") << 0;
    }
    void realProgramSecondStartEnds()
    {
        QFETCH(int, gapMs);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QTemporaryDir config;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QProcess a, b;
        for (QProcess* p : {&a, &b}) {
            testing::MakeKillable(*p, env);
            p->start(QStringLiteral(REELKEEPER_PATH), {});
            QVERIFY(p->waitForStarted());
            QTest::qWait(gapMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT(a.state() == QProcess::NotRunning || b.state() == QProcess::NotRunning, 10000);
        QProcess& ended = a.state() == QProcess::NotRunning ? a : b;
        QProcess& running = &ended == &a ? b : a;
        QVERIFY(ended.exitStatus() == QProcess::NormalExit && ended.exitCode() == 0);
        QCOMPARE(running.state(), QProcess::Running);
        running.terminate();
        if (!running.waitForFinished(5000))
            running.kill();
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
