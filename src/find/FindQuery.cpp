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
        for (const QString& c : IndexColumns())
            f.insert(c.toLower(), c);
        f.insert(QStringLiteral("barcode"), QStringLiteral("Barcode"));
        f.insert(QStringLiteral("original"), QStringLiteral("Original_Title"));
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

namespace {

// The runs of word characters in the text, as the word index would split it (near enough to pick
// the movies worth a closer look).
QStringList wordsOf(const QString& text)
{
    QStringList words;
    QString word;
    for (QChar c : text) {
        if (c.isLetterOrNumber() || c.isMark() || c.category() == QChar::Other_PrivateUse) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

// The movies with an actor whose name the query finds in the index `table`.
QString moviesOfActors(const QString& table)
{
    return QStringLiteral("SELECT j.[Movie_ID] FROM [tbl_Actor_Movie_Join] AS j WHERE j.[Actor_ID] IN (SELECT rowid "
                          ">> %1 FROM [%2] WHERE [%2] MATCH ? AND (rowid & %3) = %4)")
        .arg(kKindBits)
        .arg(table)
        .arg((1 << kKindBits) - 1)
        .arg(kActorKind);
}

bool allDigits(const QString& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

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
        const auto source = [&](const QString& sql, const std::vector<QVariant>& params, const QString& hits = {}) {
            sources << key + QStringLiteral(" IN (") + sql + QLatin1Char(')');
            f.params.insert(f.params.end(), params.begin(), params.end());
            f.sources.push_back({sql, params, term, {}, false, hits});
        };
        const auto hitsOf = [](const QString& table) {
            return QStringLiteral("SELECT rowid FROM [%1] WHERE [%1] MATCH ?").arg(table);
        };
        const bool barcode = t.field == QLatin1String("Barcode");
        const bool trigrams = t.text.toUcs4().size() >= 3 && InTrigramIndex(t.field) && !barcode;
        const QString words = ftsString(t.text) + (t.phrase ? QString() : QStringLiteral("*"));
        // Words and word starts, accent-blind: "amelie" finds "Amélie", "ru" finds "Runner".
        if (hasWordCharacter(t.text) && !barcode)
            source(MoviesFoundSql(kWordsTable), {inField(t, words)}, hitsOf(kWordsTable));
        // Any three or more characters inside a value: "unner" finds "Runner".
        if (trigrams)
            source(MoviesFoundSql(kTrigramTable), {inField(t, ftsString(t.text))}, hitsOf(kTrigramTable));
        // A barcode by its first digits (barcodes hold digits only); a UPC-A and the EAN-13 written
        // with a 0 before it are one code.
        if (barcode || (t.field.isEmpty() && allDigits(t.text))) {
            QString digits;
            for (const QChar c : t.text)
                if (c.isDigit() && c.unicode() < 128)
                    digits += c;
            const QString typed = digits + QLatin1Char('*');
            source(
                QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Barcode] WHERE [Barcode] GLOB ? OR [Barcode] "
                               "GLOB ? OR [Barcode] GLOB ?"),
                {typed, QString(QLatin1Char('0') + typed), digits.startsWith(QLatin1Char('0')) ? typed.mid(1) : typed});
        }
        // The cast reads as one text, so a phrase may run from one actor's name into the next and
        // text into the "; " between them: the movies with actors holding the phrase's first and
        // last words, or the text's longest part between semicolons, are asked again as a whole.
        if (t.field.isEmpty() || t.field == QLatin1String("Actor")) {
            const QStringList parts = wordsOf(t.text);
            if (parts.size() > 1 && hasWordCharacter(t.text)) {
                const QString first = QStringLiteral("{Actor} : ") + ftsString(parts.first());
                const QString last = QStringLiteral("{Actor} : ") + ftsString(parts.last()) +
                                     (t.phrase ? QString() : QStringLiteral("*"));
                f.sources.push_back(
                    {moviesOfActors(kWordsTable) + QStringLiteral(" INTERSECT ") + moviesOfActors(kWordsTable),
                     {QVariant(first), QVariant(last)},
                     term,
                     words,
                     false});
            }
            if (trigrams && t.text.contains(QLatin1Char(';'))) {
                QString longest;
                for (const QString& part : t.text.split(QLatin1Char(';')))
                    if (part.trimmed().toUcs4().size() > longest.toUcs4().size())
                        longest = part.trimmed();
                if (longest.toUcs4().size() >= 3)
                    f.sources.push_back({moviesOfActors(kTrigramTable),
                                         {QVariant(QStringLiteral("{Actor} : ") + ftsString(longest))},
                                         term,
                                         ftsString(t.text),
                                         true});
                else
                    f.sources.push_back({QStringLiteral("SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] GROUP BY "
                                                        "[Movie_ID] HAVING count(*) > 1"),
                                         {},
                                         term,
                                         ftsString(t.text),
                                         true});
            }
        }
        if (!sources.isEmpty()) {
            conditions << QLatin1Char('(') + sources.join(QStringLiteral(" OR ")) + QLatin1Char(')');
            ++term;
        } else {
            // Nothing but a cross-actor look: no condition, so no term for the found set.
            while (!f.sources.empty() && f.sources.back().term == term)
                f.sources.pop_back();
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
