#include "scan/ScanFeature.h"

#include "online/OnlineFeature.h"
#include "online/Tmdb.h"
#include "scan/ScanStore.h"
#include "scan/ScanWindow.h"
#include "shell/ErrorReport.h"
#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

namespace scan {

void RegisterFeature()
{
    store::RegisterSchemaStep({9,
                               QStringLiteral("keeping scanned codes to do"),
                               [](store::Connection& db, auto&, auto&) { db.exec(CreateToDoSql()); },
                               {}});
    shell::AddCollectionItem(
        {80, QStringLiteral("Scan &Barcodes..."), QStringLiteral("mnuScanBarcodes"), [](shell::Hub& hub) {
             online::Gateway& gateway = online::SharedGateway();
             AddUpcitemdbService(gateway);
             const auto service = MakeUpcitemdb(gateway);
             // Without a key for the film database the shop's cleaned name is
             // proposed as it stands.
             const auto provider = online::HasTmdbKey() ? online::MakeTmdb(gateway) : nullptr;
             frmScan* window = nullptr;
             try {
                 window = new frmScan(
                     *service, provider.get(), [&hub](qint64 id) { hub.SelectMovieById(id); }, hub.Window());
             } catch (const store::StoreError& e) {
                 shell::ShowStoreError(e);
                 return;
             }
             bool wrote = false;
             QObject::connect(window, &QDialog::finished, window, [window, &wrote] { wrote = window->Wrote(); });
             shell::ShowModal(window, hub.Window());
             if (wrote)
                 hub.Reread();
         }});
}

} // namespace scan
