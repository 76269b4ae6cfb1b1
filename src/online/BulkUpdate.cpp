#include "online/BulkUpdate.h"

#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverImage.h"
#include "covers/CoverStore.h"
#include "online/Matching.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <ctime>

namespace online {

namespace {
// Enough movies on their way to keep the service's allowance busy; the gateway queues the rest.
constexpr std::size_t kInFlight = 16;
constexpr int kPosterWidth = 500;

qint64 threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Our own time, from an answer's arrival to the next request: as the clock on the wall and as the
// processor's time of this thread, which a loaded machine does not inflate.
class Busy
{
public:
    Busy(std::chrono::nanoseconds& wall, std::chrono::nanoseconds& cpu)
        : m_wall(wall), m_cpu(cpu), m_cpu0(threadCpuNs())
    {
        m_clock.start();
    }
    ~Busy()
    {
        m_wall += std::chrono::nanoseconds(m_clock.nsecsElapsed());
        m_cpu += std::chrono::nanoseconds(threadCpuNs() - m_cpu0);
    }

private:
    std::chrono::nanoseconds& m_wall;
    std::chrono::nanoseconds& m_cpu;
    qint64 m_cpu0;
    QElapsedTimer m_clock;
};

bool stopsAll(ErrorKind kind)
{
    return kind == ErrorKind::WrongKey || kind == ErrorKind::NoNetwork || kind == ErrorKind::RateLimited;
}

// Writes the film into the stored movie in one transaction, with its poster as the cover when the
// movie has none (or when replacing). False when there was nothing to change.
bool store(store::Connection& db, catalog::MovieReader& reader, catalog::MovieWriter& writer, qint64 id,
           const catalog::Movie& film, const std::optional<covers::Cover>& poster, bool replace)
{
    store::Transaction unit(db);
    std::optional<catalog::Movie> movie = reader.Read(id);
    if (!movie)
        throw store::StoreError(0, QStringLiteral("the movie is no longer in the catalogue"));
    const QStringList changed = Fill(*movie, film, replace);
    bool cover = false;
    if (poster && (replace || !covers::HasCover(db, id))) {
        covers::SaveCover(db, id, *poster);
        cover = true;
    }
    if (changed.isEmpty() && !cover)
        return false;
    catalog::Tidy(*movie);
    writer.Overwrite(id, *movie);
    unit.commit();
    return true;
}
} // namespace

struct BulkUpdate::Item
{
    qint64 id = 0;
    catalog::Movie movie;
    bool wantsCover = false;
    double score = 1;
    Details film;
    CallPtr call;
};

// The writing side: a connection of its own, used by one pool thread at a time, a movie at a time,
// so that neither a poster's decoding nor a movie's transaction holds up the window.
struct BulkUpdate::Writer
{
    struct Written
    {
        enum class Outcome { Updated, Unchanged, Failed, Skipped } outcome = Outcome::Skipped;
        QString error;
    };

    Written write(qint64 id, const catalog::Movie& film, const QByteArray& posterBytes)
    {
        if (stopped)
            return {}; // cancelled while it waited its turn
        const qint64 cpu0 = threadCpuNs();
        std::optional<covers::Cover> poster;
        if (!posterBytes.isEmpty()) {
            // A poster that cannot be used leaves the rest to be written all the same.
            if (covers::Prepared p = covers::PrepareCover(posterBytes, QStringLiteral("the poster")); p.ok())
                poster = std::move(p.cover);
        }
        Written w;
        try {
            if (!db) {
                db.emplace(store::OpenDatabase(path));
                // A movie a transaction, hundreds of them: in WAL mode NORMAL keeps each whole and the
                // catalogue sound, and spares a disk flush a movie; a power cut may lose the last few,
                // which a new run fills again.
                db->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
                reader = std::make_unique<catalog::MovieReader>(*db);
                writer = std::make_unique<catalog::MovieWriter>(*db);
            }
            w.outcome = store(*db, *reader, *writer, id, film, poster, replace) ? Written::Outcome::Updated
                                                                                : Written::Outcome::Unchanged;
        } catch (const store::StoreError& e) {
            // The writer remembers the keys of names it added; those went with the rollback.
            if (db)
                writer = std::make_unique<catalog::MovieWriter>(*db);
            w = {Written::Outcome::Failed, e.message()};
        }
        cpu += threadCpuNs() - cpu0;
        return w;
    }

