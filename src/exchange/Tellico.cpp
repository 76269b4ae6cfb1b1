#include "exchange/Tellico.h"

#include "catalog/MovieValues.h"
#include "exchange/Formats.h"
#include "exchange/Zip.h"
#include "store/Values.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <utility>

namespace exchange {

namespace {

const QString kTellicoXml = QStringLiteral("tellico.xml");

// Element name -> values, as an entry holds them; a table's rows as their first column, and in
// Rows with all their columns, at the value's place (an empty row for a value written without
// columns; none after the last row that has some).
using Values = QHash<QString, QStringList>;
using Rows = QHash<QString, QList<QStringList>>;

// The "Label: value" lines this program writes into a Tellico comment for what Tellico has no field for.
// A label may stand on several lines, one value each (the names of a credit, in order); a "Field" line
// holds "name: value", its value's line breaks and backslashes kept by a backslash. The comment's
// other lines are the movie's notes.
const char* const kCommentLabels[] = {
    "Executive Producer", "Screenwriter",    "Cinematographer", "Grade", "Length",  "Year", "Rating",
    "Original Title",     "Personal Rating", "Watched",         "TMDb",  "Barcode", "Field"};

// Whether this program writes the label once at most.
bool holdsOne(const QString& label)
{
    static const QSet<QString> several{QStringLiteral("Executive Producer"), QStringLiteral("Screenwriter"),
                                       QStringLiteral("Cinematographer"), QStringLiteral("Barcode"),
                                       QStringLiteral("Field")};
    return !several.contains(label);
}

// Whether a line, past any backslashes before it, starts as a labelled line does. Our export writes
// such a line of the notes with one more backslash before it, so that it is not read as its label's
// value; a line from elsewhere with a backslash before anything else keeps it.
bool labelLike(QStringView line)
{
    while (line.startsWith(QLatin1Char('\\')))
        line = line.mid(1);
    for (const char* label : kCommentLabels)
        if (line.startsWith(QString(QLatin1String(label) + QStringLiteral(": "))))
            return true;
    return false;
}

QHash<QString, QStringList> commentFields(const QString& comments, QString& notes)
{
    QHash<QString, QStringList> out;
    QStringList rest;
    for (const QString& line : comments.split(QLatin1Char('\n'))) {
        bool labelled = false;
        for (const char* label : kCommentLabels) {
            const QString prefix = QLatin1String(label) + QStringLiteral(": ");
            if (!labelled && line.startsWith(prefix)) {
                const QString value = line.mid(prefix.size()).trimmed();
                // A label of one value found again: that value becomes a field of the label's name.
                if (holdsOne(QLatin1String(label)) && out.contains(QLatin1String(label)))
                    out[QStringLiteral("Field")] << catalog::FieldLine({QLatin1String(label), value});
                else
                    out[QLatin1String(label)] << value;
                labelled = true;
            }
        }
        if (!labelled)
            rest << (line.startsWith(QLatin1Char('\\')) && labelLike(line) ? line.mid(1) : line);
    }
    notes = rest.join(QLatin1Char('\n')).trimmed();
    return out;
}

// The rating of a certification: "15 (UK)" -> "15".
QString ratingOfCertification(const QString& certification)
{
    static const QRegularExpression country(QStringLiteral("\\s*\\([^)]*\\)\\s*$"));
    return QString(certification).remove(country).trimmed();
}

// The certification our export writes for a US rating, "R (USA)"; empty for any other.
QString usCertification(const QString& rating)
{
    static const QStringList us = {QStringLiteral("U"),     QStringLiteral("G"), QStringLiteral("PG"),
                                   QStringLiteral("PG-13"), QStringLiteral("R"), QStringLiteral("NC-17")};
    return us.contains(rating) ? rating + QStringLiteral(" (USA)") : QString();
}

// The certification as the file wrote it, where the rating alone does not give it back: the catalogue
// keeps it as a field, and a Tellico export writes it back into <certification>.
const QString kCertificationAsWritten = QStringLiteral("Certification (as written)");
// Tellico's "format" is the video standard (PAL, NTSC), not the medium: a field here, and <format> again
// on a Tellico export.
const QString kVideoFormat = QStringLiteral("Video Format");

// The titles Tellico gives its default video fields, for those a file names without declaring them.
QString defaultTitle(const QString& element)
{
    static const QHash<QString, QString> titles{
        {QStringLiteral("nationality"), QStringLiteral("Nationality")},
        {QStringLiteral("language"), QStringLiteral("Language")},
        {QStringLiteral("subtitle"), QStringLiteral("Subtitles")},
        {QStringLiteral("audio-track"), QStringLiteral("Audio Tracks")},
        {QStringLiteral("aspect-ratio"), QStringLiteral("Aspect Ratio")},
        {QStringLiteral("color"), QStringLiteral("Color Mode")},
        {QStringLiteral("region"), QStringLiteral("Region")},
        {QStringLiteral("format"), QStringLiteral("Video Format")},
        {QStringLiteral("directors-cut"), QStringLiteral("Director's Cut")},
        {QStringLiteral("keyword"), QStringLiteral("Keywords")},
        {QStringLiteral("gift"), QStringLiteral("Gift")},
        {QStringLiteral("year"), QStringLiteral("Production Year")},
        {QStringLiteral("running-time"), QStringLiteral("Running Time")},
        {QStringLiteral("certification"), QStringLiteral("Certification")},
        {QStringLiteral("rating"), QStringLiteral("Personal Rating")},
        {QStringLiteral("imdb"), QStringLiteral("IMDb Link")},
        {QStringLiteral("pur_date"), QStringLiteral("Purchase Date")},
        {QStringLiteral("pur_price"), QStringLiteral("Purchase Price")},
    };
    if (const auto it = titles.constFind(element); it != titles.constEnd())
        return *it;
    QString title = element;
    title.replace(QLatin1Char('-'), QLatin1Char(' ')).replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!title.isEmpty())
        title[0] = title[0].toUpper();
    return title;
}

// One element of a Tellico entry into `values`: its text, or a table row's first column. A field that
// allows several values stands in a container named for it with an "s" (<years><year>), whatever the
// field; its values go under the field's own name.
void readTellicoValue(QXmlStreamReader& r, Values& values, Rows& rows, QStringList& order, bool inContainer = false)
{
    const QString name = r.name().toString();
    QString text;
    QStringList columns;
    bool container = false;
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
            readTellicoValue(r, values, rows, order, true);
        } else if (r.name() == QLatin1String("column")) {
            columns << r.readElementText(QXmlStreamReader::SkipChildElements);
        } else {
            r.skipCurrentElement();
        }
    }
    if (container)
        return;
    if (!values.contains(name))
        order << name;
    values[name] << (columns.isEmpty() ? text : columns.front());
    if (!columns.isEmpty()) {
        QList<QStringList>& table = rows[name];
        table.resize(values[name].size() - 1);
        table << columns;
    }
}

} // namespace

