#include "exchange/Collections.h"

#include "exchange/Zip.h"
#include "shell/Wording.h"
#include "store/Values.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <utility>

namespace exchange {

namespace {

const QString kTellicoXml = QStringLiteral("tellico.xml");

// Refuses any document type that declares entities: nothing is expanded, so nothing can blow up.
void refuseEntities(const QXmlStreamReader& r)
{
    if (!r.entityDeclarations().isEmpty() || r.text().contains(QLatin1String("<!ENTITY")))
        throw FileError(QStringLiteral("the file declares XML entities, which this program does not read"));
}

void throwIfBad(const QXmlStreamReader& r)
{
    if (r.hasError())
        throw FileError(QStringLiteral("the XML is damaged at line %1: %2").arg(r.lineNumber()).arg(r.errorString()));
}

// The root element's name and its "type" attribute.
std::pair<QString, QString> rootOf(const QByteArray& xml)
{
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            refuseEntities(r);
            break;
        case QXmlStreamReader::StartElement:
            return {r.name().toString(), r.attributes().value(QLatin1String("type")).toString()};
        default:
            break;
        }
    }
    return {};
}

// Element name -> values, as an entry or an item holds them.
using Values = QHash<QString, QStringList>;

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

// The first value kept; the others told, so nothing is dropped unseen.
QString firstOf(const QStringList& values, const QString& what, const Movie& movie, QStringList& notes)
{
    QStringList rest;
    for (const QString& v : values)
        if (!v.trimmed().isEmpty())
            rest << v.trimmed();
    if (rest.isEmpty())
        return QString();
    const QString first = rest.takeFirst();
    if (!rest.isEmpty())
        notes << QStringLiteral("line %1, %2: also %3 %4 (not kept)")
                     .arg(movie.line)
                     .arg(movie.title, what, rest.join(QStringLiteral(", ")));
    return first;
}

constexpr const char* kGrades = "FDCBA"; // a rating of 1 to 5 as a grade

QString gradeOfRating(const QString& rating)
{
    bool ok = false;
    const int r = rating.trimmed().toInt(&ok);
    return ok && r >= 1 && r <= 5 ? QString(QLatin1Char(kGrades[r - 1])) : QString();
}

// The "Label: value" lines this program writes into a Tellico comment for what Tellico has no field for.
const char* const kCommentLabels[] = {
    "Executive Producer", "Screenwriter", "Cinematographer", "Grade", "Length", "Year", "Rating"};

QHash<QString, QString> commentFields(const QString& comments)
{
    QHash<QString, QString> out;
    for (const QString& line : comments.split(QLatin1Char('\n'))) {
        for (const char* label : kCommentLabels) {
            const QString prefix = QLatin1String(label) + QStringLiteral(": ");
            if (line.startsWith(prefix))
                out.insert(QLatin1String(label), line.mid(prefix.size()).trimmed());
        }
    }
    return out;
}

// One element of a Tellico entry into `values`: its text, or a table row's first column. A field that
// allows several values stands in a container named for it with an "s" (<years><year>), whatever the
// field; its values go under the field's own name.
void readTellicoValue(QXmlStreamReader& r, Values& values, bool inContainer = false)
{
    const QString name = r.name().toString();
    QString text, column;
    bool columns = false, container = false;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::EndElement)
            break;
        if (token == QXmlStreamReader::Characters)
            text += r.text();
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!inContainer && name == r.name() + QLatin1Char('s')) {
            container = true;
            readTellicoValue(r, values, true);
        } else if (r.name() == QLatin1String("column")) {
            const QString value = r.readElementText(QXmlStreamReader::SkipChildElements);
            if (!std::exchange(columns, true))
                column = value;
        } else {
            r.skipCurrentElement();
        }
    }
    if (!container)
        values[name] << (columns ? column : text);
}

bool isControl(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && c != '\t' && c != '\n' && c != '\r') || b == 0x7F;
}

// Text holds none or a few; a picture or a program's data about one byte in nine.
void refuseBinary(const QByteArray& bytes)
{
    if (std::count_if(bytes.begin(), bytes.end(), isControl) * 16 > bytes.size())
        throw FileError(QStringLiteral("the file holds binary data, not text"));
}

} // namespace