    QString path;
    bool replace = false;
    std::atomic<bool> stopped{false};
    std::atomic<qint64> cpu{0};
    std::optional<store::Connection> db;
    std::unique_ptr<catalog::MovieReader> reader;
    std::unique_ptr<catalog::MovieWriter> writer;
};

BulkUpdate::BulkUpdate(MovieProvider& provider, std::vector<qint64> movieIds, bool replace, QObject* parent)
    : QObject(parent), m_provider(provider), m_ids(std::move(movieIds)), m_replace(replace),
      m_writer(std::make_shared<Writer>())
{
    m_writer->replace = replace;
    m_writing.setMaxThreadCount(1); // one movie after another, in the order their films came
}

BulkUpdate::~BulkUpdate()
{
    m_writer->stopped = true;
    for (const auto& item : m_open)
        if (item->call)
            item->call->cancel();
}

std::chrono::nanoseconds BulkUpdate::writingCpu() const
{
    return std::chrono::nanoseconds(m_writer->cpu.load());
}

void BulkUpdate::open()
{
    m_db.emplace(store::OpenDatabase());
    // The first change's backup, and the wait for it if it is still being made, belong on this
    // thread, where a progress window can say so; the writing thread then finds it done.
    store::BeforeFirstChange(m_db->handle());
    m_writer->path = m_db->path();
    // Prepared once for the run, not once a movie.
    m_reader = std::make_unique<catalog::MovieReader>(*m_db);
}

void BulkUpdate::start()
{
    emit progress(0, int(m_ids.size()));
    next();
}

void BulkUpdate::cancel()
{
    m_result.cancelled = true;
    stop();
}

void BulkUpdate::stop()
{
    m_writer->stopped = true;
    for (const auto& item : std::exchange(m_open, {}))
        if (item->call)
            item->call->cancel();
    m_next = m_ids.size();
    next();
}

void BulkUpdate::next()
{
    while (m_open.size() < kInFlight && m_next < m_ids.size()) {
        auto item = std::make_shared<Item>();
        item->id = m_ids[m_next++];
        m_open.push_back(item);
        look(item);
    }
    if (m_open.empty() && m_inWriting == 0 && !m_ended) {
        m_ended = true;
        QTimer::singleShot(0, this, &BulkUpdate::finished);
    }
}

void BulkUpdate::look(const std::shared_ptr<Item>& item)
{
    Busy busy(m_busy, m_busyCpu);
    try {
        if (!m_db)
            open();
        const store::Connection& db = *m_db;
        std::optional<catalog::Movie> movie = m_reader->Read(item->id);
        if (!movie) {
            done(item); // deleted meanwhile
            return;
        }
        item->movie = std::move(*movie);
        item->wantsCover = m_replace || !covers::HasCover(db, item->id);
    } catch (const store::StoreError& e) {
        fail(item, Error{ErrorKind::ServiceError, e.message(), 0});
        return;
    }
    const auto failed = [this, item](const Error& e) { fail(item, e); };
    if (!item->movie.tmdbId.isEmpty()) {
        fetch(item, item->movie.tmdbId);
    } else if (!item->movie.imdbId.isEmpty()) {
        item->call = m_provider.FindImdb(
            this, item->movie.imdbId,
            [this, item](const std::vector<Candidate>& found) {
                if (found.empty())
                    fail(item, Error{ErrorKind::NotFound, QStringLiteral("no film has its IMDb id"), 0});
                else
                    fetch(item, found.front().id);
            },
            failed);
    } else {
        const QString year = item->movie.year == QLatin1String(catalog::kDefaultYear) ? QString() : item->movie.year;
        item->call = m_provider.Search(
            this, item->movie.title, year,
            [this, item](const std::vector<Candidate>& found) {
                Busy busy(m_busy, m_busyCpu);
                const Candidate* best = nullptr;
                double bestScore = -1;
                for (const Candidate& c : found)
                    if (const double s = MatchScore(item->movie, c.title, c.originalTitle, c.year); s > bestScore) {
                        best = &c;
                        bestScore = s;
                    }
                if (!best)
                    fail(item, Error{ErrorKind::NotFound, QStringLiteral("no film of that title was found"), 0});
                else
                    fetch(item, best->id);
            },
            failed);
    }
}

void BulkUpdate::fetch(const std::shared_ptr<Item>& item, const QString& id)
{
    item->call = m_provider.Film(
        this, id, [this, item](const Details& film) { judge(item, film); },
        [this, item](const Error& e) { fail(item, e); });
}

void BulkUpdate::judge(const std::shared_ptr<Item>& item, const Details& film)
{
    {
        Busy busy(m_busy, m_busyCpu);
        item->film = film;
        // By its ids it is the film; by its title it is one only when title, year and length agree.
        const bool byId = (!item->movie.tmdbId.isEmpty() && item->movie.tmdbId == film.movie.tmdbId) ||
                          (!item->movie.imdbId.isEmpty() && item->movie.imdbId == film.movie.imdbId);
        item->score = byId ? 1
                           : MatchScore(item->movie, film.movie.title, film.movie.originalTitle, film.movie.year,
                                        film.movie.length);
        if (item->score < kSureMatch) {
            m_result.doubtful.push_back(Doubtful{item->id, item->movie.title, item->movie.year, film, item->score});
            done(item);
            return;
        }
    }
    if (item->wantsCover && !film.posterPath.isEmpty()) {
        // A poster that does not come is no reason to leave the rest unwritten.
        item->call = m_provider.Picture(
            this, film.posterPath, kPosterWidth, [this, item](const QByteArray& bytes) { write(item, bytes); },
            [this, item](const Error& e) {
                if (e.kind == ErrorKind::Cancelled || stopsAll(e.kind))
                    fail(item, e);
                else
                    write(item, {});
            });
    } else {
        write(item, {});
    }
}

void BulkUpdate::write(const std::shared_ptr<Item>& item, const QByteArray& poster)
{
    ++m_inWriting;
    auto* watcher = new QFutureWatcher<Writer::Written>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, item, watcher] {
        watcher->deleteLater();
        --m_inWriting;
        const Writer::Written w = watcher->result();
        using Outcome = Writer::Written::Outcome;
        if (w.outcome == Outcome::Updated)
            ++m_result.updated;
        else if (w.outcome == Outcome::Unchanged)
            ++m_result.unchanged;
        else if (w.outcome == Outcome::Failed)
            m_result.failures << item->movie.title + QStringLiteral(": ") + w.error;
        if (!done(item))
            next(); // cancelled meanwhile: the run ends once its last write has
    });
    watcher->setFuture(QtConcurrent::run(&m_writing, [writer = m_writer, id = item->id, film = item->film.movie,
                                                      poster] { return writer->write(id, film, poster); }));
}

