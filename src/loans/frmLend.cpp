#include "loans/frmLend.h"

#include "catalog/Clock.h"
#include "loans/LoanStore.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace loans {

namespace {

QDateEdit* makeDate(QWidget* parent, const char* name, const QDate& date)
{
    auto* edit = new QDateEdit(date, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("d MMM yyyy"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

frmLend::frmLend(qint64 movieId, const QString& title, QWidget* owner) : QDialog(owner), m_movieId(movieId)
{
    setObjectName(QStringLiteral("frmLend"));
    setWindowTitle(QStringLiteral("Lend - ") + shell::kAppCaption);
    setFont(shell::WindowFont(9));
    auto* form = new QFormLayout(this);

    auto* movie = new QLabel(title, this);
    movie->setObjectName(QStringLiteral("lblMovie"));
    movie->setTextFormat(Qt::PlainText);
    movie->setWordWrap(true);
    movie->setMaximumWidth(shell::TwipsToPixelsX(5000));
    form->addRow(QStringLiteral("Movie:"), movie);

    m_cboBorrower = new QComboBox(this);
    m_cboBorrower->setObjectName(QStringLiteral("cboBorrower"));
    m_cboBorrower->setEditable(true);
    m_cboBorrower->setInsertPolicy(QComboBox::NoInsert);
    m_cboBorrower->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cboBorrower->setMinimumContentsLength(24);
    m_cboBorrower->addItems(Borrowers(store::OpenDatabase()));
    m_cboBorrower->setCurrentIndex(-1);
    m_cboBorrower->lineEdit()->setMaxLength(kMaxNameLength);
    // Earlier borrowers are in the box's list. No completion: it would turn a typed name into a longer
    // earlier one, and a popup of suggestions would swallow the click on Lend that closes it.
    m_cboBorrower->setCompleter(nullptr);
    form->addRow(QStringLiteral("&Borrower:"), m_cboBorrower);

    const QDate today = catalog::Today();
    m_dtpLent = makeDate(this, "dtpLent", today);
    m_dtpLent->setMaximumDate(today); // a loan starts when the disc leaves the shelf
    form->addRow(QStringLiteral("Date &lent:"), m_dtpLent);

    m_chkDue = new QCheckBox(QStringLiteral("&Due back:"), this);
    m_chkDue->setObjectName(QStringLiteral("chkDue"));
    m_dtpDue = makeDate(this, "dtpDue", today.addDays(14));
    m_dtpDue->setEnabled(false);
    connect(m_chkDue, &QCheckBox::toggled, m_dtpDue, &QWidget::setEnabled);
    form->addRow(m_chkDue, m_dtpDue);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* lend = buttons->addButton(QStringLiteral("&Lend"), QDialogButtonBox::AcceptRole);
    lend->setObjectName(QStringLiteral("cmdLend"));
    lend->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    form->addRow(buttons);
    connect(lend, &QPushButton::clicked, this, [this] { shell::Guarded([this] { cmdLend_Click(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_cboBorrower->setFocus();
}

void frmLend::cmdLend_Click()
{
    const QDate due = m_chkDue->isChecked() ? m_dtpDue->date() : QDate();
    store::Connection db = store::OpenDatabase();
    const QString refusal = CheckLoan(db, m_movieId, m_cboBorrower->currentText(), m_dtpLent->date(), due);
    if (!refusal.isEmpty()) {
        shell::MsgBox(refusal, shell::vbOKOnly | shell::vbExclamation);
        m_cboBorrower->setFocus();
        return;
    }
    Lend(db, m_movieId, m_cboBorrower->currentText(), m_dtpLent->date(), due);
    accept();
}

void LendMovie(QWidget* owner, qint64 movieId)
{
    QString title;
    std::optional<Loan> out;
    {
        const store::Connection db = store::OpenDatabase(); // closed before the window opens
        title = MovieTitle(db, movieId);
        out = CurrentLoan(db, movieId);
    }
    if (title.isNull())
        return; // no movie selected
    if (out) {
        shell::MsgBox(AlreadyOut(*out), shell::vbOKOnly | shell::vbInformation);
        return;
    }
    shell::ShowModal(new frmLend(movieId, title, owner), owner);
}

void ReturnMovie(qint64 movieId)
{
    QString title;
    std::optional<Loan> out;
    {
        const store::Connection db = store::OpenDatabase(); // closed while the user is asked
        title = MovieTitle(db, movieId);
        out = CurrentLoan(db, movieId);
    }
    if (title.isNull())
        return; // no movie selected
    if (!out) {
        shell::MsgBox(title + QStringLiteral(" is not on loan."), shell::vbOKOnly | shell::vbInformation);
        return;
    }
    if (shell::MsgBox(title + QStringLiteral(" is on loan to ") + out->borrower +
                          QStringLiteral(". Mark it as returned today?"),
                      shell::vbYesNo | shell::vbQuestion) != shell::vbYes)
        return;
    store::Connection db = store::OpenDatabase();
    Return(db, movieId, catalog::Today());
}

} // namespace loans
