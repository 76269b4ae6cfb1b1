// The main window's menus: the four of its own and the Collection menu the features fill.
#include "main_window/frmMain.h"

#include "catalog/MovieColumns.h"
#include "reports/ReportModule.h"
#include "shell/ErrorReport.h"
#include "shell/Hub.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>

namespace main_window {

namespace {

struct SortItem
{
    const char* name;
    const char* caption;
};
constexpr std::array<SortItem, 15> kSortItems{{
    {"mnuSortMovieTitle", "By Movie Title"},
    {"mnuSortDirector", "By Director"},
    {"mnuSortProducer", "By Producer"},
    {"mnuSortWriter", "By Writer"},
    {"mnuSortScreenwriter", "By Screenwriter"},
    {"mnuSortComposer", "By Composer"},
    {"mnuSortExecutiveProducer", "By Executive Producer"},
    {"mnuSortCinematographer", "By Cinematographer"},
    {"mnuSortGenre", "By Genre"},
    {"mnuSortStudio", "By Studio"},
    {"mnuSortFormat", "By Format"},
    {"mnuSortLength", "By Length"},
    {"mnuSortYear", "By Year"},
    {"mnuSortGrade", "By Grade"},
    {"mnuSortRating", "By Rating"},
}};

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

void frmMain::buildMenus()
{
    auto item = [this](QMenu* menu, const char* caption, const char* name, auto&& command) {
        QAction* action = menu->addAction(L(caption));
        action->setObjectName(L(name));
        connect(action, &QAction::triggered, this, [command] { shell::Guarded(command); });
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(L(name)); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    item(file, "New &Movie", "mnuNewMovie", [this] { cmdNew_Click(); });
    item(file, "&Edit Movie", "mnuEditExisting", [this] { cmdEdit_Click(); });
    separator(file, "mnuSkip");
    item(file, "Delete &Resources", "mnuResources", [this] { cmdRemove_Click(); });
    separator(file, "mnuSep");
    item(file, "&View Actors", "mnuActors", [this] { cmdActorList_Click(); });
    separator(file, "mnuLine");
    item(file, "E&xit", "mnuExit", [this] { mnuExit_Click(); });

    QMenu* reportsMenu = menuBar()->addMenu(QStringLiteral("&Reports"));
    reportsMenu->setObjectName(QStringLiteral("mnuReports"));
    const std::pair<const char*, const char*> names[] = {
        {"&Movie Title", "mnuMovieTitle"}, {"&Actor", "mnuActor"},   {"&Director", "mnuDirector"},
        {"&Composer", "mnuComposer"},      {"&Year", "mnuYear"},     {"&Genre", "mnuGenre"},
        {"&Widescreen", "mnuWidescreen"},  {"&Studio", "mnuStudio"},
    };
    void (*const procedures[])() = {
        &ReportModule::PrintMovieTitleReport, &ReportModule::PrintActorReport,  &ReportModule::PrintDirectorReport,
        &ReportModule::PrintComposerReport,   &ReportModule::PrintYearReport,   &ReportModule::PrintGenreReport,
        &ReportModule::PrintWidescreenReport, &ReportModule::PrintStudioReport,
    };
    for (std::size_t i = 0; i < std::size(names); ++i) {
        void (*report)() = procedures[i];
        item(reportsMenu, names[i].first, names[i].second, [this, report] { RunReport(report); });
    }

    QMenu* sort = menuBar()->addMenu(QStringLiteral("&Sorting"));
    sort->setObjectName(QStringLiteral("mnuSort"));
    // One group, so the style draws a mark on the current order alone and no empty boxes.
    auto* orders = new QActionGroup(sort);
    orders->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (std::size_t i = 0; i < kSortItems.size(); ++i) {
        const int column = int(i);
        QAction* action = item(sort, kSortItems[i].caption, kSortItems[i].name, [this, column] { SortBy(column); });
        action->setCheckable(true);
        orders->addAction(action);
        m_sortItems[i] = action;
    }
    SortGrid();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    item(help, "&Contents", "mnuHelpContents", [this] { mnuHelpContents_Click(); });
    item(help, "&Search For Help On...", "mnuHelpSearchForHelpOn", [this] { mnuHelpSearchForHelpOn_Click(); });
    separator(help, "mnuDash");
    item(help, "&About ", "mnuHelpAbout", [this] { mnuHelpAbout_Click(); });

    // What the features add, in their order.
    for (const shell::CollectionItem& added : shell::CollectionItems()) {
        if (added.separatorBefore && !CollectionMenu()->isEmpty())
            separator(CollectionMenu(), qPrintable(added.name + QStringLiteral("Line")));
        QAction* action = CollectionMenu()->addAction(added.caption);
        action->setObjectName(added.name);
        connect(action, &QAction::triggered, this, [this, run = added.run] { shell::Guarded([&] { run(*this); }); });
    }
}

QMenu* frmMain::CollectionMenu()
{
    if (!m_collection) {
        m_collection = new QMenu(QStringLiteral("&Collection"), menuBar());
        m_collection->setObjectName(QStringLiteral("mnuCollection"));
        menuBar()->insertMenu(menuBar()->findChild<QMenu*>(QStringLiteral("mnuHelp"))->menuAction(), m_collection);
    }
    return m_collection;
}

void frmMain::SortBy(int column)
{
    m_sortColumn = column;
    SortGrid();
    dbgMovie_HeadClick(column);
}

void frmMain::SortGrid()
{
    for (QAction* item : m_sortItems)
        item->setChecked(false);
    if (m_sortColumn >= 0 && m_sortColumn < int(m_sortItems.size()))
        m_sortItems[std::size_t(m_sortColumn)]->setChecked(true);
}

} // namespace main_window