ImportData ReadTellico(const QByteArray& xml)
{
    ImportData data;
    QXmlStreamReader r(xml);
    bool video = false, sawCollection = false;
    // The fields of type 10 hold pictures; Tellico's default video fields call theirs "cover".
    QStringList pictureFields;
    QHash<QString, QString> titles; // of the fields the file declares
    bool defaultFields = true, ownValues = false;
    QString collectionTitle;
    int filters = 0;
    // Tellico keeps its loans apart from the entries, naming them by id, usually after them.
    struct TellicoLoan
    {
        int line;
        QString borrower, entry, lent, due, note;
    };
    std::vector<TellicoLoan> loans;
    QHash<QString, std::size_t> entries; // each entry's id: its movie

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
            if (!sawCollection)
                collectionTitle = r.attributes().value(QLatin1String("title")).toString().simplified();
            sawCollection = true;
            continue;
        }
        if (r.name() == QLatin1String("fields")) {
            defaultFields = false;
            while (r.readNextStartElement()) {
                const QString name = r.attributes().value(QLatin1String("name")).toString();
                defaultFields |= name == QLatin1String("_default");
                if (const QString title = r.attributes().value(QLatin1String("title")).toString().trimmed();
                    !title.isEmpty())
                    titles.insert(name, title);
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
        if (r.name() == QLatin1String("borrowers")) {
            while (r.readNextStartElement()) {
                const QString borrower = r.attributes().value(QLatin1String("name")).toString().trimmed();
                while (r.readNextStartElement()) {
                    if (r.name() == QLatin1String("loan")) {
                        const QXmlStreamAttributes a = r.attributes();
                        const int line = int(r.lineNumber());
                        loans.push_back({line, borrower, a.value(QLatin1String("entryRef")).toString(),
                                         a.value(QLatin1String("loanDate")).toString(),
                                         a.value(QLatin1String("dueDate")).toString(),
                                         r.readElementText(QXmlStreamReader::SkipChildElements).trimmed()});
                    } else {
                        r.skipCurrentElement();
                    }
                }
            }
            continue;
        }
        if (r.name() == QLatin1String("filters")) {
            while (r.readNextStartElement()) {
                filters += r.name() == QLatin1String("filter");
                r.skipCurrentElement();
            }
            continue;
        }
        if (r.name() != QLatin1String("entry") || !video)
            continue;
        Movie movie;
        movie.line = int(r.lineNumber());
        const QString entryId = r.attributes().value(QLatin1String("id")).toString();
        Values values;
        Rows rows;
        QStringList order;
        while (r.readNextStartElement())
            readTellicoValue(r, values, rows, order);
        ThrowIfBad(r);
        QSet<QString> used{QStringLiteral("comments"), QStringLiteral("cast")};
        const auto fieldTitle = [&](const QString& element) {
            const QString title = titles.value(element, defaultTitle(element));
            // Tellico may title the video standard "Format", the catalogue's own name for the medium.
            return element == QLatin1String("format") &&
                           title.compare(QLatin1String("Format"), Qt::CaseInsensitive) == 0
                       ? kVideoFormat
                       : title;
        };
        const auto all = [&](const QString& element) {
            used.insert(element);
            QStringList kept;
            for (const QString& v : values.value(element))
                if (!v.trimmed().isEmpty())
                    kept << v.trimmed();
            return kept;
        };
        QString notes;
        const auto extra = commentFields(values.value(QStringLiteral("comments")).join(QLatin1Char('\n')), notes);
        movie.notes = notes;
        const auto label = [&](const char* name) { return extra.value(QLatin1String(name)).value(0); };
        // The first value kept as the catalogue has always kept it; the others as a field of their own.
        const auto one = [&](const QString& element) {
            const QStringList given = all(element);
            if (given.size() > 1)
                movie.fields.push_back({fieldTitle(element), given.mid(1).join(QStringLiteral("; "))});
            return given.value(0);
        };
        // A rating, date, length or id that does not read is kept as written, as a field.
        const auto asWritten = [&](const QString& title, const QString& text) {
            movie.fields.push_back({title + QStringLiteral(" (as written)"), text});
        };
        movie.title = one(QStringLiteral("title"));
        if (movie.title.isEmpty()) {
            data.problems << QStringLiteral("line %1: an entry without a title").arg(movie.line);
            continue;
        }
        entries.insert(entryId, data.movies.size());
        // Tellico's own: its entry ids and the dates it stamps.
        for (const char* own : {"id", "cdate", "mdate", "loaned"}) {
            used.insert(QLatin1String(own));
            ownValues |= values.contains(QLatin1String(own));
        }
        const auto credit = [&](store::CreditIndex i, const QStringList& names) { catalog::SetNames(movie, i, names); };
        credit(store::kDirector, all(QStringLiteral("director")));
        credit(store::kProducer, all(QStringLiteral("producer")));
        credit(store::kWriter, all(QStringLiteral("writer")));
        credit(store::kComposer, all(QStringLiteral("composer")));
        credit(store::kStudio, all(QStringLiteral("studio")));
        credit(store::kGenre, all(QStringLiteral("genre")));
        credit(store::kFormat, all(QStringLiteral("medium")));
        credit(store::kExecutiveProducer, extra.value(QStringLiteral("Executive Producer")));
        credit(store::kScreenplay, extra.value(QStringLiteral("Screenwriter")));
        credit(store::kCinematographer, extra.value(QStringLiteral("Cinematographer")));
        movie.year = extra.contains(QStringLiteral("Year")) ? label("Year") : one(QStringLiteral("year"));
        if (extra.contains(QStringLiteral("Length"))) {
            movie.length = label("Length");
        } else {
            const QString minutes = one(QStringLiteral("running-time"));
            bool exact = false;
            movie.length = MinutesToLength(minutes, &exact);
            if (!exact && !minutes.isEmpty()) // "98.5", "about three hours"
                asWritten(fieldTitle(QStringLiteral("running-time")), minutes);
        }
        if (extra.contains(QStringLiteral("Rating"))) {
            movie.rating = label("Rating");
        } else {
            // The rating keeps no country: "15 (UK)" is kept as written too.
            const QString certification = one(QStringLiteral("certification"));
            movie.rating = ratingOfCertification(certification);
            if (certification != movie.rating && certification != usCertification(movie.rating))
                movie.fields.push_back({kCertificationAsWritten, certification});
        }
        if (extra.contains(QStringLiteral("Grade"))) {
            movie.grade = label("Grade");
        } else {
            // Stars the grades have no letter for (0, 6, 3.5) are kept under the name the catalogue
            // gives them on a Tellico export.
            const QString stars = one(QStringLiteral("rating"));
            movie.grade = GradeOfRating(stars);
            if (movie.grade.isEmpty())
                asWritten(QStringLiteral("Rating"), stars);
        }
        movie.widescreen = store::IsTrue(one(QStringLiteral("widescreen")));
        // Each row of the cast table is one member and the role beside the name; a row whose columns
        // have no place (a role with no one named to play it, a third column) is kept whole as a field.
        const QList<QStringList> castRows = rows.value(QStringLiteral("cast"));
        const QStringList castNames = values.value(QStringLiteral("cast"));
        QStringList unplaced;
        for (qsizetype n = 0; n < castNames.size(); ++n) {
            const bool named = !castNames[n].trimmed().isEmpty();
            if (named) {
                catalog::CastMember member(SplitWholeName(castNames[n]));
                member.character = castRows.value(n).value(1).trimmed();
                movie.cast.push_back(std::move(member));
            }
            const QStringList row = castRows.value(n), left = named ? row.mid(2) : row;
            if (std::any_of(left.begin(), left.end(), [](const QString& c) { return !c.trimmed().isEmpty(); }))
                unplaced << row.join(QStringLiteral(" :: "));
        }
        JoinRepeatedActors(movie.cast);
        if (!unplaced.isEmpty())
            movie.fields.push_back({fieldTitle(QStringLiteral("cast")), unplaced.join(QStringLiteral("; "))});
        movie.plot = all(QStringLiteral("plot")).join(QLatin1Char('\n'));
        movie.originalTitle = label("Original Title");
        for (const char* element : {"origtitle", "original-title"})
            if (movie.originalTitle.isEmpty())
                movie.originalTitle = one(QLatin1String(element));
        movie.price = one(QStringLiteral("pur_price"));
        movie.tmdbId = label("TMDb");
        movie.barcodes = extra.value(QStringLiteral("Barcode"));
        const QString rating = label("Personal Rating");
        if (const auto read = catalog::ReadPersonalRating(rating); read.ok())
            movie.personalRating = read.value;
        else
            asWritten(QStringLiteral("Personal Rating"), rating);
        const auto date = [&](const QString& text, const QString& title) {
            const catalog::Read<QDate> read = catalog::ReadDate(text);
            if (!read.ok())
                asWritten(title, text);
            return read.value;
        };
        movie.watched = date(label("Watched"), QStringLiteral("Watched"));
        movie.purchased = date(one(QStringLiteral("pur_date")), fieldTitle(QStringLiteral("pur_date")));
        if (const QString imdb = one(QStringLiteral("imdb")); catalog::ReadImdbId(imdb).ok())
            movie.imdbId = imdb;
        else
            asWritten(fieldTitle(QStringLiteral("imdb")), imdb);
        for (const QString& field : extra.value(QStringLiteral("Field")))
            if (std::optional<catalog::Field> f = catalog::ReadFieldLine(field))
                movie.fields.push_back(std::move(*f));
            else // no name before its colon
                asWritten(QStringLiteral("Field"), field);
        if (defaultFields && !pictureFields.contains(QLatin1String("cover")))
            pictureFields << QStringLiteral("cover");
        for (const QString& field : std::as_const(pictureFields)) {
            const QString picture = all(field).value(0);
            if (movie.coverName.isEmpty())
                movie.coverName = picture;
            else if (!picture.isEmpty()) // a movie keeps one picture
                data.notes << QStringLiteral("line %1, %2: also picture %3 (not kept)")
                                  .arg(movie.line)
                                  .arg(movie.title, picture);
        }
        // Every other field, in the file's order: a table's columns by " :: ", several values by "; ".
        for (const QString& element : std::as_const(order)) {
            if (used.contains(element))
                continue;
            QStringList parts;
            if (const QList<QStringList> table = rows.value(element); !table.isEmpty()) {
                const QStringList given = values.value(element);
                for (qsizetype n = 0; n < given.size(); ++n)
                    parts << (table.value(n).isEmpty() ? given[n].trimmed() : table[n].join(QStringLiteral(" :: ")));
            } else {
                parts = all(element);
            }
            KeepField(movie, fieldTitle(element), parts);
        }
        AddRead(data.movies, std::move(movie));
    }
    ThrowIfBad(r);
    if (ownValues)
        data.notes << QStringLiteral(
            "Tellico's own entry ids, loan marks and the dates it stamped on entries are not kept.");
    // The catalogue is one collection of its own: what the file says of its collection has no place.
    if (!collectionTitle.isEmpty())
        data.notes << QStringLiteral("The collection's title, \"%1\", is not kept.").arg(collectionTitle);
    if (filters > 0)
        data.notes << (filters == 1 ? QStringLiteral("The collection's saved filter is not kept.")
                                    : QStringLiteral("The collection's %1 saved filters are not kept.").arg(filters));
    // Each loan goes with its entry's movie; the import checks it can be made, and says so when not.
    for (const TellicoLoan& loan : loans) {
        const auto entry = entries.constFind(loan.entry);
        if (entry == entries.constEnd()) {
            data.notes << QStringLiteral("line %1: the loan of entry %2 to %3 (not kept: the file holds no such entry)")
                              .arg(loan.line)
                              .arg(loan.entry,
                                   loan.borrower.isEmpty() ? QStringLiteral("someone unnamed") : loan.borrower);
            continue;
        }
        Movie& movie = data.movies[*entry];
        if (!loan.note.isEmpty())
            movie.fields.push_back({QStringLiteral("Loan Note"), loan.note});
        const catalog::Read<QDate> lent = catalog::ReadDate(loan.lent), due = catalog::ReadDate(loan.due);
        const QString why = movie.loan ? QStringLiteral("it is out to %1 already").arg(movie.loan->borrower)
                            : loan.lent.trimmed().isEmpty() ? QStringLiteral("the file gives no date it was lent")
                            : !lent.ok()                    ? QStringLiteral("the date lent: %1").arg(lent.error)
                            : !due.ok()                     ? QStringLiteral("the date due: %1").arg(due.error)
                                                            : QString();
        if (!why.isEmpty()) {
            data.notes << LoanNotKept(loan.line, movie.title, loan.borrower, why);
            continue;
        }
        movie.loan = FileLoan{loan.borrower, lent.value, due.value, loan.line};
    }
    if (!sawCollection)
        throw FileError(QStringLiteral("the Tellico file holds no collection"));
    return data;
}

