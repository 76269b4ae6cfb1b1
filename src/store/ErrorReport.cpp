#include "store/ErrorReport.h"

#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QDir>

namespace store {

void ShowStoreError(const StoreError& error)
{
    if (error.isBusy()) {
        shell::MsgBox(QStringLiteral("The catalogue \"%1\" is busy: another program is using it.")
                              .arg(QDir::toNativeSeparators(CataloguePath())) +
                          shell::kCrLf +
                          QStringLiteral("Nothing was changed. Close that program or wait a moment, then try again."),
                      shell::vbExclamation);
        return;
    }
    shell::MsgBox(error.message(), shell::vbCritical);
}

} // namespace store
