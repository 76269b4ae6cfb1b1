#include "cast/frmActorAdd.h"

#include "cast/ActorName.h"
#include "cast/FlexGrid.h"
#include "cast/frmActorInfo.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace cast {

frmActorAdd::frmActorAdd(frmActorInfo* castEditor) : QDialog(castEditor), m_castEditor(castEditor)
{
    setObjectName(QStringLiteral("frmActorAdd"));
    setWindowTitle(QStringLiteral("Add Actor"));
    setFixedSize(shell::TwipsToPixelsX(5160), shell::TwipsToPixelsY(2340));

    m_frame = new QGroupBox(QStringLiteral("Actor Name"), this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    shell::PlaceTwips(m_frame, 120, 60, 4920, 1560);
    m_lblLastName = new QLabel(QStringLiteral("Enter Actor's Last Name:"), m_frame);
    m_lblLastName->setObjectName(QStringLiteral("lblLastName"));
    shell::PlaceTwips(m_lblLastName, 180, 420, 2520, 255);
    m_txtLastName = new QLineEdit(m_frame);
    m_txtLastName->setObjectName(QStringLiteral("txtLastName"));
    shell::PlaceTwips(m_txtLastName, 2760, 390, 1980, 315);
    m_lblFirstaName = new QLabel(QStringLiteral("Enter Actor's First Name:"), m_frame);
    m_lblFirstaName->setObjectName(QStringLiteral("lblFirstaName"));
    shell::PlaceTwips(m_lblFirstaName, 180, 960, 2520, 255);
    m_txtFirstName = new QLineEdit(m_frame);
    m_txtFirstName->setObjectName(QStringLiteral("txtFirstName"));
    shell::PlaceTwips(m_txtFirstName, 2760, 930, 1980, 315);

    m_command1 = new QPushButton(QStringLiteral("Add Actor To Library"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setAutoDefault(false);
    shell::PlaceTwips(m_command1, 120, 1800, 2400, 375);
    m_cmdOK = new QPushButton(QStringLiteral("E&xit"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    shell::PlaceTwips(m_cmdOK, 3840, 1800, 1200, 375);

    m_txtLastName->installEventFilter(this);
    m_txtFirstName->installEventFilter(this);
    connect(m_command1, &QPushButton::clicked, this, [this] { shell::Guarded([this] { Command1_Click(); }); });
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::close);
}

QLineEdit* frmActorAdd::activeBox() const
{
    if (m_typingInto)
        return m_typingInto;
    return qobject_cast<QLineEdit*>(focusWidget());
}

bool frmActorAdd::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return false;
    qint16 keyAscii = qint16(text.at(0).unicode());
    m_typingInto = box;
    Capitalize(keyAscii);
    m_typingInto = nullptr;
    if (QChar(char16_t(keyAscii)) == text.at(0))
        return false;
    // The box takes the changed character in place of the typed one.
    box->insert(QString(QChar(char16_t(keyAscii))));
    return true;
}

void frmActorAdd::Capitalize(qint16& KeyAscii)
{
    const QLineEdit* box = activeBox();
    const QString text = box ? box->text() : QString();
    if (!text.isEmpty() && text.back() != QLatin1Char(' ') && text.back() != QLatin1Char('-'))
        return;
    const QChar upper = QChar(char16_t(KeyAscii)).toUpper();
    KeyAscii = qint16(upper.unicode());
}

void frmActorAdd::Command1_Click()
{
    const QString lastName = m_txtLastName->text();
    const QString firstName = m_txtFirstName->text();
    if (lastName.isEmpty() && firstName.isEmpty()) {
        shell::MsgBox(QStringLiteral("You must input at least a first or last name before proceeding!"),
                      shell::vbCritical, QStringLiteral("Error"));
        return;
    }
    {
        store::Connection db = store::OpenDatabase();
        store::Recordset rs(
            db, QStringLiteral("SELECT * FROM [tbl_Actor] WHERE [Actor_Last_Name] = ? AND [Actor_First_Name] = ?"),
            {lastName, firstName});
        if (!rs.Eof()) {
            shell::MsgBox(QStringLiteral("This Actor is already in the database!"), shell::vbExclamation,
                          QStringLiteral("Actor Already Available"));
            return;
        }
        rs.AddNew();
        rs.Fields(QStringLiteral("Actor_Last_Name")) = lastName;
        rs.Fields(QStringLiteral("Actor_First_Name")) = firstName;
        rs.Update();
    }
    m_txtLastName->clear();
    m_txtFirstName->clear();

    m_castEditor->PopulateComboBoxes();
    // The editor links whatever its complete list's current cell names, so lend it that cell.
    FlexGrid* list = m_castEditor->ActorListGrid();
    const QString borrowed = list->Text();
    list->SetText(ActorDisplayName(lastName, firstName));
    try {
        m_castEditor->SelectOne();
    } catch (...) {
        list->SetText(borrowed);
        throw;
    }
    list->SetText(borrowed);
    m_txtFirstName->setFocus();
}

} // namespace cast
