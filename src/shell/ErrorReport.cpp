#include "shell/ErrorReport.h"

#include "shell/Toolkit.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

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
    store::SetBackupFailureHandler([](const QString& message) {
        // A change made by work in the background tells it on the window's thread; the change goes
        // ahead meanwhile, as it does here.
        if (QThread::currentThread() == qApp->thread())
            MsgBox(message, vbExclamation);
        else
            QMetaObject::invokeMethod(
                qApp, [message] { MsgBox(message, vbExclamation); }, Qt::QueuedConnection);
    });
}

} // namespace shell
