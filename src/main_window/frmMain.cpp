#include "main_window/frmMain.h"

#include "cast/frmActorInfo.h"
#include "cast/frmActorList.h"
#include "catalog/Clock.h"
#include "covers/CoverView.h"
#include "covers/CoverWidgets.h"
#include "exchange/ImportWindows.h"
#include "find/FindBox.h"
#include "loans/LoanStore.h"
#include "loans/frmLend.h"
#include "loans/frmLoans.h"
#include "main_window/ButtonPictures.h"
#include "main_window/DataControl.h"
#include "main_window/DeleteMovie.h"
#include "main_window/FindMovies.h"
#include "main_window/MovieColumns.h"
#include "main_window/MovieGrid.h"
#include "movie_editor/frmMovieAdd.h"
#include "reports/ReportModule.h"
#include "reports/frmReportPick.h"
#include "resources/frmRemoveResource.h"
#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "shell/HelpViewer.h"
#include "shell/Settings.h"
#include "shell/SingleInstance.h"
#include "shell/Toolkit.h"
#include "shell/frmAbout.h"
#include "statistics/frmStatistics.h"
#include "store/Catalogue.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace main_window {

namespace {

constexpr double kLoanLines = 720; // the loan's text under the grade moves the cover and the cast down

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

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), m_data(new DataControl(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(shell::kAppCaption);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont font = shell::WindowFont(9);
    font.setPointSize(9);
    setFont(font);
    buildControls();
    buildMenus();
    shell::FitCaptions(this);
    // The editor's "&Add Actors" opens the cast editor over the editor.
    movie_editor::frmMovieAdd::SetAddActorsCommand(
        [](QWidget* owner) { shell::ShowModal(new cast::frmActorInfo(owner), owner); });
}

frmMain::~frmMain() = default;

void frmMain::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_client);

    m_frame1 = new QFrame(m_client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::Panel);
    m_frame1->setFrameShadow(QFrame::Raised);
    m_frame2 = new QFrame(m_client);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFrameShape(QFrame::Panel);
    m_frame2->setFrameShadow(QFrame::Raised);
    place(m_frame1, 0, 0, 2400, 780);
    place(m_frame2, 2400, 0, 2640, 780); // on to cmdReports and the same margin past it

    makeButton(QStringLiteral("cmdNew"), QStringLiteral("Add A New Movie"), ButtonPicture::New, 120);
    makeButton(QStringLiteral("cmdEdit"), QStringLiteral("Edit Currently Selected Movie"), ButtonPicture::Edit, 720);
    makeButton(QStringLiteral("cmdActorList"), QStringLiteral("View Actor List"), ButtonPicture::ActorList, 1320);
    makeButton(QStringLiteral("cmdRemove"), QStringLiteral("Delete Resources"), ButtonPicture::Remove, 2520);
    makeButton(QStringLiteral("cmdDelete"), QStringLiteral("Deleted Current Movie"), ButtonPicture::Delete, 3120);
    makeButton(QStringLiteral("cmdReports"), QStringLiteral("Print Reports"), ButtonPicture::Reports, 4320);
    // Find as you type: the list narrows with every keystroke.
    m_txtFind = new find::FindBox(m_client, 5100, 210);
    // The search runs once the keys already typed are in, so keys typed while a slow search runs
    // are searched for together rather than one after another.
    m_findLater = new QTimer(this);
    m_findLater->setSingleShot(true);
    m_findLater->setInterval(0);
    connect(m_findLater, &QTimer::timeout, this, [this] { FindMovies(*this, m_txtFind->text()); });
    connect(m_txtFind, &QLineEdit::textChanged, m_findLater, qOverload<>(&QTimer::start));
    connect(m_txtFind, &find::FindBox::LeaveToList, this, [this] { m_grid->Split(0)->setFocus(); });

    m_frame = new QGroupBox(QStringLiteral("Movie Information"), m_client);
    m_frame->setObjectName(QStringLiteral("Frame"));
    m_grid = new MovieGrid(m_client);
    m_grid->SetModel(m_data);
    place(m_frame, 120, 840, 3300, 4900);
    place(m_grid, 240, 1080, 3000, 4500);

    m_info = new QGroupBox(QStringLiteral("Quick Info:"), m_client);
    m_info->setObjectName(QStringLiteral("frmInfo"));
    place(m_info, 3500, 840, 2880, 4900);
    place(makeLabel(m_info, QStringLiteral("Label1"), QStringLiteral("Year:")), 120, 300, 1300, 255);
    place(makeLabel(m_info, QStringLiteral("Label2"), QStringLiteral("Running Time:")), 120, 600, 1300, 255);
    place(makeLabel(m_info, QStringLiteral("Label3"), QStringLiteral("Grade:")), 120, 900, 1300, 255);
    place(makeLabel(m_info, QStringLiteral("Label4"), QStringLiteral("Starring:")), 120, 1260 + kLoanLines, 1300, 255);
    m_lblYear = makeLabel(m_info, QStringLiteral("lblYear"), QStringLiteral("lblYear"));
    m_lblTime = makeLabel(m_info, QStringLiteral("lblTime"), QStringLiteral("lblTime"));
    m_lblGrade = makeLabel(m_info, QStringLiteral("lblGrade"), QStringLiteral("lblGrade"));
    m_lblStarring = makeLabel(m_info, QStringLiteral("lblStarring"), QStringLiteral("lblStarring"));
    place(m_lblYear, 1440, 300, 1320, 255);
    place(m_lblTime, 1440, 600, 1320, 255);
    place(m_lblGrade, 1440, 900, 1320, 255);
    place(m_lblStarring, 120, 1560 + kLoanLines, 2640, 1500);
    m_lblLoan = makeLabel(m_info, QStringLiteral("lblLoan"), QString());
    m_lblLoan->setTextFormat(Qt::PlainText); // a borrower's name is never markup
    m_lblLoan->setWordWrap(true);
    place(m_lblLoan, 120, 1230, 2640, kLoanLines - 30);
    auto* lend = m_cmdLend = new QPushButton(QStringLiteral("Lend..."), m_info);
    lend->setObjectName(QStringLiteral("cmdLend"));
    lend->setToolTip(QStringLiteral("Lend the selected movie"));
    place(lend, 1920, 850, 840, 330); // over the grade's empty end: a grade has at most three characters
    lend->raise();
    // The same button returns a movie that is out.
    connect(lend, &QPushButton::clicked, this, [this] {
        shell::Guarded([this] {
            if (loans::CurrentLoan(store::OpenDatabase(), CurrentMovieId()))
                mnuReturn_Click();
            else
                mnuLend_Click();
        });
    });
    m_cover = new covers::PanelCover(m_info);
    connect(m_cover, &covers::PanelCover::Changed, this, [this] { placeCover(); });

    m_txtStatus = new QLineEdit(m_client);
    m_txtStatus->setObjectName(QStringLiteral("txtStatus"));
    m_txtStatus->setReadOnly(true);
    place(m_txtStatus, 120, 5780, 3000, 315);

    const std::pair<const char*, void (frmMain::*)()> commands[] = {
        {"cmdNew", &frmMain::cmdNew_Click},       {"cmdEdit", &frmMain::cmdEdit_Click},
        {"cmdDelete", &frmMain::cmdDelete_Click}, {"cmdActorList", &frmMain::cmdActorList_Click},
        {"cmdRemove", &frmMain::cmdRemove_Click}, {"cmdReports", &frmMain::cmdReports_Click},
    };
    for (const auto& [name, slot] : commands) {
        auto* button = m_client->findChild<QToolButton*>(L(name));
        connect(button, &QToolButton::clicked, this,
                [this, slot] { shell::Guarded([this, slot] { (this->*slot)(); }); });
    }
    connect(m_grid, &MovieGrid::RowColChange, this, [this] { shell::Guarded([this] { dbgMovie_RowColChange(); }); });
    connect(m_grid, &MovieGrid::HeadClick, this,
            [this](int c) { shell::Guarded([this, c] { dbgMovie_HeadClick(c); }); });
    connect(m_grid, &MovieGrid::DblClick, this, [this] { cmdEdit_Click(); });
    connect(m_grid, &MovieGrid::KeyDown, this, [this](int key, int) {
        if (key == 46)
            cmdDelete_Click();
    });
}

