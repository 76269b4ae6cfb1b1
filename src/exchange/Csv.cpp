#include "exchange/Csv.h"

#include "catalog/MovieColumns.h"
#include "catalog/MovieValues.h"
#include "exchange/FileError.h"
#include "shell/Wording.h"
#include "store/Values.h"

#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStringDecoder>

namespace exchange {

namespace {

QString normalized(const QString& name)
{
    QString out;
    for (QChar c : name)
        if (c.isLetter())
            out += c.toLower();
    return out;
}

const QHash<QString, int>& headerNames()
{
    static const QHash<QString, int> names = [] {
        QHash<QString, int> n;
        for (int f = kTitle; f < kOwnField; ++f)
            n.insert(normalized(FieldCaption(f)), f);
        for (std::size_t i = 0; i < store::kCredits.size(); ++i)
            n.insert(normalized(QLatin1String(store::kCredits[i].name)), kFirstCredit + int(i));
        n.insert(QStringLiteral("movietitle"), kTitle);
        n.insert(QStringLiteral("name"), kTitle);
        n.insert(QStringLiteral("screenplay"), CreditField(store::kScreenplay));
        n.insert(QStringLiteral("executiveproducer"), CreditField(store::kExecutiveProducer));
        n.insert(QStringLiteral("yearreleased"), kYear);
        n.insert(QStringLiteral("released"), kYear);
        n.insert(QStringLiteral("runningtime"), kLength);
        n.insert(QStringLiteral("actors"), kCast);
        n.insert(QStringLiteral("medium"), CreditField(store::kFormat));
        n.insert(QStringLiteral("certification"), kRating);
        for (std::size_t i = 0; i < store::kCredits.size(); ++i)
            n.insert(QStringLiteral("other") + normalized(FieldCaption(kFirstMore + int(i))).mid(4),
                     kFirstMore + int(i));
        const std::pair<const char*, int> more[] = {{"character", kCharacters},
                                                    {"roles", kCharacters},
                                                    {"role", kCharacters},
                                                    {"original", kOriginalTitle},
                                                    {"synopsis", kPlot},
                                                    {"summary", kPlot},
                                                    {"description", kPlot},
                                                    {"note", kNotes},
                                                    {"comments", kNotes},
                                                    {"comment", kNotes},
                                                    {"myrating", kPersonalRating},
                                                    {"seen", kWatched},
                                                    {"datewatched", kWatched},
                                                    {"lastwatched", kWatched},
                                                    {"purchasedate", kPurchased},
                                                    {"purchasedon", kPurchased},
                                                    {"datepurchased", kPurchased},
                                                    {"bought", kPurchased},
                                                    {"purchaseprice", kPrice},
                                                    {"pricepaid", kPrice},
                                                    {"imdb", kImdbId},
                                                    {"tmdb", kTmdbId},
                                                    {"barcode", kBarcodes},
                                                    {"ean", kBarcodes},
                                                    {"upc", kBarcodes},
                                                    {"otherfields", kFields},
                                                    {"customfields", kFields}};
        for (const auto& [name, field] : more)
            n.insert(QLatin1String(name), field);
        return n;
    }();
    return names;
}

struct Parsed
{
    std::vector<QStringList> rows;
    std::vector<int> lines;
    QStringList problems;
};

Parsed parse(const QString& text, QChar sep, std::size_t maxRecords)
{
    Parsed out;
    QStringList record;
    QString field;
    bool quoted = false, inRecord = false, wasQuoted = false;
    int line = 1, start = 1;
    qint64 fields = 0, dropped = 0; // values past the row's last column kept
    const qsizetype n = text.size();
    auto endField = [&] {
        if (record.size() < kMaxCsvColumns)
            record.append(field);
        else if (!field.trimmed().isEmpty())
            ++dropped;
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        // A blank line holds no record.
        if (!(record.size() == 1 && record.front().isEmpty())) {
            if ((fields += record.size()) > kMaxCsvFields)
                throw FileError(QStringLiteral("the file holds more than %1 million fields; a file may hold at "
                                               "most that many")
                                    .arg(kMaxCsvFields / 1'000'000));
            out.rows.push_back(record);
            out.lines.push_back(start);
            if (dropped)
                out.problems << QStringLiteral("line %1: %2 past the first %3 columns left out")
                                    .arg(start)
                                    .arg(shell::Counted(dropped, "value", "values"))
                                    .arg(kMaxCsvColumns);
        }
        dropped = 0;
        record.clear();
        inRecord = false;
    };
    for (qsizetype i = 0; i < n && out.rows.size() < maxRecords; ++i) {
        const QChar c = text.at(i);
        if (!inRecord) {
            inRecord = true;
            start = line;
        }
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == sep) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++line;
            endRecord();
        } else {
            field += c;
        }
    }
    if (inRecord && out.rows.size() < maxRecords)
        endRecord();
    return out;
}

