#pragma once

#include "find/FindQuery.h"
#include "store/Sqlite.h"

#include <bit>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace find {

// The movies a filter's words match, collected from both indexes into a set of keys that
// statements on the same connection ask through a function of their own. A common word may match
// half of a large catalogue: no statement sorts that many quickly, while walking an order and
// asking the set for each movie stops after the first screenful.
class FoundSet
{
public:
    // Registers the function on db, which must outlive the set.
    FoundSet(const store::Connection& db, const Filter& filter);
    ~FoundSet();
    FoundSet(const FoundSet&) = delete;
    FoundSet& operator=(const FoundSet&) = delete;

    // Reads the matches again; returns how many movies match.
    qint64 Collect();
    bool Has(qint64 key) const;

    // The condition on keyColumn that asks the set; it binds the filter's values like `where`
    // does, so every statement of a record set takes the same values.
    QString Condition(const QString& keyColumn = QStringLiteral("[Movie_ID]")) const;
    // The same, for a statement that reads the movies found in another order: the keys listed.
    QString Listed(const QString& keyColumn = QStringLiteral("[Movie_ID]")) const;

    template <typename F> void ForEach(F&& f) const
    {
        for (std::size_t w = 0; w < m_bits.size(); ++w)
            for (std::uint64_t bits = m_bits[w]; bits != 0; bits &= bits - 1)
                f(qint64(w * 64 + std::size_t(std::countr_zero(bits))));
    }

private:
    const store::Connection& m_db;
    std::unique_ptr<store::Connection> m_second; // reads the other index at the same time
    std::vector<Source> m_sources;
    int m_params = 0;
    std::vector<std::uint64_t> m_bits;
    qint64 m_count = -1;
    std::pair<qint64, qint64> m_version; // data_version and this connection's changes at Collect
};

// Makes ahead, off the caller's thread, the names in memory through which a common word reaches its
// movies, for a catalogue of at least SetReachAhead's movies (20,000 unless set; negative: never),
// so the first such word typed does not wait for them. Cheap when they are already right.
void PrepareReach(const store::Connection& db);
void SetReachAhead(qint64 movies);

} // namespace find
