// Start-up against catalogues that cannot be used: a message naming the file, a failing status.
#include "shell/App.h"
#include "shell/Module1.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTest>
#include <algorithm>

class TestModule1 : public QObject
{
    Q_OBJECT
private slots:
    void unusableCatalogueEndsWithMessage_data();
    void unusableCatalogueEndsWithMessage();
};

void TestModule1::unusableCatalogueEndsWithMessage_data()
{
    QTest::addColumn<QByteArray>("content"); // "-" means no file at all
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray("-") << QStringLiteral("does not exist");
}

void TestModule1::unusableCatalogueEndsWithMessage()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    shell::App::SetPath(dir.path());
    const QString path = dir.filePath(QStringLiteral("Reelkeeper.mdb"));
    if (content != "-") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content.leftJustified(4096, '\0'));
    }
    testing::ScriptedMessages boxes;
    QCOMPARE(Module1::Main(), 1);
    QCOMPARE(boxes.count(), 1);
    QVERIFY2(boxes.last().text.contains(path), qPrintable(boxes.last().text));
    QVERIFY2(boxes.last().text.contains(reason), qPrintable(boxes.last().text));
    QCOMPARE(boxes.last().icon(), int(shell::vbCritical));
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                         [](QWidget* w) { return w->isVisible(); }));
    QCOMPARE(QFile::exists(path), content != "-"); // never created
    shell::App::SetPath(QString());
}

QTEST_MAIN(TestModule1)
#include "test_module1.moc"
