// Start-up through the program's own start routine until the grid shows its first rows, at
// 50,000 / 200,000 / 500,000 movies; beside it sqlite3's integrity check, which a start after a
// clean end no longer waits for.
#include "BenchSupport.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/App.h"
#include "shell/Module1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

// Stops the clock at the first paint of the main window with rows in its grid, then closes it.
class FirstRows : public QObject
{
public:
    QElapsedTimer clock;
    double seconds = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<main_window::frmMain*>(Module1::MainWindow());
        if (seconds == 0 && event->type() == QEvent::Paint && w && w->isVisible() && qobject_cast<QWidget*>(watched) &&
            static_cast<QWidget*>(watched)->window() == w && w->dbgMovie()->Row() >= 0) {
            seconds = double(clock.nsecsElapsed()) / 1e9;
            QTimer::singleShot(0, w, &QWidget::close);
        }
        return false;
    }
};

double checkSeconds(const QString& path)
{
    QElapsedTimer t;
    t.start();
    benchmark::DoNotOptimize(bench::RawRead(path, "PRAGMA quick_check(1)"));
    return double(t.nsecsElapsed()) / 1e9;
}

void BM_StartUntilFirstRows(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    shell::App::SetTitle(QStringLiteral("Reelkeeper bench_start"));
    double start = 0, check = 0;
    for (auto _ : state) {
        FirstRows watch;
        qApp->installEventFilter(&watch);
        watch.clock.start();
        if (Module1::Main([] { return std::make_unique<main_window::frmMain>(); }) != 0 || watch.seconds == 0)
            state.SkipWithError("the program did not start");
        state.SetIterationTime(watch.seconds);
        start += watch.seconds;
        check += checkSeconds(path);
    }
    state.counters["start_ms"] = 1000 * start / double(state.iterations());
    state.counters["check_ms"] = 1000 * check / double(state.iterations());
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

BENCHMARK(BM_StartUntilFirstRows)
    ->Arg(50000)
    ->Arg(200000)
    ->Arg(500000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace
