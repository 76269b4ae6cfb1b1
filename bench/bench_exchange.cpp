// Import and export at the sizes collectors bring: 50,000 CSV rows with five cast each, a Tellico
// file of 10,000 entries, one of 1,000 entries each with a 500 x 750 JPEG cover, and the three
// exports of 50,000 and 500,000 movies, with and without covers. Beside each import the sqlite3 tool
// writes the same rows into the same empty catalogue as plain INSERT statements in one
// transaction, with the find index's catalogue triggers set aside and the documents filled after,
// as the import does; beside each export it writes the same rows as CSV with its own .mode csv.
// The counters give the tool's wall time, our time over theirs and our peak memory; an export also
// gives when its first progress came and the longest the window's thread went without its events.
#include "BenchSupport.h"
#include "Features.h"
#include "exchange/Exchange.h"
#include "exchange/Tellico.h"
#include "shell/Background.h"
#include "store/Catalogue.h"
#include "store/Credits.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

QString dataDir()
{
    const QString dir = QDir::currentPath() + QStringLiteral("/bench-data/exchange");
    QDir().mkpath(dir);
    return dir;
}

// The file an export of the generated catalogue of `movies` gives, made once.
QString exported(int movies, const char* suffix)
{
    const QString path = dataDir() + QStringLiteral("/movies-%1.%2").arg(movies).arg(QLatin1String(suffix));
    if (!QFileInfo::exists(path))
        exchange::ExportFile(store::OpenDatabase(bench::UseCatalogue(movies)), path);
    return path;
}

// The Tellico file of the generated 1,000 movies, each with a cover of its own, made once.
QString withCovers()
{
    const QString path = dataDir() + QStringLiteral("/movies-1000-covers.tc");
    if (QFileInfo::exists(path))
        return path;
    const std::vector<exchange::Movie> movies = exchange::ReadCatalogue(store::OpenDatabase(bench::UseCatalogue(1000)));
    std::size_t at = 0;
    const auto next = [&](exchange::Movie& m) {
        if (at == movies.size())
            return false;
        m = movies[at++];
        m.coverName = QStringLiteral("%1.jpeg").arg(m.id);
        return true;
    };
    const auto picture = [](qint64 id) {
        QImage image(500, 750, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb(int((x / 2 + id) % 256), (y / 3) % 256, int(((x ^ y) / 4 + id * 7) % 256));
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "jpeg", 85);
        return jpeg;
    };
    exchange::WriteTellicoZip(path, qint64(movies.size()), next, {}, picture);
    return path;
}

QString emptyCatalogue()
{
    const QString path = dataDir() + QStringLiteral("/empty.mdb");
    if (!QFileInfo::exists(path))
        RegisterFeatures(), store::CreateCatalogue(path);
    return path;
}

// A fresh copy of the empty catalogue at `name`.
QString freshCopy(const QString& name)
{
    const QString path = dataDir() + QLatin1Char('/') + name;
    for (const char* tail : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(tail));
    QFile::copy(emptyCatalogue(), path);
    return path;
}

// Milliseconds the sqlite3 tool takes, start to exit, to run the script on the catalogue.
double sqlite3Tool(const QString& path, const QByteArray& script, QByteArray* out = nullptr)
{
    QProcess tool;
    QElapsedTimer clock;
    clock.start();
    tool.start(QStringLiteral("sqlite3"), {path});
    tool.write(script);
    tool.closeWriteChannel();
    tool.waitForFinished(-1);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (out)
        *out = tool.readAllStandardOutput();
    return ms;
}

// The rows an import added to `imported`, as the INSERT statements the tool's .mode insert writes,
// wrapped as the import wraps its own writing; the find index's triggers keep it up as they go.
QByteArray insertScript(const QString& imported)
{
    QStringList tables{QStringLiteral("tbl_Actor"), QStringLiteral("tbl_Movie_Title"),
                       QStringLiteral("tbl_Actor_Movie_Join"), QStringLiteral("tbl_Cover")};
    for (const store::Credit& c : store::kCredits)
        tables.prepend(QLatin1String(c.table));
    store::Connection empty = store::OpenDatabase(emptyCatalogue());
    QByteArray dump;
    for (const QString& t : tables) {
        store::Statement top(empty, QStringLiteral("SELECT ifnull(max(rowid), 0) FROM [%1]").arg(t));
        top.step();
        QByteArray rows;
        sqlite3Tool(imported,
                    QStringLiteral(".mode insert %1\nSELECT * FROM [%1] WHERE rowid > %2;\n")
                        .arg(t)
                        .arg(top.column(0).toLongLong())
                        .toUtf8(),
                    &rows);
        dump += rows;
    }
    return "BEGIN;\n" + dump + "COMMIT;\n";
}

void report(benchmark::State& state, double oursMs, double toolMs)
{
    state.counters["sqlite3_ms"] = toolMs;
    state.counters["ratio"] = toolMs > 0 ? oursMs / toolMs : 0;
    state.counters["peak_MB"] = bench::PeakMegabytes();
}

