#include "catalog/MovieValues.h"

#include "catalog/Barcode.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <functional>

namespace catalog {

namespace {

// Each credit as the messages name it, one and many.
constexpr std::array<std::pair<const char*, const char*>, store::kCredits.size()> kCreditWords{{
    {"director", "directors"},
    {"producer", "producers"},
    {"executive producer", "executive producers"},
    {"composer", "composers"},
    {"writer", "writers"},
    {"screenwriter", "screenwriters"},
    {"cinematographer", "cinematographers"},
    {"studio", "studios"},
    {"genre", "genres"},
    {"format", "formats"},
}};

QString plural(std::size_t credit)
{
    return QLatin1String(kCreditWords[credit].second);
}

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// A value quoted in a message: a long one by its start.
QString quoted(const QString& value)
{
    constexpr qsizetype kShown = 40;
    return QLatin1Char('"') + (value.size() > kShown ? value.left(kShown) + QStringLiteral("...") : value) +
           QLatin1Char('"');
}

// A name as the own names are compared: letters and digits, in lower case.
QString nameKey(const QString& name)
{
    QString key;
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            key += c.toLower();
    return key;
}

bool hasMarkup(const QString& text)
{
    for (const QChar c : text)
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || c.category() == QChar::Other_Control)
            return true;
    return false;
}

// The rating's steps are halves: 7.5 is one, 7.3 is not.
bool onHalfStep(double rating)
{
    return std::isfinite(rating) && rating * 2 == std::round(rating * 2);
}

void dedupe(QStringList& names, QSet<QString>& seen)
{
    QStringList kept;
    for (QString& name : names) {
        name = name.trimmed();
        if (!name.isEmpty() && !seen.contains(name.toLower()) &&
            name.compare(QLatin1String(kUnknown), Qt::CaseInsensitive) != 0) {
            seen.insert(name.toLower());
            kept << name;
        }
    }
    names = kept;
}

// Where the one-line values are, with the names the messages give them.
std::vector<std::pair<QString*, const char*>> lines(Movie& m)
{
    return {{&m.originalTitle, "original title"}, {&m.price, "price"}};
}

} // namespace

Read<std::optional<double>> ReadPersonalRating(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool number = false;
    const double value = text.toDouble(&number);
    if (!number || !std::isfinite(value))
        return {{},
                QStringLiteral("%1 is not a rating: a rating is a number from 0 to 10, such as 7 or 7.5.")
                    .arg(quoted(typed))};
    if (value < 0 || value > 10 || !onHalfStep(value))
        return {{},
                QStringLiteral("%1 is not a rating: a rating goes from 0 to 10 in half steps, such as 7 or 7.5.")
                    .arg(quoted(typed))};
    return {value, {}};
}

QString RatingText(const std::optional<double>& rating)
{
    return rating ? QString::number(*rating) : QString();
}