QByteArray RemoveControls(const QByteArray& bytes, QStringList& notes)
{
    refuseBinary(bytes);
    if (std::none_of(bytes.begin(), bytes.end(), isControl))
        return bytes;
    QByteArray out;
    out.reserve(bytes.size());
    int line = 1, removed = 0;
    const auto tell = [&] {
        if (removed)
            notes << QStringLiteral("line %1: %2 removed")
                         .arg(line)
                         .arg(shell::Counted(removed, "control character", "control characters"));
        removed = 0;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (isControl(c)) {
            ++removed;
            continue;
        }
        out += c;
        if (c == '\n' || (c == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n'))) {
            tell();
            ++line;
        }
    }
    tell();
    return out;
}

Kind DetectKind(const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        throw FileError(QStringLiteral("the file is empty"));
    if (IsZip(bytes)) {
        QStringList entries;
        try {
            entries = ZipEntries(bytes);
        } catch (const FileError& e) {
            throw FileError(QStringLiteral("the file is a zip archive but %1").arg(e.why()));
        }
        if (!entries.contains(kTellicoXml))
            throw FileError(QStringLiteral("the zip archive is not a Tellico file: it holds no tellico.xml"));
        return Kind::TellicoZip;
    }
    refuseBinary(bytes);
    QByteArray start = bytes.left(8192).trimmed();
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3).trimmed();
    if (start.startsWith("<?xml") || start.startsWith("<!DOCTYPE") || start.startsWith("<tellico") ||
        start.startsWith("<collection")) {
        const auto [root, type] = rootOf(bytes);
        if (root == QLatin1String("tellico"))
            return Kind::TellicoXml;
        if (root == QLatin1String("collection") && type == QLatin1String("GCfilms"))
            return Kind::GcstarXml;
        if (root == QLatin1String("collection"))
            throw FileError(QStringLiteral("the GCstar file holds a collection of %1, not GCfilms")
                                .arg(type.isEmpty() ? QStringLiteral("an unknown kind") : type));
        throw FileError(QStringLiteral("the XML file is neither a Tellico nor a GCstar collection"));
    }
    return Kind::Csv;
}

