#include "exchange/Tellico.h"

#include "exchange/Formats.h"
#include "exchange/Zip.h"
#include "store/Values.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <utility>

namespace exchange {

namespace {

const QString kTellicoXml = QStringLiteral("tellico.xml");

// Element name -> values, as an entry holds them.
using Values = QHash<QString, QStringList>;

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

} // namespace

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
            RefuseEntities(r);
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
        ThrowIfBad(r);
        movie.title = values.value(QStringLiteral("title")).value(0).trimmed();
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an entry without a title").arg(movie.line);
            continue;
        }
        const auto extra = commentFields(values.value(QStringLiteral("comments")).join(QLatin1Char('\n')));
        auto one = [&](const QString& element, const QString& what) {
            return FirstOf(values.value(element), what, movie, data.notes);
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
                                  GradeOfRating(one(QStringLiteral("rating"), QStringLiteral("ratings"))));
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
    ThrowIfBad(r);
    if (!sawCollection)
        throw FileError(QStringLiteral("the Tellico file holds no collection"));
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
            for (const catalog::CastMember& member : m.cast) {
                const QString &last = member.last, &first = member.first;
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
