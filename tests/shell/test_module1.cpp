// Start-up: a missing catalogue ends it with a message naming the file; a saved place that would
// hide the main window is brought back onto a screen.
#include "shell/App.h"
#include "shell/Module1.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QScreen>
#include <QTest>
#include <algorithm>

class TestModule1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime;

private slots:
    // A socket folder of our own: a Reelkeeper the user has open must not take over the start.
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    void missingCatalogueEndsWithMessage();
    void savedPlaceStaysVisible_data();
    void savedPlaceStaysVisible();
};

void TestModule1::missingCatalogueEndsWithMessage()
{
    QTemporaryDir dir;
    shell::App::SetPath(dir.path());
    const QString path = dir.filePath(QStringLiteral("Reelkeeper.mdb"));
    testing::ScriptedMessages boxes;
    QCOMPARE(Module1::Main(), 1);
    QCOMPARE(boxes.count(), 1);
    QVERIFY2(boxes.last().text.contains(path) && boxes.last().text.contains(QStringLiteral("does not exist")),
             qPrintable(boxes.last().text));
    QCOMPARE(boxes.last().icon(), int(shell::vbCritical));
    const QWidgetList windows = QApplication::topLevelWidgets();
    QVERIFY(std::none_of(windows.cbegin(), windows.cend(), [](QWidget* w) { return w->isVisible(); }));
    QVERIFY(!QFile::exists(path)); // never created
    shell::App::SetPath(QString());
}

void TestModule1::savedPlaceStaysVisible_data()
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

void TestModule1::savedPlaceStaysVisible()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, shown);
    QCOMPARE(shell::VisibleGeometry(saved, {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)}), shown);
    // Twips no int holds, as a damaged settings file may give them, land on this machine's screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(screen.contains(shell::VisibleGeometryTwips(QRectF(3.4e38, -3.4e38, 1e30, 3.4e38))));
}

QTEST_MAIN(TestModule1)
#include "test_module1.moc"
