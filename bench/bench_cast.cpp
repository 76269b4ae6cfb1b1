// The cast windows over a full-size catalogue: 50,000 movies, 20,000 actors, or as many movies as
// REELKEEPER_BENCH_MOVIES says (the catalogue kept under bench-data/ for that size).
#include "BenchSupport.h"
#include "CatalogueGenerator.h"

#include "cast/FlexGrid.h"
#include "cast/frmActorInfo.h"
#include "cast/frmActorList.h"
#include "shell/App.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include "shell/Toolkit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QString g_title; // a movie with a cast

// The cast editor as the user sees it, on a movie with cast.
std::unique_ptr<cast::frmActorInfo> openEditor()
{
    shell::CurrentMovieTitle() = g_title;
    auto w = std::make_unique<cast::frmActorInfo>();
    w->show();
    QCoreApplication::processEvents();
    return w;
}

// An actor not yet in the shown movie's cast, made current in the complete list.
void pickUncastActor(cast::frmActorInfo& w)
{
    cast::FlexGrid* list = w.ActorListGrid();
    const QStringList cast = [&] {
        QStringList names;
        for (int i = 0; i < w.ActorGrid()->Rows(); ++i)
            names << w.ActorGrid()->TextMatrix(i, 1);
        return names;
    }();
    for (int i = list->Rows() / 2; i < list->Rows(); ++i) {
        if (!cast.contains(list->TextMatrix(i, 1))) {
            list->SetRow(i);
            return;
        }
    }
}

// Makes the cast row of the named actor current.
void pickCastRow(cast::frmActorInfo& w, const QString& name)
{
    for (int i = 0; i < w.ActorGrid()->Rows(); ++i)
        if (w.ActorGrid()->TextMatrix(i, 1) == name)
            w.ActorGrid()->SetRow(i);
}

void BM_OpenCastEditor(benchmark::State& state)
{
    for (auto _ : state) {
        auto w = openEditor();
        benchmark::DoNotOptimize(w->ActorGrid()->Rows());
    }
    // sqlite3 reading the two lists the window offers: every title and every actor.
    QElapsedTimer clock;
    clock.start();
    benchmark::DoNotOptimize(
        bench::RawRead(store::CataloguePath(), "SELECT [Movie_Title] FROM [tbl_Movie_Title] ORDER BY [Movie_Title]") +
        bench::RawRead(store::CataloguePath(), "SELECT [Actor] FROM [qry_Actor] ORDER BY [Actor]"));
    state.counters["sqlite3_ms"] = double(clock.nsecsElapsed()) / 1e6;
}

void BM_CastRefresh(benchmark::State& state)
{
    auto w = openEditor();
    for (auto _ : state) {
        w->cboMovie_Change();
        QCoreApplication::processEvents();
    }
}

void BM_FillCompleteList(benchmark::State& state)
{
    auto w = openEditor();
    for (auto _ : state) {
        w->PopulateComboBoxes();
        QCoreApplication::processEvents();
    }
}

void BM_Link(benchmark::State& state)
{
    auto w = openEditor();
    pickUncastActor(*w);
    const QString name = w->ActorListGrid()->Text();
    for (auto _ : state) {
        w->SelectOne();
        QCoreApplication::processEvents();
        state.PauseTiming();
        pickCastRow(*w, name);
        w->DeSelectOne();
        state.ResumeTiming();
    }
}

void BM_Unlink(benchmark::State& state)
{
    auto w = openEditor();
    pickUncastActor(*w);
    const QString name = w->ActorListGrid()->Text();
    for (auto _ : state) {
        state.PauseTiming();
        w->SelectOne();
        pickCastRow(*w, name);
        state.ResumeTiming();
        w->DeSelectOne();
        QCoreApplication::processEvents();
    }
}

// One character typed into the movie box: the complete list and the cast are both re-read.
void BM_KeystrokeInMovieBox(benchmark::State& state)
{
    auto w = openEditor();
    QComboBox* box = w->cboMovie();
    box->setFocus();
    box->lineEdit()->end(false);
    bool typed = false;
    for (auto _ : state) {
        QTest::keyClick(box, typed ? Qt::Key_Backspace : Qt::Key_X);
        typed = !typed;
        QCoreApplication::processEvents();
    }
}

void BM_OpenFilmography(benchmark::State& state)
{
    for (auto _ : state) {
        auto w = std::make_unique<cast::frmActorList>();
        w->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(w->MovieGrid()->Rows());
    }
    // sqlite3 reading every actor's name, the list the window offers.
    QElapsedTimer clock;
    clock.start();
    benchmark::DoNotOptimize(
        bench::RawRead(store::CataloguePath(), "SELECT [Actor] FROM [qry_Actor] ORDER BY [Actor]"));
    state.counters["sqlite3_ms"] = double(clock.nsecsElapsed()) / 1e6;
}

// The actor box's list dropped down, then a name typed into the box, as the user would.
void BM_FilmographyList(benchmark::State& state)
{
    auto w = std::make_unique<cast::frmActorList>();
    w->show();
    QCoreApplication::processEvents();
    QComboBox* box = w->cboActorList();
    for (auto _ : state) {
        box->showPopup();
        QCoreApplication::processEvents();
        QTest::keyClick(box->view(), Qt::Key_S); // the list's own search by first letters
        QCoreApplication::processEvents();
        box->hidePopup();
        box->setEditText(QStringLiteral("Rossi"));
        QTest::keyClick(box, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_OpenCastEditor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CastRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillCompleteList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Link)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unlink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeInMovieBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFilmography)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FilmographyList)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A box here means the run went wrong; say so instead of waiting for a person.
    shell::SetMessageHandler([](const shell::MessageRecord& box) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(box.text));
        std::abort();
        return int(shell::vbOK);
    });
    QTemporaryDir dir;
    const int movies = qEnvironmentVariableIntValue("REELKEEPER_BENCH_MOVIES");
    if (movies > 0) {
        bench::UseCatalogue(movies);
    } else {
        shell::App::SetPath(dir.path());
        bench::GenerateCatalogue(store::CataloguePath(), bench::ShapeFor(50000));
    }
    {
        const store::Connection db = store::OpenDatabase();
        const store::Recordset rs(db, QStringLiteral("SELECT [Movie_Title] FROM [tbl_Movie_Title] WHERE [Movie_ID] = "
                                                     "(SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] LIMIT 1)"));
        g_title = rs.Value(QStringLiteral("Movie_Title")).toString();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
