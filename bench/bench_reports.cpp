// Each report on a full-size catalogue against sqlite3 running one query that yields the same rows.
#include "BenchSupport.h"
#include "reports/ReportModule.h"
#include "shell/App.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sqlite3.h>

namespace {

// The machine is shared: the processor time this thread used tells the two apart when others load it.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double cpuUsed = 0; // by the last baseline run

// Steps through every row and reads every column as text, the least a report has to do.
double baselineSeconds(const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(store::CataloguePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &q, nullptr);
    const int n = sqlite3_column_count(q);
    std::size_t bytes = 0;
    while (sqlite3_step(q) == SQLITE_ROW)
        for (int i = 0; i < n; ++i)
            bytes += std::size_t(sqlite3_column_bytes(q, i)) + (sqlite3_column_text(q, i) ? 1 : 0);
    benchmark::DoNotOptimize(bytes);
    sqlite3_finalize(q);
    const double s = double(t.nsecsElapsed()) / 1e9;
    cpuUsed = cpuSeconds() - cpu;
    sqlite3_close(db);
    return s;
}

// One full-size catalogue for all reports, kept between runs (REELKEEPER_BENCH_MOVIES, 50,000 by default).
void prepare()
{
    static QTemporaryDir desktop;
    static bool ready = false;
    if (ready)
        return;
    ready = true;
    const int movies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES");
    bench::UseCatalogue(movies > 0 ? movies : 50000);
    // The program checks the catalogue once, at start-up, before any report opens it.
    store::OpenDatabase();
    // REELKEEPER_BENCH_REPORTS keeps the reports there, to compare two builds' files.
    const QString kept = qEnvironmentVariable("REELKEEPER_BENCH_REPORTS");
    ReportModule::SetDesktopFolder(kept.isEmpty() ? desktop.path() : kept);
    shell::SetMessageHandler([](const shell::MessageRecord& box) {
        if (box.icon() != shell::vbInformation)
            qFatal("%s", qPrintable(box.text));
        return int(shell::vbOK);
    });
}

void runReport(benchmark::State& state, void (*print)(), const char* sameRows)
{
    prepare();
    double report = 0, baseline = 0, reportCpu = 0, baselineCpu = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const double cpu = cpuSeconds();
        print();
        const double s = double(t.nsecsElapsed()) / 1e9;
        reportCpu += cpuSeconds() - cpu;
        state.SetIterationTime(s);
        report += s;
        baseline += baselineSeconds(sameRows);
        baselineCpu += cpuUsed;
    }
    state.counters["report_ms"] = 1000 * report / double(state.iterations());
    state.counters["sqlite3_ms"] = 1000 * baseline / double(state.iterations());
    state.counters["ratio"] = report / baseline;
    state.counters["cpu_ratio"] = reportCpu / baselineCpu;
}

#define REPORT_BENCH(name, proc, sql)                                                                                  \
    BENCHMARK_CAPTURE(runReport, name, &ReportModule::proc, sql)                                                       \
        ->UseManualTime()                                                                                              \
        ->Iterations(3)                                                                                                \
        ->Unit(benchmark::kMillisecond)

// Each report reads only the columns it writes, so sqlite3 reads only those too.
REPORT_BENCH(Year, PrintYearReport,
             "SELECT [Year_Released], [Movie_Title], [Director], [Length], [Grade], [Rating] FROM [qry_Movie_Title] "
             "ORDER BY [Year_Released], [Movie_Title]");
REPORT_BENCH(Genre, PrintGenreReport,
             "SELECT [Genre], [Movie_Title], [Director], [Year_Released], [Length], [Grade] FROM [qry_Movie_Title] "
             "ORDER BY [Genre], [Movie_Title]");
REPORT_BENCH(Composer, PrintComposerReport,
             "SELECT [Composer], [Movie_Title], [Director], [Year_Released], [Length], [Grade] FROM [qry_Movie_Title] "
             "ORDER BY [Composer], [Movie_Title]");
REPORT_BENCH(Director, PrintDirectorReport,
             "SELECT [Director], [Movie_Title], [Studio], [Year_Released], [Length], [Grade] FROM [qry_Movie_Title] "
             "ORDER BY [Director], [Movie_Title]");
REPORT_BENCH(Studio, PrintStudioReport,
             "SELECT [Studio], [Movie_Title], [Director], [Year_Released], [Length], [Grade] FROM [qry_Movie_Title] "
             "ORDER BY [Studio], [Movie_Title]");
REPORT_BENCH(Actor, PrintActorReport, "SELECT * FROM [qry_Actor_Report]");
REPORT_BENCH(MovieTitle, PrintMovieTitleReport,
             "SELECT [Movie_Title], [Director], [Studio], [Year_Released], [Length], [Grade], [Format] "
             "FROM [qry_Movie_Title] ORDER BY [Movie_Title]");
REPORT_BENCH(Widescreen, PrintWidescreenReport, "SELECT * FROM [qry_Widescreen_Report]");

} // namespace

BENCHMARK_MAIN();
