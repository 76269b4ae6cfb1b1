#include "shell/Module1.h"

#include "shell/App.h"
#include "shell/CatalogueHome.h"
#include "shell/ErrorReport.h"
#include "shell/RunMarker.h"
#include "shell/SingleInstance.h"
#include "shell/Toolkit.h"
#include "shell/Upgrade.h"
#include "shell/frmSplashR.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QIcon>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QScreen>
#include <QThread>
#include <memory>
#include <optional>

namespace Module1 {

namespace {
QWidget* g_main = nullptr;

// A change made while the catalogue is checked or copied in the background waits for that to end;
// the window comes only when the wait is long enough to notice. Work away from the window's thread
// waits without one.
bool waitBehind(QFuture<void> check, const QString& label)
{
    if (check.isFinished())
        return true;
    if (QThread::currentThread() != qApp->thread()) {
        check.waitForFinished();
        return true;
    }
    QProgressDialog window(label, QStringLiteral("Cancel"), 0, 0);
    window.setWindowTitle(shell::kAppCaption);
    window.setWindowModality(Qt::ApplicationModal);
    window.setMinimumDuration(300);
    window.setValue(0);
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    QObject::connect(&window, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    watcher.setFuture(check);
    loop.exec();
    return check.isFinished() || !window.wasCanceled();
}

bool waitForCheck(QFuture<void> check)
{
    return waitBehind(check, QStringLiteral("Checking the catalogue for damage before the change..."));
}

bool waitForBackup(QFuture<void> copy)
{
    return waitBehind(copy, QStringLiteral("Backing up the catalogue before the first change..."));
}
} // namespace

QWidget* MainWindow()
{
    return g_main;
}

int Main(const std::function<std::unique_ptr<shell::MainForm>()>& makeMain)
{
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/reelkeeper/icons/reelkeeper.png")));
    shell::App::SetHelpFile(shell::App::Path() + QStringLiteral("/Reelkeeper.html"));
    // Claimed before anything loads, so two starts close together cannot both go on.
    shell::SingleInstance instance;
    shell::DetectPreviousInstance(instance);

    auto splash = std::make_unique<shell::frmSplashR>();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        splash->move(screen->geometry().center() - splash->rect().center());
    splash->show();
    splash->repaint();

    const std::unique_ptr<shell::MainForm> form = makeMain();
    QWidget* main = form->Window();
    g_main = main;
    const auto forget = qScopeGuard([] { g_main = nullptr; });
    QString path;
    std::optional<shell::RunMarker> marker; // removed on every orderly return from here
    try {
        path = shell::SettleCatalogue();
        shell::TellUpgrades();
        marker.emplace(path);
        // After an unclean end the check stands before the window; otherwise it runs once the
        // window shows.
        store::DeferCheck(path);
        if (marker->UncleanBefore())
            store::RequireSound(path);
        shell::UpgradeCatalogue(splash.get(), path);
        if (!form->Form_Load())
            return 0; // the earlier instance came forward
        if (shell::DamageTold())
            return 1; // the first screen met the damage and said so
        marker->Forget();
    } catch (const store::StoreError& e) {
        splash.reset();
        shell::MsgBox(e.message(), shell::vbCritical);
        return 1;
    }

    QObject::connect(&instance, &shell::SingleInstance::activateRequested, main, [main] { shell::BringForward(main); });

    splash.reset();
    main->show();
    main->activateWindow();
    if (shell::DamageTold())
        return 1; // met while the window first drew, before the loop that exit() would end

    // A damaged verdict is told and ends the run, as a damaged file at start does.
    QObject verdicts;
    store::SetCheckWaiter(waitForCheck);
    store::SetBackupWaiter(waitForBackup);
    const auto stopChecking = qScopeGuard([] {
        // The copy first: it would otherwise wait out the check's verdict.
        store::StopBackups();
        store::StopChecks();
        store::SetBackupWaiter({});
        store::SetCheckWaiter({});
    });
    store::StartCheck(path, [&verdicts, path, w = main] {
        QMetaObject::invokeMethod(
            &verdicts,
            [path, w] {
                try {
                    store::RequireSound(path);
                } catch (const store::StoreError& e) {
                    w->hide();
                    shell::MsgBox(e.message(), shell::vbCritical);
                    QApplication::exit(1);
                }
            },
            Qt::QueuedConnection);
    });
    // Alongside the check, so the first change seldom finds either under way.
    store::StartBackup(path);
    return QApplication::exec();
}

} // namespace Module1
