#include "main_window/frmMain.h"

#include "cast/frmActorInfo.h"
#include "cast/frmActorList.h"
#include "catalog/MovieColumns.h"
#include "find/FindBox.h"
#include "main_window/ButtonPictures.h"
#include "main_window/DataControl.h"
#include "main_window/DeleteMovie.h"
#include "main_window/FindMovies.h"
#include "main_window/MovieGrid.h"
#include "movie_editor/frmMovieAdd.h"
#include "reports/ReportModule.h"
#include "reports/frmReportPick.h"
#include "resources/frmRemoveResource.h"
#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "shell/HelpViewer.h"
#include "shell/Hub.h"
#include "shell/Settings.h"
#include "shell/SingleInstance.h"
#include "shell/Toolkit.h"
#include "shell/frmAbout.h"
#include "store/Catalogue.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace main_window {

using catalog::ColumnCaption;
using catalog::ColumnField;
using catalog::kMovieColumns;
using catalog::kWidescreenColumn;

namespace {

constexpr double kSectionsTop = 1230; // the features' sections of the panel, under the grade
constexpr double kStarringTop = 1980; // where "Starring:" stands when the sections take their usual room
constexpr double kPanelFoot = 120;    // the panel's frame below the cast list
// What the sections leave free above the panel's foot: "Starring:" and three lines of the cast.
constexpr double kStarringRoom = 300 + 3 * 240;

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A label that fills its own background repaints alone when its text changes; a see-through one
    // has the panel and the window beneath it repainted too, at every row change. Its colour is the
    // panel's (matchLabelsToPanel).
    label->setAutoFillBackground(true);
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
    m_lblStarringCaption = makeLabel(m_info, QStringLiteral("Label4"), QStringLiteral("Starring:"));
    place(m_lblStarringCaption, 120, kStarringTop, 1300, 255);
    m_lblYear = makeLabel(m_info, QStringLiteral("lblYear"), QStringLiteral("lblYear"));
    m_lblTime = makeLabel(m_info, QStringLiteral("lblTime"), QStringLiteral("lblTime"));
    m_lblGrade = makeLabel(m_info, QStringLiteral("lblGrade"), QStringLiteral("lblGrade"));
    m_lblStarring = makeLabel(m_info, QStringLiteral("lblStarring"), QStringLiteral("lblStarring"));
    place(m_lblYear, 1440, 300, 1320, 255);
    place(m_lblTime, 1440, 600, 1320, 255);
    place(m_lblGrade, 1440, 900, 1320, 255);
    place(m_lblStarring, 120, kStarringTop + 300, 2640, 1500);
    for (const shell::PanelSectionMaker& make : shell::PanelSections())
        m_sections.push_back(make(m_info, *this, [this] { placeSections(); }));
    placeSections();
    matchLabelsToPanel();

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

// The style may shade a group box's inside (Fusion does): the labels take the colour of the panel
// drawn without them.
void frmMain::matchLabelsToPanel()
{
    QImage panel(m_info->size().expandedTo(QSize(16, 16)), QImage::Format_ARGB32_Premultiplied);
    panel.fill(palette().color(QPalette::Window));
    m_info->render(&panel, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QColor inside = panel.pixelColor(panel.width() / 2, panel.height() / 2);
    for (QLabel* label : m_info->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, inside);
        label->setPalette(colours);
    }
}

bool frmMain::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
        matchLabelsToPanel();
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
    // The grid's connection outlives a file moved or deleted under it; every other command would
    // find it gone.
    store::RefuseUnusable(m_data->DatabaseName());
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
        placeSections();
    }
    shell::Guarded([this] { SelectMovie(); });
}