QToolButton* frmMain::makeButton(const QString& name, const QString& tip, ButtonPicture picture, double left)
{
    auto* button = new QToolButton(m_client);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setIcon(ButtonIcon(picture));
    button->setIconSize(QSize(shell::TwipsToPixelsX(420), shell::TwipsToPixelsY(420)));
    button->setAutoRaise(false);
    place(button, left, 90, 600, 600);
    button->raise();
    return button;
}

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

    item(CollectionMenu(), "&Statistics...", "mnuStatistics", [this] { mnuStatistics_Click(); });
    item(CollectionMenu(), "&Import...", "mnuImport", [this] {
        if (exchange::ImportInteractive(this))
            Form_Activate(); // the grid re-read
    });
    item(CollectionMenu(), "E&xport...", "mnuExport", [this] { exchange::ExportInteractive(this); });
    separator(CollectionMenu(), "mnuLoanLine");
    item(CollectionMenu(), "&Lend...", "mnuLend", [this] { mnuLend_Click(); });
    item(CollectionMenu(), "&Return", "mnuReturn", [this] { mnuReturn_Click(); });
    item(CollectionMenu(), "L&oans...", "mnuLoans", [this] { mnuLoans_Click(); });
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

void frmMain::place(QWidget* control, double left, double top, double width, double height)
{
    setTwips(control, QRectF(left, top, width, height));
}

