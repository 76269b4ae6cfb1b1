#include "exchange/ExchangeFeature.h"

#include "exchange/ImportWindows.h"
#include "shell/Hub.h"

namespace exchange {

void RegisterFeature()
{
    shell::AddCollectionItem({20, QStringLiteral("&Import..."), QStringLiteral("mnuImport"),
                              [](shell::Hub& hub) {
                                  if (ImportInteractive(hub.Window()))
                                      hub.Reread();
                              },
                              false});
    shell::AddCollectionItem({30, QStringLiteral("E&xport..."), QStringLiteral("mnuExport"),
                              [](shell::Hub& hub) { ExportInteractive(hub.Window()); }, false});
}

} // namespace exchange
