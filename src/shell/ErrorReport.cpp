#include "shell/ErrorReport.h"

#include "shell/Toolkit.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QDir>

namespace shell {

void ShowStoreError(const store::StoreError& error)
{
    if (error.isBusy()) {
        MsgBox(QStringLiteral("The catalogue \"%1\" is busy: another program is using it.")
                       .arg(QDir::toNativeSeparators(store::CataloguePath())) +
                   kCrLf + QStringLiteral("Nothing was changed. Close that program or wait a moment, then try again."),
               vbExclamation);
        return;
    }
    MsgBox(error.message(), vbCritical);
}

void TellBackupFailures()
{
    store::SetBackupFailureHandler([](const QString& message) { MsgBox(message, vbExclamation); });
}

} // namespace shell
