// The movie browser over 1,000 to 500,000 movies, against sqlite3 reading the same rows.
#include "BenchSupport.h"
#include "MainWindowSupport.h"
#include "catalog/MovieColumns.h"
#include "covers/CoverImage.h"
#include "covers/CoverStore.h"
#include "find/SortOrder.h"
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/App.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRandomGenerator>
#include <QTableView>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using catalog::ColumnField;

namespace {

// Best of five runs of `work`, in milliseconds.
template <typename Work> double bestMs(Work work)
{
    double best = 1e12;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = qMin(best, double(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}

// sqlite3 doing what the grid does for a fresh order: the first block of keys, their count, the
// first screen of rows.
double sqlite3FirstRows(const QString& path, const QString& field)
{
    const store::SortedKeys order = find::SortedKeysSql(field);
    const QByteArray keys = (order.keys + QStringLiteral(" LIMIT 256")).toUtf8(), count = order.count.toUtf8();
    const QByteArray rows = QString(QStringLiteral("SELECT [Movie_ID], * FROM [qry_Movie_Title] WHERE [Movie_ID] IN "
                                                   "(SELECT [Movie_ID] FROM (") +
                                    order.keys + QStringLiteral(" LIMIT 64))"))
                                .toUtf8();
    return bestMs([&] {
        benchmark::DoNotOptimize(bench::RawRead(path, keys.constData()) + bench::RawRead(path, count.constData()) +
                                 bench::RawRead(path, rows.constData()));
    });
}

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

// A click on each column's header until the first rows and "Record 1 of N" show.
void BM_SortBy(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    const int column = int(state.range(1));
    state.SetLabel(ColumnField(column).toStdString());
    auto w = bench::OpenMainWindow();
    QElapsedTimer clock;
    qint64 ns = 0;
    for (auto _ : state) {
        w->dbgMovie_HeadClick(column == 0 ? 1 : 0); // from another order each time
        QApplication::processEvents();
        clock.start();
        w->dbgMovie_HeadClick(column);
        QApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        ns += clock.nsecsElapsed();
    }
    const double tool = sqlite3FirstRows(path, ColumnField(column));
    state.counters["sqlite3_ms"] = tool;
    state.counters["ratio"] = double(ns) / 1e6 / double(state.iterations()) / tool;
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

// Coming back from another window after it changed one movie, sorted by title or by Director, on
// the first screen, half way down or on the last row.
void BM_RequeryChanged(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    // The fourth place is half way down the movies with an "s" (94% of them), found in the box.
    const std::size_t place = std::size_t(state.range(1));
    const int row =
        std::array{100, int(state.range(0) / 2), int(state.range(0) - 1), int(state.range(0) * 9 / 20)}[place];
    const int column = int(state.range(2));
    state.SetLabel(ColumnField(column).toStdString() + ", " +
                   std::array{"first screen", "half way", "last row", "half way, found"}[place]);
    auto w = bench::OpenMainWindow();
    if (place == 3) {
        w->findChild<QLineEdit*>(QStringLiteral("txtFind"))->setText(QStringLiteral("s"));
        QApplication::processEvents();
    }
    w->dbgMovie_HeadClick(column);
    w->dbgMovie()->SetRow(row);
    QApplication::processEvents();
    store::Connection other(path, store::Connection::Mode::ReadWrite);
    QElapsedTimer clock;
    qint64 ns = 0, grade = 0;
    for (auto _ : state) {
        other.exec(QStringLiteral("UPDATE tbl_Movie_Title SET Grade = '%1' WHERE Movie_ID = 7").arg(++grade % 5));
        clock.start();
        w->Form_Activate();
        QApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        ns += clock.nsecsElapsed();
    }
    const store::SortedKeys order = find::SortedKeysSql(ColumnField(column));
    const QByteArray keys = order.keys.toUtf8(), count = order.count.toUtf8();
    // The keys down to the row shown and their count: sqlite3 reading every key is the bound.
    const double tool = bestMs([&] {
        benchmark::DoNotOptimize(bench::RawRead(path, keys.constData()) + bench::RawRead(path, count.constData()));
    });
    state.counters["sqlite3_ms"] = tool;
    state.counters["ratio"] = double(ns) / 1e6 / double(state.iterations()) / tool;
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

// The user's Down arrow, sent to the grid that has the focus, until the window is painted again; the
// counters give the median and the worst keystroke, beside sqlite3 reading that movie's row and cast.
void BM_RowChangeKey(benchmark::State& state)
{
    const QString path = bench::UseCatalogue(int(state.range(0)));
    auto w = bench::OpenMainWindow();
    w->resize(1600, 1000); // a screenful, as most users keep it
    w->activateWindow();
    w->dbgMovie()->Split(0)->setFocus();
    QApplication::processEvents();
    std::vector<double> ms;
    QElapsedTimer clock;
    for (auto _ : state) {
        QWidget* focus = QApplication::focusWidget();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        clock.start();
        QApplication::sendEvent(focus ? focus : w->dbgMovie()->Split(0), &down);
        QApplication::processEvents();
        const double took = double(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(took / 1e3);
        ms.push_back(took);
    }
    const QByteArray id = QByteArray::number(w->CurrentMovieId());
    const double tool = bestMs([&] {
        benchmark::DoNotOptimize(
            bench::RawRead(path, "SELECT * FROM [qry_Movie_Title] WHERE [Movie_ID] = ?", id.constData()) +
            bench::RawRead(path, "SELECT [Actor] FROM qry_Actor_Movie_Join WHERE [Movie_ID] = ?", id.constData()));
    });
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
    state.counters["sqlite3_ms"] = tool;
    state.counters["ratio"] = ms[ms.size() / 2] / tool;
}

// The catalogue of that size with a cover on every movie: a hundred different pictures of 300 x 450
// pixels, each movie holding its own copy, as a real collection would. Made once and kept.
QString UseCoverCatalogue(int movies)
{
    const QString plain = bench::UseCatalogue(movies);
    const QString dir = QFileInfo(plain).absolutePath() + QStringLiteral("-covers");
    const QString path = dir + QStringLiteral("/Reelkeeper.mdb");
    if (!QFileInfo::exists(path)) {
        QDir().mkpath(dir);
        QFile::copy(plain, path + QStringLiteral(".part"));
        store::Connection db(path + QStringLiteral(".part"), store::Connection::Mode::ReadWrite);
        std::vector<covers::Cover> pictures;
        QRandomGenerator random(19);
        for (int k = 0; k < 100; ++k) {
            QImage image(300, 450, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(k * 359 / 100, 160, 200));
            QPainter paint(&image);
            for (int r = 0; r < 30; ++r)
                paint.fillRect(random.bounded(300), random.bounded(450), random.bounded(120), random.bounded(120),
                               QColor::fromRgb(random.generate()));
            paint.end();
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "jpeg", 88);
            pictures.push_back(covers::PrepareCover(bytes, QStringLiteral("cover")).cover);
        }
        db.exec(QStringLiteral("BEGIN"));
        store::Statement ids(db, QStringLiteral("SELECT Movie_ID FROM tbl_Movie_Title"));
        for (int i = 0; ids.step(); ++i)
            covers::SaveCover(db, ids.column(0).toLongLong(), pictures[std::size_t(i % 100)]);
        db.exec(QStringLiteral("COMMIT"));
        db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        QFile::rename(path + QStringLiteral(".part"), path);
    }
    shell::App::SetPath(dir);
    return path;
}

// Moving through 50,000 movies that all have covers: the thumbnail read and decoded on each change.
// The counters say how much the file grew beside how much the pictures hold.
void BM_RowChangeWithCovers(benchmark::State& state)
{
    const QString plain = bench::UseCatalogue(int(state.range(0)));
    const QString path = UseCoverCatalogue(int(state.range(0)));
    auto w = bench::OpenMainWindow();
    int row = 0;
    for (auto _ : state) {
        row = (row + 7919) % int(state.range(0));
        w->dbgMovie()->SetRow(row);
    }
    store::Connection db(path, store::Connection::Mode::ReadOnly);
    store::Statement sum(db, QStringLiteral("SELECT sum(length(Thumbnail) + length(Picture)) FROM tbl_Cover"));
    sum.step();
    state.counters["pictures_MB"] = sum.column(0).toDouble() / 1e6;
    state.counters["growth_MB"] = double(QFileInfo(path).size() - QFileInfo(plain).size()) / 1e6;
}

void BM_Sqlite3Thumbnail(benchmark::State& state)
{
    const QString path = UseCoverCatalogue(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            bench::RawRead(path, "SELECT [Thumbnail] FROM [tbl_Cover] WHERE [Movie_ID] = ?", "4242"));
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

void sortArgs(benchmark::internal::Benchmark* b)
{
    for (int size : {50000, 200000, 500000})
        for (int column = 0; column < 16; ++column)
            b->Args({size, column});
}

#define SIZES ->Arg(50000)->Arg(200000)->Arg(500000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_OpenMainWindow) SIZES->Iterations(3);
BENCHMARK(BM_Requery) SIZES;
BENCHMARK(BM_RequeryChanged)
    ->ArgsProduct({{50000, 500000}, {0, 1, 2, 3}, {0, 1, 13}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();
BENCHMARK(BM_SortBy)->Apply(sortArgs)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_RowChange)->Arg(50000)->Arg(200000)->Arg(500000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowChangeKey)
    ->Arg(1000)
    ->Arg(50000)
    ->Arg(500000)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowChangeWithCovers)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sqlite3Thumbnail)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sqlite3ReadGrid) SIZES;
BENCHMARK(BM_Sqlite3ReadSortedByDirector) SIZES;
BENCHMARK(BM_Sqlite3ReadKeys) SIZES;
BENCHMARK(BM_Sqlite3ReadKeysByDirector) SIZES;
BENCHMARK(BM_Sqlite3Starring)->Arg(50000)->Unit(benchmark::kMicrosecond);

} // namespace
