#include "statistics/StatisticsFeature.h"

#include "shell/Hub.h"
#include "statistics/Tallies.h"
#include "statistics/frmStatistics.h"

namespace statistics {

namespace {

void keepTallies(store::Connection& db, const store::UpgradeProgress& progress, QStringList&)
{
    MakeTallies(db, progress);
}

} // namespace

void RegisterFeature()
{
    store::RegisterSchemaStep({11, QStringLiteral("statistics at once"), keepTallies,
                               [](const store::Connection& db) { return !TalliesKept(db); }});
    shell::AddCollectionItem(
        {10, QStringLiteral("&Statistics..."), QStringLiteral("mnuStatistics"),
         [](shell::Hub& hub) { ShowStatistics([&hub](const QString& text) { hub.SetFindText(text); }); }, false});
}

} // namespace statistics