void BulkUpdate::fail(const std::shared_ptr<Item>& item, const Error& error)
{
    if (error.kind == ErrorKind::Cancelled)
        return;
    if (stopsAll(error.kind)) {
        if (m_result.stopped.isEmpty())
            m_result.stopped = error.message;
        done(item);
        stop();
        return;
    }
    m_result.failures << item->movie.title + QStringLiteral(": ") + error.message;
    done(item);
}

bool BulkUpdate::done(const std::shared_ptr<Item>& item)
{
    const auto it = std::find(m_open.begin(), m_open.end(), item);
    if (it == m_open.end())
        return false;
    m_open.erase(it);
    emit progress(++m_done, int(m_ids.size()));
    // Later, not within the caller's callback, so the stack never grows with the list.
    QTimer::singleShot(0, this, [this] { next(); });
    return true;
}

bool BulkUpdate::Apply(const Doubtful& d, bool replace, QString* error)
{
    try {
        store::Connection db = store::OpenDatabase();
        catalog::MovieReader reader(db);
        catalog::MovieWriter writer(db);
        store(db, reader, writer, d.movieId, d.film.movie, std::nullopt, replace);
        return true;
    } catch (const store::StoreError& e) {
        if (error)
            *error = d.movieTitle + QStringLiteral(": ") + e.message();
        return false;
    }
}

} // namespace online
