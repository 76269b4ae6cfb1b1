// The statistics window on a full-size catalogue (REELKEEPER_BENCH_MOVIES, 50,000 by default)
// against the sqlite3 tool running the same grouped queries from a script.
#include "BenchSupport.h"
#include "statistics/frmStatistics.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QElapsedTimer>
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

void OpenStatistics(benchmark::State& state)
{
    const int movies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES");
    const QString path = bench::UseCatalogue(movies > 0 ? movies : 50000);
    // The program checks the catalogue once, at start-up, before any command opens it.
    store::OpenDatabase();
    double open = 0, connect = 0, query = 0, tool = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const store::Connection db = store::OpenDatabase();
        connect += seconds(t);
        statistics::Statistics data = statistics::Collect(db);
        query += seconds(t);
        // Opened as the menu opens it, and drawn once.
        auto* window = new statistics::frmStatistics(std::move(data));
        window->show();
        QApplication::processEvents();
        window->repaint();
        const double s = seconds(t);
        state.SetIterationTime(s);
        open += s;
        delete window;
        tool += sqliteTool(path);
    }
    const double n = double(state.iterations());
    state.counters["open_ms"] = 1000 * open / n;
    state.counters["connect_ms"] = 1000 * connect / n;
    state.counters["query_ms"] = 1000 * query / n; // connection included
    state.counters["sqlite3_ms"] = 1000 * tool / n;
    state.counters["ratio"] = open / tool;
    state.counters["query_ratio"] = query / tool;
}

BENCHMARK(OpenStatistics)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
