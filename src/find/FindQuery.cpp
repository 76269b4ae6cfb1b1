#include "find/FindQuery.h"

#include "catalog/Clock.h"
#include "find/FindSchema.h"
#include "find/FindWords.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace find {

namespace {

QString fieldNamed(const QString& name)
{
    static const QHash<QString, QString> fields = [] {
        QHash<QString, QString> f;
        for (const QString& c : DocumentColumns())
            f.insert(c.toLower(), c);
        f.insert(QStringLiteral("title"), QStringLiteral("Movie_Title"));
        f.insert(QStringLiteral("year"), QStringLiteral("Year_Released"));
        f.insert(QStringLiteral("screenplay"), QStringLiteral("Screenwriter"));
        f.insert(QStringLiteral("cast"), QStringLiteral("Actor"));
        return f;
    }();
    if (const FindWord* word = FindWordNamed(name))
        return word->name;
    return fields.value(name.toLower());
}

bool isBlank(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}

// What the word index sees as part of a word; a term with none of these has no words in it.
bool hasWordCharacter(const QString& text)
{
    for (QChar c : text)
        if (c.isLetterOrNumber() || c.category() == QChar::Other_PrivateUse)
            return true;
    return false;
}

QString ftsString(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString inField(const Term& t, const QString& query)
{
    return t.field.isEmpty() ? query : QLatin1Char('{') + t.field + QStringLiteral("} : ") + query;
}

} // namespace

std::vector<Term> ParseQuery(const QString& typed)
{
    std::vector<Term> terms;
    const QString s = typed.left(kMaxLength);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && int(terms.size()) < kMaxTerms) {
        while (i < n && isBlank(s[i]))
            ++i;
        if (i >= n)
            break;
        Term t;
        qsizetype j = i;
        while (j < n && (s[j].isLetter() || s[j] == QLatin1Char('_')))
            ++j;
        if (j < n && j > i && s[j] == QLatin1Char(':')) {
            t.field = fieldNamed(s.mid(i, j - i));
            if (!t.field.isEmpty())
                i = j + 1;
        }
        if (i < n && s[i] == QLatin1Char('"')) {
            const qsizetype close = s.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            t.text = s.mid(i + 1, end - i - 1);
            t.phrase = true;
            i = end + 1;
        } else {
            j = i;
            while (j < n && !isBlank(s[j]))
                ++j;
            t.text = s.mid(i, j - i);
            i = j;
        }
        // Control characters inside a phrase separate its words too.
        for (QChar& c : t.text)
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char(' ');
        t.text = t.text.simplified();
        if (!t.text.isEmpty())
            terms.push_back(t);
    }
    return terms;
}

Filter MatchFilter(const QString& typed, const QString& keyColumn)
{
    Filter f;
    QStringList conditions;
    bool plain = true;
    int term = 0;
    const std::vector<Term> terms = ParseQuery(typed);
    // Words of one or two letters alone match most of a catalogue: where this condition is read
    // whole (beside a word about loans), reading the movies in their order and keeping those found
    // beats fetching each found movie and sorting them all (the unary + keeps the engine off the
    // key's index).
    const bool broad = std::all_of(terms.begin(), terms.end(), [](const Term& t) { return t.text.size() < 3; });
    const QString key = broad ? QLatin1Char('+') + keyColumn : keyColumn;
    for (const Term& t : terms) {
        if (const FindWord* word = FindWordNamed(t.field)) {
            conditions << word->condition(t.text, key, f.params);
            plain = false; // its own parameters, which a found set does not know
            continue;
        }
        QStringList sources;
        const auto source = [&](const QString& table, const QString& query) {
            sources << QStringLiteral("SELECT rowid FROM [%1] WHERE [%1] MATCH ?").arg(table);
            f.params.emplace_back(inField(t, query));
            f.sources.push_back({sources.back(), f.params.back(), term});
        };
        // Words and word starts, accent-blind: "amelie" finds "Amélie", "ru" finds "Runner".
        if (hasWordCharacter(t.text))
            source(kWordsTable, ftsString(t.text) + (t.phrase ? QString() : QStringLiteral("*")));
        // Any three or more characters inside a value: "unner" finds "Runner".
        if (t.text.toUcs4().size() >= 3)
            source(kTrigramTable, ftsString(t.text));
        if (!sources.isEmpty()) {
            conditions << key + QStringLiteral(" IN (") + sources.join(QStringLiteral(" UNION ")) + QLatin1Char(')');
            ++term;
        }
    }
    f.where = conditions.join(QStringLiteral(" AND "));
    if (!plain)
        f.sources.clear();
    return f;
}

QString Narrowed(const QString& selectSql, const Filter& filter)
{
    if (filter.isEmpty())
        return selectSql;
    static const QRegularExpression orderBy(QStringLiteral("\\sorder\\s+by\\s"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression where(QStringLiteral("\\swhere\\s"), QRegularExpression::CaseInsensitiveOption);
    qsizetype at = selectSql.lastIndexOf(orderBy);
    if (at < 0)
        at = selectSql.size();
    const QString head = selectSql.left(at);
    const QString glue = head.contains(where) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
    return head + glue + QLatin1Char('(') + filter.where + QLatin1Char(')') + selectSql.mid(at);
}

} // namespace find
