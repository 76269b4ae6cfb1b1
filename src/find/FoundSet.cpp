#include "find/FoundSet.h"

#include "find/FindSchema.h"
#include "shell/Background.h"
#include "store/Credits.h"
#include "store/Sqlite.h"

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string>

namespace find {

namespace {

constexpr const char* kFunction = "reelkeeper_found";
constexpr const char* kKeysFunction = "reelkeeper_found_keys";

// found(key, value...): whether the set holds key. The values only keep the statement's
// parameters in step with the filter's.
void found(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const auto* set = static_cast<const FoundSet*>(sqlite3_user_data(context));
    sqlite3_result_int(context, argc > 0 && set->Has(sqlite3_value_int64(argv[0])) ? 1 : 0);
}

// found_keys(value...): every key in the set as a JSON array, for json_each.
void foundKeys(sqlite3_context* context, int, sqlite3_value**)
{
    const auto* set = static_cast<const FoundSet*>(sqlite3_user_data(context));
    std::string json = "[";
    set->ForEach([&](qint64 key) {
        if (json.size() > 1)
            json += ',';
        json += std::to_string(key);
    });
    json += ']';
    sqlite3_result_text64(context, json.data(), json.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void setBit(std::vector<std::uint64_t>& bits, qint64 key)
{
    if (key < 0)
        return;
    const auto word = std::size_t(key >> 6);
    if (word >= bits.size())
        bits.resize(word + 1 + word / 4, 0);
    bits[word] |= std::uint64_t(1) << (key & 63);
}

// Runs a statement on the connection's scratch tables. Not through store::Statement: that takes
// any writing statement for a change to the catalogue, which waits for the catalogue's backup, and a
// keystroke must never wait for that.
void scratch(const store::Connection& db, const QString& sql, const std::vector<QVariant>& params = {})
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = sql.toUtf8();
    store::check(sqlite3_prepare_v2(db.handle(), text.constData(), int(text.size()), &raw, nullptr), db.handle());
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const QByteArray value = params[i].toString().toUtf8();
        sqlite3_bind_text(raw, int(i) + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    }
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        store::check(sqlite3_reset(raw), db.handle());
}

// The movies among a source's whose cast, as one text, the source's query finds: a scratch index
// of those casts alone, on this connection.
void findAcross(const store::Connection& db, const Source& source, std::vector<std::uint64_t>& bits)
{
    const QString table = source.trigram ? QStringLiteral("find_across_trigram") : QStringLiteral("find_across_words");
    scratch(db, QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS temp.[%1] USING fts5([Actor], tokenize='%2')")
                    .arg(table, source.trigram ? QStringLiteral("trigram case_sensitive 0")
                                               : QStringLiteral("unicode61 remove_diacritics 2")));
    const QString empty = QStringLiteral("DELETE FROM temp.[%1]").arg(table);
    scratch(db, empty);
    scratch(db,
            QStringLiteral("INSERT INTO temp.[%1] (rowid, [Actor]) SELECT k, %2 FROM (SELECT DISTINCT [Movie_ID] AS k "
                           "FROM (%3))")
                .arg(table, CastText(QStringLiteral("k")), source.sql),
            source.params);
    {
        store::Statement q(db, QStringLiteral("SELECT rowid FROM temp.[%1] WHERE [%1] MATCH ?").arg(table));
        q.bind(1, source.across);
        while (q.step())
            setBit(bits, sqlite3_column_int64(q.handle(), 0));
    }
    scratch(db, empty);
}

// Where the movies' names are, held in memory: each movie's name key in each credit, each actor's
// movies, each further name. A common word names thousands of people, who reach most of a large
// catalogue; following each through the catalogue's indexes costs far more than looking each movie
// up here. Made again once anyone has changed the names or links (see reachVersion).
struct Reach
{
    std::pair<qint64, qint64> version;
    std::array<std::vector<qint32>, store::kCredits.size()> names; // by movie key; -1 for none
    std::vector<qint32> actorFirst;                                // by actor key, into actorMovies
    std::vector<qint32> actorMovies;
    struct More
    {
        int credit;
        qint64 name, movie;
    };
    std::vector<More> more;
};

// Each connection's reach, forgotten when the engine closes the connection (a later connection may
// well get the same address, hence the generation), and the one being made ahead for it.
struct Tracked
{
    std::uint64_t generation = 0;
    std::shared_ptr<const Reach> reach;
    QFuture<void> ahead;
    std::pair<qint64, qint64> aheadVersion{-1, -1};
};
std::mutex g_reachLock;
std::map<sqlite3*, Tracked> g_reaches;
std::uint64_t g_generations = 0;
std::atomic<qint64> g_reachAhead{20'000};

// No reach for keys past what a vector indexed by them should hold.
constexpr qint64 kReachLimit = 100'000'000;

// The highest key a table holds, 0 when it holds none.
qint64 lastKey(const store::Connection& db, const char* key, const char* table)
{
    store::Statement q(
        db, QStringLiteral("SELECT ifnull(max([%1]), 0) FROM [%2]").arg(QLatin1String(key), QLatin1String(table)));
    return q.step() ? q.column(0).toLongLong() : 0;
}

qint64 lastMovie(const store::Connection& db)
{
    return lastKey(db, "Movie_ID", "tbl_Movie_Title");
}

std::shared_ptr<Reach> makeReach(const store::Connection& db)
{
    auto r = std::make_shared<Reach>();
    const qint64 lastMovie = find::lastMovie(db);
    const qint64 lastActor = lastKey(db, "Actor_ID", "tbl_Actor");
    const qint64 lastLink = lastKey(db, "Actor_ID", "tbl_Actor_Movie_Join");
    if (lastMovie > kReachLimit || qMax(lastActor, lastLink) > kReachLimit)
        return nullptr;
    QString columns;
    for (const store::Credit& c : store::kCredits)
        columns += QStringLiteral(", [") + QLatin1String(c.key) + QLatin1Char(']');
    for (auto& n : r->names)
        n.assign(std::size_t(lastMovie) + 1, -1);
    {
        store::Statement q(db,
                           QStringLiteral("SELECT [Movie_ID]") + columns + QStringLiteral(" FROM [tbl_Movie_Title]"));
        sqlite3_stmt* st = q.handle();
        while (q.step()) {
            const qint64 movie = sqlite3_column_int64(st, 0);
            if (movie < 0 || movie > lastMovie)
                continue;
            for (std::size_t k = 0; k < store::kCredits.size(); ++k) {
                const qint64 key = sqlite3_column_int64(st, int(k) + 1);
                if (sqlite3_column_type(st, int(k) + 1) == SQLITE_INTEGER && key >= 0 && key <= kReachLimit)
                    r->names[k][std::size_t(movie)] = qint32(key);
            }
        }
    }
    {
        // Read in the table's order and put in the actors' by counting.
        std::vector<std::pair<qint32, qint32>> links;
        store::Statement q(db, QStringLiteral("SELECT [Actor_ID], [Movie_ID] FROM [tbl_Actor_Movie_Join]"));
        sqlite3_stmt* st = q.handle();
        const qint64 lastActorKey = qMax(lastActor, lastLink);
        r->actorFirst.assign(std::size_t(lastActorKey) + 2, 0);
        while (q.step()) {
            const qint64 actor = sqlite3_column_int64(st, 0), movie = sqlite3_column_int64(st, 1);
            if (actor < 0 || actor > lastActorKey || movie < 0 || movie > kReachLimit)
                continue;
            links.emplace_back(qint32(actor), qint32(movie));
            ++r->actorFirst[std::size_t(actor) + 1];
        }
        for (std::size_t i = 1; i < r->actorFirst.size(); ++i)
            r->actorFirst[i] += r->actorFirst[i - 1];
        r->actorMovies.resize(links.size());
        std::vector<qint32> next(r->actorFirst.begin(), r->actorFirst.end() - 1);
        for (const auto& [actor, movie] : links)
            r->actorMovies[std::size_t(next[std::size_t(actor)]++)] = movie;
    }
    {
        store::Statement q(db, QStringLiteral("SELECT [Credit], [Name_ID], [Movie_ID] FROM [tbl_Movie_More_Name]"));
        while (q.step()) {
            const QString credit = q.column(0).toString();
            for (std::size_t k = 0; k < store::kCredits.size(); ++k)
                if (credit == QLatin1String(store::kCredits[k].key))
                    r->more.push_back({int(k), q.column(1).toLongLong(), q.column(2).toLongLong()});
        }
    }
    return r;
}

std::pair<qint64, qint64> versionOf(const store::Connection& db)
{
    store::Statement version(db, QStringLiteral("PRAGMA data_version"));
    return {version.step() ? version.column(0).toLongLong() : -1, sqlite3_total_changes64(db.handle())};
}

// What the reach is made from: the names version the catalogue's triggers keep, so that a change to
// anything else keeps the reach; where a catalogue has none, any change.
std::pair<qint64, qint64> reachVersion(const store::Connection& db)
{
    sqlite3_stmt* raw = nullptr;
    const QByteArray sql = QStringLiteral("SELECT [Version] FROM [%1]").arg(kNamesVersionTable).toUtf8();
    if (sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &raw, nullptr) == SQLITE_OK) {
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> q(raw, sqlite3_finalize);
        if (sqlite3_step(raw) == SQLITE_ROW)
            return {sqlite3_column_int64(raw, 0), -1}; // -1: no count of changes is ever that
    }
    return versionOf(db);
}

// The connection's entry, under g_reachLock; null when the engine refuses to track it.
Tracked* track(const store::Connection& db)
{
    if (const auto it = g_reaches.find(db.handle()); it != g_reaches.end())
        return &it->second;
    // A function of the connection's own whose end, as the engine closes the connection, forgets
    // the reach (a function with no body would be taken as one to remove).
    const auto forget = [](void* handle) {
        std::lock_guard inner(g_reachLock);
        g_reaches.erase(static_cast<sqlite3*>(handle));
    };
    if (sqlite3_create_function_v2(
            db.handle(), "reelkeeper_reach", 0, SQLITE_UTF8, db.handle(),
            [](sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_null(context); }, nullptr, nullptr,
            forget) != SQLITE_OK)
        return nullptr;
    Tracked& t = g_reaches[db.handle()];
    t.generation = ++g_generations;
    return &t;
}

// The reach as the connection sees the catalogue now, made when it is not yet or no longer right.
std::shared_ptr<const Reach> reachFor(const store::Connection& db, std::pair<qint64, qint64> version)
{
    std::unique_lock guard(g_reachLock);
    Tracked* t = track(db);
    if (!t)
        return nullptr;
    if (t->ahead.isValid() && t->aheadVersion == version) {
        // Being made ahead for what the connection sees: waiting costs less than starting again.
        QFuture<void> ahead = t->ahead;
        guard.unlock();
        ahead.waitForFinished();
        guard.lock();
        if (!(t = track(db)))
            return nullptr;
    }
    if (t->reach && t->reach->version == version)
        return t->reach;
    t->reach.reset(); // its memory back before the next is made
    std::shared_ptr<Reach> made = makeReach(db);
    if (made)
        made->version = version;
    t->reach = made;
    return made;
}

bool has(const std::vector<std::uint64_t>& bits, qint64 key)
{
    const auto word = std::size_t(key >> 6);
    return key >= 0 && word < bits.size() && (bits[word] >> (key & 63) & 1) != 0;
}

// Sends each of the index's rows to its movies: a title's, details' or character's row names its
// movie, an actor's or a credit name's is `person(kind, key)`'s to follow.
template <class Person>
void rowMovies(const std::vector<qint64>& rows, std::vector<std::uint64_t>& bits, Person&& person)
{
    constexpr qint64 kKindMask = (1 << kKindBits) - 1;
    for (const qint64 row : rows) {
        const qint64 kind = row & kKindMask, key = row >> kKindBits;
        if (kind == kTitleKind || kind == kDetailsKind)
            setBit(bits, key);
        else if (kind == kCharacterKind)
            setBit(bits, key >> kCharacterActorBits);
        else if (kind == kActorKind ||
                 (kind >= kFirstCreditKind && kind < kFirstCreditKind + qint64(store::kCredits.size())))
            person(kind, key);
    }
}

// The movies the index's rows name, through the reach.
void reachMovies(const Reach& r, const std::vector<qint64>& rows, std::vector<std::uint64_t>& bits)
{
    std::array<std::vector<std::uint64_t>, store::kCredits.size()> named;
    rowMovies(rows, bits, [&](qint64 kind, qint64 key) {
        if (kind != kActorKind)
            setBit(named[std::size_t(kind - kFirstCreditKind)], key);
        else if (key >= 0 && key + 1 < qint64(r.actorFirst.size()))
            for (qint32 i = r.actorFirst[std::size_t(key)]; i < r.actorFirst[std::size_t(key) + 1]; ++i)
                setBit(bits, r.actorMovies[std::size_t(i)]);
    });
    for (std::size_t k = 0; k < named.size(); ++k) {
        if (named[k].empty())
            continue;
        const std::vector<qint32>& names = r.names[k];
        for (std::size_t movie = 0; movie < names.size(); ++movie)
            if (names[movie] >= 0 && has(named[k], names[movie]))
                setBit(bits, qint64(movie));
        for (const Reach::More& m : r.more)
            if (std::size_t(m.credit) == k && has(named[k], m.name))
                setBit(bits, m.movie);
    }
}

// The movies the index's rows name, the few people among them looked up one by one through the
// catalogue's own indexes: what the source's statement finds, without asking the index again.
void lookUpMovies(const store::Connection& db, const std::vector<qint64>& rows, std::vector<std::uint64_t>& bits)
{
    std::unique_ptr<store::Statement> actor, more;
    std::array<std::unique_ptr<store::Statement>, store::kCredits.size()> named;
    const auto collect = [&](std::unique_ptr<store::Statement>& q, const QString& sql,
                             const std::vector<QVariant>& values) {
        if (!q)
            q = std::make_unique<store::Statement>(db, sql);
        q->reset();
        q->bindAll(values);
        while (q->step())
            setBit(bits, sqlite3_column_int64(q->handle(), 0));
    };
    rowMovies(rows, bits, [&](qint64 kind, qint64 key) {
        if (kind == kActorKind) {
            collect(actor, QStringLiteral("SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ?"), {key});
            return;
        }
        const std::size_t k = std::size_t(kind - kFirstCreditKind);
        const QLatin1String column(store::kCredits[k].key);
        collect(named[k], QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Title] WHERE [%1] = ?").arg(column), {key});
        // A credit's further names (a second director) name the movie as its first does.
        collect(more,
                QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_More_Name] WHERE [Credit] = ? AND [Name_ID] = ?"),
                {QString(column), key});
    });
}

// Below this many names and actors a word's movies come quicker through the catalogue's indexes:
// the reach looks at every movie, the indexes at each person's movies (one in 250 of the movies, as
// measured at 50,000 and 500,000).
std::size_t broadFrom(const store::Connection& db)
{
    return std::size_t(std::max<qint64>(200, lastMovie(db) / 250));
}

} // namespace

FoundSet::FoundSet(const store::Connection& db, const Filter& filter)
    : m_db(db), m_sources(filter.sources), m_params(int(filter.params.size()))
{
    for (auto [name, function] : {std::pair{kFunction, &found}, std::pair{kKeysFunction, &foundKeys}})
        store::check(
            sqlite3_create_function_v2(db.handle(), name, -1, SQLITE_UTF8, this, function, nullptr, nullptr, nullptr),
            db.handle());
}

FoundSet::~FoundSet()
{
    for (const char* name : {kFunction, kKeysFunction})
        sqlite3_create_function_v2(m_db.handle(), name, -1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
}

qint64 FoundSet::Collect()
{
    // A new sort order reads the same matches again unless some connection wrote since.
    const std::pair<qint64, qint64> now = versionOf(m_db);
    if (m_count >= 0 && now == m_version)
        return m_count;
    m_version = now;
    m_count = -1;
    std::vector<std::vector<std::uint64_t>> found(m_sources.size());
    // A word naming many people reaches its movies through the reach in memory.
    std::vector<std::vector<qint64>> hits(m_sources.size());
    std::vector<bool> broad(m_sources.size(), false);
    std::shared_ptr<const Reach> reach;
    const std::size_t broadPeople = broadFrom(m_db);
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (m_sources[i].hits.isEmpty())
            continue;
        store::Statement q(m_db, m_sources[i].hits);
        q.bindAll(m_sources[i].params);
        std::size_t people = 0;
        while (q.step()) {
            const qint64 row = sqlite3_column_int64(q.handle(), 0);
            hits[i].push_back(row);
            people += (row & ((1 << kKindBits) - 1)) >= kFirstCreditKind;
        }
        broad[i] = people > broadPeople;
    }
    if (std::find(broad.begin(), broad.end(), true) != broad.end())
        reach = reachFor(m_db, reachVersion(m_db));
    // The rows a word's index gave name their movies: through the reach for many people, else one
    // by one, never by asking the index a second time.
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (broad[i] && reach)
            reachMovies(*reach, hits[i], found[i]);
        else if (!m_sources[i].hits.isEmpty())
            lookUpMovies(m_db, hits[i], found[i]);
    }
    hits.clear();
    // Each index answers on its own connection and core: a common word costs each about the same.
    const auto read = [&](const store::Connection& db, std::size_t first) {
        for (std::size_t i = first; i < m_sources.size(); i += 2) {
            if (!m_sources[i].across.isEmpty() || !m_sources[i].hits.isEmpty())
                continue;
            store::Statement q(db, m_sources[i].sql);
            q.bindAll(m_sources[i].params);
            sqlite3_stmt* s = q.handle();
            while (q.step())
                setBit(found[i], sqlite3_column_int64(s, 0));
        }
    };
    // Only outside a transaction does a second connection see what this one sees.
    if (m_sources.size() > 1 && sqlite3_get_autocommit(m_db.handle()) != 0) {
        if (!m_second)
            m_second = std::make_unique<store::Connection>(m_db.path(), store::Connection::Mode::ReadOnly);
        std::exception_ptr failed;
        // A pool with no thread free runs it here when waited for.
        QFuture<void> other = QtConcurrent::run([&] {
            try {
                read(*m_second, 1);
            } catch (...) {
                failed = std::current_exception();
            }
        });
        try {
            read(m_db, 0);
        } catch (...) {
            other.waitForFinished();
            throw;
        }
        other.waitForFinished();
        if (failed)
            std::rethrow_exception(failed);
    } else {
        read(m_db, 0);
        read(m_db, 1);
    }
    // The scratch index is this connection's own.
    for (std::size_t i = 0; i < m_sources.size(); ++i)
        if (!m_sources[i].across.isEmpty())
            findAcross(m_db, m_sources[i], found[i]);
    m_version.second = sqlite3_total_changes64(m_db.handle()); // not counting the scratch index's
    if (reach) {
        // A reach kept by any change (no names version) is still right after the scratch index's.
        std::lock_guard guard(g_reachLock);
        if (reach->version == now)
            std::const_pointer_cast<Reach>(reach)->version = m_version;
    }
    // A term finds what any of its indexes finds; the movies found have every term.
    m_bits.clear();
    std::vector<std::uint64_t> term;
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (term.size() < found[i].size())
            term.resize(found[i].size(), 0);
        for (std::size_t w = 0; w < found[i].size(); ++w)
            term[w] |= found[i][w];
        if (i + 1 == m_sources.size() || m_sources[i + 1].term != m_sources[i].term) {
            if (m_sources[i].term == m_sources.front().term) {
                m_bits.swap(term);
            } else {
                m_bits.resize(qMin(m_bits.size(), term.size()));
                for (std::size_t w = 0; w < m_bits.size(); ++w)
                    m_bits[w] &= term[w];
            }
            term.clear();
        }
    }
    qint64 count = 0;
    for (std::uint64_t word : m_bits)
        count += std::popcount(word);
    return m_count = count;
}

