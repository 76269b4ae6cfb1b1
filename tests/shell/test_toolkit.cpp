// The toolkit layer: twips, the message box hook, modal showing, the program's own facts.
#include "shell/App.h"
#include "shell/Toolkit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestToolkit : public QObject
{
    Q_OBJECT
private slots:
    void twipsFollowLogicalDpi();
    void messageBoxGoesThroughHandler();
    void modalWindowIsShownAndDeleted();
    void applicationFacts();
};

void TestToolkit::twipsFollowLogicalDpi()
{
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QCOMPARE(shell::TwipsToPixelsX(1440), qRound(dpi));
    for (int px : {0, 1, 17, 433, 1920})
        QCOMPARE(shell::TwipsToPixelsX(shell::PixelsToTwipsX(px)), px);
}

void TestToolkit::messageBoxGoesThroughHandler()
{
    shell::MessageRecord seen;
    shell::SetMessageHandler([&](const shell::MessageRecord& r) {
        seen = r;
        return int(shell::vbNo);
    });
    const int answer = shell::MsgBox(QStringLiteral("One") + shell::kCrLf + QStringLiteral("Two"),
                                     shell::vbYesNo | shell::vbExclamation);
    shell::SetMessageHandler(nullptr);
    QCOMPARE(answer, int(shell::vbNo));
    QCOMPARE(seen.title, QStringLiteral("Cinevault - Reelkeeper"));
    QCOMPARE(seen.text, QStringLiteral("One\r\nTwo"));
    QVERIFY(seen.yesNo());
    QCOMPARE(seen.icon(), int(shell::vbExclamation));
}

void TestToolkit::modalWindowIsShownAndDeleted()
{
    QWidget owner;
    owner.show();
    QPointer<QWidget> window = new QWidget;
    // A caption too wide for its place is drawn smaller, never cut; one that fits is left alone.
    auto* wide = new QLabel(QStringLiteral("Executive Producer:"), window);
    auto* fits = new QLabel(QStringLiteral("Year:"), window);
    wide->setGeometry(0, 0, QFontMetrics(wide->font()).horizontalAdvance(wide->text()) * 4 / 5, 20);
    fits->setGeometry(0, 30, 200, 20);
    const QFont before = fits->font();
    bool wasModal = false, fitted = false;
    shell::SetModalHandler([&](QWidget* w) {
        wasModal = w->isVisible() && w->isModal() && w->parentWidget() == &owner;
        fitted = QFontMetrics(wide->font()).horizontalAdvance(wide->text()) < wide->width() && fits->font() == before;
        w->close();
    });
    shell::ShowModal(window, &owner);
    shell::SetModalHandler(nullptr);
    QVERIFY(wasModal);
    QVERIFY(fitted);
    QVERIFY(window.isNull()); // each opening starts afresh

    // Without a handler the call returns once the window closes.
    QPointer<QWidget> real = new QWidget;
    QTimer::singleShot(50, real, [real] { real->close(); });
    shell::ShowModal(real, &owner);
    QVERIFY(real.isNull());
}

void TestToolkit::applicationFacts()
{
    QCOMPARE(shell::App::Title(), QStringLiteral("Reelkeeper"));
    QCOMPARE(QStringLiteral("%1.%2.%3").arg(shell::App::Major()).arg(shell::App::Minor()).arg(shell::App::Revision()),
             QStringLiteral(REELKEEPER_VERSION));
    QCOMPARE(shell::App::Path(), QCoreApplication::applicationDirPath());
    shell::App::SetPath(QStringLiteral("/tmp/x/"));
    QCOMPARE(shell::App::Path(), QStringLiteral("/tmp/x")); // no trailing separator
    shell::App::SetPath(QString());
}

QTEST_MAIN(TestToolkit)
#include "test_toolkit.moc"
