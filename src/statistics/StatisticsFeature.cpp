#include "statistics/StatisticsFeature.h"

#include "shell/Hub.h"
#include "statistics/frmStatistics.h"

namespace statistics {

void RegisterFeature()
{
    shell::AddCollectionItem(
        {10, QStringLiteral("&Statistics..."), QStringLiteral("mnuStatistics"),
         [](shell::Hub& hub) { ShowStatistics([&hub](const QString& text) { hub.SetFindText(text); }); }, false});
}

} // namespace statistics
