// Deleting a movie with its cleanup, and opening the resource window, on the 50,000-movie catalogue.
#include "BenchSupport.h"
#include "main_window/DataControl.h"
#include "main_window/DeleteMovie.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "resources/frmRemoveResource.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Credits.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// 50,000 movies unless REELKEEPER_BENCH_MOVIES names another kept size.
const int kMovies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES") > 0
                        ? qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES")
                        : 50000;

// Deleting changes the catalogue, so these runs work on a copy of the kept one.
QString WorkingCopy()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        const QString kept = bench::UseCatalogue(kMovies);
        path = dir.path() + QStringLiteral("/Reelkeeper.mdb");
        QFile::copy(kept, path);
    }
    shell::App::SetPath(dir.path());
    return path;
}

// The program always holds the grid's connection, so the command's own connection never is the
// last one to close, which would checkpoint the journal into the file on every run.
std::unique_ptr<store::Connection> GridConnection()
{
    return std::make_unique<store::Connection>(store::OpenDatabase());
}

// Movies with exactly five cast links, in key order, so every deletion has the same shape.
std::vector<qint64> FiveLinkMovies()
{
    store::Connection db = store::OpenDatabase();
    store::Statement q(db, QStringLiteral("SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] GROUP BY [Movie_ID] "
                                          "HAVING count(*) = 5 ORDER BY [Movie_ID] LIMIT 3000"));
    std::vector<qint64> ids;
    while (q.step())
        ids.push_back(q.column(0).toLongLong());
    return ids;
}

void BM_DeleteMovieRecord(benchmark::State& state)
{
    WorkingCopy();
    const auto grid = GridConnection();
    const std::vector<qint64> ids = FiveLinkMovies();
    std::size_t next = 0;
    for (auto _ : state) {
        store::Connection db = store::OpenDatabase();
        benchmark::DoNotOptimize(main_window::DeleteMovieRecord(db, ids.at(next++)));
    }
}

// The same work in as few statements as sqlite3 needs, for comparison.
void BM_Sqlite3DeleteMovie(benchmark::State& state)
{
    WorkingCopy();
    const auto grid = GridConnection();
    const std::vector<qint64> ids = FiveLinkMovies();
    std::size_t next = ids.size() / 2;
    for (auto _ : state) {
        store::Connection db = store::OpenDatabase();
        const qint64 id = ids.at(next++);
        store::Transaction unit(db);
        std::vector<QVariant> keys;
        {
            store::Statement q(db,
                               QStringLiteral("SELECT Director_ID, Producer_ID, Executive_Producer_ID, Composer_ID, "
                                              "Writer_ID, Screenplay_ID, Cinematographer_ID, Studio_ID, Genre_ID, "
                                              "Format_ID FROM tbl_Movie_Title WHERE Movie_ID = ?"));
            q.bind(1, id);
            q.step();
            for (int i = 0; i < 10; ++i)
                keys.push_back(q.column(i));
        }
        store::Statement del(db, QStringLiteral("DELETE FROM tbl_Movie_Title WHERE Movie_ID = ?"));
        del.bind(1, id);
        del.run();
        for (std::size_t i = 0; i < store::kCredits.size(); ++i) {
            const QString table = QString::fromLatin1(store::kCredits[i].table);
            const QString name = QString::fromLatin1(store::kCredits[i].name);
            const QString key = QString::fromLatin1(store::kCredits[i].key);
            store::Statement orphan(db, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") + key +
                                            QStringLiteral(" = ?1 AND ") + name +
                                            QStringLiteral(" COLLATE BINARY IS NOT ?2 AND NOT EXISTS (SELECT 1 FROM "
                                                           "tbl_Movie_Title WHERE ") +
                                            key + QStringLiteral(" = ?1)"));
            orphan.bind(1, keys[i]);
            orphan.bind(2, QStringLiteral("Unknown"));
            orphan.run();
        }
        store::Statement cast(db, QStringLiteral("SELECT Actor_ID FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?"));
        cast.bind(1, id);
        std::vector<qint64> actors;
        while (cast.step())
            actors.push_back(cast.column(0).toLongLong());
        store::Statement unlink(db, QStringLiteral("DELETE FROM tbl_Actor_Movie_Join WHERE Movie_ID = ?"));
        unlink.bind(1, id);
        unlink.run();
        store::Statement lone(db, QStringLiteral("DELETE FROM tbl_Actor WHERE Actor_ID = ?1 AND NOT EXISTS "
                                                 "(SELECT 1 FROM tbl_Actor_Movie_Join WHERE Actor_ID = ?1)"));
        for (qint64 actor : actors) {
            lone.bind(1, actor);
            lone.run();
            lone.reset();
        }
        unit.commit();
    }
}

// The whole command as the user runs it: question, delete, and the grid re-reading 50,000 rows.
void BM_DeleteCurrentMovie(benchmark::State& state)
{
    WorkingCopy();
    shell::SetMessageHandler([](const shell::MessageRecord&) { return int(shell::vbYes); });
    main_window::frmMain w;
    w.Form_Load();
    w.show();
    QApplication::processEvents();
    int row = 100;
    for (auto _ : state) {
        w.dbgMovie()->SetRow(row += 97);
        benchmark::DoNotOptimize(main_window::DeleteCurrentMovie(w));
    }
    shell::SetMessageHandler(nullptr);
}

void BM_OpenRemoveResource(benchmark::State& state)
{
    WorkingCopy();
    store::OpenDatabase(); // the run's first open checks every page, as start-up does before any window
    for (auto _ : state) {
        auto w = std::make_unique<resources::frmRemoveResource>();
        w->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.get());
    }
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

void BM_Sqlite3ReadLists(benchmark::State& state)
{
    const QString path = WorkingCopy();
    const char* lists[] = {"SELECT * FROM [tbl_Director] ORDER BY [Director]",
                           "SELECT * FROM [tbl_Cinematographer] ORDER BY [Cinematographer]",
                           "SELECT * FROM [tbl_Composer] ORDER BY [Composer]",
                           "SELECT * FROM [tbl_Executive_Producer] ORDER BY [Executive_Producer]",
                           "SELECT * FROM [tbl_Format] ORDER BY [Format]",
                           "SELECT * FROM [tbl_Genre] ORDER BY [Genre]",
                           "SELECT * FROM [tbl_Producer] ORDER BY [Producer]",
                           "SELECT * FROM [tbl_Screenplay] ORDER BY [Screenwriter]",
                           "SELECT * FROM [tbl_Studio] ORDER BY [Studio]",
                           "SELECT * FROM [tbl_Writer] ORDER BY [Writer]",
                           "SELECT * FROM [qry_Actor] ORDER BY [Actor]"};
    for (auto _ : state)
        for (const char* sql : lists)
            benchmark::DoNotOptimize(bench::RawRead(path, sql));
}

BENCHMARK(BM_DeleteMovieRecord)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(BM_Sqlite3DeleteMovie)->Unit(benchmark::kMillisecond)->Iterations(500);
BENCHMARK(BM_DeleteCurrentMovie)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenRemoveResource)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Sqlite3ReadLists)->Unit(benchmark::kMillisecond);

} // namespace
