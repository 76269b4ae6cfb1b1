// The main window's commands, reports, help, About box and saved settings.
#include "main_window/MovieGrid.h"
#include "shell/App.h"
#include "shell/HelpViewer.h"
#include "shell/Settings.h"
#include "shell/frmAbout.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using main_window::frmMain;

const auto S = [](const char* text) { return QString::fromLatin1(text); };
// What a width of so many twips reads back as once it has been through pixels.
const auto shown = [](double twips) { return shell::PixelsToTwipsX(shell::TwipsToPixelsX(twips)); };

class TestCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_config;
    std::unique_ptr<testing::TempCatalogue> m_cat;
    std::unique_ptr<frmMain> m_w;

    static QString iniPath()
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper")).fileName();
    }
    double width(int split, int column) const { return m_w->dbgMovie()->ColumnWidth(split, column); }
    // Clicks the button or triggers the menu item of that name.
    void run(const char* command) const
    {
        if (auto* button = m_w->findChild<QToolButton*>(S(command)))
            button->click();
        else
            m_w->findChild<QAction*>(S(command))->trigger();
    }

private slots:
    void init()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        QFile::remove(iniPath());
        m_cat = std::make_unique<testing::TempCatalogue>();
        m_cat->scalar(S("INSERT INTO tbl_Movie_Title (Movie_Title, Year_Released) VALUES ('Alien', '1979'), "
                        "('Brazil', '1985')"));
        m_w = testing::OpenMain();
    }
    void cleanup()
    {
        shell::SetModalHandler(nullptr);
        m_w.reset();
        m_cat.reset();
    }

    void settingsDefaultsAndRoundTrip()
    {
        // A first run: the whole window, frame and caption included, is 6500 twips square.
        const QSize first(shell::TwipsToPixelsX(6500), shell::TwipsToPixelsY(6500));
        QTRY_COMPARE(m_w->frameGeometry().size(), first);
        QVERIFY(m_w->size() != first);
        m_w->resize(shell::TwipsToPixelsX(8010), shell::TwipsToPixelsY(7200));
        m_w->dbgMovie()->SetColumnWidth(1, 3, 2000);
        // The title pane follows its column as the user drags it wider.
        QTableView* titles = m_w->dbgMovie()->Split(0);
        QWidget* header = titles->horizontalHeader()->viewport();
        const int edge = titles->columnWidth(0) - 1;
        QTest::mousePress(header, Qt::LeftButton, {}, QPoint(edge, 5));
        QTest::mouseMove(header, QPoint(edge + 40, 5));
        QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(edge + 40, 5));
        QCOMPARE(titles->width() - 2 * titles->frameWidth(), edge + 41);
        run("mnuExit");
        const QRect whole = m_w->frameGeometry();
        const double h5 = width(1, 3);
        {
            QSettings s(iniPath(), QSettings::IniFormat);
            s.beginGroup(S("Settings"));
            QCOMPARE(s.value(S("H5")).toString(), shell::SingleText(h5));
            s.setValue(S("H02"), S("not a number")); // falls back to the default
            s.setValue(S("H9"), S("3000"));
        }
        // A new window comes back as the last one closed, with the edited values read.
        m_w.reset();
        m_w = testing::OpenMain();
        QTRY_COMPARE(m_w->frameGeometry(), whole); // neither grown nor shrunk by its frame
        QCOMPARE(width(1, 3), h5);
        QCOMPARE(width(0, 0), shown(2500));
        QCOMPARE(width(1, 7), shown(3000));

        // A minimised window saves nothing, so the last normal place stays.
        QFile::remove(iniPath());
        m_w->showMinimized();
        QTRY_VERIFY(m_w->isMinimized());
        m_w->close();
        QVERIFY(!QFile::exists(iniPath()));
    }

    // Every button and menu item opens its window over the main window, which is active again
    // afterwards; the editor opens on the selected movie for Edit and empty for New.
    void everyCommandOpensItsWindow()
    {
        m_w->dbgMovie()->SetRow(1);
        QStringList opened;
        shell::SetModalHandler([&](QWidget* w) {
            opened << w->objectName();
            if (auto* title = w->findChild<QLineEdit*>(S("txtMovieTitle")))
                opened.last() += S(" ") + title->text();
            QCOMPARE(w->parentWidget(), m_w.get());
            w->close();
        });
        for (const char* command : {"cmdEdit", "mnuEditExisting", "cmdNew", "mnuNewMovie", "cmdActorList", "mnuActors",
                                    "cmdRemove", "mnuResources", "cmdReports", "mnuHelpAbout"}) {
            run(command);
            m_w->Form_Activate();
        }
        const QString edit = S("frmMovieAdd Brazil"), add = S("frmMovieAdd ");
        QCOMPARE(opened,
                 (QStringList{edit, edit, add, add, S("frmActorList"), S("frmActorList"), S("frmRemoveResource"),
                              S("frmRemoveResource"), S("frmReportPick"), S("frmAbout")}));
    }

    // Each Collection window opens by its own letter after Alt+C and closes with Escape.
    void collectionLettersAndEscape_data()
    {
        QTest::addColumn<char>("letter");
        QTest::newRow("frmStatistics") << 's';
        QTest::newRow("frmLend") << 'l';
        QTest::newRow("frmLoans") << 'o';
        QTest::newRow("frmScan") << 'b';
    }
    void collectionLettersAndEscape()
    {
        QFETCH(char, letter);
        QStringList closed;
        const auto escape = [&](QWidget* window) {
            QApplication::setActiveWindow(window);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            if (!window->isVisible())
                closed << window->objectName();
        };
        shell::SetModalHandler(escape);
        QVERIFY(QTest::qWaitForWindowActive(m_w.get()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), letter);
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == S("frmStatistics") && window->isVisible()) // not modal
                escape(window);
        QCOMPARE(closed, QStringList{S(QTest::currentDataTag())});
    }

    void help()
    {
        testing::ScriptedMessages boxes;
        shell::App::SetHelpFile(QString());
        run("mnuHelpContents");
        run("mnuHelpSearchForHelpOn");
        QCOMPARE(boxes.texts(),
                 QStringList(2, S("Unable to display Help Contents. There is no Help associated with this project.")));
        QCOMPARE(boxes.last().title, shell::kAppCaption);
        QCOMPARE(boxes.last().icon(), int(shell::vbInformation));

        shell::App::SetHelpFile(m_cat->dir() + S("/missing.html"));
        run("mnuHelpContents");
        QVERIFY(boxes.last().text.contains(S("missing.html")));
        QCOMPARE(boxes.last().title, S("Reelkeeper"));

        shell::App::SetHelpFile(S(REELKEEPER_HELP));
        run("mnuHelpSearchForHelpOn");
        auto* viewer = m_w->findChild<shell::HelpViewer*>();
        QVERIFY(viewer && viewer->isVisible());
        for (const char* word : {"Delete Resources", "rubbish"}) { // a word in the help, then one not
            viewer->SearchBox()->clear();
            QTest::keyClicks(viewer->SearchBox(), S(word));
            QTest::keyClick(viewer->SearchBox(), Qt::Key_Return);
        }
        QCOMPARE(boxes.texts().mid(3),
                 QStringList{S("\"rubbish\" was not found anywhere in the help. Try a shorter or different word.")});
        viewer->close();
        shell::App::SetHelpFile(QString());
    }

    void aboutBoxSystemInformation()
    {
        shell::frmAbout about;
        // No viewer anywhere: the message, and the box stays.
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir bin;
        qputenv("PATH", bin.path().toUtf8());
        testing::ScriptedMessages boxes;
        about.show();
        about.findChild<QPushButton*>(S("cmdSysInfo"))->click();
        QCOMPARE(boxes.texts(), QStringList{S("System Information Is Unavailable At This Time")});
        QCOMPARE(boxes.last().title + QString::number(boxes.last().style), S("Reelkeeper0"));
        QVERIFY(about.isVisible());

        // A viewer on the PATH is started and left running on its own.
        const QString mark = bin.filePath(S("started"));
        QFile script(bin.filePath(shell::frmAbout::CommonViewers().constLast()));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n/usr/bin/touch '" + mark.toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        about.findChild<QPushButton*>(S("cmdSysInfo"))->click();
        QTRY_VERIFY(QFile::exists(mark));
        QCOMPARE(boxes.count(), 1);
        qputenv("PATH", path);
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
