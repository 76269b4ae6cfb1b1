#include "find/FoundSet.h"

#include "find/FindSchema.h"
#include "store/Sqlite.h"

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>
#include <bit>
#include <exception>
#include <memory>
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
    store::Statement version(m_db, QStringLiteral("PRAGMA data_version"));
    const std::pair<qint64, qint64> now{version.step() ? version.column(0).toLongLong() : -1,
                                        sqlite3_total_changes64(m_db.handle())};
    if (m_count >= 0 && now == m_version)
        return m_count;
    m_version = now;
    m_count = -1;
    // Each index answers on its own connection and core: a common word costs each about the same.
    std::vector<std::vector<std::uint64_t>> found(m_sources.size());
    const auto read = [&](const store::Connection& db, std::size_t first) {
        for (std::size_t i = first; i < m_sources.size(); i += 2) {
            if (!m_sources[i].across.isEmpty())
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

} // namespace find
