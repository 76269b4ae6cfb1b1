#include "shell/Module1.h"

#include "main_window/frmMain.h"
#include "shell/App.h"
#include "shell/CatalogueHome.h"
#include "shell/ErrorReport.h"
#include "shell/SingleInstance.h"
#include "shell/Toolkit.h"
#include "shell/frmSplashR.h"

#include <QApplication>
#include <QIcon>
#include <QScopeGuard>
#include <QScreen>
#include <memory>

namespace Module1 {

namespace {
main_window::frmMain* g_main = nullptr;
}

main_window::frmMain* MainWindow()
{
    return g_main;
}

int Main()
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
    QApplication::processEvents();

    auto main = std::make_unique<main_window::frmMain>();
    g_main = main.get();
    const auto forget = qScopeGuard([] { g_main = nullptr; });
    try {
        shell::SettleCatalogue();
        if (!main->Form_Load())
            return 0; // the earlier instance came forward
    } catch (const store::StoreError& e) {
        splash.reset();
        shell::MsgBox(e.message(), shell::vbCritical);
        return 1;
    }

    QObject::connect(&instance, &shell::SingleInstance::activateRequested, main.get(),
                     [w = main.get()] { shell::BringForward(w); });

    splash.reset();
    main->show();
    main->activateWindow();
    return QApplication::exec();
}

} // namespace Module1
