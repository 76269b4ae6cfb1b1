#include "Features.h"
#include "exchange/CommandLine.h"
#include "main_window/frmMain.h"
#include "shell/ErrorReport.h"
#include "shell/Module1.h"
#include "store/Schema.h"

#include <QApplication>
#include <cstdio>

namespace {
// A catalogue error that escapes a handler becomes a message, never a crash.
class Application : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        bool result = false;
        shell::Guarded([&] { result = QApplication::notify(receiver, event); });
        return result;
    }
};
} // namespace

int main(int argc, char** argv)
{
    RegisterFeatures();
    // The command line runs without a window or a display, and never hands over to a running instance.
    if (exchange::IsCommandLine(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Reelkeeper"));
        store::SetUpgradeNotice([](const QStringList& told) {
            for (const QString& line : told)
                std::printf("%s\n", qPrintable(line));
        });
        return exchange::RunCommandLine(QCoreApplication::arguments());
    }
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Reelkeeper"));
    QApplication::setApplicationVersion(QStringLiteral(REELKEEPER_VERSION));
    return Module1::Main([] { return std::make_unique<main_window::frmMain>(); });
}
