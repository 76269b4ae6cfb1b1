#include "loans/LoanFeature.h"

#include "loans/LoanSchema.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

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
}

} // namespace loans
