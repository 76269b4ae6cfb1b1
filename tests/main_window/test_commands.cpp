// The main window's commands, menus, help, About box and saved settings.
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "reports/ReportModule.h"
#include "shell/App.h"
#include "shell/HelpViewer.h"
#include "shell/Settings.h"
#include "shell/frmAbout.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

using main_window::frmMain;

class TestCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstRunGeometry();
    void settingsRoundTrip();
    void minimisedCloseSavesNothing();
    void menusInOrder();
    void everyCommandOpensItsWindow_data();
    void everyCommandOpensItsWindow();
    void reportItemsWriteReports();
    void newAfterSelectionOpensEmptyEditor();
    void help();
    void aboutBox();

private:
    QTemporaryDir m_config;
    std::unique_ptr<testing::TempCatalogue> m_cat;
    std::unique_ptr<frmMain> m_w;
    void load()
    {
        m_w = std::make_unique<frmMain>();
        QVERIFY(m_w->Form_Load());
        m_w->show();
    }
    QString iniValue(const QString& key) const
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Reelkeeper"),
                    QStringLiteral("Reelkeeper"));
        return s.value(QStringLiteral("Settings/") + key).toString();
    }
    static QString iniPath()
    {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Reelkeeper"),
                         QStringLiteral("Reelkeeper"))
            .fileName();
    }
};

void TestCommands::init()
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    QFile::remove(iniPath());
    m_cat = std::make_unique<testing::TempCatalogue>();
    m_cat->addMovie(QStringLiteral("Alien"), {{QStringLiteral("Year_Released"), QStringLiteral("1979")}});
    m_cat->addMovie(QStringLiteral("Brazil"), {{QStringLiteral("Year_Released"), QStringLiteral("1985")}});
}

void TestCommands::cleanup()
{
    shell::SetModalHandler(nullptr);
    m_w.reset();
    m_cat.reset();
}

void TestCommands::firstRunGeometry()
{
    load();
    QCOMPARE(m_w->pos(), QPoint(shell::TwipsToPixelsX(1000), shell::TwipsToPixelsY(1000)));
    QCOMPARE(m_w->size(), QSize(shell::TwipsToPixelsX(6500), shell::TwipsToPixelsY(6500)));
    QCOMPARE(m_w->dbgMovie()->ColumnWidth(0, 0), shell::PixelsToTwipsX(shell::TwipsToPixelsX(2500)));
    QCOMPARE(m_w->dbgMovie()->ColumnWidth(1, 15), shell::PixelsToTwipsX(shell::TwipsToPixelsX(1545)));
}

void TestCommands::settingsRoundTrip()
{
    {
        QSettings s(iniPath(), QSettings::IniFormat);
        s.setValue(QStringLiteral("Settings/MW01"), QStringLiteral("8010"));
        s.setValue(QStringLiteral("Settings/MH01"), QStringLiteral("7200"));
        s.setValue(QStringLiteral("Settings/H02"), QStringLiteral("not a number")); // falls back to 2500
        s.setValue(QStringLiteral("Settings/H9"), QStringLiteral("3000"));
    }
    load();
    QCOMPARE(m_w->width(), shell::TwipsToPixelsX(8010));
    QCOMPARE(m_w->dbgMovie()->ColumnWidth(0, 0), shell::PixelsToTwipsX(shell::TwipsToPixelsX(2500)));
    QCOMPARE(m_w->dbgMovie()->ColumnWidth(1, 7), shell::PixelsToTwipsX(shell::TwipsToPixelsX(3000)));
    m_w->dbgMovie()->SetColumnWidth(1, 3, 2000);
    m_w->findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();

    QSettings s(iniPath(), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("Settings"));
    QCOMPARE(s.childKeys().size(), 20);
    QCOMPARE(s.value(QStringLiteral("H5")).toString(), shell::SingleText(m_w->dbgMovie()->ColumnWidth(1, 3)));
    QVERIFY(!s.value(QStringLiteral("H02")).toString().contains(QLatin1Char(' ')));

    // A new window comes back exactly as the last one closed.
    const QSize size = m_w->size();
    const double h5 = m_w->dbgMovie()->ColumnWidth(1, 3);
    m_w.reset();
    load();
    QCOMPARE(m_w->size(), size);
    QCOMPARE(m_w->dbgMovie()->ColumnWidth(1, 3), h5);
}

