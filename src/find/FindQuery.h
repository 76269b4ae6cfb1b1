#pragma once

#include <QString>
#include <QVariant>
#include <vector>

namespace find {

// One thing the user looks for: a word or a quoted phrase, in every field or in one.
struct Term
{
    QString field; // an index column or Barcode; empty for any
    QString text;
    bool phrase = false;
};

// Reads what the user typed: words, "quoted phrases" (an unclosed quote runs to the end) and
// field:value, where field is an index column, a short name (title, year, actor...) or a word
// another part of the program registered (FindWords.h). An unknown field is part of the text. Control
// characters separate words; past kMaxLength characters and kMaxTerms terms the rest is ignored.
inline constexpr int kMaxLength = 200;
inline constexpr int kMaxTerms = 12;
std::vector<Term> ParseQuery(const QString& typed);

// One statement yielding the keys of the movies one term finds in one index (a key may come more
// than once). With `across` set, the statement gives only the movies whose cast may hold the term
// across two actors, "Harrison; Hamill", and `across` is the full-text query their casts, as one
// text each, are asked (in the trigram index's way when `trigram`).
struct Source
{
    QString sql;
    std::vector<QVariant> params;
    int term = 0;
    QString across;
    bool trigram = false;
    // The index's own rows the statement starts from (values, keyed as FindSchema lays them out),
    // for a reader that reaches their movies another way; empty when it has none.
    QString hits = {};
};

// The condition on a movie key column that keeps the movies matching every term, and the
// values it binds (one FTS5 query string per index and term, every user text quoted as an
// FTS5 string). Empty when nothing searchable was typed.
struct Filter
{
    QString where;
    std::vector<QVariant> params;
    // Each term's matches, one statement per index, which a FoundSet unites per term and
    // intersects across terms. Empty when a term is about loans: `where` alone then finds no
    // text across two actors.
    std::vector<Source> sources;
    bool isEmpty() const { return where.isEmpty(); }
};
Filter MatchFilter(const QString& typed, const QString& keyColumn = QStringLiteral("[Movie_ID]"));

// A record source narrowed by the filter: the condition goes in before its ORDER BY.
QString Narrowed(const QString& selectSql, const Filter& filter);

} // namespace find
