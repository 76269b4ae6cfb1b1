#include "online/BulkUpdate.h"

#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverImage.h"
#include "covers/CoverStore.h"
#include "online/Matching.h"
#include "store/Catalogue.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
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
           const catalog::Movie& film, const QByteArray& poster, bool replace)
{
    store::Transaction unit(db);
    std::optional<catalog::Movie> movie = reader.Read(id);
    if (!movie)
        throw store::StoreError(0, QStringLiteral("the movie is no longer in the catalogue"));
    const QStringList changed = Fill(*movie, film, replace);
    bool cover = false;
    if (!poster.isEmpty() && (replace || !covers::HasCover(db, id))) {
        const covers::Prepared p = covers::PrepareCover(poster, QStringLiteral("the poster"));
        if (p.ok()) {
            covers::SaveCover(db, id, p.cover);
            cover = true;
        }
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

BulkUpdate::BulkUpdate(MovieProvider& provider, std::vector<qint64> movieIds, bool replace, QObject* parent)
    : QObject(parent), m_provider(provider), m_ids(std::move(movieIds)), m_replace(replace)
{
}

BulkUpdate::~BulkUpdate()
{
    for (const auto& item : m_open)
        if (item->call)
            item->call->cancel();
}

void BulkUpdate::open()
{
    m_db.emplace(store::OpenDatabase());
    // A movie a transaction, hundreds of them: in WAL mode NORMAL keeps each whole and the catalogue
    // sound, and spares a disk flush a movie; a power cut may lose the last few, which a new run fills again.
    m_db->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    // Prepared once for the run, not once a movie.
    m_reader = std::make_unique<catalog::MovieReader>(*m_db);
    m_writer = std::make_unique<catalog::MovieWriter>(*m_db);
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
    if (m_open.empty() && !m_ended) {
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
    {
        Busy busy(m_busy, m_busyCpu);
        try {
            if (!m_db)
                open();
            if (store(*m_db, *m_reader, *m_writer, item->id, item->film.movie, poster, m_replace))
                ++m_result.updated;
            else
                ++m_result.unchanged;
        } catch (const store::StoreError& e) {
            // The writer remembers the keys of names it added; those went with the rollback.
            m_writer = std::make_unique<catalog::MovieWriter>(*m_db);
            m_result.failures << item->movie.title + QStringLiteral(": ") + e.message();
        }
    }
    done(item);
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

void BulkUpdate::done(const std::shared_ptr<Item>& item)
{
    const auto it = std::find(m_open.begin(), m_open.end(), item);
    if (it == m_open.end())
        return;
    m_open.erase(it);
    emit progress(++m_done, int(m_ids.size()));
    // Later, not within the caller's callback, so the stack never grows with the list.
    QTimer::singleShot(0, this, [this] { next(); });
}

bool BulkUpdate::Apply(const Doubtful& d, bool replace, QString* error)
{
    try {
        store::Connection db = store::OpenDatabase();
        catalog::MovieReader reader(db);
        catalog::MovieWriter writer(db);
        store(db, reader, writer, d.movieId, d.film.movie, {}, replace);
        return true;
    } catch (const store::StoreError& e) {
        if (error)
            *error = d.movieTitle + QStringLiteral(": ") + e.message();
        return false;
    }
}

} // namespace online
