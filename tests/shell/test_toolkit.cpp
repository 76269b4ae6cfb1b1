// The toolkit layer: message boxes, modal showing, the program's own facts and small windows.
#include "shell/App.h"
#include "shell/Background.h"
#include "shell/Toolkit.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

class TestToolkit : public QObject
{
    Q_OBJECT
private slots:
    void messageBoxes()
    {
        // The box that follows a Yes/No answer sits over the same window as the question.
        QWidget asker;
        asker.show();
        QVERIFY(QTest::qWaitForWindowActive(&asker));
        QList<QWidget*> owners;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                owners << box->parentWidget();
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        answerer.start(20);
        QCOMPARE(shell::MsgBox(QStringLiteral("Delete it?"), shell::vbYesNo | shell::vbQuestion), int(shell::vbYes));
        QCOMPARE(shell::MsgBox(QStringLiteral("It has been deleted.")), int(shell::vbOK));
        QCOMPARE(owners, (QList<QWidget*>{&asker, &asker}));
    }

    void modalWindowIsShownAndDeleted()
    {
        QWidget owner;
        owner.show();
        QPointer<QWidget> window = new QWidget;
        window->setFont(shell::WindowFont(9, true));
        // A caption too wide for its place is drawn smaller, never cut; one that fits is left alone.
        auto* wide = new QLabel(QStringLiteral("Executive Producer:"), window);
        auto* fits = new QLabel(QStringLiteral("Year:"), window);
        wide->setGeometry(0, 0, QFontMetrics(wide->font()).horizontalAdvance(wide->text()) * 4 / 5, 20);
        fits->setGeometry(0, 30, 200, 20);
        const QFont before = fits->font();
        bool wasModal = false, fitted = false;
        shell::SetModalHandler([&](QWidget* w) {
            wasModal = w->isVisible() && w->isModal() && w->parentWidget() == &owner;
            fitted =
                QFontMetrics(wide->font()).horizontalAdvance(wide->text()) < wide->width() && fits->font() == before;
            w->close();
        });
        shell::ShowModal(window, &owner);
        shell::SetModalHandler(nullptr);
        QVERIFY(wasModal && fitted);
        QVERIFY(window.isNull()); // each opening starts afresh
        // The windows' face keeps its weight and stands upright whichever face stands in.
        QVERIFY(QFontInfo(shell::WindowFont(9, true)).bold() && !QFontInfo(shell::WindowFont(9, true)).italic());
    }

    void minimisedModalWindowComesBack_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<bool>("restoreOwner");
        QTest::newRow("window, restored itself") << false << false;
        QTest::newRow("window, restored by its owner") << false << true;
        QTest::newRow("dialog, restored by its owner") << true << true;
    }
    // Minimising a modal window minimises the program; restoring brings it back with the input typed.
    void minimisedModalWindowComesBack()
    {
        QFETCH(bool, dialog);
        QFETCH(bool, restoreOwner);
        QWidget owner;
        owner.show();
        QPointer<QWidget> window = dialog ? new QDialog : new QWidget;
        auto* edit = new QLineEdit(window);
        bool checked = false;
        QTimer::singleShot(0, window, [&] {
            const auto closeAnyway = qScopeGuard([&] {
                if (window)
                    window->close();
            });
            QTest::keyClicks(edit, QStringLiteral("unsaved"));
            window->showMinimized();
            QTRY_VERIFY(owner.isMinimized());
            QVERIFY(window && window->isVisible());
            (restoreOwner ? &owner : window.data())->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!window->isMinimized() && !owner.isMinimized());
            QCOMPARE(edit->text(), QStringLiteral("unsaved"));
            checked = true;
        });
        shell::ShowModal(window, &owner);
        QVERIFY(checked && window.isNull());
    }

    // The program told to quit while work runs in the background: the work still ends before its
    // caller goes on, with what it made.
    void backgroundWorkEndsBeforeItsCaller()
    {
        int got = 0;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(50, [] { QCoreApplication::exit(); });
            got = shell::RunInBackground(nullptr, {}, [](shell::Work&) {
                QThread::msleep(300);
                return 42;
            });
        });
        QCoreApplication::exec();
        QCOMPARE(got, 42);
    }

    // Work in the background leaves Qt's own threads free: a large area, which Qt paints with their
    // help, is drawn at once while as much work runs as the machine has cores.
    void paintingGoesOnBesideWork()
    {
        std::atomic<bool> stop{false};
        {
            QObject guard;
            for (int i = 0; i < QThreadPool::globalInstance()->maxThreadCount(); ++i)
                shell::StartInBackground(
                    &guard, nullptr, {},
                    [&stop](shell::Work&) {
                        for (int waited = 0; !stop && waited < 3000; waited += 10)
                            QThread::msleep(10);
                    },
                    [] {});
            // As the style draws a scroll bar's or a progress bar's groove.
            QImage image(600, 900, QImage::Format_ARGB32_Premultiplied);
            QLinearGradient groove(0, 0, 600, 0);
            groove.setColorAt(0, Qt::lightGray);
            groove.setColorAt(1, Qt::white);
            QElapsedTimer clock;
            clock.start();
            QPainter(&image).fillRect(image.rect(), groove);
            const qint64 took = clock.elapsed();
            stop = true;
            QVERIFY2(took < 1000, qPrintable(QString::number(took)));
        }
        shell::WorkPool()->waitForDone();
    }

    void programFolderHasNoTrailingSeparator()
    {
        shell::App::SetPath(QStringLiteral("/tmp/x//"));
        QCOMPARE(store::CataloguePath(), QStringLiteral("/tmp/x/Reelkeeper.mdb"));
        shell::App::SetPath(QString());
    }
};

QTEST_MAIN(TestToolkit)
#include "test_toolkit.moc"
