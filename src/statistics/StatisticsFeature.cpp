#include "statistics/StatisticsFeature.h"

#include "shell/Hub.h"
#include "statistics/Tallies.h"
#include "statistics/frmStatistics.h"
#include "store/Sqlite.h"

namespace statistics {

namespace {

void keepTallies(store::Connection& db, const store::UpgradeProgress& progress, QStringList&)
{
    // A step run again over a half-kept table starts clean.
    QStringList drops;
    {
        store::Statement old(db, QStringLiteral("SELECT [name] FROM [sqlite_master] WHERE [type] = 'trigger' AND "
                                                "[name] LIKE 'trg\\_Tally\\_%' ESCAPE '\\'"));
        while (old.step())
            drops << QStringLiteral("DROP TRIGGER \"%1\"").arg(old.column(0).toString());
    }
    drops << QStringLiteral("DROP TABLE IF EXISTS [%1]").arg(QLatin1String(kTallyTable));
    for (const QString& sql : drops + CreateTalliesSql())
        db.exec(sql);
    CountTallies(db, progress);
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