// The features' sections stand one under another beneath the grade, then "Starring:"; the cast list
// below gives way to a section that takes more than its usual room (a cover), yet "Starring:" and the
// first lines of the cast stay inside the panel, a longer cast shortened to "...".
void frmMain::placeSections()
{
    const QRectF info = m_twips.value(m_info);
    const double foot = info.height() - kPanelFoot;
    double top = kSectionsTop;
    for (const auto& section : m_sections)
        top += section->Place(top, 2640, qMax(0.0, qMin(info.height() / 2 - 600, foot - kStarringRoom - top)));
    const double shift = qMax(0.0, top - kStarringTop);
    place(m_lblStarringCaption, 120, qMax(top, kStarringTop), 1300, 255);
    QRectF starring = m_twips.value(m_lblStarring);
    starring.moveTop(kStarringTop + 300 + shift);
    if (shift > 0)
        starring.setHeight(qMax(0.0, foot - starring.top()));
    else if (info.height() > 3101)
        starring.setHeight(info.height() - 3100);
    setTwips(m_lblStarring, starring);
    showStarring(m_lblStarring->property("rawText").toString());
}

void frmMain::showStarring(const QString& starring)
{
    m_lblStarring->setProperty("rawText", starring);
    // A label breaks lines at LF; the CR stays in the stored text.
    QStringList names = starring.split(shell::kCrLf, Qt::SkipEmptyParts);
    const int fit = int(shell::TwipsToPixelsY(m_twips.value(m_lblStarring).height())) /
                    qMax(1, m_lblStarring->fontMetrics().lineSpacing());
    const bool cut = names.size() > qMax(1, fit);
    if (cut)
        names = names.first(qMax(0, fit - 1)) << QStringLiteral("...");
    QString shown;
    for (const QString& name : std::as_const(names))
        shown += name + QLatin1Char('\n');
    m_lblStarring->setText(shown);
    m_lblStarring->setToolTip(cut ? QString(starring).remove(QLatin1Char('\r')).trimmed() : QString());
}

void frmMain::SelectMovie()
{
    m_grid->SetCol(0);
    shell::CurrentMovieTitle() = m_grid->Text();
    shell::CurrentMovieId() = qMax<qint64>(0, CurrentMovieId());
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
        showStarring(QString());
        for (const auto& section : m_sections)
            section->Show(m_data->Database(), -1);
        return;
    }
    set.SetAbsolutePosition(row);
    m_txtStatus->setText(QStringLiteral("Record ") + QString::number(set.AbsolutePosition() + 1) +
                         QStringLiteral(" of ") + QString::number(qint64(m_recordTotal)));
    m_lblYear->setText(set.Value(QStringLiteral("Year_Released")).toString());
    m_lblGrade->setText(set.Value(QStringLiteral("Grade")).toString());
    m_lblTime->setText(set.Value(QStringLiteral("Length")).toString());

    // Read on the grid's own connection: a row change opens none of its own.
    const store::Connection& db = m_data->Database();
    const qint64 movieId = set.Value(QStringLiteral("Movie_ID")).toLongLong();
    for (const auto& section : m_sections)
        section->Show(db, movieId);
    store::Recordset cast(db, QStringLiteral("SELECT [Actor] FROM qry_Actor_Movie_Join WHERE [Movie_ID] = ?"),
                          {set.Value(QStringLiteral("Movie_ID"))});
    QString starring;
    for (; !cast.Eof(); cast.MoveNext())
        starring += cast.Value(QStringLiteral("Actor")).toString() + shell::kCrLf;
    cast.Close();
    showStarring(starring);
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

void frmMain::cmdNew_Click()
{
    shell::CurrentMovieTitle().clear(); // an empty title makes the editor add
    shell::CurrentMovieId() = 0;
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

qint64 frmMain::CurrentMovieId() const
{
    if (!m_data->IsOpen())
        return -1;
    store::Recordset& set = m_data->Recordset();
    const int row = m_grid->Row();
    return row >= 0 && row < set.RecordCount() ? set.At(row, set.ColumnIndex(QStringLiteral("Movie_ID"))).toLongLong()
                                               : -1;
}

std::optional<std::vector<qint64>> frmMain::FoundMovieIds()
{
    if (!m_data->IsOpen() || !m_txtFind || m_txtFind->text().trimmed().isEmpty())
        return std::nullopt;
    store::Recordset& set = m_data->Recordset();
    const int column = set.ColumnIndex(QStringLiteral("Movie_ID"));
    std::vector<qint64> ids;
    ids.reserve(std::size_t(set.RecordCount()));
    for (qint64 row = 0; row < set.RecordCount(); ++row)
        ids.push_back(set.At(row, column).toLongLong());
    return ids;
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