// The other fields, "Name: value" a line each; a name's colons and both's backslashes and line breaks
// escaped, so any name and value read back as they were.
QString writeFields(const std::vector<catalog::Field>& fields)
{
    QStringList lines;
    for (const catalog::Field& f : fields)
        lines << catalog::FieldLine(f);
    return lines.join(QLatin1Char('\n'));
}

void readFields(const QString& text, std::vector<catalog::Field>& fields)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        // A line of no name is kept whole, under the column's own name.
        fields.push_back(
            catalog::ReadFieldLine(line).value_or(catalog::Field{FieldCaption(kFields), catalog::UnescapeLine(line)}));
    }
}

bool isNumber(const QString& text)
{
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

QString DecodeText(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    // ICU gives the five bytes Windows-1252 leaves undefined as invisible C1 controls; they become
    // U+FFFD, which shows that a byte stood there. Without ICU, Latin-1 agrees with it but for 0x80
    // to 0x9F, which then all show so.
    QStringDecoder cp1252("windows-1252");
    text = cp1252.isValid() ? cp1252.decode(view) : QString::fromLatin1(view);
    for (QChar& c : text)
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar::ReplacementCharacter;
    return text;
}

CsvTable ParseCsv(const QString& text)
{
    CsvTable table;
    // The separator that gives the sample the same number of fields, above one, on most records.
    int best = 0;
    for (QChar sep : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')}) {
        const Parsed sample = parse(text, sep, 50);
        if (sample.rows.empty() || sample.rows.front().size() < 2)
            continue;
        int score = 0;
        for (const QStringList& row : sample.rows)
            score += row.size() == sample.rows.front().size() ? 1 : 0;
        score = score * 1000 + int(sample.rows.front().size());
        if (score > best) {
            best = score;
            table.separator = sep;
        }
    }
    Parsed all = parse(text, table.separator, std::size_t(-1));
    table.rows = std::move(all.rows);
    table.lines = std::move(all.lines);
    table.problems = std::move(all.problems);
    if (table.rows.empty())
        return table;
    const QStringList& first = table.rows.front();
    bool header = false;
    for (int field : MappingFromHeader(first))
        header = header || (field != kIgnore && field != kOwnField);
    // A header without our names: text above a column of numbers.
    for (qsizetype c = 0; !header && table.rows.size() > 1 && c < first.size(); ++c)
        header = !first.at(c).trimmed().isEmpty() && !isNumber(first.at(c)) && c < table.rows[1].size() &&
                 isNumber(table.rows[1].at(c));
    if (header) {
        table.hasHeader = true;
        table.header = first;
        table.rows.erase(table.rows.begin());
        table.lines.erase(table.lines.begin());
    }
    return table;
}

std::vector<int> MappingFromHeader(const QStringList& header)
{
    std::vector<int> mapping;
    QSet<int> taken;
    for (const QString& name : header) {
        // A column of no name of ours, or of one taken already, is kept as a field of that name.
        int field = headerNames().value(normalized(name), kOwnField);
        if (taken.contains(field))
            field = kOwnField;
        if (name.trimmed().isEmpty())
            field = kIgnore;
        if (field != kOwnField)
            taken.insert(field);
        mapping.push_back(field);
    }
    return mapping;
}

ImportData MapRows(const CsvTable& table, const std::vector<int>& mapping)
{
    ImportData data;
    data.problems = table.problems;
    data.notes = table.notes;
    const qsizetype width = qsizetype(mapping.size());
    constexpr qint64 kMaxUnkeptNotes = 1000;
    qint64 unkept = 0; // values of the columns left out
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const QStringList& row = table.rows[r];
        const QString where = QStringLiteral("line %1: ").arg(table.lines[r]);
        bool extra = false;
        for (qsizetype c = width; c < row.size(); ++c)
            extra = extra || !row.at(c).trimmed().isEmpty();
        if (extra) {
            data.problems << where + QStringLiteral("%1 fields where the file has %2").arg(row.size()).arg(width);
            continue;
        }
        Movie movie;
        movie.line = table.lines[r];
        QStringList characters, ignored;
        // A rating, date or id that does not read is kept as written, as a field.
        const auto readOr = [&](const auto& read, int field, const QString& value) {
            if (!read.ok())
                movie.fields.push_back({FieldCaption(field) + QStringLiteral(" (as written)"), value});
            return read.value;
        };
        for (qsizetype c = 0; c < width && c < row.size(); ++c) {
            const int field = mapping[std::size_t(c)];
            const QString value = row.at(c).trimmed();
            if (value.isEmpty())
                continue;
            if (field == kIgnore)
                ignored << QStringLiteral("%1 \"%2\"")
                               .arg(table.header.value(c).trimmed().isEmpty() ? QStringLiteral("column %1").arg(c + 1)
                                                                              : table.header.value(c).trimmed(),
                                    value.size() > 60 ? value.left(57) + QStringLiteral("...") : value);
            else if (field >= kFirstMore && field < kCharacters)
                movie.moreNames[std::size_t(field - kFirstMore)] = SplitList(value);
            else if (field == kCharacters)
                characters = SplitList(value);
            else if (field == kOriginalTitle)
                movie.originalTitle = value;
            else if (field == kPlot)
                movie.plot = value;
            else if (field == kNotes)
                movie.notes = value;
            else if (field == kPersonalRating)
                movie.personalRating = readOr(catalog::ReadPersonalRating(value), field, value);
            else if (field == kWatched)
                movie.watched = readOr(catalog::ReadDate(value), field, value);
            else if (field == kPurchased)
                movie.purchased = readOr(catalog::ReadDate(value), field, value);
            else if (field == kPrice)
                movie.price = value;
            else if (field == kImdbId)
                movie.imdbId = readOr(catalog::ReadImdbId(value), field, value);
            else if (field == kTmdbId)
                movie.tmdbId = readOr(catalog::ReadTmdbId(value), field, value);
            else if (field == kBarcodes)
                movie.barcodes = SplitList(value);
            else if (field == kFields)
                readFields(row.at(c), movie.fields);
            else if (field == kOwnField)
                movie.fields.push_back(
                    {table.header.value(c, QStringLiteral("Column %1").arg(c + 1)).trimmed(), row.at(c)});
            else if (field == kTitle)
                movie.title = value;
            else if (field >= kFirstCredit && field < kLength)
                movie.credits[std::size_t(field - kFirstCredit)] = value;
            else if (field == kLength)
                movie.length = isNumber(value) ? MinutesToLength(value) : value;
            else if (field == kYear)
                movie.year = value;
            else if (field == kGrade)
                movie.grade = value;
            else if (field == kRating)
                movie.rating = value;
            else if (field == kWidescreen)
                movie.widescreen = store::IsTrue(value);
            else if (field == kCast)
                for (const QString& name : SplitActorList(value))
                    movie.cast.push_back(SplitActorName(name));
        }
        if (movie.title.isEmpty()) {
            data.problems << where + QStringLiteral("no title");
            continue;
        }
        // The characters stand as the cast does, one for each member, in order.
        for (qsizetype i = 0; i < characters.size(); ++i)
            if (i < qsizetype(movie.cast.size()))
                movie.cast[std::size_t(i)].character = characters.at(i);
            else if (!characters.at(i).isEmpty())
                data.notes << QStringLiteral("line %1, %2: character \"%3\" with no one of the cast to play it "
                                             "(not kept)")
                                  .arg(movie.line)
                                  .arg(movie.title, characters.at(i));
        for (const QString& value : std::as_const(ignored))
            if (++unkept <= kMaxUnkeptNotes)
                data.notes << QStringLiteral("line %1, %2: %3 (not kept)").arg(movie.line).arg(movie.title, value);
        data.movies.push_back(std::move(movie));
    }
    // A large file of columns left out would bury the other notes under its values.
    if (unkept > kMaxUnkeptNotes)
        data.notes << QStringLiteral("%1 more in the columns left out (not kept)")
                          .arg(shell::Counted(unkept - kMaxUnkeptNotes, "value", "values"));
    return data;
}