bool WriteTellicoXml(QIODevice& out, qint64 count, const NextMovie& next, const Progress& progress,
                     std::vector<std::pair<QString, qint64>>* pictures)
{
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
        {"format", "Video Format", "Features", "2", "4", "1"},
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
        {"plot", "Plot Summary", "Plot", "0", "4", "2"},
        {"pur_date", "Purchase Date", "Personal", "0", "4", "12"},
        {"pur_price", "Purchase Price", "Personal", "0", "4", "1"},
        {"imdb", "IMDb Link", "General", "0", "4", "7"},
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

    static const QRegularExpression yearPattern(QStringLiteral("^\\d{1,4}$"));
    int id = 0;
    std::vector<std::pair<QString, qint64>> covers; // the pictures the entries name, for the images list
    std::vector<std::pair<int, FileLoan>> loans;    // the entries out, for the borrowers list
    Movie m;
    for (qint64 n = 0;; ++n) {
        if (progress && n % 256 == 0 && !progress(n, count))
            return false;
        if (!next(m))
            break;
        w.writeStartElement(QStringLiteral("entry"));
        w.writeAttribute(QStringLiteral("id"), QString::number(++id));
        w.writeTextElement(QStringLiteral("title"), m.title);
        auto named = [](const QString& v) { return !v.isEmpty() && v != QLatin1String("Unknown"); };
        // A credit's names, left out when it names no one; an "Unknown" first stays before the others,
        // so that they come back as they were.
        auto credited = [&](store::CreditIndex i) {
            const QStringList names = catalog::Names(m, i);
            return std::any_of(names.begin(), names.end(), named) ? names : QStringList();
        };
        auto list = [&](const char* element, store::CreditIndex i) {
            const QStringList names = credited(i);
            if (names.isEmpty())
                return;
            w.writeStartElement(QLatin1String(element) + QLatin1Char('s'));
            for (const QString& name : names)
                w.writeTextElement(QLatin1String(element), name);
            w.writeEndElement();
        };
        list("director", store::kDirector);
        list("producer", store::kProducer);
        list("writer", store::kWriter);
        list("composer", store::kComposer);
        list("studio", store::kStudio);
        list("genre", store::kGenre);
        for (const QString& name : credited(store::kFormat))
            w.writeTextElement(QStringLiteral("medium"), name);
        QStringList comments;
        auto line = [&](const char* label, const QString& value) {
            comments << QLatin1String(label) + QStringLiteral(": ") + value;
        };
        auto comment = [&](const char* label, const QString& value) {
            if (named(value))
                line(label, value);
        };
        for (auto [label, credit] : {std::pair{"Executive Producer", store::kExecutiveProducer},
                                     {"Screenwriter", store::kScreenplay},
                                     {"Cinematographer", store::kCinematographer}})
            for (const QString& name : credited(credit))
                line(label, name);
        // What Tellico has no field for, on lines of its own after them.
        comment("Original Title", m.originalTitle);
        comment("Personal Rating", catalog::RatingText(m.personalRating));
        if (m.watched.isValid())
            comment("Watched", m.watched.toString(Qt::ISODate));
        comment("TMDb", m.tmdbId);
        for (const QString& code : m.barcodes)
            comment("Barcode", code);
        // The first certification as written that still reads as the rating, and the first video
        // standard, go back into their own elements; a value Tellico would trim stays a comment line.
        const auto element = [&](const QString& name, const std::function<bool(const QString&)>& fits) {
            return std::find_if(m.fields.begin(), m.fields.end(), [&](const catalog::Field& f) {
                return f.name == name && !f.value.isEmpty() && f.value == f.value.trimmed() && fits(f.value);
            });
        };
        const auto certification =
            element(kCertificationAsWritten, [&](const QString& v) { return ratingOfCertification(v) == m.rating; });
        const auto standard = element(kVideoFormat, [](const QString&) { return true; });
        for (auto f = m.fields.begin(); f != m.fields.end(); ++f)
            if (f != certification && f != standard)
                comment("Field", catalog::FieldLine(*f));
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
        if (certification != m.fields.end())
            w.writeTextElement(QStringLiteral("certification"), certification->value);
        else if (const QString us = usCertification(m.rating); !us.isEmpty())
            w.writeTextElement(QStringLiteral("certification"), us);
        else
            comment("Rating", m.rating);
        if (standard != m.fields.end())
            w.writeTextElement(QStringLiteral("format"), standard->value);
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
                if (!member.character.isEmpty())
                    w.writeTextElement(QStringLiteral("column"), member.character);
                w.writeEndElement();
            }
            w.writeEndElement();
        }
        if (!m.plot.isEmpty())
            w.writeTextElement(QStringLiteral("plot"), m.plot);
        if (m.purchased.isValid())
            w.writeTextElement(QStringLiteral("pur_date"), m.purchased.toString(Qt::ISODate));
        if (!m.price.isEmpty())
            w.writeTextElement(QStringLiteral("pur_price"), m.price);
        if (!m.imdbId.isEmpty())
            w.writeTextElement(QStringLiteral("imdb"), QStringLiteral("https://www.imdb.com/title/%1/").arg(m.imdbId));
        for (const QString& note : m.notes.isEmpty() ? QStringList() : m.notes.split(QLatin1Char('\n')))
            comments << (labelLike(note) ? QStringLiteral("\\") + note : note);
        if (!comments.isEmpty())
            w.writeTextElement(QStringLiteral("comments"), comments.join(QLatin1Char('\n')));
        if (!m.coverName.isEmpty()) {
            w.writeTextElement(QStringLiteral("cover"), m.coverName);
            covers.emplace_back(m.coverName, m.id);
        }
        if (m.loan)
            loans.emplace_back(id, *m.loan);
        w.writeEndElement();
        if (w.hasError())
            break;
    }
    // The pictures themselves go beside the XML in the zip, under images/.
    if (!covers.empty())
        w.writeStartElement(QStringLiteral("images"));
    for (const auto& [name, movie] : covers) {
        w.writeEmptyElement(QStringLiteral("image"));
        w.writeAttribute(QStringLiteral("id"), name);
        w.writeAttribute(QStringLiteral("format"),
                         name.endsWith(QLatin1String(".png")) ? QStringLiteral("PNG") : QStringLiteral("JPEG"));
    }
    if (!covers.empty())
        w.writeEndElement();
    // Each open loan, as Tellico names its borrowers; one loan to each borrower element, as the DTD has it.
    if (!loans.empty())
        w.writeStartElement(QStringLiteral("borrowers"));
    int loanId = 0;
    for (const auto& [entry, loan] : loans) {
        const QString uid = QString::fromLatin1(
            QCryptographicHash::hash(loan.borrower.toUtf8(), QCryptographicHash::Md5).toHex().left(12));
        w.writeStartElement(QStringLiteral("borrower"));
        w.writeAttribute(QStringLiteral("uid"), uid);
        w.writeAttribute(QStringLiteral("name"), loan.borrower);
        w.writeEmptyElement(QStringLiteral("loan"));
        w.writeAttribute(QStringLiteral("uid"), QStringLiteral("loan-%1").arg(++loanId));
        w.writeAttribute(QStringLiteral("entryRef"), QString::number(entry));
        w.writeAttribute(QStringLiteral("loanDate"), loan.lent.toString(Qt::ISODate));
        if (loan.due.isValid())
            w.writeAttribute(QStringLiteral("dueDate"), loan.due.toString(Qt::ISODate));
        w.writeEndElement();
    }
    if (!loans.empty())
        w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    if (w.hasError())
        throw FileError(QStringLiteral("the file cannot be written: %1").arg(out.errorString()));
    if (pictures)
        *pictures = std::move(covers);
    return !progress || progress(count, count);
}

