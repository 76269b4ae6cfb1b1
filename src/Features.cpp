#include "Features.h"

#include "catalog/CatalogSchema.h"
#include "covers/CoverFeature.h"
#include "exchange/ExchangeFeature.h"
#include "find/FindFeature.h"
#include "loans/LoanFeature.h"
#include "movie_editor/DetailsSection.h"
#include "online/OnlineFeature.h"
#include "scan/ScanFeature.h"
#include "statistics/StatisticsFeature.h"

#include <mutex>

void RegisterFeatures()
{
    static std::once_flag once;
    std::call_once(once, [] {
        catalog::RegisterSchema();
        find::RegisterFeature();
        covers::RegisterFeature();
        loans::RegisterFeature();
        statistics::RegisterFeature();
        exchange::RegisterFeature();
        movie_editor::RegisterFeature();
        online::RegisterFeature();
        scan::RegisterFeature();
    });
}