QString CsvRecord(const QStringList& fields)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QString f = fields.at(i);
        if (i)
            out += QLatin1Char(',');
        if (f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n')) ||
            f.contains(QLatin1Char('\r')) || f.contains(QLatin1Char(';')) || f.contains(QLatin1Char('\t'))) {
            f.replace(QLatin1String("\""), QLatin1String("\"\""));
            f = QLatin1Char('"') + f + QLatin1Char('"');
        }
        out += f;
    }
    return out + QLatin1String("\r\n");
}

bool WriteCsv(QIODevice& out, qint64 count, const NextMovie& next, const Progress& progress)
{
    QStringList header;
    for (const auto& column : catalog::kMovieColumns)
        header << QLatin1String(column.caption);
    header << QStringLiteral("Cast");
    // What a movie holds beyond those, after them, so a file read by the columns before still reads.
    for (int f = kFirstMore; f < kOwnField; ++f)
        header << FieldCaption(f);
    // Each value goes under the column its header names.
    const std::vector<int> fields = MappingFromHeader(header);
    QByteArray buffer = "\xEF\xBB\xBF" + CsvRecord(header).toUtf8();
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size())
            throw FileError(QStringLiteral("the file cannot be written: %1").arg(out.errorString()));
        buffer.clear();
    };
    Movie m;
    QStringList row;
    for (qint64 n = 0;; ++n) {
        if (progress && n % 256 == 0 && !progress(n, count))
            return false;
        if (!next(m))
            break;
        row.clear();
        for (int field : fields) {
            if (field == kTitle) {
                row << m.title;
            } else if (field >= kFirstCredit && field < kLength) {
                row << m.credits[std::size_t(field - kFirstCredit)];
            } else if (field == kCast) {
                QStringList cast;
                for (const catalog::CastMember& member : m.cast)
                    cast << JoinActorName(member.last, member.first);
                row << cast.join(QStringLiteral("; "));
            } else if (field >= kFirstMore && field < kCharacters) {
                row << JoinList(m.moreNames[std::size_t(field - kFirstMore)]);
            } else if (field == kCharacters) {
                QStringList characters;
                bool any = false;
                for (const catalog::CastMember& member : m.cast) {
                    characters << member.character;
                    any = any || !member.character.isEmpty();
                }
                row << (any ? JoinList(characters) : QString());
            } else if (field >= kCharacters) {
                const auto date = [](const QDate& d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); };
                row << (field == kOriginalTitle    ? m.originalTitle
                        : field == kPlot           ? m.plot
                        : field == kNotes          ? m.notes
                        : field == kPersonalRating ? catalog::RatingText(m.personalRating)
                        : field == kWatched        ? date(m.watched)
                        : field == kPurchased      ? date(m.purchased)
                        : field == kPrice          ? m.price
                        : field == kImdbId         ? m.imdbId
                        : field == kTmdbId         ? m.tmdbId
                        : field == kBarcodes       ? JoinList(m.barcodes)
                        : field == kFields         ? writeFields(m.fields)
                                                   : QString());
            } else {
                row << (field == kLength       ? m.length
                        : field == kYear       ? m.year
                        : field == kGrade      ? m.grade
                        : field == kRating     ? m.rating
                        : field == kWidescreen ? (m.widescreen ? QStringLiteral("True") : QStringLiteral("False"))
                                               : QString());
            }
        }
        buffer += CsvRecord(row).toUtf8();
        if (buffer.size() >= (1 << 18))
            flush();
    }
    flush();
    return !progress || progress(count, count);
}

} // namespace exchange