bool WriteTellicoZip(const QString& path, qint64 count, const NextMovie& next, const Progress& progress,
                     const std::function<QByteArray(qint64 movie)>& picture)
{
    // The XML is written to a file of its own beside the archive, movie by movie, then packed with the
    // pictures: writing it is the first half of the work, packing the second.
    QTemporaryFile xml(path + QStringLiteral(".xml.XXXXXX"));
    if (!xml.open())
        throw FileError(xml.errorString());
    Progress half;
    if (progress)
        half = [&](qint64 done, qint64) { return progress(done, 2 * count); };
    std::vector<std::pair<QString, qint64>> covers;
    if (!WriteTellicoXml(xml, count, next, half, &covers))
        return false;
    if (!xml.flush())
        throw FileError(xml.errorString());
    size_t sent = 0;
    const NextEntry pictures = [&](QString& name, QByteArray& data) {
        if (!picture || sent == covers.size())
            return false;
        name = QStringLiteral("images/") + covers[sent].first;
        data = picture(covers[sent++].second);
        return true;
    };
    std::function<bool(double)> packing;
    if (progress)
        packing = [&](double share) { return progress(count + qint64(share * double(count)), 2 * count); };
    return MakeZipFile(path, {}, pictures, picture ? qint64(covers.size()) : 0, packing,
                       {{kTellicoXml, xml.fileName()}});
}

} // namespace exchange
