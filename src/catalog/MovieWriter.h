#pragma once

#include "catalog/Movie.h"
#include "store/Sqlite.h"

#include <QHash>
#include <functional>
#include <memory>
#include <optional>

namespace catalog {

// Told how far a long piece of work has got; answering false cancels it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// A stored movie as its title finds it.
struct Titled
{
    qint64 id = 0;
    QString year;
};
using TitleLookup = std::function<std::optional<Titled>(const QString& title)>;

// Where a movie of a title and year belongs, by the rule that a title names one movie: on the
// stored movie of that title when the years agree or the newcomer has none; else in under
// "Title (Year)" (then "Title (Year) (2)"...), unless that title holds the same movie already.
struct Placement
{
    qint64 match = 0; // the stored movie it is; 0 for a new one
    QString title;    // the title it goes under
    bool renamed = false;
};
Placement Place(const QString& title, const QString& year, const TitleLookup& stored);

// Features whose data follows every movie (the find index) hear of a bulk write instead of
// following it row by row: `begin` inside the writer's transaction before its first movie, `end`
// with the keys written, before the transaction commits. `end` answers false when its progress
// was cancelled.
struct BulkObserver
{
    std::function<void(store::Connection& db)> begin;
    std::function<bool(store::Connection& db, const std::vector<qint64>& keys, const Progress& progress)> end;
};
void AddBulkObserver(BulkObserver observer);

// The one writer of movies. Every caller adds, overwrites and deletes movies through it, inside a
// store::Transaction of its own on the same connection; the writer keeps no transaction itself.
// Throws store::StoreError.
class MovieWriter
{
public:
    explicit MovieWriter(store::Connection& db);
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // The stored movie under this title, as the catalogue compares titles (case aside).
    std::optional<Titled> Stored(const QString& title);
    Placement Place(const QString& title, const QString& year);

    // Both write the movie normalized (see Normalize) and refuse one with a value the catalogue
    // cannot keep (see Refusals) before writing anything of it, with a StoreError that names them.
    //
    // Adds the movie with its defaults, its cast with their characters, its more names and its
    // details, under a key above any stray cast link of a movie deleted earlier; returns the key.
    qint64 Add(const Movie& movie);
    // Writes the movie's fields, defaults applied, over the stored movie `id`: its more names, details,
    // barcodes and other fields become the movie's own, none of them when it has none. It links the
    // cast members not linked to it yet and sets the characters it gives: the cast already there
    // stays, and so does a character the movie leaves empty.
    void Overwrite(qint64 id, const Movie& movie);
    // Deletes the movie with all it holds, its cast links, and the credits (named in any place) and
    // actors no other movie uses; false when there is no such movie.
    bool Delete(qint64 id);

    // Many movies at once: BeginBulk before the first, FinishBulk after the last, both inside the
    // caller's transaction. False when progress cancelled the finish.
    void BeginBulk();
    bool FinishBulk(const Progress& progress = {});

    // Sets whom the actor plays in the movie, trimmed; an empty text forgets it. Refuses, with a
    // StoreError, a character longer than kMaxLine or an actor the movie has no link to.
    void SetCharacter(qint64 movieId, qint64 actorId, const QString& character);

    // Cast links this writer made.
    int LinksAdded() const { return m_links; }

private:
    qint64 credit(std::size_t index, const QString& name);
    qint64 actor(const QString& last, const QString& first);
    void linkCast(qint64 movieId, const Movie& movie, bool checkExisting);
    void writeRow(qint64 id, const Movie& movie, bool add);
    void writeMore(qint64 id, const Movie& movie, bool add);

    store::Connection& m_db;
    struct Statements;
    std::unique_ptr<Statements> m_q;
    std::array<QHash<QString, qint64>, store::kCredits.size()> m_names;
    QHash<QString, qint64> m_actors;
    qint64 m_nextId = 0;
    bool m_bulk = false;
    std::vector<qint64> m_written;
    int m_links = 0;
};

// Reads stored movies whole, on statements it prepares once. Throws store::StoreError.
class MovieReader
{
public:
    explicit MovieReader(const store::Connection& db);
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // The movie of that key with all it holds; none when there is no such movie. A credit's first
    // name is as the movie table names it ("Unknown" included).
    std::optional<Movie> Read(qint64 id);
    // Only what the movie holds beyond its row and cast: more names, details, barcodes, other fields.
    void ReadMore(qint64 id, Movie& movie);

private:
    struct Statements;
    std::unique_ptr<Statements> m_q;
};
std::optional<Movie> ReadMovie(const store::Connection& db, qint64 id);

} // namespace catalog
