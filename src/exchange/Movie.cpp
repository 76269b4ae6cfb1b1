#include "exchange/Movie.h"

#include <QRegularExpression>

namespace exchange {

QString FieldCaption(int field)
{
    static const char* const kCaptions[] = {"Title",    "Director", "Producer",     "Executive Producer",
                                            "Composer", "Writer",   "Screenwriter", "Cinematographer",
                                            "Studio",   "Genre",    "Format",       "Length",
                                            "Year",     "Grade",    "Rating",       "Widescreen",
                                            "Cast"};
    static_assert(std::size(kCaptions) == kFieldCount);
    return field >= 0 && field < kFieldCount ? QLatin1String(kCaptions[field]) : QStringLiteral("(ignore)");
}

std::pair<QString, QString> SplitActorName(const QString& name)
{
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma >= 0)
        return {name.left(comma).trimmed(), name.mid(comma + 1).trimmed()};
    const QString whole = name.simplified();
    const qsizetype blank = whole.lastIndexOf(QLatin1Char(' '));
    if (blank < 0)
        return {whole, QString()};
    return {whole.mid(blank + 1), whole.left(blank)};
}

QString MinutesToLength(const QString& minutes)
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const QRegularExpressionMatch m = number.match(minutes);
    if (!m.hasMatch() || m.capturedLength() > 6)
        return QString();
    const int total = m.captured().toInt();
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

} // namespace exchange
