#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace loans {

// Borrowers (one row per name, whatever its case) and loans, dates as ISO text. A returned loan
// keeps its row, so each movie's history stays; a movie is out to one borrower at a time.
QStringList CreateLoanTablesSql();

// The find box's words about loans: borrower:NAME, loaned:yes and overdue:yes ("no" turns the
// last two round). The condition on keyColumn for one such word, with the values it binds appended
// to params; a loan due before `today` is overdue.
QString FindCondition(const QString& field, const QString& value, const QString& keyColumn, const QDate& today,
                      std::vector<QVariant>& params);

} // namespace loans
