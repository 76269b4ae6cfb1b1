#include "exchange/Gcstar.h"

#include "catalog/Barcode.h"
#include "catalog/MovieValues.h"
#include "exchange/Formats.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <algorithm>

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

// GCstar keeps a disc's barcode as the item's "identifier"; a user field may hold one too.
bool isBarcodeField(const QString& name)
{
    static const QSet<QString> names{QStringLiteral("identifier"), QStringLiteral("barcode"), QStringLiteral("ean"),
                                     QStringLiteral("upc")};
    return names.contains(name.toLower());
}

// Adds the value to the movie's barcodes when it is an EAN-13 or UPC-A code, its check digit right;
// an identifier of another kind is the user's own, and stays a field.
bool addBarcode(Movie& movie, const QString& value)
{
    const catalog::Barcode code = catalog::ReadBarcode(value);
    if (!code.ok() || (code.kind != catalog::BarcodeKind::Ean13 && code.kind != catalog::BarcodeKind::UpcA))
        return false;
    movie.barcodes << code.digits;
    return true;
}

} // namespace

ImportData ReadGcstar(const QByteArray& xml)
{
    ImportData data;
    bool ownValues = false;
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
        QStringList order; // the item's values as they came, attributes first
        for (const QXmlStreamAttribute& a : r.attributes()) {
            values[a.name().toString()] << a.value().toString();
            order << a.name().toString();
        }
        QHash<QString, QList<QStringList>> lines; // element -> the columns of each line
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
                        columns << r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                    lines[name] << columns;
                } else if (t == QXmlStreamReader::StartElement) {
                    r.skipCurrentElement();
                }
            }
            if (!text.trimmed().isEmpty())
                values[name] << text.trimmed();
            if (!order.contains(name))
                order << name;
        }
        ThrowIfBad(r);
        QSet<QString> used;
        const auto fieldName = [](const QString& name) -> QString { return name.left(1).toUpper() + name.mid(1); };
        // What a list's lines hold past the columns read (or beside an empty first one), and text beside
        // its lines: kept whole, as a field.
        const auto keepRest = [&](const QString& name, qsizetype read) {
            QStringList rest;
            for (const QStringList& line : lines.value(name)) {
                const QStringList left = line.value(0).isEmpty() ? line : line.mid(read);
                if (std::any_of(left.begin(), left.end(), [](const QString& c) { return !c.isEmpty(); }))
                    rest << line.join(QStringLiteral(" :: "));
            }
            rest += values.value(name);
            if (!rest.isEmpty())
                movie.fields.push_back({fieldName(name), rest.join(QStringLiteral("; "))});
        };
        auto list = [&](const QString& name) {
            used.insert(name);
            if (!lines.contains(name))
                return splitList(values.value(name));
            QStringList first;
            for (const QStringList& line : lines.value(name))
                if (!line.value(0).isEmpty())
                    first << line.value(0);
            keepRest(name, 1);
            return first;
        };
        // Non-blank values, trimmed, in the order they came.
        auto given = [&](const QString& name) {
            used.insert(name);
            QStringList kept;
            for (const QString& v : values.value(name))
                if (!v.trimmed().isEmpty())
                    kept << v.trimmed();
            return kept;
        };
        // The first value of one GCstar holds once; any other (an attribute and an element of the same
        // name, an element twice) kept as a field.
        auto value = [&](const QString& name) {
            const QStringList all = given(name);
            if (all.size() > 1)
                movie.fields.push_back({fieldName(name), all.mid(1).join(QStringLiteral("; "))});
            return all.value(0);
        };
        movie.title = value(QStringLiteral("title"));
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an item without a title").arg(movie.line);
            continue;
        }
        for (auto [credit, name] : {std::pair{store::kDirector, "director"},
                                    {store::kProducer, "producer"},
                                    {store::kWriter, "writer"},
                                    {store::kComposer, "composer"},
                                    {store::kGenre, "genre"}})
            catalog::SetNames(movie, credit, list(QLatin1String(name)));
        movie.credits[store::kFormat] = value(QStringLiteral("format"));
        static const QRegularExpression year(QStringLiteral("\\b(\\d{4})\\b"));
        QString date = value(QStringLiteral("date"));
        if (date.isEmpty())
            date = value(QStringLiteral("release"));
        movie.year = year.match(date).captured(1);
        if (date != movie.year) // the day and month too
            movie.fields.push_back({QStringLiteral("Release Date"), date});
        const QString time = value(QStringLiteral("time"));
        bool exact = false;
        movie.length = MinutesToLength(time, &exact);
        if (!exact && !time.isEmpty())
            movie.fields.push_back({QStringLiteral("Running Time (as written)"), time});
        const QString ageText = value(QStringLiteral("age"));
        bool number = false;
        const int age = ageText.toInt(&number);
        if ((!number || age < 0) && !ageText.isEmpty()) // "12+", "all ages": no rating read from it
            movie.fields.push_back({QStringLiteral("Age (as written)"), ageText});
        movie.rating = age == 1   ? QStringLiteral("U")
                       : age == 2 ? QStringLiteral("G")
                       : age <= 0 ? QString()
                       : age < 6  ? QStringLiteral("PG")
                       : age < 14 ? QStringLiteral("PG-13")
                       : age < 19 ? QStringLiteral("R")
                                  : QString();
        if (age > 2) // the rating stands for a range of ages
            movie.fields.push_back({QStringLiteral("Minimum Age"), ageText});
        // GCstar rates out of ten, as the personal rating does.
        const QString rating = value(QStringLiteral("rating"));
        movie.grade = GradeOfRating(QString::number(rating.toInt() / 2));
        // 0 is GCstar's "not rated"; what the personal rating cannot hold is kept as written.
        const double stars = rating.toDouble(&number);
        if (const auto read = catalog::ReadPersonalRating(rating); read.ok() && read.value.value_or(0.0) > 0.0)
            movie.personalRating = read.value;
        else if (!rating.isEmpty() && !(number && stars == 0.0))
            movie.fields.push_back({QStringLiteral("Personal Rating (as written)"), rating});
        static const QRegularExpression role(QStringLiteral("\\s*\\((.*)\\)\\s*$"));
        used.insert(QStringLiteral("actors"));
        if (lines.contains(QStringLiteral("actors"))) {
            for (const QStringList& line : lines.value(QStringLiteral("actors")))
                if (!line.value(0).isEmpty())
                    movie.cast.emplace_back(SplitWholeName(line.value(0))).character = line.value(1);
            keepRest(QStringLiteral("actors"), 2);
        } else {
            for (QString name : splitList(values.value(QStringLiteral("actors")))) {
                const QString character = role.match(name).captured(1).trimmed();
                if (!name.remove(role).trimmed().isEmpty())
                    movie.cast.emplace_back(SplitWholeName(name.trimmed())).character = character;
            }
        }
        JoinRepeatedActors(movie.cast);
        movie.plot = values.value(QStringLiteral("synopsis")).join(QLatin1Char('\n'));
        movie.originalTitle = value(QStringLiteral("original"));
        movie.notes = values.value(QStringLiteral("comment")).join(QLatin1Char('\n'));
        used << QStringLiteral("synopsis") << QStringLiteral("comment");
        if (const QString web = value(QStringLiteral("webPage")); catalog::ReadImdbId(web).ok())
            movie.imdbId = web;
        else
            movie.fields.push_back({QStringLiteral("Web Page"), web});
        // Who has it: GCstar writes "none" for no one, and the day lent as day/month/year.
        const QString borrower = value(QStringLiteral("borrower"));
        const QString lent = value(QStringLiteral("lendDate"));
        if (!borrower.isEmpty() && borrower.compare(QLatin1String("none"), Qt::CaseInsensitive) != 0) {
            const QDate date = QDate::fromString(lent, QStringLiteral("d/M/yyyy"));
            if (date.isValid())
                movie.loan = FileLoan{borrower, date, {}, movie.line};
            else
                data.notes << LoanNotKept(movie.line, movie.title, borrower,
                                          lent.isEmpty() ? QStringLiteral("the file gives no date it was lent")
                                                         : QStringLiteral("the date lent, \"%1\", is not a "
                                                                          "day/month/year date")
                                                               .arg(lent));
        } else if (!lent.isEmpty()) {
            movie.fields.push_back({QStringLiteral("LendDate"), lent});
        }
        // GCstar's own: its item ids and the day it added each; a second picture has no place.
        for (const char* own : {"id", "added"})
            if (!given(QLatin1String(own)).isEmpty())
                ownValues = true;
        const QStringList pictures = given(QStringLiteral("image"));
        movie.coverName = pictures.value(0);
        for (const QString& other : pictures.mid(1) + given(QStringLiteral("backpic")))
            data.notes
                << QStringLiteral("line %1, %2: also picture %3 (not kept)").arg(movie.line).arg(movie.title, other);
        // Every other value, in the file's order: a line's columns by " :: ", several values by "; ".
        for (const QString& name : std::as_const(order)) {
            if (used.contains(name))
                continue;
            QStringList parts;
            for (const QStringList& line : lines.value(name))
                parts << line.join(QStringLiteral(" :: "));
            for (const QString& v : values.value(name))
                if (!isBarcodeField(name) || !addBarcode(movie, v))
                    parts << v;
            KeepField(movie, fieldName(name), parts);
        }
        AddRead(data.movies, std::move(movie));
    }
    ThrowIfBad(r);
    if (ownValues)
        data.notes << QStringLiteral("GCstar's own item ids and the days it added items are not kept.");
    return data;
}

} // namespace exchange
