// The bulk update from online of 1,000 movies against a local server that plays TMDb's recorded
// answers at TMDb's rate limit: the time is the service's, not ours. Reported: the share of the
// wall time the window's thread spent in our own handling of the answers (reading the movie,
// matching), the processor time of the writing thread (posters made ready, movies written with
// their covers), and the process's CPU time beside them (Qt's networking and the local server
// included).
#include "../tests/online/TestServer.h"
#include "BenchSupport.h"
#include "catalog/MovieWriter.h"
#include "online/BulkUpdate.h"
#include "online/OnlineFeature.h"
#include "online/Tmdb.h"
#include "store/Catalogue.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
const auto S = [](const char* text) { return QString::fromLatin1(text); };

QByteArray recorded(const char* name)
{
    QFile f(S(REELKEEPER_ONLINE_DATA "/") + S(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A poster as TMDb sends it at width 500: a 500 x 750 photograph as JPEG, some 100 KB, so that
// making its thumbnail and keeping it cost what a real one does.
QByteArray poster()
{
    QImage image(500, 750, QImage::Format_RGB32);
    quint32 seed = 7;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28);
            image.setPixel(x, y, qRgb((x / 2 + grain) & 255, (y / 3 + grain) & 255, ((x + y) / 5) & 255));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_BulkUpdate(benchmark::State& state)
{
    const int movies = int(state.range(0));
    QTemporaryDir dir;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    RegisterFeatures();
    testing::TestServer server;
    // Each movie its own film, so that no answer comes from the cache: one request a movie.
    const QByteArray film = recorded("movie_603.json");
    for (int i = 1; i <= movies; ++i)
        server.answer(
            S("3/movie/%1").arg(i),
            {{200, QByteArray(film).replace("\"id\": 603,", QByteArray("\"id\": " + QByteArray::number(i) + ','))}});
    server.answer(S("3/configuration"), {{200, recorded("configuration.json")}});
    server.answer(S("t/p/w500/f89U3ADr1oiB1s9GkdPOEpXUk5H.jpg"), {{200, poster()}});
    QSettings s(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"));
    s.setValue(S("Online tmdb/Base URL"), server.url(S("3")));
    s.setValue(S("Online tmdb-images/Base URL"), server.url(S("t/p")));
    s.setValue(S("Online tmdb/Key"), S("bench-key"));
    s.sync();

    for (auto _ : state) {
        state.PauseTiming();
        const QString path = dir.filePath(S("Reelkeeper.mdb"));
        QFile::remove(path);
        store::SetCataloguePath(path);
        std::vector<qint64> ids;
        {
            store::CreateCatalogue(path);
            store::UpgradeCatalogue(path, {}, {});
            store::Connection db = store::OpenDatabase(path);
            store::Transaction unit(db);
            catalog::MovieWriter writer(db);
            for (int i = 0; i < movies; ++i) {
                catalog::Movie m;
                m.title = S("Film %1").arg(i);
                m.tmdbId = QString::number(i + 1);
                ids.push_back(writer.Add(m));
            }
            unit.commit();
        }
        delete &online::SharedGateway();
        QFile::remove(online::Gateway::DefaultCacheFile());
        auto provider = online::MakeTmdb(online::SharedGateway());
        online::BulkUpdate run(*provider, ids, false);
        QEventLoop loop;
        QObject::connect(&run, &online::BulkUpdate::finished, &loop, &QEventLoop::quit);
        state.ResumeTiming();

        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        run.start();
        loop.exec();
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double ours = double(run.busy().count()) / 1e9;
        state.counters["updated"] = run.result().updated;
        state.counters["wall_s"] = seconds;
        state.counters["ours_s"] = ours;
        state.counters["ours_pct"] = 100 * ours / seconds;
        state.counters["ours_cpu_pct"] = 100 * double(run.busyCpu().count()) / 1e9 / seconds;
        state.counters["writing_cpu_pct"] = 100 * double(run.writingCpu().count()) / 1e9 / seconds;
        state.counters["cpu_pct"] = 100 * (cpuSeconds() - cpu0) / seconds;
        state.counters["requests"] = double(server.received.size());
        // The allowance (40 requests a second, as the gateway keeps TMDb's) lets the last request go
        // no sooner than this; what the run took beyond it is ours or the machine's.
        const double allowed = double((server.received.size() - 1) / 40);
        state.counters["beyond_allowance_pct"] = 100 * (seconds - allowed) / seconds;
        server.received.clear();
    }
}
BENCHMARK(BM_BulkUpdate)->Arg(1000)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
} // namespace
