#include "exchange/Gcstar.h"

#include "exchange/Formats.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace exchange {

namespace {

// Element name -> values, as an item holds them.
using Values = QHash<QString, QStringList>;

// A list GCstar keeps as one text, its names separated by commas, slashes or semicolons.
QStringList splitList(const QStringList& values)
{
    static const QRegularExpression separators(QStringLiteral("[,/;]"));
    QStringList out;
    for (const QString& v : values)
        for (const QString& part : v.split(separators, Qt::SkipEmptyParts))
            if (!part.trimmed().isEmpty())
                out << part.trimmed();
    return out;
}

} // namespace

ImportData ReadGcstar(const QByteArray& xml)
{
    ImportData data;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD)
            RefuseEntities(r);
        if (token != QXmlStreamReader::StartElement || r.name() != QLatin1String("item"))
            continue;
        Movie movie;
        movie.line = int(r.lineNumber());
        // GCstar 1.2 and later keep simple values in attributes, older files in elements.
        Values values;
        for (const QXmlStreamAttribute& a : r.attributes())
            values[a.name().toString()] << a.value().toString();
        Values lines; // element -> first column of each line
        while (r.readNextStartElement()) {
            const QString name = r.name().toString();
            QString text;
            while (!r.atEnd()) {
                const auto t = r.readNext();
                if (t == QXmlStreamReader::Characters)
                    text += r.text();
                else if (t == QXmlStreamReader::EndElement)
                    break;
                else if (t == QXmlStreamReader::StartElement && r.name() == QLatin1String("line")) {
                    QStringList columns;
                    while (r.readNextStartElement())
                        columns << r.readElementText(QXmlStreamReader::SkipChildElements);
                    lines[name] << columns.value(0);
                } else if (t == QXmlStreamReader::StartElement) {
                    r.skipCurrentElement();
                }
            }
            if (!text.trimmed().isEmpty())
                values[name] << text.trimmed();
        }
        ThrowIfBad(r);
        auto list = [&](const QString& name) {
            return lines.contains(name) ? lines.value(name) : splitList(values.value(name));
        };
        movie.title = values.value(QStringLiteral("title")).value(0).trimmed();
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an item without a title").arg(movie.line);
            continue;
        }
        auto credit = [&](store::CreditIndex i, const QString& name, const QString& what) {
            movie.credits[i] = FirstOf(list(name), what, movie, data.notes);
        };
        credit(store::kDirector, QStringLiteral("director"), QStringLiteral("directors"));
        credit(store::kProducer, QStringLiteral("producer"), QStringLiteral("producers"));
        credit(store::kWriter, QStringLiteral("writer"), QStringLiteral("writers"));
        credit(store::kComposer, QStringLiteral("composer"), QStringLiteral("composers"));
        credit(store::kGenre, QStringLiteral("genre"), QStringLiteral("genres"));
        movie.credits[store::kFormat] = values.value(QStringLiteral("format")).value(0).trimmed();
        static const QRegularExpression year(QStringLiteral("\\b(\\d{4})\\b"));
        const QString date = values.value(QStringLiteral("date"), values.value(QStringLiteral("release"))).value(0);
        movie.year = year.match(date).captured(1);
        movie.length = MinutesToLength(values.value(QStringLiteral("time")).value(0));
        const int age = values.value(QStringLiteral("age")).value(0).toInt();
        movie.rating = age == 1   ? QStringLiteral("U")
                       : age == 2 ? QStringLiteral("G")
                       : age <= 0 ? QString()
                       : age < 6  ? QStringLiteral("PG")
                       : age < 14 ? QStringLiteral("PG-13")
                       : age < 19 ? QStringLiteral("R")
                                  : QString();
        // GCstar rates out of ten.
        movie.grade = GradeOfRating(QString::number(values.value(QStringLiteral("rating")).value(0).toInt() / 2));
        static const QRegularExpression role(QStringLiteral("\\s*\\(.*\\)\\s*$"));
        for (QString name : list(QStringLiteral("actors")))
            if (!name.remove(role).trimmed().isEmpty())
                movie.cast.push_back(SplitWholeName(name));
        movie.coverName = values.value(QStringLiteral("image")).value(0);
        data.movies.push_back(std::move(movie));
    }
    ThrowIfBad(r);
    return data;
}

} // namespace exchange