ImportData ReadTellico(const QByteArray& xml)
{
    ImportData data;
    QXmlStreamReader r(xml);
    bool video = false, sawCollection = false;
    // The fields of type 10 hold pictures; Tellico's default video fields call theirs "cover".
    QStringList pictureFields;
    bool defaultFields = true;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD)
            refuseEntities(r);
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (r.name() == QLatin1String("collection")) {
            const QString type = r.attributes().value(QLatin1String("type")).toString();
            video = type == QLatin1String("3");
            if (!sawCollection && !video)
                throw FileError(
                    QStringLiteral("the Tellico file holds a collection of another kind (type %1), not videos")
                        .arg(type));
            sawCollection = true;
            continue;
        }
        if (r.name() == QLatin1String("fields")) {
            defaultFields = false;
            while (r.readNextStartElement()) {
                const QString name = r.attributes().value(QLatin1String("name")).toString();
                defaultFields |= name == QLatin1String("_default");
                if (r.attributes().value(QLatin1String("type")) == QLatin1String("10"))
                    pictureFields << name;
                r.skipCurrentElement();
            }
            continue;
        }
        if (r.name() == QLatin1String("images")) {
            while (r.readNextStartElement()) {
                const QString id = r.attributes().value(QLatin1String("id")).toString();
                const QString base64 = r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                if (!base64.isEmpty())
                    data.pictures.insert(id, QByteArray::fromBase64(base64.toLatin1()));
            }
            continue;
        }
        if (r.name() == QLatin1String("borrowers") || r.name() == QLatin1String("filters")) {
            r.skipCurrentElement();
            continue;
        }
        if (r.name() != QLatin1String("entry") || !video)
            continue;
        Movie movie;
        movie.line = int(r.lineNumber());
        Values values;
        while (r.readNextStartElement())
            readTellicoValue(r, values);
        throwIfBad(r);
        movie.title = values.value(QStringLiteral("title")).value(0).trimmed();
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an entry without a title").arg(movie.line);
            continue;
        }
        const auto extra = commentFields(values.value(QStringLiteral("comments")).join(QLatin1Char('\n')));
        auto one = [&](const QString& element, const QString& what) {
            return firstOf(values.value(element), what, movie, data.notes);
        };
        auto credit = [&](store::CreditIndex i, const QString& element, const QString& what) {
            movie.credits[i] = one(element, what);
        };
        credit(store::kDirector, QStringLiteral("director"), QStringLiteral("directors"));
        credit(store::kProducer, QStringLiteral("producer"), QStringLiteral("producers"));
        credit(store::kWriter, QStringLiteral("writer"), QStringLiteral("writers"));
        credit(store::kComposer, QStringLiteral("composer"), QStringLiteral("composers"));
        credit(store::kStudio, QStringLiteral("studio"), QStringLiteral("studios"));
        credit(store::kGenre, QStringLiteral("genre"), QStringLiteral("genres"));
        credit(store::kFormat,
               values.contains(QStringLiteral("medium")) ? QStringLiteral("medium") : QStringLiteral("format"),
               QStringLiteral("formats"));
        movie.credits[store::kExecutiveProducer] = extra.value(QStringLiteral("Executive Producer"));
        movie.credits[store::kScreenplay] = extra.value(QStringLiteral("Screenwriter"));
        movie.credits[store::kCinematographer] = extra.value(QStringLiteral("Cinematographer"));
        movie.year = extra.value(QStringLiteral("Year"), one(QStringLiteral("year"), QStringLiteral("years")));
        movie.length =
            extra.value(QStringLiteral("Length"),
                        MinutesToLength(one(QStringLiteral("running-time"), QStringLiteral("running times"))));
        static const QRegularExpression country(QStringLiteral("\\s*\\([^)]*\\)\\s*$"));
        movie.rating = extra.value(
            QStringLiteral("Rating"),
            one(QStringLiteral("certification"), QStringLiteral("certifications")).remove(country).trimmed());
        movie.grade = extra.value(QStringLiteral("Grade"),
                                  gradeOfRating(one(QStringLiteral("rating"), QStringLiteral("ratings"))));
        movie.widescreen = store::IsTrue(values.value(QStringLiteral("widescreen")).value(0));
        for (const QString& name : values.value(QStringLiteral("cast")))
            if (!name.trimmed().isEmpty())
                movie.cast.push_back(SplitWholeName(name));
        if (defaultFields && !pictureFields.contains(QLatin1String("cover")))
            pictureFields << QStringLiteral("cover");
        for (const QString& field : std::as_const(pictureFields))
            if (movie.coverName.isEmpty())
                movie.coverName = values.value(field).value(0).trimmed();
        data.movies.push_back(std::move(movie));
    }
    throwIfBad(r);
    if (!sawCollection)
        throw FileError(QStringLiteral("the Tellico file holds no collection"));
    return data;
}

ImportData ReadGcstar(const QByteArray& xml)
{
    ImportData data;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD)
            refuseEntities(r);
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
        throwIfBad(r);
        auto list = [&](const QString& name) {
            return lines.contains(name) ? lines.value(name) : splitList(values.value(name));
        };
        movie.title = values.value(QStringLiteral("title")).value(0).trimmed();
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an item without a title").arg(movie.line);
            continue;
        }
        auto credit = [&](store::CreditIndex i, const QString& name, const QString& what) {
            movie.credits[i] = firstOf(list(name), what, movie, data.notes);
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
        movie.grade = gradeOfRating(QString::number(values.value(QStringLiteral("rating")).value(0).toInt() / 2));
        static const QRegularExpression role(QStringLiteral("\\s*\\(.*\\)\\s*$"));
        for (QString name : list(QStringLiteral("actors")))
            if (!name.remove(role).trimmed().isEmpty())
                movie.cast.push_back(SplitWholeName(name));
        movie.coverName = values.value(QStringLiteral("image")).value(0);
        data.movies.push_back(std::move(movie));
    }
    throwIfBad(r);
    return data;
}

