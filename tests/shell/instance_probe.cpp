// Plays one instance of the program for the single-instance tests: it takes the title from its
// arguments, hands over to a running instance or becomes the first, and says what happened.
#include "shell/App.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    shell::App::SetTitle(app.arguments().value(1));
    if (shell::DetectPreviousInstance() && shell::ActivatePreviousInstance()) {
        std::printf("handed-over\n");
        return 0;
    }
    std::printf("title=%s\n", qPrintable(shell::App::Title()));
    QWidget window;
    window.showMinimized();
    shell::SingleInstance instance;
    if (!instance.Listen(shell::App::Title())) {
        std::printf("listen-failed\n");
        return 2;
    }
    QObject::connect(&instance, &shell::SingleInstance::activateRequested, &window, [&window] {
        const bool wasMinimised = window.isMinimized();
        window.showNormal();
        window.raise();
        window.activateWindow();
        std::printf("activated was-minimised=%d\n", wasMinimised ? 1 : 0);
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
