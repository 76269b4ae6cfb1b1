#include "online/Matching.h"

#include "store/Credits.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace online {

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

QString castText(const catalog::Movie& m)
{
    QStringList out;
    for (const catalog::CastMember& c : m.cast) {
        QString name = QString(c.first + QLatin1Char(' ') + c.last).trimmed();
        if (!c.character.isEmpty())
            name += S(" (") + c.character + QLatin1Char(')');
        out << name;
    }
    return out.join(S("; "));
}

OnlineField credit(const char* caption, store::CreditIndex index)
{
    return {S(caption),
            [index](const catalog::Movie& m) {
                QStringList names = catalog::Names(m, index);
                names.removeAll(S(catalog::kUnknown));
                return names.join(S("; "));
            },
            [index](catalog::Movie& to, const catalog::Movie& from) {
                catalog::SetNames(to, index, catalog::Names(from, index));
            }};
}

template <QString catalog::Movie::*member> OnlineField text(const char* caption)
{
    return {S(caption), [](const catalog::Movie& m) { return (m.*member).trimmed(); },
            [](catalog::Movie& to, const catalog::Movie& from) { to.*member = from.*member; }};
}

// Lower case, without accents, punctuation and a leading article: "The Matrix" and "matrix" agree.
QString plain(const QString& title)
{
    QString t = title.normalized(QString::NormalizationForm_D).toLower();
    QString out;
    for (QChar c : t)
        if (c.isLetterOrNumber())
            out += c;
        else if (c.isSpace() || c.isPunct())
            out += QLatin1Char(' ');
    out = out.simplified();
    for (const char* article : {"the ", "a ", "an "})
        if (out.startsWith(QLatin1String(article)))
            return out.mid(qsizetype(strlen(article)));
    return out;
}

double titleScore(const QString& ours, const QString& theirs)
{
    const QString a = plain(ours), b = plain(theirs);
    if (a.isEmpty() || b.isEmpty())
        return 0;
    if (a == b)
        return 1;
    const QStringList wa = a.split(QLatin1Char(' ')), wb = b.split(QLatin1Char(' '));
    const QSet<QString> sa(wa.begin(), wa.end()), sb(wb.begin(), wb.end());
    return 0.9 * double(QSet<QString>(sa).intersect(sb).size()) / double(QSet<QString>(sa).unite(sb).size());
}

int minutes(const QString& length)
{
    const QStringList parts = length.split(QLatin1Char(':'));
    bool h = false, m = false;
    const int hours = parts.value(0).toInt(&h), mins = parts.value(1).toInt(&m);
    return h && m && parts.size() == 2 ? hours * 60 + mins : -1;
}

} // namespace

const std::vector<OnlineField>& OnlineFields()
{
    static const std::vector<OnlineField> fields = {
        text<&catalog::Movie::title>("Title"),
        text<&catalog::Movie::originalTitle>("Original title"),
        text<&catalog::Movie::year>("Year"),
        text<&catalog::Movie::length>("Length"),
        text<&catalog::Movie::rating>("Rating"),
        credit("Director", store::kDirector),
        credit("Producer", store::kProducer),
        credit("Executive Producer", store::kExecutiveProducer),
        credit("Screenwriter", store::kScreenplay),
        credit("Writer", store::kWriter),
        credit("Composer", store::kComposer),
        credit("Cinematographer", store::kCinematographer),
        credit("Genre", store::kGenre),
        credit("Studio", store::kStudio),
        {S("Cast"), castText, [](catalog::Movie& to, const catalog::Movie& from) { to.cast = from.cast; }},
        text<&catalog::Movie::plot>("Plot"),
        text<&catalog::Movie::imdbId>("IMDb id"),
        text<&catalog::Movie::tmdbId>("TMDb id"),
    };
    return fields;
}

bool HasValue(const OnlineField& field, const catalog::Movie& movie)
{
    // What the catalogue puts in for a field left empty (an import without lengths, a movie typed
    // by its title alone) is no value of the movie's own: the film's may fill it.
    static const QHash<QString, QString> placeholders{{S("Year"), S(catalog::kDefaultYear)},
                                                      {S("Length"), S(catalog::kDefaultLength)},
                                                      {S("Rating"), S(catalog::kDefaultRating)}};
    const QString value = field.text(movie);
    return !value.isEmpty() && placeholders.value(field.caption) != value;
}

QStringList Fill(catalog::Movie& movie, const catalog::Movie& film, bool replace)
{
    QStringList changed;
    const auto& fields = OnlineFields();
    for (auto f = fields.begin() + 1; f != fields.end(); ++f) {
        if (!HasValue(*f, film) || (HasValue(*f, movie) && !replace) || f->text(movie) == f->text(film))
            continue;
        f->take(movie, film);
        changed << f->caption;
    }
    return changed;
}

double MatchScore(const catalog::Movie& movie, const QString& title, const QString& originalTitle, const QString& year,
                  const QString& length)
{
    const double t = std::max(titleScore(movie.title, title), titleScore(movie.title, originalTitle));
    // Unknown on our side neither helps nor hurts much.
    double y = 0.5;
    if (!movie.year.isEmpty() && movie.year != S(catalog::kDefaultYear) && !year.isEmpty()) {
        const int gap = std::abs(movie.year.toInt() - year.toInt());
        y = gap == 0 ? 1 : gap == 1 ? 0.6 : 0;
    }
    double r = 0.5;
    const int ours = minutes(movie.length), theirs = minutes(length);
    if (ours > 0 && theirs > 0 && movie.length != S(catalog::kDefaultLength)) {
        const int gap = std::abs(ours - theirs);
        r = gap <= 3 ? 1 : gap <= 10 ? 0.6 : 0;
    }
    return 0.6 * t + 0.25 * y + 0.15 * r;
}

} // namespace online
