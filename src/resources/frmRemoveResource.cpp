#include "resources/frmRemoveResource.h"

#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "shell/LazyList.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Credits.h"
#include "store/Recordset.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <utility>

namespace resources {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// Every line after the first sentence names one movie, in the order the set yields them.
QString MovieList(store::Recordset& movies)
{
    QString list;
    for (; !movies.Eof(); movies.MoveNext())
        list += shell::kCrLf + movies.Value(QStringLiteral("Movie_Title")).toString();
    return list;
}

} // namespace

frmRemoveResource::frmRemoveResource(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRemoveResource"));
    setWindowTitle(QStringLiteral("Delete Resources"));

    m_label12 = new QLabel(QStringLiteral("From here you can remove various resources. Just choose the resource(s) "
                                          "you would like to remove and click on the Delete Selected button. Note: "
                                          "You cannot remove resources currently tied to a movie."),
                           this);
    m_label12->setObjectName(QStringLiteral("Label12"));
    m_label12->setWordWrap(true);
    m_label12->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_label12, 120, 120, 8040, 900);

    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);
    place(m_frame1, 120, 1080, 8040, 3180);

    m_cboDirector = addList(QStringLiteral("cboDirector"), QStringLiteral("Director:"), 0, 0);
    m_cboProducer = addList(QStringLiteral("cboProducer"), QStringLiteral("Producer:"), 0, 1);
    m_cboExecutiveProducer =
        addList(QStringLiteral("cboExecutiveProducer"), QStringLiteral("Executive Producer:"), 0, 2);
    m_cboScreenWriter = addList(QStringLiteral("cboScreenWriter"), QStringLiteral("Screenwriter:"), 0, 3);
    m_cboWriter = addList(QStringLiteral("cboWriter"), QStringLiteral("Writer"), 0, 4);
    m_cboComposer = addList(QStringLiteral("cboComposer"), QStringLiteral("Composer:"), 0, 5);
    m_cboCinematographer = addList(QStringLiteral("cboCinematographer"), QStringLiteral("Cinematographer:"), 1, 0);
    m_cboGenre = addList(QStringLiteral("cboGenre"), QStringLiteral("Genre:"), 1, 1);
    m_cboStudio = addList(QStringLiteral("cboStudio"), QStringLiteral("Studio:"), 1, 2);
    m_cboFormat = addList(QStringLiteral("cboFormat"), QStringLiteral("Format:"), 1, 3);
    m_cboActor = addList(QStringLiteral("cboActor"), QStringLiteral("Actor:"), 1, 4);

    m_cmdDelete = new QPushButton(QStringLiteral("Delete Selected Resource(s)"), this);
    m_cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    m_cmdDelete->setAutoDefault(false);
    place(m_cmdDelete, 120, 4380, 3000, 420);
    m_cmdOK = new QPushButton(QStringLiteral("E&xit"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    place(m_cmdOK, 6960, 4380, 1200, 420);
    connect(m_cmdDelete, &QPushButton::clicked, this, [this] { shell::Guarded([this] { cmdDelete_Click(); }); });
    connect(m_cmdOK, &QPushButton::clicked, this, &frmRemoveResource::cmdOK_Click);

    setFixedSize(shell::TwipsToPixelsX(8280), shell::TwipsToPixelsY(4920));
    shell::Guarded([this] { Form_Load(); });
}

QComboBox* frmRemoveResource::addList(const QString& name, const QString& caption, int column, int row)
{
    const double left = column == 0 ? 120 : 4140;
    const double top = 240 + row * 480;
    auto* label = new QLabel(caption, m_frame1);
    label->setObjectName(QStringLiteral("Label") + QString::number(column * 6 + row + 1));
    place(label, left, top + 45, 1800, 255);
    auto* list = new QComboBox(m_frame1);
    list->setObjectName(name);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    // Completion would turn a typed prefix into a whole name, and the button would delete that entry.
    list->setCompleter(nullptr);
    // Measuring thousands of names for a size hint would only slow the opening; the width is fixed.
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMaxVisibleItems(12);
    label->setBuddy(list);
    place(list, left + 1860, top, 1860, 315);
    return list;
}

void frmRemoveResource::place(QWidget* control, double left, double top, double width, double height)
{
    m_twips.insert(control, QRectF(left, top, width, height));
    shell::PlaceTwips(control, left, top, width, height);
}

void frmRemoveResource::emptyText(QComboBox* list)
{
    list->setCurrentIndex(-1);
    list->setEditText(QString());
}

void frmRemoveResource::fill(QComboBox* list, const shell::LazyList::Sql& sql)
{
    // Every entry of the catalogue, read as the list shows them.
    auto* names = qobject_cast<shell::LazyList*>(list->model());
    if (!names) {
        names = new shell::LazyList(sql, list);
        list->setModel(names);
        // Rows of one height, so the drop-down measures none it does not show.
        if (auto* view = qobject_cast<QListView*>(list->view()))
            view->setUniformItemSizes(true);
    }
    names->Load(store::CataloguePath());
    emptyText(list);
}

void frmRemoveResource::Form_Load()
{
    m_deleted = 0;
    // In the lists' own order, by caption.
    const std::pair<QComboBox*, store::CreditIndex> lists[] = {
        {m_cboDirector, store::kDirector}, {m_cboCinematographer, store::kCinematographer},
        {m_cboComposer, store::kComposer}, {m_cboExecutiveProducer, store::kExecutiveProducer},
        {m_cboFormat, store::kFormat},     {m_cboGenre, store::kGenre},
        {m_cboProducer, store::kProducer}, {m_cboScreenWriter, store::kScreenplay},
        {m_cboStudio, store::kStudio},     {m_cboWriter, store::kWriter},
    };
    for (const auto& [list, index] : lists) {
        const store::Credit& credit = store::kCredits[index];
        const QString table = QLatin1Char('[') + L(credit.table) + QLatin1Char(']');
        const QString name = QLatin1Char('[') + L(credit.name) + QLatin1Char(']');
        fill(list,
             {QStringLiteral("SELECT ") + name + QStringLiteral(" FROM ") + table + QStringLiteral(" ORDER BY ") + name,
              QStringLiteral("SELECT count(*) FROM ") + table,
              QStringLiteral("SELECT count(*) FROM ") + table + QStringLiteral(" WHERE ") + name +
                  QStringLiteral(" < ?")});
    }
    fill(m_cboActor, {QStringLiteral("SELECT [Actor] FROM [qry_Actor] ORDER BY [Actor]"),
                      QStringLiteral("SELECT count(*) FROM [tbl_Actor]"),
                      QStringLiteral("SELECT count(*) FROM [tbl_Actor] WHERE (ifnull([Actor_Last_Name], '') || ', ' "
                                     "|| ifnull([Actor_First_Name], '')) COLLATE NOCASE < ?")});
}

void frmRemoveResource::cmdOK_Click()
{
    close();
}

void frmRemoveResource::cmdDelete_Click()
{
    if (shell::MsgBox(QStringLiteral("Are you sure you want to delete the selected resources?"), shell::vbYesNo,
                      shell::kAppCaption) == shell::vbNo)
        return;

    const std::pair<QComboBox*, store::CreditIndex> kinds[] = {
        {m_cboDirector, store::kDirector},
        {m_cboProducer, store::kProducer},
        {m_cboExecutiveProducer, store::kExecutiveProducer},
        {m_cboScreenWriter, store::kScreenplay},
        {m_cboWriter, store::kWriter},
        {m_cboComposer, store::kComposer},
        {m_cboCinematographer, store::kCinematographer},
        {m_cboGenre, store::kGenre},
        {m_cboStudio, store::kStudio},
        {m_cboFormat, store::kFormat},
    };
    for (const auto& [list, index] : kinds) {
        const store::Credit& credit = store::kCredits[index];
        m_value = list->currentText();
        m_table = QLatin1Char('[') + L(credit.table) + QLatin1Char(']');
        m_nameColumn = L(credit.name);
        m_idColumn = QLatin1Char('[') + L(credit.key) + QLatin1Char(']');
        if (m_value.isEmpty())
            continue;
        // One failing list must not keep the others from being handled.
        shell::Guarded([this] { DeleteRecord(); });
        emptyText(list);
    }

    const QString actor = m_cboActor->currentText();
    if (!actor.isEmpty())
        shell::Guarded([this, &actor] { deleteActor(actor); });

    if (m_deleted == 1)
        close();
}

void frmRemoveResource::DeleteRecord()
{
    store::Connection db = store::OpenDatabase();
    store::Recordset entry(db,
                           QStringLiteral("SELECT * FROM ") + m_table + QStringLiteral(" WHERE [") + m_nameColumn +
                               QStringLiteral("] = ?"),
                           {m_value});
    // A typed name, or one deleted earlier while the window stayed open, names nothing to delete.
    if (entry.Eof())
        return;
    m_id = entry.Value(m_idColumn).toLongLong();
    entry.Close();
    if (m_id == 1) {
        shell::MsgBox(QStringLiteral("You cannot delete the ''Unknown'' record!"), shell::vbExclamation,
                      QStringLiteral("Error!"));
        return;
    }

    // The check and the delete are one unit, so no movie can take up the entry in between.
    store::Transaction unit(db);
    // A movie naming the entry among its more names (a second genre) uses it too.
    store::Recordset movies(db,
                            QStringLiteral("SELECT ") + m_idColumn +
                                QStringLiteral(",[Movie_Title] FROM [tbl_Movie_Title] WHERE ") + m_idColumn +
                                QStringLiteral(" = ?1 OR [Movie_ID] IN (SELECT [Movie_ID] FROM [tbl_Movie_More_Name] "
                                               "WHERE [Credit] = ?2 AND [Name_ID] = ?1) ORDER BY [Movie_Title]"),
                            {m_id, m_idColumn.mid(1).chopped(1)});
    if (movies.Eof()) {
        movies.Close();
        store::Recordset row(db,
                             QStringLiteral("SELECT * FROM ") + m_table + QStringLiteral(" WHERE ") + m_idColumn +
                                 QStringLiteral(" = ?"),
                             {m_id});
        if (!row.Eof()) {
            row.Delete();
            m_deleted = 1;
        }
        row.Close();
        unit.commit();
        return;
    }
    const QString list = MovieList(movies);
    movies.Close();
    shell::MsgBox(QStringLiteral("The ") + m_nameColumn +
                      QStringLiteral(" you choose to delete is still associated with:") + list + shell::kCrLf +
                      QStringLiteral("Please dissasociate this ") + m_nameColumn +
                      QStringLiteral(" with the film(s) before deleting!"),
                  shell::vbExclamation, shell::kAppCaption);
}

void frmRemoveResource::deleteActor(const QString& name)
{
    store::Connection db = store::OpenDatabase();
    store::Recordset actor(db, QStringLiteral("SELECT * FROM [qry_Actor] WHERE [Actor] = ?"), {name});
    if (actor.Eof())
        return;
    const qint64 id = actor.Value(QStringLiteral("Actor_ID")).toLongLong();
    actor.Close();

    store::Transaction unit(db);
    store::Recordset links(db, QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ?"), {id});
    if (!links.Eof()) {
        links.Close();
        store::Recordset movies(
            db, QStringLiteral("SELECT * FROM [qry_Actor_Movie_Join] WHERE [Actor_ID] = ? ORDER BY [Movie_Title]"),
            {id});
        const QString list = MovieList(movies);
        movies.Close();
        shell::MsgBox(QStringLiteral("This Actor is associated with:") + list + shell::kCrLf +
                          QStringLiteral("Please remove this Actor from the movie(s) before proceeding."),
                      shell::vbInformation, shell::App::Title());
        m_deleted = 0;
        emptyText(m_cboActor);
        return;
    }
    links.Close();
    store::Recordset row(db, QStringLiteral("SELECT * FROM [tbl_Actor] WHERE [Actor_ID] = ?"), {id});
    if (!row.Eof()) {
        row.Delete();
        m_deleted = 1;
    }
    row.Close();
    unit.commit();
}

} // namespace resources
