#include "loans/frmLoans.h"

#include "catalog/Clock.h"
#include "loans/LoanStore.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace loans {

namespace {

constexpr int kSortKey = Qt::UserRole;
constexpr int kMovieKey = Qt::UserRole + 1;

// Sorts by a key of its own, so dates go by time and days by number, not by their text.
class Cell : public QTableWidgetItem
{
public:
    Cell(const QString& text, const QString& key) : QTableWidgetItem(text) { setData(kSortKey, key); }
    bool operator<(const QTableWidgetItem& other) const override
    {
        return data(kSortKey).toString() < other.data(kSortKey).toString();
    }
};

Cell* dateCell(const QDate& date)
{
    return new Cell(date.isValid() ? ShowDate(date) : QString(),
                    date.isValid() ? date.toString(Qt::ISODate) : QString());
}

Cell* textCell(const QString& text)
{
    auto* cell = new Cell(text, text.toLower());
    cell->setToolTip(text.size() > 40 ? text : QString());
    return cell;
}

QTableWidget* makeTable(QWidget* parent, const char* name, const QStringList& headers)
{
    auto* table = new QTableWidget(0, int(headers.size()), parent);
    table->setObjectName(QLatin1String(name));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setTextElideMode(Qt::ElideRight);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSortingEnabled(true);
    return table;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

frmLoans::frmLoans(qint64 movieId, std::function<void(qint64)> select, QWidget* owner)
    : QDialog(owner), m_select(std::move(select)), m_historyOf(movieId)
{
    setObjectName(QStringLiteral("frmLoans"));
    setWindowTitle(QStringLiteral("Loans - ") + shell::kAppCaption);
    setFont(shell::WindowFont(9));
    resize(shell::TwipsToPixelsX(9000), shell::TwipsToPixelsY(6600));
    auto* layout = new QVBoxLayout(this);

    auto* out = new QLabel(QStringLiteral("Movies on loan (overdue ones in red):"), this);
    out->setObjectName(QStringLiteral("lblLoans"));
    layout->addWidget(out);
    m_grdLoans = makeTable(this, "grdLoans",
                           {QStringLiteral("Movie"), QStringLiteral("Borrower"), QStringLiteral("Lent"),
                            QStringLiteral("Due"), QStringLiteral("Days Overdue")});
    m_grdLoans->sortByColumn(4, Qt::DescendingOrder); // the longest overdue first
    layout->addWidget(m_grdLoans, 3);

    auto* row = new QHBoxLayout;
    m_cmdReturn = makeButton(this, "cmdReturn", "&Return");
    m_cmdSelect = makeButton(this, "cmdSelect", "&Show in List");
    row->addWidget(m_cmdReturn);
    row->addWidget(m_cmdSelect);
    row->addStretch();
    layout->addLayout(row);

    m_lblHistory = new QLabel(this);
    m_lblHistory->setObjectName(QStringLiteral("lblHistory"));
    m_lblHistory->setTextFormat(Qt::PlainText);
    layout->addWidget(m_lblHistory);
    m_grdHistory = makeTable(
        this, "grdHistory",
        {QStringLiteral("Borrower"), QStringLiteral("Lent"), QStringLiteral("Due"), QStringLiteral("Returned")});
    m_grdHistory->sortByColumn(1, Qt::DescendingOrder); // the newest first
    layout->addWidget(m_grdHistory, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* close = makeButton(this, "cmdClose", "&Close");
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(m_cmdReturn, &QPushButton::clicked, this, [this] { shell::Guarded([this] { cmdReturn_Click(); }); });
    connect(m_cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
    connect(m_grdLoans, &QTableWidget::cellDoubleClicked, this, [this] { cmdSelect_Click(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grdLoans, &QTableWidget::itemSelectionChanged, this, [this] {
        const qint64 movie = selectedMovie();
        m_cmdReturn->setEnabled(movie >= 0);
        m_cmdSelect->setEnabled(movie >= 0);
        if (movie >= 0)
            shell::Guarded([&] { showHistory(movie); });
    });
    fill();
}

void frmLoans::fill()
{
    const store::Connection db = store::OpenDatabase();
    const std::vector<Loan> loans = OutstandingLoans(db);
    const QDate today = catalog::Today();
    const QSignalBlocker quiet(m_grdLoans);
    m_grdLoans->setSortingEnabled(false); // rows are filled whole, then sorted once
    m_grdLoans->clearSelection();
    m_grdLoans->setRowCount(int(loans.size()));
    QTableWidgetItem* current = nullptr;
    for (int r = 0; r < int(loans.size()); ++r) {
        const Loan& loan = loans[std::size_t(r)];
        const qint64 days = loan.daysOverdue(today);
        QTableWidgetItem* cells[] = {textCell(loan.title), textCell(loan.borrower), dateCell(loan.lent),
                                     dateCell(loan.due),
                                     new Cell(days > 0 ? QString::number(days) : QString(),
                                              QStringLiteral("%1").arg(days, 8, 10, QLatin1Char('0')))};
        cells[0]->setData(kMovieKey, loan.movieId);
        for (int c = 0; c < int(std::size(cells)); ++c) {
            if (loan.isOverdue(today))
                cells[c]->setForeground(QColor(192, 0, 0));
            m_grdLoans->setItem(r, c, cells[c]);
        }
        if (loan.movieId == m_historyOf)
            current = cells[0];
    }
    m_grdLoans->setSortingEnabled(true);
    m_grdLoans->resizeColumnsToContents();
    for (int c = 0; c < 2; ++c)
        m_grdLoans->setColumnWidth(c, qMin(m_grdLoans->columnWidth(c), shell::TwipsToPixelsX(3000)));
    if (current)
        m_grdLoans->selectRow(current->row()); // where sorting put it
    const qint64 selected = selectedMovie();
    m_cmdReturn->setEnabled(selected >= 0);
    m_cmdSelect->setEnabled(selected >= 0);
    showHistory(selected >= 0 ? selected : m_historyOf);
}

void frmLoans::showHistory(qint64 movieId)
{
    m_historyOf = movieId;
    const store::Connection db = store::OpenDatabase();
    const QString title = MovieTitle(db, movieId);
    const std::vector<Loan> past = title.isNull() ? std::vector<Loan>{} : PastLoans(db, movieId);
    m_lblHistory->setText(title.isNull() ? QStringLiteral("Past loans:")
                                         : QStringLiteral("Past loans of ") + title + QLatin1Char(':'));
    m_grdHistory->setSortingEnabled(false);
    m_grdHistory->setRowCount(int(past.size()));
    for (int r = 0; r < int(past.size()); ++r) {
        const Loan& loan = past[std::size_t(r)];
        m_grdHistory->setItem(r, 0, textCell(loan.borrower));
        m_grdHistory->setItem(r, 1, dateCell(loan.lent));
        m_grdHistory->setItem(r, 2, dateCell(loan.due));
        m_grdHistory->setItem(r, 3, dateCell(loan.returned));
    }
    m_grdHistory->setSortingEnabled(true);
    m_grdHistory->resizeColumnsToContents();
    m_grdHistory->setColumnWidth(0, qMin(m_grdHistory->columnWidth(0), shell::TwipsToPixelsX(3000)));
}

qint64 frmLoans::selectedMovie() const
{
    const QList<QTableWidgetItem*> chosen = m_grdLoans->selectedItems();
    if (chosen.isEmpty())
        return -1;
    return m_grdLoans->item(chosen.front()->row(), 0)->data(kMovieKey).toLongLong();
}

void frmLoans::cmdReturn_Click()
{
    const qint64 movie = selectedMovie();
    if (movie < 0)
        return;
    store::Connection db = store::OpenDatabase();
    Return(db, movie, catalog::Today());
    m_historyOf = movie; // its history now holds the loan just ended
    fill();
}

void frmLoans::cmdSelect_Click()
{
    const qint64 movie = selectedMovie();
    if (movie < 0)
        return;
    if (m_select)
        m_select(movie);
    accept();
}

} // namespace loans
