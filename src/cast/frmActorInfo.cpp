#include "cast/frmActorInfo.h"

#include "cast/ActorName.h"
#include "cast/FlexGrid.h"
#include "cast/frmActorAdd.h"
#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "shell/LazyList.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

namespace cast {

namespace {
const QString kNoActorToDelete = QStringLiteral("There is no actor to delete!");
const QString kErrorTitle = QStringLiteral("Error!");
const QString kActorNotFound = QStringLiteral("This actor is not in your library!");
const QString kMovieNotFound = QStringLiteral("This movie is not in your library!");

constexpr double kNumberWidth = 450;
constexpr double kCastNameWidth = 2242;

// "Ryan, Meg as Kate", or the name alone while no character is known.
QString castLine(const QString& actor, const QString& character)
{
    return character.isEmpty() ? actor : QStringLiteral("%1 as %2").arg(actor, character);
}

template <class F> auto guarded(F f)
{
    return [f] { shell::Guarded(f); };
}
} // namespace

frmActorInfo::frmActorInfo(QWidget* owner) : QDialog(owner)
{
    buildControls();
    shell::Guarded([this] { Form_Load(); });
}

QToolButton* frmActorInfo::makePictureButton(const QString& name, const QString& tip, int icon, double top)
{
    auto* button = new QToolButton(m_frame);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(icon)));
    button->setIconSize(QSize(shell::TwipsToPixelsX(300), shell::TwipsToPixelsY(300)));
    shell::PlaceTwips(button, 3300, top, 540, 480);
    return button;
}

