#pragma once

// Brings many movies up to date from an online database at once, as fast as the service's rate
// limit lets it: several movies on their way together, each written in its own transaction as
// soon as its film is known, so a cancel keeps what was done before it.

#include "catalog/MovieWriter.h"
#include "online/Provider.h"
#include "store/Sqlite.h"

#include <QObject>
#include <QThreadPool>
#include <chrono>
#include <deque>
#include <optional>
#include <vector>

namespace online {

// A film found for a movie but not sure enough to be taken without asking.
struct Doubtful
{
    qint64 movieId = 0;
    QString movieTitle, movieYear;
    Details film;
    double score = 0;
};

struct BulkResult
{
    int updated = 0;   // movies written
    int unchanged = 0; // found, but nothing to fill
    std::vector<Doubtful> doubtful;
    QStringList failures; // "Title: why", a line each
    QString stopped;      // why the whole run stopped (a wrong key, no network...); empty when it did not
    bool cancelled = false;
};

class BulkUpdate : public QObject
{
    Q_OBJECT
public:
    // `replace`: the film's values overwrite the movie's own, not only fill what it lacks.
    BulkUpdate(MovieProvider& provider, std::vector<qint64> movieIds, bool replace, QObject* parent = nullptr);
    ~BulkUpdate() override;

    void start();
    void cancel(); // what is written stays; finished follows
    const BulkResult& result() const { return m_result; }
    // Time the window's thread spent in our own handling of answers (reading, matching), and the
    // processor time of the writing thread (posters made ready, movies written), for the benchmark.
    std::chrono::nanoseconds busy() const { return m_busy; }
    std::chrono::nanoseconds busyCpu() const { return m_busyCpu; }
    std::chrono::nanoseconds writingCpu() const;

    // Writes a doubtful film the user confirmed; false with `error` set when it could not.
    static bool Apply(const Doubtful& d, bool replace, QString* error);

signals:
    void progress(int done, int total);
    void finished();

private:
    struct Item;
    struct Writer;
    void next();
    void look(const std::shared_ptr<Item>& item);
    void fetch(const std::shared_ptr<Item>& item, const QString& id);
    void judge(const std::shared_ptr<Item>& item, const Details& film);
    void write(const std::shared_ptr<Item>& item, const QByteArray& poster);
    void fail(const std::shared_ptr<Item>& item, const Error& error);
    bool done(const std::shared_ptr<Item>& item); // false when it was no longer open
    void stop();
    void open();

    MovieProvider& m_provider;
    std::vector<qint64> m_ids;
    bool m_replace;
    std::size_t m_next = 0;
    int m_done = 0;
    int m_inWriting = 0; // movies handed to the writing thread and not yet back
    std::vector<std::shared_ptr<Item>> m_open;
    BulkResult m_result;
    bool m_ended = false;
    std::chrono::nanoseconds m_busy{0}, m_busyCpu{0};
    std::optional<store::Connection> m_db; // the catalogue, opened at the first movie, for reading
    std::unique_ptr<catalog::MovieReader> m_reader;
    std::shared_ptr<Writer> m_writer; // shared with the writing thread, which may outlive this
    QThreadPool m_writing;
};

} // namespace online
