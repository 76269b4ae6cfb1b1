#pragma once

#include "store/Sqlite.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace loans {

// Longer names are cut here by the lend window and refused by the store.
inline constexpr int kMaxNameLength = 100;

struct Loan
{
    qint64 id = 0;
    qint64 movieId = 0;
    QString title;
    QString borrower;
    QDate lent;
    QDate due;      // invalid: no due date
    QDate returned; // invalid: still out

    bool isOverdue(const QDate& today) const { return due.isValid() && !returned.isValid() && due < today; }
    qint64 daysOverdue(const QDate& today) const { return isOverdue(today) ? due.daysTo(today) : 0; }
};

// A date as the windows write it: 3 Dec 2026, whatever the system's language.
QString ShowDate(const QDate& date);

// What a name becomes before it is stored: control characters and runs of blanks become one
// blank, and the ends are trimmed.
QString CleanName(const QString& typed);

// Earlier borrowers, in alphabetical order.
QStringList Borrowers(const store::Connection& db);

QString MovieTitle(const store::Connection& db, qint64 movieId);
std::optional<Loan> CurrentLoan(const store::Connection& db, qint64 movieId);
std::vector<Loan> OutstandingLoans(const store::Connection& db);
qint64 CountOut(const store::Connection& db);                             // movies out now
std::vector<Loan> PastLoans(const store::Connection& db, qint64 movieId); // the newest first

// Why this loan cannot be made, in plain words; empty when it can.
QString CheckLoan(const store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent,
                  const QDate& due);
// The same for a movie not in the catalogue yet: the name and the dates alone.
QString CheckLoanTerms(const QString& borrower, const QDate& lent, const QDate& due);
// Lends the movie, adding the borrower when the name is new. Throws StoreError, with
// CheckLoan's words when the loan is refused; nothing is stored then.
void Lend(store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent, const QDate& due);
// The same inside the caller's transaction, for a loan among other writes (an import's).
void LendWithin(store::Connection& db, qint64 movieId, const QString& borrower, const QDate& lent, const QDate& due);
// Marks the movie back on `on` (never before the date it was lent). False when it was not out.
bool Return(store::Connection& db, qint64 movieId, const QDate& on);

// Why a movie that is out cannot be lent again.
QString AlreadyOut(const Loan& loan);
// "On loan to Anna since 3 Dec 2026, due 17 Dec 2026".
QString LoanText(const Loan& loan);

} // namespace loans