void frmMain::setTwips(QWidget* control, const QRectF& r)
{
    m_twips.insert(control, r);
    shell::PlaceTwips(control, r.left(), r.top(), r.width(), r.height());
}

double frmMain::WidthTwips() const
{
    return shell::PixelsToTwipsX(width());
}
double frmMain::HeightTwips() const
{
    return shell::PixelsToTwipsY(height());
}

namespace {
const QString kSettings = QStringLiteral("Settings");
QString columnKey(int column)
{
    return QStringLiteral("H") + QString::number(column + 2);
}
} // namespace

void frmMain::restoreSettings()
{
    const QString app = shell::App::Title();
    auto get = [&](const QString& key, float fallback) {
        return shell::GetSingleSetting(app, kSettings, key, fallback);
    };
    const double left = get(QStringLiteral("ML01"), 1000);
    const double top = get(QStringLiteral("MT01"), 1000);
    const double width = get(QStringLiteral("MW01"), 6500);
    const double height = get(QStringLiteral("MH01"), 6500);
    // Left, top, width and height are the whole window's, frame and caption included.
    const QRect place = shell::VisibleGeometryTwips(QRectF(left, top, width, height));
    move(place.topLeft());
    m_wholeSize = place.size();
    resize(place.size() - frameSize() + size()); // no frame yet: the inside stands in until fitFrame
    fitFrame();
    m_grid->SetColumnWidth(0, 0, get(QStringLiteral("H02"), 2500));
    for (int c = 1; c < int(kMovieColumns.size()); ++c)
        m_grid->SetColumnWidth(1, c, get(columnKey(c), 1545));
}

void frmMain::saveSettings()
{
    std::vector<std::pair<QString, QString>> values;
    auto save = [&](const QString& key, double twips) { values.emplace_back(key, shell::SingleText(twips)); };
    save(QStringLiteral("ML01"), shell::PixelsToTwipsX(pos().x()));
    save(QStringLiteral("MT01"), shell::PixelsToTwipsY(pos().y()));
    save(QStringLiteral("MW01"), shell::PixelsToTwipsX(frameSize().width()));
    save(QStringLiteral("MH01"), shell::PixelsToTwipsY(frameSize().height()));
    save(QStringLiteral("H02"), m_grid->ColumnWidth(0, 0));
    for (int c = 1; c < int(kMovieColumns.size()); ++c)
        save(columnKey(c), m_grid->ColumnWidth(1, c));
    shell::SaveSettings(shell::App::Title(), kSettings, values);
}

