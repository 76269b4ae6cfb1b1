// A movie's details on a copy of a full-size catalogue (REELKEEPER_BENCH_FILE, else a generated one
// of REELKEEPER_BENCH_MOVIES, 50,000 by default): opening the details window on a movie (the movie
// read whole, the window made) and the quick-info panel's plot and rating lines, each for movies
// spread over the catalogue, beside sqlite3 reading the same rows.
#include "BenchSupport.h"
#include "Features.h"
#include "catalog/MovieWriter.h"
#include "movie_editor/frmMovieDetails.h"
#include "shell/Hub.h"
#include "store/Catalogue.h"
#include "store/Sqlite.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

constexpr int kDetailed = 1000; // movies given details, every so many keys
constexpr int kReads = 200;

struct Setup
{
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-details-XXXXXX")};
    QString path;
    std::vector<qint64> ids;
    Setup()
    {
        const QString given = qEnvironmentVariable("REELKEEPER_BENCH_FILE");
        const int movies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES");
        const QString source = given.isEmpty() ? bench::UseCatalogue(movies > 0 ? movies : 50000) : given;
        RegisterFeatures();
        path = dir.filePath(QStringLiteral("Reelkeeper.mdb"));
        QFile::copy(source, path);
        shell::App::SetPath(dir.path());
        store::OpenDatabase(); // brought to today's schema, as at start-up
        store::Connection db = store::OpenDatabase();
        store::Statement count(db, QStringLiteral("SELECT max([Movie_ID]) FROM [tbl_Movie_Title]"));
        count.step();
        const qint64 last = count.column(0).toLongLong();
        store::Transaction unit(db);
        catalog::MovieWriter writer(db);
        for (qint64 id = 1; id <= last && int(ids.size()) < kDetailed; id += std::max<qint64>(1, last / kDetailed)) {
            std::optional<catalog::Movie> m = catalog::ReadMovie(db, id);
            if (!m)
                continue;
            m->plot = QString(2000, QLatin1Char('p'));
            m->personalRating = 7.5;
            m->moreNames[store::kGenre] = QStringList{QStringLiteral("Drama"), QStringLiteral("Noir")};
            m->barcodes = QStringList{QStringLiteral("4006381333931")};
            m->fields = {{QStringLiteral("Region"), QStringLiteral("2")}};
            writer.Overwrite(id, *m);
            ids.push_back(id);
        }
        unit.commit();
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

// sqlite3 alone reading what the window reads of each movie.
double raw(const std::vector<qint64>& ids)
{
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(setup().path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const char* sql[] = {
        "SELECT * FROM tbl_Movie_Title WHERE Movie_ID = ?", "SELECT * FROM tbl_Movie_Details WHERE Movie_ID = ?",
        "SELECT * FROM tbl_Movie_More_Name WHERE Movie_ID = ?", "SELECT * FROM tbl_Movie_Barcode WHERE Movie_ID = ?",
        "SELECT * FROM tbl_Movie_Field WHERE Movie_ID = ?"};
    long bytes = 0;
    for (int i = 0; i < kReads; ++i)
        for (const char* s : sql) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, s, -1, &st, nullptr);
            sqlite3_bind_int64(st, 1, ids[std::size_t(i) % ids.size()]);
            while (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0, n = sqlite3_column_count(st); c < n; ++c)
                    bytes += sqlite3_column_bytes(st, c);
            sqlite3_finalize(st);
        }
    sqlite3_close(db);
    benchmark::DoNotOptimize(bytes);
    return double(t.nsecsElapsed()) / 1e6 / kReads;
}

void OpenDetails(benchmark::State& state)
{
    const std::vector<qint64>& ids = setup().ids;
    double ms = 0, tool = 0, read = 0, open = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        qint64 reading = 0, opening = 0;
        for (int i = 0; i < kReads; ++i) {
            QElapsedTimer r;
            r.start();
            const store::Connection db = store::OpenDatabase();
            opening += r.nsecsElapsed();
            const catalog::Movie movie = *catalog::ReadMovie(db, ids[std::size_t(i) % ids.size()]);
            reading += r.nsecsElapsed();
            movie_editor::frmMovieDetails window(movie);
            benchmark::DoNotOptimize(&window);
        }
        const double each = double(t.nsecsElapsed()) / 1e6 / kReads;
        state.SetIterationTime(each / 1000);
        ms += each;
        read += double(reading) / 1e6 / kReads;
        open += double(opening) / 1e6 / kReads;
        tool += raw(ids);
    }
    state.counters["per_movie_ms"] = ms / double(state.iterations());
    state.counters["read_ms"] = read / double(state.iterations());    // connection, movie read whole
    state.counters["connect_ms"] = open / double(state.iterations()); // the connection alone
    state.counters["sqlite3_ms"] = tool / double(state.iterations());
    state.counters["ratio"] = ms / tool;
}

// What the main window offers a section; the details' lines ask nothing of it.
struct NoHub : shell::Hub
{
    QWidget* Window() override { return nullptr; }
    qint64 CurrentMovieId() const override { return -1; }
    void SelectMovieById(qint64) override {}
    void SetFindText(const QString&) override {}
    void Reread() override {}
    void RefreshPanel() override {}
};

void PanelPlot(benchmark::State& state)
{
    const std::vector<qint64>& ids = setup().ids;
    QWidget panel;
    NoHub hub;
    // The first section is the details' (order 5, before the loan's).
    const std::unique_ptr<shell::PanelSection> section = shell::PanelSections().front()(&panel, hub, [] {});
    const store::Connection db = store::OpenDatabase();
    double ms = 0, tool = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kReads; ++i)
            section->Show(db, ids[std::size_t(i) % ids.size()]);
        const double each = double(t.nsecsElapsed()) / 1e6 / kReads;
        state.SetIterationTime(each / 1000);
        ms += each;
        tool += raw(ids);
    }
    state.counters["per_movie_ms"] = ms / double(state.iterations());
    state.counters["sqlite3_whole_movie_ms"] = tool / double(state.iterations());
}

BENCHMARK(OpenDetails)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(PanelPlot)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