void TestCommands::minimisedCloseSavesNothing()
{
    load();
    m_w->showMinimized();
    QTRY_VERIFY(m_w->isMinimized());
    m_w->close();
    QVERIFY(!QFile::exists(iniPath()));
    // A second instance that handed over writes nothing either.
    QVERIFY(iniValue(QStringLiteral("ML01")).isEmpty());
}

void TestCommands::menusInOrder()
{
    load();
    QStringList menus;
    for (QAction* a : m_w->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Reports"), QStringLiteral("&Sorting"),
                                 QStringLiteral("&Help")}));
    QStringList file;
    for (QAction* a : m_w->findChild<QMenu*>(QStringLiteral("mnuFile"))->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(file.join(QLatin1Char('|')),
             QStringLiteral("New &Movie|&Edit Movie|-|Delete &Resources|-|&View Actors|-|E&xit"));
    QStringList help;
    for (QAction* a : m_w->findChild<QMenu*>(QStringLiteral("mnuHelp"))->actions())
        help << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(help.join(QLatin1Char('|')), QStringLiteral("&Contents|&Search For Help On...|-|&About "));
    QCOMPARE(m_w->findChild<QToolButton*>(QStringLiteral("cmdDelete"))->toolTip(),
             QStringLiteral("Deleted Current Movie"));
}

void TestCommands::everyCommandOpensItsWindow_data()
{
    QTest::addColumn<QString>("command"); // a button or a menu item
    QTest::addColumn<QString>("window");
    QTest::newRow("cmdNew") << QStringLiteral("cmdNew") << QStringLiteral("frmMovieAdd");
    QTest::newRow("mnuNewMovie") << QStringLiteral("mnuNewMovie") << QStringLiteral("frmMovieAdd");
    QTest::newRow("cmdEdit") << QStringLiteral("cmdEdit") << QStringLiteral("frmMovieAdd");
    QTest::newRow("mnuEditExisting") << QStringLiteral("mnuEditExisting") << QStringLiteral("frmMovieAdd");
    QTest::newRow("cmdActorList") << QStringLiteral("cmdActorList") << QStringLiteral("frmActorList");
    QTest::newRow("mnuActors") << QStringLiteral("mnuActors") << QStringLiteral("frmActorList");
    QTest::newRow("cmdRemove") << QStringLiteral("cmdRemove") << QStringLiteral("frmRemoveResource");
    QTest::newRow("mnuResources") << QStringLiteral("mnuResources") << QStringLiteral("frmRemoveResource");
    QTest::newRow("cmdReports") << QStringLiteral("cmdReports") << QStringLiteral("frmReportPick");
    QTest::newRow("mnuHelpAbout") << QStringLiteral("mnuHelpAbout") << QStringLiteral("frmAbout");
}

void TestCommands::everyCommandOpensItsWindow()
{
    QFETCH(QString, command);
    QFETCH(QString, window);
    load();
    QStringList opened;
    shell::SetModalHandler([&](QWidget* w) {
        opened << w->objectName();
        QCOMPARE(w->parentWidget(), m_w.get());
        w->close();
    });
    if (auto* button = m_w->findChild<QToolButton*>(command))
        button->click();
    else
        m_w->findChild<QAction*>(command)->trigger();
    QCOMPARE(opened, QStringList{window});
}

void TestCommands::reportItemsWriteReports()
{
    QTemporaryDir desktop;
    ReportModule::SetDesktopFolder(desktop.path());
    load();
    testing::ScriptedMessages boxes;
    m_w->findChild<QAction*>(QStringLiteral("mnuYear"))->trigger();
    QVERIFY(QFile::exists(desktop.filePath(QStringLiteral("Year.html"))));
    m_w->findChild<QAction*>(QStringLiteral("mnuMovieTitle"))->trigger();
    QVERIFY(QFile::exists(desktop.filePath(QStringLiteral("Movie Title.html"))));
    QCOMPARE(boxes.count(), 2);
    QVERIFY(!QApplication::overrideCursor()); // the hourglass is gone again
    ReportModule::SetDesktopFolder(QString());
}