bool frmMain::Form_Load()
{
    if (shell::App::PrevInstance() && shell::ActivatePreviousInstance()) {
        m_unwanted = true;
        return false;
    }
    restoreSettings();

    QRectF grid = m_twips.value(m_grid);
    grid.setHeight(HeightTwips() - 2000);
    setTwips(m_grid, grid);
    QRectF frame = m_twips.value(m_frame);
    frame.setHeight(grid.height() + 400);
    setTwips(m_frame, frame);

    m_data->SetDatabaseName(store::CataloguePath());
    // The grid follows the fresh result set, which stands on its first row.
    if (m_data->rowCount() > 0)
        m_grid->SetRow(0);
    return true;
}

// The window manager puts its frame around the window some time after it is shown, and says how
// wide the frame is only then; from that moment the inside is made the whole size less the frame.
void frmMain::fitFrame()
{
    if (!m_wholeSize.isValid() || !isVisible())
        return;
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        m_wholeSize = QSize(); // the window manager decides the size
        return;
    }
    const QSize frame = frameSize() - size();
    if (frame.isNull())
        return; // not framed yet, or never: then the inside is the whole
    const QSize inside = m_wholeSize - frame;
    m_wholeSize = QSize();
    resize(inside);
}

bool frmMain::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::WindowStateChange:
        fitFrame();
        break;
    default:
        break;
    }
    if (event->type() == QEvent::WindowActivate && m_data->IsOpen()) {
        try {
            Form_Activate();
        } catch (const store::StoreError& e) {
            // Every later activation would fail the same way: told once, the program ends as on Exit.
            m_data->Close();
            shell::ShowStoreError(e);
            Form_Unload(); // not close(): the last window's quit would end the program with success
            QCoreApplication::exit(1);
        }
    }
    return handled;
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Activate()
{
    const bool hadTitle = !shell::CurrentMovieTitle().isEmpty();
    store::Recordset& set = m_data->Recordset();
    QVariant mark;
    if (set.RecordCount() > 0 && m_grid->Row() >= 0) {
        set.SetAbsolutePosition(m_grid->Row());
        mark = set.Bookmark();
    }
    m_data->Requery();
    if (set.RecordCount() > 0) {
        if (mark.isValid())
            set.SetBookmark(mark);
        const qint64 row = qMax<qint64>(0, set.AbsolutePosition());
        if (row == m_grid->Row())
            dbgMovie_RowColChange(); // same row, fresh values
        else
            m_grid->SetRow(int(row));
    } else {
        dbgMovie_RowColChange();
    }
    SelectMovie();
    if (hadTitle)
        m_grid->Refresh();
    emit Activated();
}

void frmMain::Form_Resize()
{
    if (!m_grid)
        return;
    const double w = WidthTwips();
    const double h = HeightTwips();
    QRectF grid = m_twips.value(m_grid);
    if (w > 3501) {
        grid.setWidth(w - 3500);
        setTwips(m_grid, grid);
        QRectF frame = m_twips.value(m_frame);
        frame.setWidth(grid.width() + 300);
        setTwips(m_frame, frame);
        QRectF info = m_twips.value(m_info);
        info.moveLeft(grid.width() + 500);
        setTwips(m_info, info);
    }
    if (h > 2201) {
        grid.setHeight(h - 2200);
        setTwips(m_grid, grid);
        QRectF frame = m_twips.value(m_frame);
        frame.setHeight(grid.height() + 400);
        setTwips(m_frame, frame);
        QRectF status = m_twips.value(m_txtStatus);
        status.moveTop(grid.height() + grid.top() + 200);
        setTwips(m_txtStatus, status);
        QRectF info = m_twips.value(m_info);
        info.setHeight(grid.height() + 400);
        setTwips(m_info, info);
        placeCover();
    }
    SelectMovie();
}

// The cover stands above "Starring:" at the panel's width, and the cast list below it gives way; a
// tall one keeps half the panel for the cast.
void frmMain::placeCover()
{
    const QRectF info = m_twips.value(m_info);
    const double height = shell::PixelsToTwipsY(
        m_cover->View()->HeightAt(shell::TwipsToPixelsX(2640), shell::TwipsToPixelsY(info.height() / 2 - 600)));
    const double shift = height > 0 ? height + 60 : 0;
    place(m_cover->View(), 120, 1260 + kLoanLines, 2640, height);
    m_cover->View()->setVisible(height > 0);
    place(m_info->findChild<QLabel*>(QStringLiteral("Label4")), 120, 1260 + kLoanLines + shift, 1300, 255);
    QRectF starring = m_twips.value(m_lblStarring);
    starring.moveTop(1560 + kLoanLines + shift);
    if (shift > 0) // the cast list then reaches down to the panel's foot
        starring.setHeight(qMax(255.0, info.height() - 1680 - kLoanLines - shift));
    else if (info.height() > 3101)
        starring.setHeight(info.height() - 3100);
    setTwips(m_lblStarring, starring);
}

