// The movie browser over 1,000 / 10,000 / 50,000 movies, against sqlite3 reading the same rows.
#include "BenchSupport.h"
#include "MainWindowSupport.h"
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/App.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

void BM_OpenMainWindow(benchmark::State& state)
{
    bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state) {
        auto w = bench::OpenMainWindow();
        benchmark::DoNotOptimize(w.get());
    }
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

void BM_Requery(benchmark::State& state)
{
    bench::UseCatalogue(int(state.range(0)));
    auto w = bench::OpenMainWindow();
    w->dbgMovie()->SetRow(int(state.range(0) / 2));
    for (auto _ : state)
        w->Form_Activate();
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

void BM_SortByDirector(benchmark::State& state)
{
    bench::UseCatalogue(int(state.range(0)));
    auto w = bench::OpenMainWindow();
    for (auto _ : state) {
        w->dbgMovie_HeadClick(1);
        QApplication::processEvents();
    }
}

void BM_RowChange(benchmark::State& state)
{
    bench::UseCatalogue(int(state.range(0)));
    auto w = bench::OpenMainWindow();
    int row = 0;
    for (auto _ : state) {
        row = (row + 7919) % int(state.range(0));
        w->dbgMovie()->SetRow(row);
    }
}

void BM_Sqlite3ReadGrid(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::RawRead(path, "SELECT * FROM qry_Movie_Title"));
}

void BM_Sqlite3ReadSortedByDirector(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            bench::RawRead(path, "Select * FROM [qry_Movie_Title] Order By [Director], [Movie_Title]"));
}

// The statements the grid itself runs: keys in order, rows fetched as they are shown.
void BM_Sqlite3ReadKeys(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::RawRead(path, "SELECT [Movie_ID] FROM [qry_Movie_Title]"));
}

void BM_Sqlite3ReadKeysByDirector(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            bench::RawRead(path, "SELECT [Movie_ID] FROM [qry_Movie_Title] Order By [Director], [Movie_Title]"));
}

void BM_Sqlite3Starring(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::RawRead(
            path, "SELECT [Actor] FROM qry_Actor_Movie_Join WHERE [Movie_Title] = ?", "Night River 4242"));
}

#define SIZES ->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_OpenMainWindow) SIZES->Iterations(3);
BENCHMARK(BM_Requery) SIZES;
BENCHMARK(BM_SortByDirector) SIZES;
BENCHMARK(BM_RowChange)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sqlite3ReadGrid) SIZES;
BENCHMARK(BM_Sqlite3ReadSortedByDirector) SIZES;
BENCHMARK(BM_Sqlite3ReadKeys) SIZES;
BENCHMARK(BM_Sqlite3ReadKeysByDirector) SIZES;
BENCHMARK(BM_Sqlite3Starring)->Arg(50000)->Unit(benchmark::kMicrosecond);

} // namespace
