#include "covers/CoverFeature.h"

#include "covers/CoverSchema.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

namespace covers {

void RegisterFeature()
{
    store::RegisterSchemaStep({4,
                               QStringLiteral("covers"),
                               [](store::Connection& db, auto&, auto&) {
                                   for (const QString& sql : CreateCoverSql())
                                       db.exec(sql);
                               },
                               {}});
}

} // namespace covers
