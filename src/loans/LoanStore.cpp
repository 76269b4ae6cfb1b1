#include "loans/LoanStore.h"

#include "store/StoreError.h"

#include <sqlite3.h>

namespace loans {

namespace {

const QString kSelect = QStringLiteral(
    "SELECT l.[Loan_ID], l.[Movie_ID], m.[Movie_Title], b.[Borrower], l.[Date_Lent], l.[Date_Due], "
    "l.[Date_Returned] FROM [tbl_Loan] AS l JOIN [tbl_Borrower] AS b ON b.[Borrower_ID] = l.[Borrower_ID] "
    "JOIN [tbl_Movie_Title] AS m ON m.[Movie_ID] = l.[Movie_ID] ");

QDate date(const QVariant& value)
{
    return value.isNull() ? QDate() : QDate::fromString(value.toString(), Qt::ISODate);
}

QVariant iso(const QDate& d)
{
    return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant();
}

std::vector<Loan> read(const store::Connection& db, const QString& where, const std::vector<QVariant>& params)
{
    store::Statement q(db, kSelect + where);
    q.bindAll(params);
    std::vector<Loan> out;
    while (q.step())
        out.push_back({q.column(0).toLongLong(), q.column(1).toLongLong(), q.column(2).toString(),
                       q.column(3).toString(), date(q.column(4)), date(q.column(5)), date(q.column(6))});
    return out;
}

} // namespace

QString ShowDate(const QDate& date)
{
    return QLocale::c().toString(date, QStringLiteral("d MMM yyyy"));
}

QString CleanName(const QString& typed)
{
    QString name = typed;
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return name.simplified();
}

QStringList Borrowers(const store::Connection& db)
{
    store::Statement q(db, QStringLiteral("SELECT [Borrower] FROM [tbl_Borrower] ORDER BY [Borrower]"));
    QStringList names;
    while (q.step())
        names << q.column(0).toString();
    return names;
}

QString MovieTitle(const store::Connection& db, qint64 movieId)
{
    store::Statement q(db, QStringLiteral("SELECT [Movie_Title] FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
    q.bind(1, movieId);
    return q.step() ? q.column(0).toString() : QString();
}

std::optional<Loan> CurrentLoan(const store::Connection& db, qint64 movieId)
{
    std::vector<Loan> found =
        read(db, QStringLiteral("WHERE l.[Movie_ID] = ? AND l.[Date_Returned] IS NULL"), {movieId});
    if (found.empty())
        return std::nullopt;
    return found.front();
}

qint64 CountOut(const store::Connection& db)
{
    store::Statement q(db, QStringLiteral("SELECT count(*) FROM [tbl_Loan] WHERE [Date_Returned] IS NULL"));
    return q.step() ? q.column(0).toLongLong() : 0;
}

std::vector<Loan> OutstandingLoans(const store::Connection& db)
{
    return read(db,
                QStringLiteral("WHERE l.[Date_Returned] IS NULL ORDER BY l.[Date_Due] IS NULL, l.[Date_Due], "
                               "m.[Movie_Title]"),
                {});
}

std::vector<Loan> PastLoans(const store::Connection& db, qint64 movieId)
{
    return read(db,
                QStringLiteral("WHERE l.[Movie_ID] = ? AND l.[Date_Returned] IS NOT NULL "
                               "ORDER BY l.[Date_Lent] DESC, l.[Loan_ID] DESC"),
                {movieId});
}

QString CheckLoan(const store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent,
                  const QDate& due)
{
    const QString title = MovieTitle(db, movieId);
    if (title.isNull())
        return QStringLiteral("This movie is no longer in the catalogue.");
    if (const std::optional<Loan> out = CurrentLoan(db, movieId))
        return AlreadyOut(*out);
    return CheckLoanTerms(borrower, lent, due);
}

QString CheckLoanTerms(const QString& borrower, const QDate& lent, const QDate& due)
{
    if (CleanName(borrower).isEmpty())
        return QStringLiteral("Please type the name of the borrower.");
    if (CleanName(borrower).size() > kMaxNameLength)
        return QStringLiteral("A borrower's name can be at most %1 characters long.").arg(kMaxNameLength);
    if (!lent.isValid())
        return QStringLiteral("Please give the date the movie was lent.");
    if (due.isValid() && due < lent)
        return QStringLiteral("The due date cannot be before the date lent.");
    return {};
}

void Lend(store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent, const QDate& due)
{
    store::Transaction unit(db);
    LendWithin(db, movieId, borrower, lent, due);
    unit.commit();
}

void LendWithin(store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent, const QDate& due)
{
    const QString refusal = CheckLoan(db, movieId, borrower, lent, due);
    if (!refusal.isEmpty())
        throw store::StoreError(SQLITE_CONSTRAINT, refusal);
    const QString name = CleanName(borrower);
    store::Statement add(db, QStringLiteral("INSERT INTO [tbl_Borrower] ([Borrower]) VALUES (?) "
                                            "ON CONFLICT DO NOTHING"));
    add.bind(1, name);
    add.run();
    store::Statement key(db, QStringLiteral("SELECT [Borrower_ID] FROM [tbl_Borrower] WHERE [Borrower] = ?"));
    key.bind(1, name);
    key.step();
    const qint64 borrowerId = key.column(0).toLongLong();
    store::Statement loan(db, QStringLiteral("INSERT INTO [tbl_Loan] ([Movie_ID], [Borrower_ID], [Date_Lent], "
                                             "[Date_Due]) VALUES (?, ?, ?, ?)"));
    loan.bindAll({movieId, borrowerId, iso(lent), iso(due)});
    loan.run();
}

bool Return(store::Connection& db, qint64 movieId, const QDate& on)
{
    store::Statement q(db, QStringLiteral("UPDATE [tbl_Loan] SET [Date_Returned] = max([Date_Lent], ?) "
                                          "WHERE [Movie_ID] = ? AND [Date_Returned] IS NULL"));
    q.bindAll({iso(on), movieId});
    q.run();
    return db.changes() > 0;
}

QString AlreadyOut(const Loan& loan)
{
    return loan.title + QStringLiteral(" is on loan to ") + loan.borrower + QStringLiteral(" since ") +
           ShowDate(loan.lent) + QStringLiteral(". Return it before lending it again.");
}

QString LoanText(const Loan& loan)
{
    QString text = QStringLiteral("On loan to %1 since %2").arg(loan.borrower, ShowDate(loan.lent));
    if (loan.due.isValid())
        text += QStringLiteral(", due ") + ShowDate(loan.due);
    return text;
}

} // namespace loans