void frmMain::SelectMovie()
{
    m_grid->SetCol(0);
    shell::CurrentMovieTitle() = m_grid->Text();
}

void frmMain::dbgMovie_RowColChange()
{
    if (m_inRowChange || !m_data->IsOpen())
        return;
    m_inRowChange = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_inRowChange};

    SelectMovie();
    store::Recordset& set = m_data->Recordset();
    m_recordTotal = double(set.RecordCount());
    const int row = m_grid->Row();
    if (row < 0 || set.RecordCount() == 0) {
        m_txtStatus->setText(QString());
        m_lblYear->setText(QString());
        m_lblGrade->setText(QString());
        m_lblTime->setText(QString());
        m_lblStarring->setText(QString());
        m_lblLoan->setText(QString());
        m_lblLoan->setToolTip(QString());
        m_cover->Clear();
        m_cmdLend->setText(QStringLiteral("Lend..."));
        m_cmdLend->setEnabled(false); // nothing shown to lend
        return;
    }
    m_cmdLend->setEnabled(true);
    set.SetAbsolutePosition(row);
    m_txtStatus->setText(QStringLiteral("Record ") + QString::number(set.AbsolutePosition() + 1) +
                         QStringLiteral(" of ") + QString::number(qint64(m_recordTotal)));
    m_lblYear->setText(set.Value(QStringLiteral("Year_Released")).toString());
    m_lblGrade->setText(set.Value(QStringLiteral("Grade")).toString());
    m_lblTime->setText(set.Value(QStringLiteral("Length")).toString());

    const store::Connection db = store::OpenDatabase();
    const std::optional<loans::Loan> loan = loans::CurrentLoan(db, set.Value(QStringLiteral("Movie_ID")).toLongLong());
    m_lblLoan->setText(loan ? loans::LoanText(*loan) : QString());
    m_lblLoan->setToolTip(m_lblLoan->text()); // a long name is cut off by the panel
    m_cmdLend->setText(loan ? QStringLiteral("Return") : QStringLiteral("Lend..."));
    m_cmdLend->setToolTip(loan ? QStringLiteral("Mark the selected movie as returned")
                               : QStringLiteral("Lend the selected movie"));
    QPalette colours = m_info->palette();
    if (loan && loan->isOverdue(catalog::Today()))
        colours.setColor(QPalette::WindowText, QColor(192, 0, 0));
    m_lblLoan->setPalette(colours);
    m_cover->Show(db, set.Value(QStringLiteral("Movie_ID")).toLongLong());
    const QString title = set.Value(QStringLiteral("Movie_Title")).toString();
    store::Recordset cast(
        db, QStringLiteral("SELECT [Actor] FROM qry_Actor_Movie_Join ") + QStringLiteral("WHERE [Movie_Title] = ?"),
        {title});
    QString starring;
    for (; !cast.Eof(); cast.MoveNext())
        starring += cast.Value(QStringLiteral("Actor")).toString() + shell::kCrLf;
    cast.Close();
    // A label breaks lines at LF; the CR stays in the stored text.
    QString shown = starring;
    shown.remove(QLatin1Char('\r'));
    m_lblStarring->setText(shown);
    m_lblStarring->setProperty("rawText", starring);
    m_grid->Refresh();
}