// The whole import as the command line runs it: read, map, preview, write, into an empty catalogue.
void BM_Import(benchmark::State& state)
{
    const bool csv = state.range(0) == 0, covers = state.range(0) == 2;
    const int movies = csv ? 50000 : covers ? 1000 : 10000;
    const QString file = csv ? exported(50000, "csv") : covers ? withCovers() : exported(10000, "tc");
    state.SetLabel(csv      ? "50,000 CSV rows, five cast each"
                   : covers ? "Tellico, 1,000 entries with covers"
                            : "Tellico, 10,000 entries");
    QString path;
    QElapsedTimer clock;
    qint64 ns = 0;
    for (auto _ : state) {
        path = freshCopy(QStringLiteral("ours.mdb"));
        clock.start();
        exchange::ImportSource source = exchange::ReadImportFile(file);
        if (source.kind == exchange::Kind::Csv)
            source.data = exchange::MapRows(source.table, exchange::MappingFromHeader(source.table.header));
        store::Connection db = store::OpenDatabase(path);
        const exchange::Outcome outcome =
            exchange::WriteImport(db, exchange::Preview(db, std::move(source.data)), false);
        ns += clock.nsecsElapsed();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["covers"] = outcome.covers;
        if (outcome.added != movies || outcome.covers != (covers ? movies : 0))
            state.SkipWithError("not every movie or cover was added");
    }
    // Kept beside the data, to run by hand.
    const QByteArray script = insertScript(path);
    QFile kept(dataDir() + QStringLiteral("/tool-%1.sql").arg(state.range(0)));
    if (kept.open(QIODevice::WriteOnly))
        kept.write(script);
    report(state, double(ns) / 1e6 / double(state.iterations()),
           sqlite3Tool(freshCopy(QStringLiteral("tool.mdb")), script));
}

// A copy of the generated catalogue of `movies` in which every movie has the same small cover (a
// 100 x 150 JPEG, picture and thumbnail), made once.
QString coveredCatalogue(int movies)
{
    const QString path = dataDir() + QStringLiteral("/covered-%1.mdb").arg(movies);
    if (QFileInfo::exists(path))
        return path;
    const QString source = bench::UseCatalogue(movies);
    QFile::copy(source, path + QStringLiteral(".part"));
    QImage image(100, 150, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 2, y, (x ^ y) & 0xff));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 85);
    {
        store::Connection db = store::OpenDatabase(path + QStringLiteral(".part"));
        store::Statement add(db, QStringLiteral("INSERT INTO [tbl_Cover] ([Movie_ID], [Thumbnail], [Picture]) "
                                                "SELECT [Movie_ID], ?1, ?1 FROM [tbl_Movie_Title]"));
        add.bind(1, jpeg);
        add.run();
    }
    QFile::rename(path + QStringLiteral(".part"), path);
    return path;
}

// An export as the command line runs it, of 50,000 or 500,000 movies, with or without covers; the
// counters add when its first progress came, the file's size, and the sqlite3 tool writing the same
// rows as CSV with its own .mode csv. Run each alone for its own peak memory
// (--benchmark_filter=BM_Export/0/500000/0).
void BM_Export(benchmark::State& state)
{
    RegisterFeatures();
    static const char* const suffixes[] = {"csv", "tc", "html"};
    const QLatin1String suffix(suffixes[state.range(0)]);
    const int movies = int(state.range(1));
    const bool withCovers = state.range(2) != 0;
    state.SetLabel(QStringLiteral("%1 movies to %2%3")
                       .arg(movies)
                       .arg(suffix, withCovers ? QStringLiteral(", with covers") : QString())
                       .toStdString());
    const QString source = withCovers ? coveredCatalogue(movies) : bench::UseCatalogue(movies);
    const QString path = dataDir() + QStringLiteral("/out.") + suffix;
    // Run as the window runs it: on a work thread behind the progress window, while a tick every 5 ms
    // on the window's thread tells the longest it went without turning its event loop.
    QWidget owner;
    owner.show();
    // The program checks the catalogue once, at start-up, before any command opens it.
    store::OpenDatabase(source);
    QElapsedTimer clock, sinceTick;
    qint64 ns = 0, first = 0, stall = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] { stall = std::max(stall, sinceTick.restart()); });
    for (auto _ : state) {
        clock.start();
        sinceTick.start();
        tick.start();
        std::atomic<qint64> told = -1;
        shell::RunInBackground(&owner, {QStringLiteral("Export"), QStringLiteral("Exporting movies..."), {}},
                               [&](shell::Work& work) {
                                   return exchange::ExportFile(
                                       store::OpenDatabase(source), path,
                                       [&](qint64 done, qint64 total) {
                                           qint64 none = -1;
                                           told.compare_exchange_strong(none, clock.nsecsElapsed());
                                           return work.Report(done, total);
                                       },
                                       withCovers);
                               });
        tick.stop();
        stall = std::max(stall, sinceTick.elapsed());
        ns += clock.nsecsElapsed();
        first = std::max(first, told.load());
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    QString names;
    for (const store::Credit& c : store::kCredits)
        names += QStringLiteral(", [%1]").arg(QLatin1String(c.name));
    const QString script =
        QStringLiteral(".headers on\n.mode csv\n.once %1\nSELECT m.[Movie_Title]%2, m.[Length], m.[Year_Released], "
                       "m.[Grade], m.[Rating], m.[Widescreen], (SELECT group_concat(a.[Actor_Last_Name] || ', ' || "
                       "a.[Actor_First_Name], '; ') FROM [tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] AS a ON "
                       "a.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_ID] = m.[Movie_ID]) AS [Cast] "
                       "FROM [qry_Movie_Title] AS m;\n")
            .arg(dataDir() + QStringLiteral("/tool.csv"), names);
    state.counters["first_progress_ms"] = double(first) / 1e6;
    state.counters["window_stall_ms"] = double(stall);
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    report(state, double(ns) / 1e6 / double(state.iterations()), sqlite3Tool(source, script.toUtf8()));
}

} // namespace

BENCHMARK(BM_Import)->Arg(0)->Arg(1)->Arg(2)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)
    ->ArgsProduct({{0, 1, 2}, {50000, 500000}, {0}})
    ->Args({1, 50000, 1})
    ->Args({2, 50000, 1})
    ->Args({0, 500000, 1})
    ->Args({1, 500000, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