void TestCommands::newAfterSelectionOpensEmptyEditor()
{
    load();
    m_w->dbgMovie()->SetRow(1);
    QCOMPARE(shell::CurrentMovieTitle(), QStringLiteral("Brazil"));
    QString title = QStringLiteral("unset");
    shell::SetModalHandler([&](QWidget* w) {
        title = w->findChild<QLineEdit*>(QStringLiteral("txtMovieTitle"))->text();
        w->close();
    });
    m_w->findChild<QToolButton*>(QStringLiteral("cmdNew"))->click();
    QCOMPARE(title, QString());
    m_w->findChild<QToolButton*>(QStringLiteral("cmdEdit"))->click();
    QCOMPARE(title, QString()); // New emptied the shared title; the grid has not moved since
    m_w->Form_Activate();
    m_w->findChild<QToolButton*>(QStringLiteral("cmdEdit"))->click();
    QCOMPARE(title, QStringLiteral("Brazil"));
}

void TestCommands::help()
{
    load();
    testing::ScriptedMessages boxes;
    shell::App::SetHelpFile(QString());
    m_w->findChild<QAction*>(QStringLiteral("mnuHelpContents"))->trigger();
    m_w->findChild<QAction*>(QStringLiteral("mnuHelpSearchForHelpOn"))->trigger();
    QCOMPARE(boxes.count(), 2);
    QCOMPARE(boxes.last().text,
             QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."));
    QCOMPARE(boxes.last().title, QStringLiteral("Cinevault - Reelkeeper"));
    QCOMPARE(boxes.last().icon(), int(shell::vbInformation));

    shell::App::SetHelpFile(m_cat->dir() + QStringLiteral("/missing.html"));
    m_w->findChild<QAction*>(QStringLiteral("mnuHelpContents"))->trigger();
    QVERIFY(boxes.last().text.contains(QStringLiteral("missing.html")));
    QCOMPARE(boxes.last().title, QStringLiteral("Reelkeeper"));

    shell::App::SetHelpFile(QStringLiteral(REELKEEPER_HELP));
    m_w->findChild<QAction*>(QStringLiteral("mnuHelpSearchForHelpOn"))->trigger();
    auto* viewer = m_w->findChild<shell::HelpViewer*>();
    QVERIFY(viewer && viewer->isVisible());
    QVERIFY(viewer->Browser()->toPlainText().contains(QStringLiteral("Contents")));
    QVERIFY(viewer->Find(QStringLiteral("Delete Resources")));
    QCOMPARE(boxes.count(), 3);
    viewer->close();
    shell::App::SetHelpFile(QString());
}

void TestCommands::aboutBox()
{
    shell::frmAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Cinevault - Reelkeeper"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Reelkeeper"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version ") + QStringLiteral(REELKEEPER_VERSION));

    // No viewer anywhere: the message, and the box stays.
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir bin;
    qputenv("PATH", bin.path().toUtf8());
    testing::ScriptedMessages boxes;
    about.show();
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    QCOMPARE(boxes.last().title, QStringLiteral("Reelkeeper"));
    QCOMPARE(boxes.last().icon(), 0);
    QVERIFY(about.isVisible());

    // A viewer on the PATH is started and left running on its own.
    const QString viewer = bin.filePath(shell::frmAbout::CommonViewers().constLast());
    const QString mark = bin.filePath(QStringLiteral("started"));
    QFile script(viewer);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QByteArray("#!/bin/sh\n/usr/bin/touch '") + mark.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
    QTRY_VERIFY(QFile::exists(mark));
    QCOMPARE(boxes.count(), 1);
    qputenv("PATH", path);
}

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