void frmActorInfo::buildControls()
{
    setObjectName(QStringLiteral("frmActorInfo"));
    setWindowTitle(QStringLiteral("Actor Information"));
    setFixedSize(shell::TwipsToPixelsX(7560), shell::TwipsToPixelsY(5160));

    m_frame = new QGroupBox(QStringLiteral("Movie/Actor Information"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    shell::PlaceTwips(m_frame, 120, 60, 7320, 4500);

    m_cboMovie = new QComboBox(m_frame);
    m_cboMovie->setObjectName(QStringLiteral("cboMovie"));
    m_cboMovie->setEditable(true);
    // The box behaves as a plain list with an edit field: no completion, no items added by Enter.
    m_cboMovie->setCompleter(nullptr);
    m_cboMovie->setInsertPolicy(QComboBox::NoInsert);
    m_cboMovie->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Every title and every actor of the catalogue, read as the lists show them.
    m_titles =
        new shell::LazyList({QStringLiteral("SELECT [Movie_Title] FROM [tbl_Movie_Title] ORDER BY [Movie_Title]"),
                             QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"),
                             QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title] WHERE [Movie_Title] < ?")},
                            m_cboMovie);
    m_actors = new shell::LazyList({QStringLiteral("SELECT [Actor] FROM [qry_Actor] ORDER BY [Actor]"),
                                    QStringLiteral("SELECT count(*) FROM [tbl_Actor]"), ActorsBeforeSql()},
                                   this);
    m_cboMovie->setModel(m_titles);
    if (auto* list = qobject_cast<QListView*>(m_cboMovie->view()))
        list->setUniformItemSizes(true);
    shell::PlaceTwips(m_cboMovie, 240, 300, 6840, 315);

    m_lblActorList = new QLabel(QStringLiteral("Actors Featured In Movie"), m_frame);
    m_lblActorList->setObjectName(QStringLiteral("lblActorList"));
    shell::PlaceTwips(m_lblActorList, 240, 780, 3000, 255);
    m_actorGrid = new FlexGrid(m_frame);
    m_actorGrid->setObjectName(QStringLiteral("ActorGrid"));
    shell::PlaceTwips(m_actorGrid, 240, 1050, 3000, 3270);

    m_lblCompleteActorList = new QLabel(QStringLiteral("Complete Actor List"), m_frame);
    m_lblCompleteActorList->setObjectName(QStringLiteral("lblCompleteActorList"));
    shell::PlaceTwips(m_lblCompleteActorList, 4080, 780, 3000, 255);
    m_actorListGrid = new FlexGrid(m_frame);
    m_actorListGrid->setObjectName(QStringLiteral("ActorListGrid"));
    m_actorListGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    shell::PlaceTwips(m_actorListGrid, 4080, 1050, 3000, 3270);

    m_cmdAdd1 = makePictureButton(QStringLiteral("cmdAdd1"), QStringLiteral("Add Selected Actor To Featured Movie"),
                                  QStyle::SP_ArrowLeft, 1500);
    m_cmdDeselect1 =
        makePictureButton(QStringLiteral("cmdDeselect1"), QStringLiteral("Delete Selected Actor From Featured Movie"),
                          QStyle::SP_ArrowRight, 2160);
    m_cmdDeselectAll =
        makePictureButton(QStringLiteral("cmdDeselectAll"), QStringLiteral("Delete All Actors From Featured Movie"),
                          QStyle::SP_DialogDiscardButton, 2820);

    m_cmdAddActor = new QPushButton(QStringLiteral("Add Actor To Library"), this);
    m_cmdAddActor->setObjectName(QStringLiteral("cmdAddActor"));
    m_cmdAddActor->setToolTip(QStringLiteral("Add an actor that is not currently in your library"));
    m_cmdAddActor->setAutoDefault(false);
    shell::PlaceTwips(m_cmdAddActor, 120, 4680, 2400, 375);
    m_cmdOK = new QPushButton(QStringLiteral("E&xit"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    shell::PlaceTwips(m_cmdOK, 6240, 4680, 1200, 375);
    // Whom the current actor of the cast plays, between the two buttons of the window's foot.
    m_lblCharacter = new QLabel(QStringLiteral("C&haracter:"), this);
    m_lblCharacter->setObjectName(QStringLiteral("lblCharacter"));
    shell::PlaceTwips(m_lblCharacter, 2600, 4740, 1020, 255);
    m_txtCharacter = new QLineEdit(this);
    m_txtCharacter->setObjectName(QStringLiteral("txtCharacter"));
    m_txtCharacter->setToolTip(QStringLiteral("The character the selected actor plays in this movie"));
    m_txtCharacter->setMaxLength(catalog::kMaxLine);
    m_lblCharacter->setBuddy(m_txtCharacter);
    shell::PlaceTwips(m_txtCharacter, 3620, 4695, 2500, 345);

    connect(m_cboMovie, &QComboBox::editTextChanged, this, guarded([this] { cboMovie_Change(); }));
    connect(m_cboMovie, &QComboBox::activated, this, guarded([this] { cboMovie_Click(); }));
    m_cboMovie->installEventFilter(this);
    connect(m_actorListGrid, &FlexGrid::DblClick, this, guarded([this] { SelectOne(); }));
    connect(m_actorGrid, &FlexGrid::DblClick, this, guarded([this] { DeSelectOne(); }));
    connect(m_actorListGrid, &FlexGrid::KeyPress, this, [this](int key) { ActorListGrid_KeyPress(key); });
    connect(m_cmdAdd1, &QToolButton::clicked, this, guarded([this] { SelectOne(); }));
    connect(m_cmdDeselect1, &QToolButton::clicked, this, guarded([this] { DeSelectOne(); }));
    connect(m_cmdDeselectAll, &QToolButton::clicked, this, guarded([this] { DeSelectAll(); }));
    connect(m_cmdAddActor, &QPushButton::clicked, this, guarded([this] { cmdAddActor_Click(); }));
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(m_actorGrid, &FlexGrid::RowColChange, this, [this] { showCharacter(); });
    connect(m_txtCharacter, &QLineEdit::editingFinished, this, guarded([this] { SetCharacter(); }));
}

bool frmActorInfo::eventFilter(QObject* watched, QEvent* event)
{
    // Every typed character refills the complete list before the box takes it.
    if (watched == m_cboMovie && event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->text().isEmpty())
        shell::Guarded([this] { PopulateComboBoxes(); });
    return QDialog::eventFilter(watched, event);
}

void frmActorInfo::Form_Load()
{
    {
        // Filling the list would put its first title into the box; the shown movie stays the one asked for.
        const QSignalBlocker quiet(m_cboMovie);
        m_titles->Load(store::CataloguePath());
        m_cboMovie->setCurrentIndex(-1);
        m_cboMovie->setEditText(shell::CurrentMovieTitle());
    }
    cboMovie_Change();
    m_actorGrid->SetColWidth(0, kNumberWidth);
    m_actorGrid->SetColWidth(1, kCastNameWidth);
    PopulateComboBoxes();
}

void frmActorInfo::cboMovie_Change()
{
    store::Connection db = store::OpenDatabase();
    const QString title = m_cboMovie->currentText();
    shell::CurrentMovieTitle() = title;
    store::Recordset rs(db,
                        QStringLiteral("SELECT j.[Actor], j.[Actor_ID], c.[Character] FROM qry_Actor_Movie_Join AS j "
                                       "LEFT JOIN [tbl_Cast_Character] AS c ON c.[Movie_ID] = j.[Movie_ID] AND "
                                       "c.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_Title] = ? ORDER BY j.[Actor]"),
                        {title});
    m_cast.clear();
    if (rs.RecordCount() == 0) {
        m_actorGrid->SetRows(0);
        showCharacter();
        return;
    }
    rs.MoveLast();
    const int n = int(rs.RecordCount());
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        m_cast.push_back({rs.Value(QStringLiteral("Actor_ID")).toLongLong(),
                          rs.Value(QStringLiteral("Actor")).toString(),
                          rs.Value(QStringLiteral("Character")).toString()});
    m_actorGrid->SetRows(n);
    for (int i = 0; i < n; ++i) {
        m_actorGrid->SetTextMatrix(i, 0, QString::number(i + 1));
        m_actorGrid->SetTextMatrix(i, 1, castLine(m_cast[i].actor, m_cast[i].character));
    }
    m_actorGrid->SetRow(n - 1);
    m_actorGrid->SetCol(1);
    showCharacter();
}

void frmActorInfo::showCharacter()
{
    const int row = m_actorGrid->Row();
    const bool known = row >= 0 && row < int(m_cast.size());
    m_txtCharacter->setText(known ? m_cast[row].character : QString());
    m_txtCharacter->setEnabled(known);
    m_lblCharacter->setEnabled(known);
}

void frmActorInfo::SetCharacter()
{
    const int row = m_actorGrid->Row();
    if (row < 0 || row >= int(m_cast.size()))
        return;
    Member& member = m_cast[row];
    const QString character = m_txtCharacter->text().trimmed();
    if (character == member.character)
        return;
    store::Connection db = store::OpenDatabase();
    const std::optional<qint64> movieKey = movieId(db, m_cboMovie->currentText());
    if (!movieKey) {
        shell::MsgBox(kMovieNotFound, shell::vbExclamation, kErrorTitle);
        return;
    }
    {
        store::Transaction tx(db);
        catalog::MovieWriter(db).SetCharacter(*movieKey, member.actorId, character);
        tx.commit();
    }
    member.character = character;
    m_txtCharacter->setText(character);
    m_actorGrid->SetTextMatrix(row, 1, castLine(member.actor, character));
}

void frmActorInfo::cboMovie_Click()
{
    if (m_cboMovie->currentText() != shell::CurrentMovieTitle())
        cboMovie_Change();
}

void frmActorInfo::PopulateComboBoxes()
{
    FlexGrid* grid = m_actorListGrid;
    m_actors->Load(store::CataloguePath());
    grid->SetSource(m_actors);
    grid->SetCol(1);
    grid->SetColWidth(0, kNumberWidth);
    grid->SetColWidth(1, grid->ClientWidthTwips() - kNumberWidth);
}

std::optional<qint64> frmActorInfo::actorId(const store::Connection& db, const QString& displayName) const
{
    store::Recordset rs(db, QStringLiteral("SELECT [Actor_ID] FROM [qry_Actor] WHERE [Actor] = ?"), {displayName});
    if (rs.Eof())
        return std::nullopt;
    return rs.Value(QStringLiteral("Actor_ID")).toLongLong();
}

std::optional<qint64> frmActorInfo::movieId(const store::Connection& db, const QString& title) const
{
    store::Recordset rs(db, QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Title] WHERE [Movie_Title] = ?"),
                        {title});
    if (rs.Eof())
        return std::nullopt;
    return rs.Value(QStringLiteral("Movie_ID")).toLongLong();
}

void frmActorInfo::SelectOne()
{
    const QString actor = m_actorListGrid->Text();
    const QString title = m_cboMovie->currentText();
    store::Connection db = store::OpenDatabase();
    const std::optional<qint64> actorKey = actorId(db, actor);
    if (!actorKey) {
        shell::MsgBox(kActorNotFound, shell::vbExclamation, kErrorTitle);
        return;
    }
    const std::optional<qint64> movieKey = movieId(db, title);
    if (!movieKey) {
        shell::MsgBox(kMovieNotFound, shell::vbExclamation, kErrorTitle);
        return;
    }
    // The check's own (empty) set takes the new row, so the whole link table is never read.
    store::Recordset rs(db,
                        QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ? AND [Movie_ID] = ?"),
                        {*actorKey, *movieKey});
    if (!rs.Eof()) {
        shell::MsgBox(QStringLiteral("You may not add an actor that is alread featured in this film!"),
                      shell::vbExclamation | shell::vbOKOnly, QStringLiteral("Actor Already Available!"));
        return;
    }
    rs.AddNew();
    rs.Fields(QStringLiteral("Movie_ID")) = *movieKey;
    rs.Fields(QStringLiteral("Actor_ID")) = *actorKey;
    rs.Update();
    cboMovie_Change();
}

void frmActorInfo::DeSelectOne()
{
    // A row names its actor with the character beside; the actor alone is found again.
    const int row = m_actorGrid->Row();
    const QString actor = row >= 0 && row < int(m_cast.size()) &&
                                  m_actorGrid->Text() == castLine(m_cast[row].actor, m_cast[row].character)
                              ? m_cast[row].actor
                              : m_actorGrid->Text();
    const QString title = m_cboMovie->currentText();
    store::Connection db = store::OpenDatabase();
    const std::optional<qint64> actorKey = actorId(db, actor);
    const std::optional<qint64> movieKey = actorKey ? movieId(db, title) : std::nullopt;
    if (!actorKey || !movieKey) {
        shell::MsgBox(kNoActorToDelete, shell::vbExclamation, kErrorTitle);
        return;
    }
    store::Recordset rs(db,
                        QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ? AND [Movie_ID] = ?"),
                        {*actorKey, *movieKey});
    if (rs.Eof()) {
        shell::MsgBox(kNoActorToDelete, shell::vbExclamation, kErrorTitle);
        return;
    }
    rs.Delete();
    cboMovie_Change();
}

void frmActorInfo::DeSelectAll()
{
    const QString title = m_cboMovie->currentText();
    store::Connection db = store::OpenDatabase();
    const std::optional<qint64> movieKey = movieId(db, title);
    if (!movieKey) {
        shell::MsgBox(kNoActorToDelete, shell::vbExclamation, kErrorTitle);
        return;
    }
    store::Recordset rs(db, QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = ?"), {*movieKey});
    if (rs.Eof()) {
        shell::MsgBox(kNoActorToDelete, shell::vbExclamation, kErrorTitle);
        return;
    }
    {
        // All of the cast goes, or none of it does.
        store::Transaction tx(db);
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            rs.Delete();
        tx.commit();
    }
    cboMovie_Change();
}

void frmActorInfo::ActorListGrid_KeyPress(int keyAscii)
{
    FlexGrid* grid = m_actorListGrid;
    const int n = grid->Rows();
    if (n == 0)
        return;
    // The list's order pays no heed to case, the search does: the first name starting with the
    // capital stands a little after the first starting with either.
    const QChar wanted = QChar(keyAscii).toUpper();
    const int from = m_actors->Find(QString(wanted), false);
    for (int i = from; i >= 0 && i < n; ++i) {
        const QString name = grid->TextMatrix(i, 1);
        if (!name.startsWith(wanted, Qt::CaseInsensitive))
            break;
        if (name.at(0) == wanted) {
            grid->SetRow(i);
            grid->SetTopRow(i);
            return;
        }
    }
    grid->SetRow(n - 1);
}

void frmActorInfo::cmdAddActor_Click()
{
    shell::ShowModal(new frmActorAdd(this), this);
}

} // namespace cast
