#include "loans/LoanFeature.h"

#include "find/FindWords.h"
#include "loans/LoanSchema.h"
#include "loans/LoanStore.h"
#include "statistics/StatisticsQuery.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#include <QLocale>

namespace loans {

void RegisterFeature()
{
    store::RegisterSchemaStep({5,
                               QStringLiteral("lending movies"),
                               [](store::Connection& db, auto&, auto&) {
                                   for (const QString& sql : CreateLoanTablesSql())
                                       db.exec(sql);
                               },
                               {}});
    for (const char* name : {"borrower", "loaned", "overdue"})
        find::RegisterFindWord(
            {QLatin1String(name), [field = QLatin1String(name)](const QString& value, const QString& keyColumn,
                                                                std::vector<QVariant>& params) {
                 return FindCondition(field, value, keyColumn, params);
             }});
    statistics::AddMovieNote(
        [](const store::Connection& db) { return QStringLiteral("%1 on loan").arg(QLocale().toString(CountOut(db))); });
}

} // namespace loans