QByteArray WriteTellicoXml(const std::vector<Movie>& movies, const Progress& progress)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
    w.writeDTD(QStringLiteral("<!DOCTYPE tellico PUBLIC \"-//Robby Stephenson/DTD Tellico V11.0//EN\" "
                              "\"http://periapsis.org/tellico/dtd/v11/tellico.dtd\">"));
    w.writeStartElement(QStringLiteral("tellico"));
    w.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://periapsis.org/tellico/"));
    w.writeAttribute(QStringLiteral("syntaxVersion"), QStringLiteral("11"));
    w.writeStartElement(QStringLiteral("collection"));
    w.writeAttribute(QStringLiteral("title"), QStringLiteral("Reelkeeper"));
    w.writeAttribute(QStringLiteral("type"), QStringLiteral("3"));

    struct FieldDef
    {
        const char *name, *title, *category, *flags, *format, *type;
    };
    static const FieldDef kFields[] = {
        {"title", "Title", "General", "8", "1", "1"},
        {"medium", "Medium", "General", "6", "4", "1"},
        {"year", "Production Year", "General", "2", "4", "6"},
        {"certification", "Certification", "General", "2", "4", "1"},
        {"genre", "Genre", "General", "7", "0", "1"},
        {"running-time", "Running Time", "General", "0", "4", "6"},
        {"cast", "Cast", "Cast", "7", "2", "8"},
        {"director", "Director", "People", "7", "2", "1"},
        {"producer", "Producer", "People", "7", "2", "1"},
        {"writer", "Writer", "People", "7", "2", "1"},
        {"composer", "Composer", "People", "7", "2", "1"},
        {"studio", "Studio", "People", "7", "0", "1"},
        {"widescreen", "Widescreen", "Features", "0", "4", "4"},
        {"rating", "Rating", "Personal", "2", "4", "14"},
        {"comments", "Comments", "Comments", "0", "4", "2"},
        {"cover", "Front Cover", "Front Cover", "0", "4", "10"},
    };
    w.writeStartElement(QStringLiteral("fields"));
    for (const FieldDef& f : kFields) {
        w.writeStartElement(QStringLiteral("field"));
        w.writeAttribute(QStringLiteral("name"), QLatin1String(f.name));
        w.writeAttribute(QStringLiteral("title"), QLatin1String(f.title));
        w.writeAttribute(QStringLiteral("category"), QLatin1String(f.category));
        w.writeAttribute(QStringLiteral("flags"), QLatin1String(f.flags));
        w.writeAttribute(QStringLiteral("format"), QLatin1String(f.format));
        w.writeAttribute(QStringLiteral("type"), QLatin1String(f.type));
        if (qstrcmp(f.name, "cast") == 0) {
            for (auto [prop, value] : {std::pair{"column1", "Actor/Actress"}, {"column2", "Role"}, {"columns", "2"}}) {
                w.writeStartElement(QStringLiteral("prop"));
                w.writeAttribute(QStringLiteral("name"), QLatin1String(prop));
                w.writeCharacters(QLatin1String(value));
                w.writeEndElement();
            }
        }
        if (qstrcmp(f.name, "rating") == 0) {
            for (auto [prop, value] : {std::pair{"maximum", "5"}, {"minimum", "1"}}) {
                w.writeStartElement(QStringLiteral("prop"));
                w.writeAttribute(QStringLiteral("name"), QLatin1String(prop));
                w.writeCharacters(QLatin1String(value));
                w.writeEndElement();
            }
        }
        w.writeEndElement();
    }
    w.writeEndElement();

    static const QStringList kCertifications = {QStringLiteral("U"),     QStringLiteral("G"), QStringLiteral("PG"),
                                                QStringLiteral("PG-13"), QStringLiteral("R"), QStringLiteral("NC-17")};
    static const QRegularExpression yearPattern(QStringLiteral("^\\d{1,4}$"));
    int id = 0;
    for (const Movie& m : movies) {
        if (const qint64 n = &m - movies.data(); progress && n % 256 == 0 && !progress(n, qint64(movies.size())))
            return {};
        w.writeStartElement(QStringLiteral("entry"));
        w.writeAttribute(QStringLiteral("id"), QString::number(++id));
        w.writeTextElement(QStringLiteral("title"), m.title);
        auto named = [](const QString& v) { return !v.isEmpty() && v != QLatin1String("Unknown"); };
        auto list = [&](const char* element, store::CreditIndex i) {
            if (!named(m.credits[i]))
                return;
            w.writeStartElement(QLatin1String(element) + QLatin1Char('s'));
            w.writeTextElement(QLatin1String(element), m.credits[i]);
            w.writeEndElement();
        };
        list("director", store::kDirector);
        list("producer", store::kProducer);
        list("writer", store::kWriter);
        list("composer", store::kComposer);
        list("studio", store::kStudio);
        list("genre", store::kGenre);
        if (named(m.credits[store::kFormat]))
            w.writeTextElement(QStringLiteral("medium"), m.credits[store::kFormat]);
        QStringList comments;
        auto comment = [&](const char* label, const QString& value) {
            if (named(value))
                comments << QLatin1String(label) + QStringLiteral(": ") + value;
        };
        comment("Executive Producer", m.credits[store::kExecutiveProducer]);
        comment("Screenwriter", m.credits[store::kScreenplay]);
        comment("Cinematographer", m.credits[store::kCinematographer]);
        // Values Tellico's fields would change go into the comment as they are.
        const QString minutes = LengthToMinutes(m.length);
        if (!minutes.isEmpty() && MinutesToLength(minutes) == m.length)
            w.writeTextElement(QStringLiteral("running-time"), minutes);
        else
            comment("Length", m.length);
        if (yearPattern.match(m.year).hasMatch())
            w.writeTextElement(QStringLiteral("year"), m.year);
        else
            comment("Year", m.year);
        if (kCertifications.contains(m.rating))
            w.writeTextElement(QStringLiteral("certification"), m.rating + QStringLiteral(" (USA)"));
        else
            comment("Rating", m.rating);
        const qsizetype grade = m.grade.size() == 1 ? QByteArray(kGrades).indexOf(m.grade.at(0).toLatin1()) : -1;
        if (grade >= 0)
            w.writeTextElement(QStringLiteral("rating"), QString::number(grade + 1));
        else
            comment("Grade", m.grade);
        if (m.widescreen)
            w.writeTextElement(QStringLiteral("widescreen"), QStringLiteral("true"));
        if (!m.cast.empty()) {
            w.writeStartElement(QStringLiteral("casts"));
            for (const auto& [last, first] : m.cast) {
                // "First Last" as Tellico writes names, unless splitting it again would move a word.
                const QString plain = first.isEmpty() ? last : first + QLatin1Char(' ') + last;
                const bool keeps = SplitWholeName(plain) == std::pair(last, first);
                w.writeStartElement(QStringLiteral("cast"));
                w.writeTextElement(QStringLiteral("column"), keeps ? plain : JoinActorName(last, first));
                w.writeEndElement();
            }
            w.writeEndElement();
        }
        if (!comments.isEmpty())
            w.writeTextElement(QStringLiteral("comments"), comments.join(QLatin1Char('\n')));
        if (!m.coverName.isEmpty())
            w.writeTextElement(QStringLiteral("cover"), m.coverName);
        w.writeEndElement();
    }
    // The pictures themselves go beside the XML in the zip, under images/.
    bool pictures = false;
    for (const Movie& m : movies) {
        if (m.coverName.isEmpty())
            continue;
        if (!std::exchange(pictures, true))
            w.writeStartElement(QStringLiteral("images"));
        w.writeEmptyElement(QStringLiteral("image"));
        w.writeAttribute(QStringLiteral("id"), m.coverName);
        w.writeAttribute(QStringLiteral("format"),
                         m.coverName.endsWith(QLatin1String(".png")) ? QStringLiteral("PNG") : QStringLiteral("JPEG"));
    }
    if (pictures)
        w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

bool WriteTellicoZip(const QString& path, const std::vector<Movie>& movies, const Progress& progress,
                     const std::function<QByteArray(const Movie&)>& picture)
{
    // Writing the XML is the first half of the work, packing it and the pictures the second.
    const qint64 n = qint64(movies.size());
    Progress half;
    if (progress)
        half = [&](qint64 done, qint64) { return progress(done, 2 * n); };
    const QByteArray xml = WriteTellicoXml(movies, half);
    if (xml.isEmpty())
        return false;
    FetchedEntries pictures;
    for (const Movie& m : movies)
        if (!m.coverName.isEmpty() && picture)
            pictures.emplace_back(QStringLiteral("images/") + m.coverName, [&picture, &m] { return picture(m); });
    std::function<bool(double)> packing;
    if (progress)
        packing = [&](double share) { return progress(n + qint64(share * double(n)), 2 * n); };
    return MakeZipFile(path, {{kTellicoXml, xml}}, pictures, packing);
}

} // namespace exchange
