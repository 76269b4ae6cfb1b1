#include "cast/frmActorList.h"

#include "cast/ActorName.h"
#include "cast/FlexGrid.h"
#include "shell/ErrorReport.h"
#include "shell/LazyList.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>

namespace cast {

frmActorList::frmActorList(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmActorList"));
    setWindowTitle(QStringLiteral("View Actors"));
    setFixedSize(shell::TwipsToPixelsX(5400), shell::TwipsToPixelsY(5280));

    m_frame = new QGroupBox(QStringLiteral("Actor List"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    shell::PlaceTwips(m_frame, 120, 60, 5160, 4560);

    m_cboActorList = new QComboBox(m_frame);
    m_cboActorList->setObjectName(QStringLiteral("cboActorList"));
    m_cboActorList->setEditable(true);
    // A plain list with an edit field: the typed text stays as typed and Enter adds nothing.
    m_cboActorList->setCompleter(nullptr);
    m_cboActorList->setInsertPolicy(QComboBox::NoInsert);
    m_cboActorList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_names = new shell::LazyList({QStringLiteral("SELECT [Actor] FROM [qry_Actor] ORDER BY [Actor]"),
                                   QStringLiteral("SELECT count(*) FROM [tbl_Actor]"), ActorsBeforeSql()},
                                  m_cboActorList);
    m_cboActorList->setModel(m_names);
    if (auto* list = qobject_cast<QListView*>(m_cboActorList->view()))
        list->setUniformItemSizes(true);
    shell::PlaceTwips(m_cboActorList, 240, 300, 4680, 315);

    m_movieGrid = new FlexGrid(m_frame);
    m_movieGrid->setObjectName(QStringLiteral("MovieGrid"));
    shell::PlaceTwips(m_movieGrid, 240, 780, 4680, 3600);

    m_cmdOK = new QPushButton(QStringLiteral("E&xit"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    shell::PlaceTwips(m_cmdOK, 4080, 4740, 1200, 375);

    const auto refill = [this] { shell::Guarded([this] { PopulateComboBoxes(); }); };
    connect(m_cboActorList, &QComboBox::editTextChanged, this, refill);
    connect(m_cboActorList, &QComboBox::activated, this, refill);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::close);

    shell::Guarded([this] { Form_Load(); });
}

void frmActorList::Form_Load()
{
    {
        // The list is filled quietly; the box then shows the first actor, and an empty library nothing.
        const QSignalBlocker quiet(m_cboActorList);
        m_names->Load(store::CataloguePath());
        m_cboActorList->setCurrentIndex(-1);
        m_cboActorList->setEditText(m_names->Text(0));
    }
    m_movieGrid->SetColWidth(0, 450);
    m_movieGrid->SetColWidth(1, 3922);
    PopulateComboBoxes();
}

void frmActorList::PopulateComboBoxes()
{
    store::Connection db = store::OpenDatabase();
    store::Recordset rs(db, QStringLiteral("SELECT [Movie_Title] FROM [qry_Actor_Movie_Join] WHERE [Actor] = ?"),
                        {m_cboActorList->currentText()});
    if (rs.RecordCount() == 0) {
        m_movieGrid->SetRows(0);
        return;
    }
    rs.MoveLast();
    m_movieGrid->SetRows(int(rs.RecordCount()));
    rs.MoveFirst();
    for (int i = 0; !rs.Eof(); ++i, rs.MoveNext()) {
        m_movieGrid->SetTextMatrix(i, 0, QString::number(i + 1));
        m_movieGrid->SetTextMatrix(i, 1, rs.Value(QStringLiteral("Movie_Title")).toString());
    }
}

} // namespace cast
