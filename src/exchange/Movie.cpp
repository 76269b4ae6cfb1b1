#include "exchange/Movie.h"

#include <QRegularExpression>
#include <algorithm>

namespace exchange {

QString FieldCaption(int field)
{
    static const char* const kCaptions[] = {"Title",    "Director", "Producer",     "Executive Producer",
                                            "Composer", "Writer",   "Screenwriter", "Cinematographer",
                                            "Studio",   "Genre",    "Format",       "Length",
                                            "Year",     "Grade",    "Rating",       "Widescreen",
                                            "Cast"};
    static const char* const kDetails[] = {"Characters",
                                           "Original Title",
                                           "Plot",
                                           "Notes",
                                           "Personal Rating",
                                           "Watched",
                                           "Purchased",
                                           "Price",
                                           "IMDb Id",
                                           "TMDb Id",
                                           "Barcodes",
                                           "Fields",
                                           "(a field named by its column)"};
    static_assert(std::size(kCaptions) == kFirstMore && std::size(kDetails) == kFieldCount - kCharacters);
    if (field >= 0 && field < kFirstMore)
        return QLatin1String(kCaptions[field]);
    if (field >= kFirstMore && field < kCharacters)
        return QStringLiteral("More %1s").arg(QLatin1String(kCaptions[kFirstCredit + field - kFirstMore]));
    if (field >= kCharacters && field < kFieldCount)
        return QLatin1String(kDetails[field - kCharacters]);
    return QStringLiteral("(ignore)");
}

namespace {

bool escapable(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';');
}

// Where the first `separator` stands that no backslash keeps; -1 when none does.
qsizetype unescapedIndex(const QString& text, QChar separator)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size() && escapable(text.at(i + 1)))
            ++i;
        else if (text.at(i) == separator)
            return i;
    }
    return -1;
}

// A backslash before any other character is the name's own, as files written before kept it.
QString unescaped(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size() && escapable(text.at(i + 1)))
            ++i;
        out += text.at(i);
    }
    return out;
}

QString escaped(const QString& part)
{
    QString out;
    for (QChar c : part) {
        if (escapable(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

std::pair<QString, QString> SplitActorName(const QString& name)
{
    if (const qsizetype comma = unescapedIndex(name, QLatin1Char(',')); comma >= 0)
        return {unescaped(name.left(comma)).trimmed(), unescaped(name.mid(comma + 1)).trimmed()};
    const QString whole = unescaped(name).simplified();
    const qsizetype blank = whole.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return {whole, QString()};
    return {whole.mid(blank + 1), whole.left(blank)};
}

std::pair<QString, QString> SplitWholeName(const QString& name)
{
    static const QStringList suffixes = {QStringLiteral("Jr."), QStringLiteral("Jr"), QStringLiteral("Sr."),
                                         QStringLiteral("Sr"),  QStringLiteral("II"), QStringLiteral("III"),
                                         QStringLiteral("IV")};
    const auto [before, after] = SplitActorName(name);
    if (const qsizetype blank = before.lastIndexOf(QLatin1Char(' '));
        blank > 0 && suffixes.contains(after) && unescapedIndex(name, QLatin1Char(',')) >= 0)
        return {before.mid(blank + 1) + QStringLiteral(", ") + after, before.left(blank).trimmed()};
    return {before, after};
}

QString JoinActorName(const QString& last, const QString& first)
{
    return escaped(last) + QStringLiteral(", ") + escaped(first);
}

QStringList SplitActorList(const QString& names)
{
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= names.size(); ++i) {
        if (i < names.size() && names.at(i) == QLatin1Char('\\') && i + 1 < names.size() &&
            escapable(names.at(i + 1))) {
            ++i;
        } else if (i == names.size() || names.at(i) == QLatin1Char(';')) {
            if (const QString name = names.mid(start, i - start); !name.trimmed().isEmpty())
                out << name;
            start = i + 1;
        }
    }
    return out;
}

QString JoinList(const QStringList& values)
{
    QStringList out;
    for (const QString& value : values)
        out << escaped(value);
    return out.join(QStringLiteral("; "));
}

QStringList SplitList(const QString& text)
{
    QStringList out;
    if (text.trimmed().isEmpty())
        return out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) == QLatin1Char('\\') && i + 1 < text.size() && escapable(text.at(i + 1))) {
            ++i;
        } else if (i == text.size() || text.at(i) == QLatin1Char(';')) {
            out << unescaped(text.mid(start, i - start).trimmed());
            start = i + 1;
        }
    }
    return out;
}

QString LoanNotKept(int line, const QString& title, const QString& borrower, const QString& why)
{
    return QStringLiteral("line %1, %2: the loan to %3 (not kept: %4)")
        .arg(line)
        .arg(title, borrower.trimmed().isEmpty() ? QStringLiteral("someone unnamed") : borrower, why);
}

QString MinutesToLength(const QString& minutes, bool* exact)
{
    static const QString unit = QStringLiteral("(?:minutes?|mins?|m)\\.?");
    static const QRegularExpression plain(QStringLiteral("^(\\d{1,6})\\s*(?:%1)?$").arg(unit),
                                          QRegularExpression::CaseInsensitiveOption),
        hours(QStringLiteral("(\\d{1,4})\\s*(?:hours?|hrs?|h)\\.?\\s*(?:(\\d{1,2})\\s*(?:%1)?)?").arg(unit),
              QRegularExpression::CaseInsensitiveOption),
        clock(QStringLiteral("(\\d{1,4}):(\\d{2})")), number(QStringLiteral("\\d+"));
    const QString text = minutes.trimmed();
    int total = -1;
    bool whole = false;
    if (const auto m = plain.match(text); m.hasMatch()) {
        total = m.captured(1).toInt();
        whole = true;
    } else if (const auto h = hours.match(text); h.hasMatch()) {
        total = h.captured(1).toInt() * 60 + h.captured(2).toInt();
        whole = h.capturedLength() == text.size();
    } else if (const auto c = clock.match(text); c.hasMatch()) {
        total = c.captured(1).toInt() * 60 + c.captured(2).toInt();
        whole = c.capturedLength() == text.size();
    } else if (const auto n = number.match(text); n.hasMatch() && n.capturedLength() <= 6) {
        total = n.captured().toInt(); // "98.5", "about 90": the nearest reading, not the whole
    }
    if (exact)
        *exact = whole;
    if (total < 0)
        return QString();
    return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString LengthToMinutes(const QString& length)
{
    static const QRegularExpression hm(QStringLiteral("^\\s*(\\d{1,4}):(\\d{2})\\s*$"));
    static const QRegularExpression plain(QStringLiteral("^\\s*(\\d{1,6})\\s*$"));
    if (const auto m = hm.match(length); m.hasMatch())
        return QString::number(m.captured(1).toInt() * 60 + m.captured(2).toInt());
    if (const auto m = plain.match(length); m.hasMatch())
        return QString::number(m.captured(1).toInt());
    return QString();
}

void KeepField(Movie& movie, const QString& name, QStringList parts)
{
    parts.removeAll(QString());
    if (!parts.isEmpty())
        movie.fields.push_back({name, parts.join(QStringLiteral("; "))});
}

void AddRead(std::vector<Movie>& movies, Movie&& movie)
{
    movie.fields.erase(std::remove_if(movie.fields.begin(), movie.fields.end(),
                                      [](const catalog::Field& f) { return f.value.trimmed().isEmpty(); }),
                       movie.fields.end());
    movies.push_back(std::move(movie));
}

} // namespace exchange
