// The statistics window on a full-size catalogue (REELKEEPER_BENCH_MOVIES, else 50,000 and 500,000)
// against the sqlite3 tool running the same grouped queries from a script.
#include "BenchSupport.h"
#include "Features.h"
#include "statistics/frmStatistics.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <benchmark/benchmark.h>

namespace {

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// The tool's own start is part of its time, as it is when a user runs it.
double sqliteTool(const QString& path)
{
    QElapsedTimer t;
    t.start();
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), path});
    tool.write(statistics::SqliteScript().toUtf8());
    tool.closeWriteChannel();
    tool.waitForFinished(-1);
    benchmark::DoNotOptimize(tool.readAllStandardOutput());
    if (tool.exitCode() != 0 || !tool.readAllStandardError().isEmpty())
        qFatal("sqlite3 failed");
    return seconds(t);
}

statistics::frmStatistics* openWindow()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<statistics::frmStatistics*>(top); window && window->isVisible())
            return window;
    qFatal("no statistics window");
}

// From the menu's command to the window drawn with its totals and first chart, then to the last
// chart counted, the window's thread free meanwhile.
void OpenStatistics(benchmark::State& state)
{
    // A catalogue kept from an earlier run is at today's schema, which only the features know.
    RegisterFeatures();
    const int movies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES");
    const QString path = bench::UseCatalogue(movies > 0 ? movies : int(state.range(0)));
    // The program checks the catalogue once, at start-up, before any command opens it.
    store::OpenDatabase();
    double first = 0, all = 0, tool = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        statistics::ShowStatistics([](const QString&) {});
        statistics::frmStatistics* window = openWindow();
        window->repaint();
        first += seconds(t);
        QEventLoop loop;
        QObject::connect(window, &statistics::frmStatistics::Counted, &loop, &QEventLoop::quit);
        loop.exec();
        const double s = seconds(t);
        state.SetIterationTime(s);
        all += s;
        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        tool += sqliteTool(path);
    }
    const double n = double(state.iterations());
    state.counters["first_chart_ms"] = 1000 * first / n;
    state.counters["all_charts_ms"] = 1000 * all / n;
    state.counters["sqlite3_ms"] = 1000 * tool / n;
    state.counters["ratio"] = all / tool;
}

BENCHMARK(OpenStatistics)
    ->Arg(50000)
    ->Arg(500000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);

} // namespace
