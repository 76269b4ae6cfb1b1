#include "find/SortOrder.h"

#include "store/Credits.h"

#include <memory>
#include <utility>

namespace find {

namespace {

// The movie's own sortable columns, and whether the catalogue has an index leading with each.
const std::pair<const char*, bool> kOwnColumns[] = {
    {"Length", false}, {"Year_Released", true}, {"Grade", false}, {"Rating", false}, {"Widescreen", false}};

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// The credit of a grid column; null for another column.
const store::Credit* creditNamed(const QString& field)
{
    for (const store::Credit& c : store::kCredits)
        if (field.compare(L(c.name), Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// The condition again, its parameters numbered as its first writing takes them, so a statement
// holding it more than once binds its values once; a bare `?` after it takes the next number.
QString again(const QString& condition)
{
    QString out;
    int n = 0;
    for (qsizetype i = 0; i < condition.size(); ++i) {
        out += condition[i];
        if (condition[i] == QLatin1Char('?') && (i + 1 == condition.size() || !condition[i + 1].isDigit()))
            out += QString::number(++n);
    }
    return out;
}

struct Column
{
    QString expr;
    bool nullable;
};

// One run of the order: its movies come together, sorted by `by` (ascending, empty values first,
// the movie's key last, so ties always fall the same way and backwards is exactly reversed).
struct Part
{
    QString from;    // walked in the order
    QString fromOne; // the same rows reached from one movie
    QString own;     // which movies the run holds; empty for all
    std::vector<Column> by;
    bool joined = false; // the movies reached through the names
    // No index leads with the first column, so each range of a count would be a scan of every
    // movie (or a lookup of each through the title's index): one scan counts them all.
    bool scanned = false;
};

class Order
{
public:
    // `listed` when the condition names its movies by a list, which the engine would otherwise walk
    // for every name.
    Order(std::vector<Part> parts, const QString& condition, bool listed)
        : m_parts(std::move(parts)), m_condition(again(condition)), m_listed(listed)
    {
    }

    QString keys(bool back) const
    {
        QStringList runs;
        for (std::size_t i = 0; i < m_parts.size(); ++i)
            runs << run(m_parts[back ? m_parts.size() - 1 - i : i], {}, back, m_parts.size() == 1);
        return runs.join(QStringLiteral(" UNION ALL "));
    }

    QStringList at() const
    {
        QStringList out;
        for (const Part& p : m_parts) {
            QStringList by;
            for (const Column& c : p.by)
                by << c.expr;
            out << QStringLiteral("SELECT ") + by.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + p.fromOne +
                       QStringLiteral(" WHERE ") + (p.own.isEmpty() ? QString() : p.own + QStringLiteral(" AND ")) +
                       QStringLiteral("m.[Movie_ID] = ?");
        }
        return out;
    }

    // The keys after (before, backwards) the movie standing in `part` at `values`, or their count:
    // each run of equal leading values is its own range of the part's walk, so the engine seeks
    // straight to the movie instead of walking the order up to it.
    store::SortedKeys::Beyond beyond(int part, const std::vector<QVariant>& values, bool back, bool count) const
    {
        store::SortedKeys::Beyond out;
        QStringList runs;
        const auto piece = [&](const Part& p, const QStringList& terms) -> QString {
            if (!count)
                return run(p, terms, back, false);
            const QStringList all = meeting(p, terms);
            return QStringLiteral("(SELECT count(*) FROM ") + p.from +
                   (all.isEmpty() ? QString() : QStringLiteral(" WHERE ") + all.join(QStringLiteral(" AND "))) +
                   QLatin1Char(')');
        };
        const Part& at = m_parts[std::size_t(part)];
        QStringList anyOf; // a scanned part's ranges, counted in one
        for (int i = int(at.by.size()) - 1; i >= 0; --i) {
            const auto same = [&](const QString& last, const QVariant& value) {
                QStringList terms;
                for (int j = 0; j < i; ++j) {
                    const QVariant& v = values[std::size_t(j)];
                    terms << at.by[std::size_t(j)].expr +
                                 (v.isNull() ? QStringLiteral(" IS NULL") : QStringLiteral(" = ?"));
                    if (!v.isNull())
                        out.values.push_back(v);
                }
                terms << at.by[std::size_t(i)].expr + last;
                if (value.isValid())
                    out.values.push_back(value);
                if (count && at.scanned)
                    anyOf << QLatin1Char('(') + terms.join(QStringLiteral(" AND ")) + QLatin1Char(')');
                else
                    runs << piece(at, terms);
            };
            const QVariant& v = values[std::size_t(i)];
            if (!back) {
                if (v.isNull())
                    same(QStringLiteral(" IS NOT NULL"), {});
                else
                    same(QStringLiteral(" > ?"), v);
            } else if (!v.isNull()) {
                same(QStringLiteral(" < ?"), v);
                if (at.by[std::size_t(i)].nullable)
                    same(QStringLiteral(" IS NULL"), {});
            }
        }
        if (!anyOf.isEmpty())
            runs << piece(at, {QLatin1Char('(') + anyOf.join(QStringLiteral(" OR ")) + QLatin1Char(')')});
        for (int p = back ? part - 1 : part + 1; p >= 0 && p < int(m_parts.size()); p += back ? -1 : 1)
            runs << piece(m_parts[std::size_t(p)], {});
        // Never empty: the key, last, always gives a range either way.
        out.sql = count ? QStringLiteral("SELECT ") + runs.join(QStringLiteral(" + "))
                        : runs.join(QStringLiteral(" UNION ALL "));
        return out;
    }

private:
    // The part's own terms and the condition before `terms`, so the condition's values come first.
    QStringList meeting(const Part& p, QStringList terms) const
    {
        // Through the names, a list of movies would be walked whole for every name (the engine
        // takes it for a few keys to look up); asked once as a set of its own and tested a movie at
        // a time, it costs one lookup per movie.
        if (!m_condition.isEmpty())
            terms.prepend(p.joined && m_listed ? QStringLiteral("+m.[Movie_ID] IN (SELECT [Movie_ID] FROM "
                                                                "[tbl_Movie_Title] WHERE (%1))")
                                                     .arg(m_condition)
                                               : QLatin1Char('(') + m_condition + QLatin1Char(')'));
        if (!p.own.isEmpty())
            terms.prepend(p.own);
        return terms;
    }

    // One part's keys meeting `terms`, in its order; in a subquery when runs follow one another,
    // the limit keeping the engine to each run's own order.
    QString run(const Part& p, QStringList terms, bool back, bool alone) const
    {
        terms = meeting(p, terms);
        QStringList by;
        for (const Column& c : p.by)
            by << c.expr + (back ? QStringLiteral(" DESC") : QString());
        const QString sql =
            QStringLiteral("SELECT m.[Movie_ID] FROM ") + p.from +
            (terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "))) +
            QStringLiteral(" ORDER BY ") + by.join(QStringLiteral(", "));
        return alone ? sql : QStringLiteral("SELECT [Movie_ID] FROM (") + sql + QStringLiteral(" LIMIT -1)");
    }

    std::vector<Part> m_parts;
    QString m_condition;
    bool m_listed;
};

std::vector<Part> partsOf(const QString& field)
{
    const QString movies = QStringLiteral("[tbl_Movie_Title] AS m");
    const Column title{QStringLiteral("m.[Movie_Title]"), true}, key{QStringLiteral("m.[Movie_ID]"), false};
    if (const store::Credit* c = creditNamed(field)) {
        // The movies whose key names no row (an import adds the row after them) come first, as a
        // name of none, by key and title; then the names in their index's order and each name's
        // movies through the movie table's index of the credit's key, sorted by title a name at a
        // time. Names and titles compare without regard to case, as their columns are declared,
        // and movies of two rows of one name come a row at a time.
        const QString table = L(c->table), id = L(c->key), name = L(c->name);
        return {{movies,
                 movies,
                 QStringLiteral("m.[%1] NOT IN (SELECT [%1] FROM [%2])").arg(id, table),
                 {{QStringLiteral("m.[%1]").arg(id), false}, title, key}},
                {QStringLiteral("[%1] AS n CROSS JOIN %2 ON m.[%3] = n.[%3]").arg(table, movies, id),
                 QStringLiteral("%2 CROSS JOIN [%1] AS n ON n.[%3] = m.[%3]").arg(table, movies, id),
                 {},
                 {{QStringLiteral("n.[%1]").arg(name), true}, {QStringLiteral("n.[%1]").arg(id), false}, title, key},
                 true}};
    }
    if (field.compare(QLatin1String("Movie_Title"), Qt::CaseInsensitive) == 0)
        return {{movies, movies, {}, {title, key}}};
    for (const auto& [column, indexed] : kOwnColumns)
        if (field.compare(L(column), Qt::CaseInsensitive) == 0)
            return {
                {movies, movies, {}, {{QStringLiteral("m.[%1]").arg(L(column)), true}, title, key}, false, !indexed}};
    return {};
}

} // namespace

store::SortedKeys SortedKeysSql(const QString& field, const QString& where, const QString& probe)
{
    const std::vector<Part> parts = partsOf(field);
    if (parts.empty())
        return {};
    const auto also = [](const QString& condition, const char* glue) -> QString {
        return condition.isEmpty() ? QString() : QLatin1String(glue) + QLatin1Char('(') + condition + QLatin1Char(')');
    };
    const QString from = QStringLiteral(" FROM [tbl_Movie_Title]");
    const auto order = std::make_shared<const Order>(parts, where, true);
    const Order walked(parts, probe, false);
    const QString test = probe.isEmpty() ? where : probe;
    store::SortedKeys out;
    out.keys = order->keys(false);
    out.count = QStringLiteral("SELECT count(*)") + from + also(where, " WHERE ");
    out.member = QStringLiteral("SELECT 1") + from + also(test, " WHERE ") +
                 (test.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND")) +
                 QStringLiteral(" [Movie_ID] = ?");
    out.keysBack = order->keys(true);
    if (!probe.isEmpty()) {
        out.walk = walked.keys(false);
        out.walkBack = walked.keys(true);
    }
    out.at = order->at();
    // From one movie, the keys near it are read and those after it counted a range at a time, where
    // asking each movie met costs less than listing every movie found for each range.
    const auto seeker = probe.isEmpty() ? order : std::make_shared<const Order>(parts, probe, false);
    out.beyond = [seeker](int part, const std::vector<QVariant>& values, bool back, bool count) {
        return seeker->beyond(part, values, back, count);
    };
    return out;
}

} // namespace find
