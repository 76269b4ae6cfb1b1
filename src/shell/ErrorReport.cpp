#include "shell/ErrorReport.h"

#include "shell/Toolkit.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QThread>

namespace shell {

namespace {
QString g_damageTold; // the catalogue whose damage was told
} // namespace

bool DamageTold()
{
    return !g_damageTold.isEmpty() && g_damageTold == store::CataloguePath();
}

void ShowStoreError(const store::StoreError& error)
{
    // A damaged file is told once, with what to do, and the run ends as when the check finds it:
    // going on would only meet the damage again.
    if (store::IsDamage(error)) {
        if (DamageTold())
            return;
        g_damageTold = store::CataloguePath();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(window))
                window->hide();
        MsgBox(store::RecordDamage(store::CataloguePath(), error).message(), vbCritical);
        QApplication::exit(1);
        return;
    }
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
