// The single-instance handshake between real processes.
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>
#include <csignal>

class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void secondStartBringsFirstForward();
    void staleSocketDoesNotBlockStart();
    void realProgramSecondStartEnds();

private:
    static QString uniqueTitle() { return QStringLiteral("Reelkeeper test ") + QUuid::createUuid().toString(); }
    static void startProbe(QProcess& p, const QString& title)
    {
        p.start(QStringLiteral(PROBE_PATH), {title});
        QVERIFY(p.waitForStarted());
        QByteArray said; // accumulated: the macro reads its condition once more after success
        QTRY_VERIFY_WITH_TIMEOUT((said += p.readAllStandardOutput()).contains("ready"), 10000);
    }
};

void TestSingleInstance::secondStartBringsFirstForward()
{
    const QString title = uniqueTitle();
    QProcess first;
    startProbe(first, title);

    QProcess second;
    second.start(QStringLiteral(PROBE_PATH), {title});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput().trimmed(), QByteArray("handed-over"));

    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardOutput()).contains("activated"), 5000);
    QVERIFY2(said.contains("was-minimised=1"), said.constData());
    first.kill();
    first.waitForFinished();
}

void TestSingleInstance::staleSocketDoesNotBlockStart()
{
    const QString title = uniqueTitle();
    QProcess crashed;
    startProbe(crashed, title);
    ::kill(pid_t(crashed.processId()), SIGKILL); // leaves its socket file behind
    QVERIFY(crashed.waitForFinished());

    QProcess next;
    next.start(QStringLiteral(PROBE_PATH), {title});
    QVERIFY(next.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += next.readAllStandardOutput()).contains("ready"), 10000);
    // Nobody answered, so the title it works under is its own again.
    QVERIFY2(said.contains(QByteArray("title=" + title.toUtf8())), said.constData());
    next.kill();
    next.waitForFinished();
}

void TestSingleInstance::realProgramSecondStartEnds()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QTemporaryDir config;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(REELKEEPER_PATH), {});
    QVERIFY(first.waitForStarted());
    QTest::qWait(1500); // let it load and start answering

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(REELKEEPER_PATH), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(5000))
        first.kill();
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