bool FoundSet::Has(qint64 key) const
{
    const auto word = std::size_t(key >> 6);
    return key >= 0 && word < m_bits.size() && (m_bits[word] >> (key & 63) & 1) != 0;
}

QString FoundSet::Condition(const QString& keyColumn) const
{
    return QStringLiteral("%1(%2%3)")
        .arg(QString::fromLatin1(kFunction), keyColumn, QStringLiteral(", ?").repeated(m_params));
}

QString FoundSet::Listed(const QString& keyColumn) const
{
    const QString values = QStringLiteral("?, ").repeated(m_params).chopped(m_params > 0 ? 2 : 0);
    return QStringLiteral("%1 IN (SELECT [value] FROM json_each(%2(%3)))")
        .arg(keyColumn, QString::fromLatin1(kKeysFunction), values);
}

void SetReachAhead(qint64 movies)
{
    g_reachAhead = movies;
}

void PrepareReach(const store::Connection& db)
{
    const qint64 from = g_reachAhead;
    if (from < 0)
        return;
    if (lastMovie(db) < from)
        return;
    const std::pair<qint64, qint64> now = reachVersion(db);
    std::lock_guard guard(g_reachLock);
    Tracked* t = track(db);
    if (!t || (t->reach && t->reach->version == now) || (t->ahead.isValid() && t->aheadVersion == now))
        return;
    // Made from a connection of its own, it holds for this one while the names version stays; with
    // none, only while neither sees a change: another's commit changes this one's data_version, its
    // own its count of changes.
    t->aheadVersion = now;
    t->ahead =
        QtConcurrent::run(shell::WorkPool(), [path = db.path(), handle = db.handle(), generation = t->generation, now] {
            std::shared_ptr<Reach> made;
            try {
                store::Connection own(path, store::Connection::Mode::ReadOnly);
                // One snapshot for every table read; the connection reads only, so nothing is copied first.
                sqlite3_exec(own.handle(), "BEGIN", nullptr, nullptr, nullptr);
                made = makeReach(own);
                sqlite3_exec(own.handle(), "COMMIT", nullptr, nullptr, nullptr);
            } catch (const std::exception&) {
                return; // made when first needed, where a failure is told
            }
            std::lock_guard inner(g_reachLock);
            const auto it = g_reaches.find(handle);
            if (!made || it == g_reaches.end() || it->second.generation != generation)
                return;
            made->version = now;
            if (!(it->second.reach && it->second.reach->version == now))
                it->second.reach = std::move(made);
        });
}

} // namespace find