Read<QString> ReadImdbId(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression id(QStringLiteral("^tt[0-9]{7,12}$"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression address(QStringLiteral("imdb\\.com/(?:[a-z-]+/)?title/(tt[0-9]{7,12})(?:[/?#]|$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (id.match(text).hasMatch())
        return {text.toLower(), {}};
    if (const QRegularExpressionMatch m = address.match(text); m.hasMatch())
        return {m.captured(1).toLower(), {}};
    return {{},
            QStringLiteral("%1 is not an IMDb id: an IMDb id is tt and at least seven digits, such as tt0111161.")
                .arg(quoted(typed))};
}

Read<QString> ReadTmdbId(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression id(QStringLiteral("^[0-9]{1,12}$"));
    static const QRegularExpression address(QStringLiteral("themoviedb\\.org/movie/([0-9]{1,12})(?:[-/?#]|$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (id.match(text).hasMatch())
        return {text, {}};
    if (const QRegularExpressionMatch m = address.match(text); m.hasMatch())
        return {m.captured(1), {}};
    return {{}, QStringLiteral("%1 is not a TMDb id: a TMDb id is a number, such as 603.").arg(quoted(typed))};
}

Read<QDate> ReadDate(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    static const QRegularExpression form(QStringLiteral("^([0-9]{4})[-/.]([0-9]{1,2})[-/.]([0-9]{1,2})$"));
    const QRegularExpressionMatch m = form.match(text);
    const QDate date =
        m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QDate();
    if (!date.isValid() || date.year() < 1000)
        return {{},
                QStringLiteral("%1 is not a date: write it as year-month-day, such as 2024-03-05.").arg(quoted(typed))};
    return {date, {}};
}

bool IsOwnFieldName(const QString& name)
{
    static const QSet<QString> own = [] {
        QSet<QString> words;
        for (const char* w :
             {"title", "screenplay",     "length",  "year",      "grade",        "rating",        "widescreen",
              "cast",  "actor",          "actors",  "character", "characters",   "originaltitle", "plot",
              "notes", "personalrating", "watched", "purchased", "purchasedate", "price",         "purchaseprice",
              "imdb",  "imdbid",         "tmdb",    "tmdbid",    "barcode",      "barcodes"})
            words.insert(QLatin1String(w));
        for (const auto& [one, many] : kCreditWords)
            words << nameKey(QLatin1String(one)) << nameKey(QLatin1String(many));
        return words;
    }();
    return own.contains(nameKey(name));
}

void Normalize(Movie& m)
{
    for (std::size_t i = 0; i < m.credits.size(); ++i) {
        QStringList& more = m.moreNames[i];
        if (more.isEmpty())
            continue;
        // The first name stays exactly as given: the editor and the lists have always kept it so.
        // An "Unknown" first stays: the editor writes it for a box left empty.
        if (m.credits[i].trimmed().isEmpty()) {
            QSet<QString> none;
            dedupe(more, none);
            if (!more.isEmpty())
                m.credits[i] = more.takeFirst();
        }
        QSet<QString> seen{m.credits[i].trimmed().toLower()};
        dedupe(more, seen);
    }
    for (CastMember& member : m.cast)
        member.character = member.character.trimmed();
    for (auto& [line, what] : lines(m))
        *line = line->simplified();
    m.imdbId = ReadImdbId(m.imdbId).ok() ? ReadImdbId(m.imdbId).value : m.imdbId.trimmed();
    m.tmdbId = ReadTmdbId(m.tmdbId).ok() ? ReadTmdbId(m.tmdbId).value : m.tmdbId.trimmed();
    if (!m.watched.isValid())
        m.watched = {};
    if (!m.purchased.isValid())
        m.purchased = {};
    QStringList codes;
    for (const QString& typed : std::as_const(m.barcodes)) {
        const Barcode code = ReadBarcode(typed);
        const QString kept = code.ok() ? code.digits : typed.trimmed();
        if (!kept.isEmpty() && !codes.contains(kept))
            codes << kept;
    }
    m.barcodes = codes;
    std::vector<Field> fields;
    for (Field& f : m.fields) {
        f.name = f.name.simplified();
        if (!f.value.trimmed().isEmpty())
            fields.push_back(std::move(f));
    }
    m.fields = std::move(fields);
}

namespace {

// One problem of a movie, and how Tidy mends it.
struct Problem
{
    QString refusal;
    std::function<QString()> mend; // does it, and says what it did
};

std::vector<Problem> problems(Movie& m)
{
    std::vector<Problem> found;
    for (std::size_t i = 0; i < m.credits.size(); ++i) {
        QStringList& more = m.moreNames[i];
        if (more.size() + 1 > kMaxNames) {
            const qsizetype over = more.size() + 1 - kMaxNames;
            found.push_back({QStringLiteral("It has %1 %2; a movie keeps at most %3.")
                                 .arg(number(more.size() + 1), plural(i), number(kMaxNames)),
                             [&more, over, i] {
                                 more.erase(more.end() - over, more.end());
                                 return QStringLiteral("the last %1 %2 (not kept: a movie keeps %3)")
                                     .arg(number(over), plural(i), number(kMaxNames));
                             }});
        }
        // Only among the names kept: the mend above takes the others away.
        for (qsizetype n = 0; n < std::min<qsizetype>(more.size(), kMaxNames - 1); ++n)
            if (more[n].size() > kMaxLine)
                found.push_back(
                    {QStringLiteral("One of its %1 is longer than %2 characters.").arg(plural(i), number(kMaxLine)),
                     [&more, n, i] {
                         more[n].clear();
                         return QStringLiteral("one of the %1, longer than %2 characters (not kept)")
                             .arg(plural(i), number(kMaxLine));
                     }});
    }
    for (CastMember& member : m.cast)
        if (member.character.size() > kMaxLine)
            found.push_back({QStringLiteral("The character of %1 is longer than %2 characters.")
                                 .arg(ActorDisplayName(member.last, member.first), number(kMaxLine)),
                             [&member] {
                                 member.character.clear();
                                 return QStringLiteral("the character of %1, longer than %2 characters (not kept)")
                                     .arg(ActorDisplayName(member.last, member.first), number(kMaxLine));
                             }});
    for (auto& [line, what] : lines(m))
        if (line->size() > kMaxLine)
            found.push_back(
                {QStringLiteral("Its %1 is longer than %2 characters.").arg(QLatin1String(what), number(kMaxLine)),
                 [line, what] {
                     *line = line->left(kMaxLine);
                     return QStringLiteral("%1: cut to %2 characters").arg(QLatin1String(what), number(kMaxLine));
                 }});
    for (auto [text, what] : {std::pair{&m.plot, "plot"}, {&m.notes, "notes"}})
        if (text->size() > kMaxText)
            found.push_back(
                {QStringLiteral("Its %1 is longer than %2 characters.").arg(QLatin1String(what), number(kMaxText)),
                 [text, what] {
                     const qsizetype was = text->size();
                     *text = text->left(kMaxText);
                     return QStringLiteral("%1: cut to %2 characters of %3")
                         .arg(QLatin1String(what), number(kMaxText), number(was));
                 }});
    if (m.personalRating && !(*m.personalRating >= 0 && *m.personalRating <= 10 && onHalfStep(*m.personalRating))) {
        const double given = *m.personalRating;
        found.push_back(
            {QStringLiteral("Its rating %1 is not one from 0 to 10 in half steps.").arg(given), [&m, given] {
                 if (std::isfinite(given) && given >= 0 && given <= 10) {
                     m.personalRating = std::round(given * 2) / 2;
                     return QStringLiteral("rating %1: kept as %2").arg(given).arg(*m.personalRating);
                 }
                 m.personalRating.reset();
                 return QStringLiteral("rating %1 (not kept: a rating goes from 0 to 10)").arg(given);
             }});
    }
    const auto badId = [&](QString& id, const Read<QString>& read) {
        if (!read.ok())
            found.push_back({read.error, [&id, read] {
                                 id.clear();
                                 return read.error + QStringLiteral(" (not kept)");
                             }});
    };
    badId(m.imdbId, ReadImdbId(m.imdbId));
    badId(m.tmdbId, ReadTmdbId(m.tmdbId));
    if (m.barcodes.size() > kMaxBarcodes)
        found.push_back({QStringLiteral("It has %1 barcodes; a movie keeps at most %2.")
                             .arg(number(m.barcodes.size()), number(kMaxBarcodes)),
                         [&m] {
                             const qsizetype over = m.barcodes.size() - kMaxBarcodes;
                             m.barcodes.erase(m.barcodes.end() - over, m.barcodes.end());
                             return QStringLiteral("the last %1 barcodes (not kept: a movie keeps %2)")
                                 .arg(number(over), number(kMaxBarcodes));
                         }});
    for (qsizetype n = 0; n < std::min<qsizetype>(m.barcodes.size(), kMaxBarcodes); ++n)
        if (const Barcode code = ReadBarcode(m.barcodes[n]); !code.ok())
            found.push_back({code.error, [&m, n, code] {
                                 m.barcodes[n].clear();
                                 return code.error + QStringLiteral(" (not kept)");
                             }});
    if (m.fields.size() > std::size_t(kMaxFields))
        found.push_back({QStringLiteral("It has %1 other fields; a movie keeps at most %2.")
                             .arg(number(qint64(m.fields.size())), number(kMaxFields)),
                         [&m] {
                             const qint64 over = qint64(m.fields.size()) - kMaxFields;
                             m.fields.resize(std::size_t(kMaxFields));
                             return QStringLiteral("the last %1 other fields (not kept: a movie keeps %2)")
                                 .arg(number(over), number(kMaxFields));
                         }});
    for (std::size_t n = 0; n < std::min(m.fields.size(), std::size_t(kMaxFields)); ++n) {
        Field& f = m.fields[n];
        if (f.name.isEmpty() || f.name.size() > kMaxLine || hasMarkup(f.name))
            found.push_back({f.name.isEmpty()
                                 ? QStringLiteral("A field with the value %1 has no name.").arg(quoted(f.value))
                                 : QStringLiteral("%1 cannot name a field: a field's name is plain text "
                                                  "of at most %2 characters.")
                                       .arg(quoted(f.name), number(kMaxLine)),
                             [&f] {
                                 static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
                                 const QString was = f.name;
                                 f.name = QString(f.name).remove(tag).remove(QLatin1Char('<')).remove(QLatin1Char('>'));
                                 QString plain;
                                 for (const QChar c : std::as_const(f.name))
                                     plain += c.category() == QChar::Other_Control ? QChar(QLatin1Char(' ')) : c;
                                 f.name = plain.simplified().left(kMaxLine);
                                 if (f.name.isEmpty())
                                     f.name = QStringLiteral("Other");
                                 return QStringLiteral("field %1: named \"%2\"").arg(quoted(was), f.name);
                             }});
        else if (IsOwnFieldName(f.name))
            found.push_back({QStringLiteral("A field cannot be named \"%1\": the movie has a value of that name of its "
                                            "own.")
                                 .arg(f.name),
                             [&f] {
                                 f.name += QStringLiteral(" (2)");
                                 return QStringLiteral("field \"%1\": named \"%1 (2)\", as the movie has a value of "
                                                       "that name of its own")
                                     .arg(f.name.chopped(4));
                             }});
        if (f.value.size() > kMaxText)
            found.push_back(
                {QStringLiteral("The field \"%1\" is longer than %2 characters.")
                     .arg(f.name.left(kMaxLine), number(kMaxText)),
                 [&f] {
                     f.value = f.value.left(kMaxText);
                     return QStringLiteral("field \"%1\": cut to %2 characters").arg(f.name, number(kMaxText));
                 }});
    }
    return found;
}

} // namespace

QStringList Refusals(const Movie& movie)
{
    Movie copy = movie; // the problems point into the movie they mend
    QStringList said;
    for (const Problem& p : problems(copy))
        said << p.refusal;
    return said;
}

QStringList Tidy(Movie& movie)
{
    Normalize(movie);
    QStringList told;
    for (const Problem& p : problems(movie))
        told << p.mend();
    // What was left out was emptied in place, so the positions the mends took stayed true.
    for (QStringList& names : movie.moreNames)
        names.removeAll(QString());
    movie.barcodes.removeAll(QString());
    return told;
}

void KeepStored(Movie& movie, const Movie& stored)
{
    for (std::size_t i = 0; i < movie.moreNames.size(); ++i)
        if (movie.moreNames[i].isEmpty())
            movie.moreNames[i] = stored.moreNames[i];
    for (auto [mine, theirs] : {std::pair{&movie.originalTitle, &stored.originalTitle},
                                {&movie.plot, &stored.plot},
                                {&movie.notes, &stored.notes},
                                {&movie.price, &stored.price},
                                {&movie.imdbId, &stored.imdbId},
                                {&movie.tmdbId, &stored.tmdbId}})
        if (mine->isEmpty())
            *mine = *theirs;
    if (!movie.personalRating)
        movie.personalRating = stored.personalRating;
    if (movie.watched.isNull())
        movie.watched = stored.watched;
    if (movie.purchased.isNull())
        movie.purchased = stored.purchased;
    if (movie.barcodes.isEmpty())
        movie.barcodes = stored.barcodes;
    if (movie.fields.empty())
        movie.fields = stored.fields;
}

void TakeMore(Movie& movie, const Movie& from)
{
    movie.moreNames = from.moreNames;
    movie.originalTitle = from.originalTitle;
    movie.plot = from.plot;
    movie.notes = from.notes;
    movie.personalRating = from.personalRating;
    movie.watched = from.watched;
    movie.purchased = from.purchased;
    movie.price = from.price;
    movie.imdbId = from.imdbId;
    movie.tmdbId = from.tmdbId;
    movie.barcodes = from.barcodes;
    movie.fields = from.fields;
}

QString EscapeLine(const QString& value)
{
    return QString(value)
        .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

QString UnescapeLine(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            ++i;
            out += value[i] == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

QString FieldLine(const Field& field)
{
    return EscapeLine(field.name).replace(QLatin1Char(':'), QStringLiteral("\\:")) + QStringLiteral(": ") +
           EscapeLine(field.value);
}

std::optional<Field> ReadFieldLine(const QString& line)
{
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size() && colon < 0; ++i)
        if (line.at(i) == QLatin1Char('\\'))
            ++i;
        else if (line.at(i) == QLatin1Char(':'))
            colon = i;
    if (colon <= 0)
        return std::nullopt;
    return Field{UnescapeLine(line.left(colon)).trimmed(),
                 UnescapeLine(line.mid(colon + 1 + (line.mid(colon + 1, 1) == QStringLiteral(" "))))};
}

} // namespace catalog
