// Plays one instance of the program for the single-instance tests: instance_probe <title> [busy-ms]
// [maximised]. It claims the title or hands over to the instance holding it and says which; when
// first, it stays busy for busy-ms, as a long load or report would, before it answers anyone.
#include "shell/App.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    shell::App::SetTitle(args.value(1));
    shell::SingleInstance instance;
    if (shell::DetectPreviousInstance(instance) && shell::ActivatePreviousInstance()) {
        std::printf("handed-over\n");
        return 0;
    }
    QWidget window;
    if (args.contains(QStringLiteral("maximised")))
        window.showMaximized();
    window.showMinimized();
    QObject::connect(&instance, &shell::SingleInstance::activateRequested, &window, [&window] {
        const bool wasMinimised = window.isMinimized();
        shell::BringForward(&window);
        std::printf("activated was-minimised=%d minimised=%d maximised=%d\n", wasMinimised, window.isMinimized(),
                    window.isMaximized());
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    QThread::msleep(args.value(2).toULong());
    return app.exec();
}