void frmMain::dbgMovie_HeadClick(int column)
{
    m_data->SetRecordSource(QStringLiteral("Select * FROM [qry_Movie_Title] Order By ") + QStringLiteral("[") +
                            ColumnField(column) + QStringLiteral("]") + QStringLiteral(", [Movie_Title]"));
    // Re-opening runs the new statement already; a second run would only cost time.
    m_data->Refresh();
    if (m_data->Recordset().RecordCount() > 0) {
        if (m_grid->Row() == 0)
            dbgMovie_RowColChange();
        else
            m_grid->SetRow(0);
    }
    SelectMovie();
    m_sortColumn = column;
    SortGrid();
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

void frmMain::cmdNew_Click()
{
    shell::CurrentMovieTitle().clear(); // an empty title makes the editor add
    shell::ShowModal(new movie_editor::frmMovieAdd(this), this);
}

void frmMain::cmdEdit_Click()
{
    shell::ShowModal(new movie_editor::frmMovieAdd(this), this);
}

void frmMain::cmdDelete_Click()
{
    DeleteCurrentMovie(*this);
}

void frmMain::cmdActorList_Click()
{
    shell::ShowModal(new cast::frmActorList(this), this);
}

void frmMain::cmdRemove_Click()
{
    shell::ShowModal(new resources::frmRemoveResource(this), this);
}

void frmMain::cmdReports_Click()
{
    shell::ShowModal(new reports::frmReportPick(this), this);
}

void frmMain::RunReport(void (*report)())
{
    shell::SetMousePointer(11);
    const auto restore = qScopeGuard([] { shell::SetMousePointer(0); });
    report();
}

void frmMain::mnuHelpContents_Click()
{
    shell::WinHelp(this, shell::App::HelpFile(), shell::HelpViewer::HelpContents);
}

void frmMain::mnuHelpSearchForHelpOn_Click()
{
    shell::WinHelp(this, shell::App::HelpFile(), shell::HelpViewer::HelpPartialKey);
}

void frmMain::mnuHelpAbout_Click()
{
    shell::ShowModal(new shell::frmAbout(this), this);
}

void frmMain::mnuStatistics_Click()
{
    statistics::ShowStatistics([this](const QString& text) { SetFindText(text); });
}

void frmMain::mnuLend_Click()
{
    loans::LendMovie(this, CurrentMovieId());
    dbgMovie_RowColChange();
}

void frmMain::mnuReturn_Click()
{
    loans::ReturnMovie(CurrentMovieId());
    Form_Activate(); // a list narrowed to the movies out loses the one returned
}

void frmMain::mnuLoans_Click()
{
    shell::ShowModal(new loans::frmLoans(
                         CurrentMovieId(), [this](qint64 id) { SelectMovieById(id); }, this),
                     this);
    dbgMovie_RowColChange();
}

qint64 frmMain::CurrentMovieId() const
{
    if (!m_data->IsOpen())
        return -1;
    store::Recordset& set = m_data->Recordset();
    const int row = m_grid->Row();
    return row >= 0 && row < set.RecordCount() ? set.At(row, set.ColumnIndex(QStringLiteral("Movie_ID"))).toLongLong()
                                               : -1;
}

void frmMain::SelectMovieById(qint64 movieId)
{
    // By key: looking at every row would read every movie of the list.
    const auto rowOf = [&] {
        store::Recordset& set = m_data->Recordset();
        if (set.RecordCount() == 0)
            return -1;
        set.SetBookmark(movieId);
        return set.AbsolutePosition() >= 0 && set.Bookmark().toLongLong() == movieId ? int(set.AbsolutePosition()) : -1;
    };
    int row = rowOf();
    if (row < 0 && m_data->IsFiltered()) {
        m_txtFind->clear();
        findNow();
        row = rowOf();
    }
    if (row >= 0)
        m_grid->SetRow(row);
}

void frmMain::findNow()
{
    m_findLater->stop();
    FindMovies(*this, m_txtFind->text());
}

void frmMain::SetFindText(const QString& text)
{
    if (!m_txtFind)
        return;
    m_txtFind->setText(text);
    findNow();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void frmMain::Form_Unload()
{
    if (m_unloaded || m_unwanted)
        return;
    m_unloaded = true;
    m_data->Close();
    // Every other window of the program goes with the main window, the newest first.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (*it != this && (*it)->isVisible())
            (*it)->close();
    }
    // A minimised window saves nothing, so the last normal position stays.
    if (!isMinimized())
        saveSettings();
}

} // namespace main_window
