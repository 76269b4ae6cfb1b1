#include "reports/ReportModule.h"

#include "catalog/Clock.h"
#include "reports/ReportFile.h"
#include "reports/ReportProgress.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <sqlite3.h>
#include <vector>

namespace ReportModule {

namespace {

using reports::FileError;
using reports::Progress;
using reports::ReportFile;

QString g_desktop;
QString g_date;

enum class Shape { Lookup, Query, Flat };
enum class Form { Bold, Plain, Centred };

struct Column
{
    const char* caption; // header text
    Form form;
    const char* field;
};

struct Report
{
    const char* titleLine;
    const char* headingPiece;
    const char* file;
    Shape shape;
    const char* groupCaption; // first header of a grouped report
    const char* groupSql;
    const char* groupField;
    // The year report's movie rows, or the other grouped reports' movie keys (Movie_ID second), ordered
    // as the grouping set and keyed by groupField.
    const char* perGroupSql;
    std::vector<Column> columns; // movie row cells after the group's empty cell
    const char* totalLabel;
    // The progress total: a flat report's rows without its joins and sort (they only look names up,
    // one each), a grouped report's groups.
    const char* countSql = nullptr;
    const char* cellsSql = nullptr; // every movie's cells in key order, for movie keys
};

const char* const kLibraryCountSql = "SELECT count(*) FROM [tbl_Movie_Title]";

// Every actor's movie keys in the order of qry_Actor, read along the actors' name index without a sort.
const char* const kActorLinksSql =
    "SELECT (ifnull(a.[Actor_Last_Name], '') || ', ' || ifnull(a.[Actor_First_Name], '')) COLLATE NOCASE AS [Actor], "
    "j.[Movie_ID] FROM [tbl_Actor] AS a CROSS JOIN [tbl_Actor_Movie_Join] AS j ON j.[Actor_ID] = a.[Actor_ID] "
    "ORDER BY 1, a.[Actor_ID], j.[rowid]";
// Every movie's cells for a report whose third column is the name in the lookup table other, in key order.
#define MOVIE_CELLS(other)                                                                                             \
    "SELECT m.[Movie_ID], m.[Movie_Title] AS [Movie_Title], o.[" other "] AS [" other "], "                            \
    "m.[Year_Released] AS [Year_Released], m.[Length] AS [Length], m.[Grade] AS [Grade] "                              \
    "FROM [tbl_Movie_Title] AS m LEFT JOIN [tbl_" other "] AS o ON o.[" other "_ID] = m.[" other "_ID] "               \
    "ORDER BY m.[Movie_ID]"

// A lookup report's movie keys in the order of its names, read from the name index and the movies'
// index of the name's key alone.
#define LOOKUP_KEYS(name)                                                                                              \
    "SELECT g.[" name "] AS [" name "], m.[Movie_ID] FROM [tbl_" name "] AS g "                                        \
    "CROSS JOIN [tbl_Movie_Title] AS m ON m.[" name "_ID] = g.[" name "_ID] "                                          \
    "ORDER BY g.[" name "], g.[" name "_ID], m.[Movie_ID]"

// The per-group columns most grouped reports share.
const std::vector<Column> kByDirector = {{"Movie Title", Form::Plain, "Movie_Title"},
                                         {"Director", Form::Plain, "Director"},
                                         {"Year", Form::Centred, "Year_Released"},
                                         {"Length", Form::Centred, "Length"},
                                         {"Grade", Form::Plain, "Grade"}};

// A column read by position; text says it holds no real number, whose text the engine would write
// otherwise than the program did, so its value can be read as the engine's text straight away.
struct Source
{
    int column;
    bool text;
};

// The statement's column of that name; a report naming a column its query lacks is refused.
int statementColumn(const store::Statement& q, const QString& name)
{
    for (int i = 0; i < q.columnCount(); ++i)
        if (q.columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw store::StoreError(3265, QStringLiteral("Item not found in this collection. (%1)").arg(name));
}

// Finds columns once, so rows are read by position.
std::vector<Source> columnIndexes(const store::Statement& q, const std::vector<Column>& columns)
{
    std::vector<Source> indexes;
    for (const Column& c : columns) {
        const int i = statementColumn(q, QString::fromLatin1(c.field));
        // The engine's affinity rules: a declared type with CHAR, CLOB or TEXT and without INT stores
        // numbers as text.
        const QByteArray type = QByteArray(sqlite3_column_decltype(q.handle(), i)).toUpper();
        const bool text =
            !type.contains("INT") && (type.contains("CHAR") || type.contains("CLOB") || type.contains("TEXT"));
        indexes.push_back({i, text});
    }
    return indexes;
}

// Most text is plain ASCII, which is valid as it stands; a word at a time tells.
bool isAscii(QByteArrayView text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; p != end; ++p)
        if (*p & 0x80)
            return false;
    return true;
}

// Sound text as it stands; broken text as the value gives it.
QByteArrayView soundText(QByteArrayView text, const store::Statement& q, int i, QByteArray& kept)
{
    if (isAscii(text) || text.isValidUtf8())
        return text;
    kept = q.column(i).toString().toUtf8();
    return kept;
}

// A column's text as the report writes it. Integers and sound text are read in place; what would
// come out differently that way (reals, blobs, broken text) goes through the value as before.
QByteArrayView fieldText(const store::Statement& q, int i, QByteArray& kept)
{
    sqlite3_stmt* const s = q.handle();
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        kept.setNum(sqlite3_column_int64(s, i));
        return kept;
    case SQLITE_TEXT:
        return soundText(
            QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(s, i)), sqlite3_column_bytes(s, i)), q, i,
            kept);
    default:
        break;
    }
    kept = q.column(i).toString().toUtf8();
    return kept;
}

// A text column's engine text is what the report writes (integers in digits, blobs as text), so one
// call fewer a cell than asking its type first.
QByteArrayView fieldText(const store::Statement& q, Source c, QByteArray& kept)
{
    if (!c.text)
        return fieldText(q, c.column, kept);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.handle(), c.column));
    if (!text)
        return {};
    return soundText(QByteArrayView(text, sqlite3_column_bytes(q.handle(), c.column)), q, c.column, kept);
}

// text(i) gives the i-th column's text.
template <class Text> void writeCells(ReportFile& out, const std::vector<Column>& columns, Text text)
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        switch (columns[i].form) {
        case Form::Bold:
            out.GroupCell(text(i));
            break;
        case Form::Plain:
            out.PlainCell(text(i));
            break;
        case Form::Centred:
            out.CentredCell(text(i));
            break;
        }
    }
}

void writeCells(ReportFile& out, const std::vector<Column>& columns, const store::Statement& q,
                const std::vector<Source>& cols)
{
    QByteArray kept;
    writeCells(out, columns, [&](std::size_t i) { return fieldText(q, cols[i], kept); });
}

void writeHead(ReportFile& out, const Report& r)
{
    out.Line("<html>");
    out.Line("<head>");
    out.Line("<meta charset=\"utf-8\">");
    out.Line(r.titleLine);
    out.Line("</head>");
    out.Line(
        "<p align=\"center\"><font color=\"#0000FF\" size=\"6\"><strong>Cinevault - Reelkeeper</strong></font></P>");
    const QByteArray heading = QByteArray("<p align=\"center\"><font color=\"#0000FF\" size=\"6\"") + r.headingPiece;
    out.Line(heading.constData());
    QByteArray date("<p align=\"right\"><strong>");
    ReportFile::AppendEscaped(
        date, g_date.isEmpty() ? QLocale::system().toString(catalog::Today(), QLocale::ShortFormat) : g_date);
    out.Line(date.constData());
    out.Line("<hr>");
    out.Line("<table border=\"0\">");
    out.Line("<tr>");
    if (r.groupCaption)
        out.Header(r.groupCaption);
    for (const Column& c : r.columns)
        out.Header(c.caption);
    out.Line("</tr>");
}

void writeFoot(ReportFile& out)
{
    out.Line("</table>");
    out.Line("</body>");
    out.Line("</html>");
}

void writeGroupHead(ReportFile& out, QByteArrayView group)
{
    out.Line("<tr>");
    out.GroupCell(group);
    out.EmptyCells(5);
    out.Line("</tr>");
}

void writeGroupFoot(ReportFile& out, qint64 movies)
{
    out.Line("<tr>");
    out.EmptyCells(1);
    out.MovieTotalCell(movies);
    out.EmptyCells(4);
    out.Line("</tr>");
}

void writeMovieRow(ReportFile& out, const Report& r, const store::Statement& q, const std::vector<Source>& cols)
{
    out.Line("<tr>");
    out.EmptyCells(1);
    writeCells(out, r.columns, q, cols);
    out.Line("</tr>");
    Progress().Refresh();
}

// A grouping name as the engine compares it, valid until the statement moves; null for NULL, which
// equals nothing.
std::optional<QByteArrayView> groupKey(const store::Statement& q, int i)
{
    sqlite3_stmt* const s = q.handle();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    if (!text)
        return std::nullopt;
    return QByteArrayView(text, sqlite3_column_bytes(s, i));
}

// The NOCASE collation's order, in which both statements of a query-grouped report come.
int compareNoCase(QByteArrayView a, QByteArrayView b)
{
    const int r = sqlite3_strnicmp(a.data(), b.data(), int(std::min(a.size(), b.size())));
    return r != 0 ? r : a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A grouped report's movie rows or keys come from one statement in the grouping set's order, so no
// statement runs per group. Groups of equal names (two actors called alike) get the same rows,
// written again from a copy.
class Merge
{
public:
    Merge(const store::Connection& db, const QString& sql, const QString& field) : m_rows(db, sql)
    {
        m_key = statementColumn(m_rows, field);
        m_more = m_rows.step();
    }
    const store::Statement& rows() const { return m_rows; }

    // Calls write() for each row whose key equals group as the engine compares them. Rows before it
    // belong to no group (a NULL year): the per-group test left them out too.
    template <class Write> void take(QByteArrayView group, Write write)
    {
        int c = -1;
        while (m_more && (c = order(group)) < 0)
            m_more = m_rows.step();
        for (; m_more && c == 0; c = m_more ? order(group) : 1) {
            write();
            m_more = m_rows.step();
        }
    }

private:
    int order(QByteArrayView group) const
    {
        const std::optional<QByteArrayView> k = groupKey(m_rows, m_key);
        return k ? compareNoCase(*k, group) : -1;
    }

    store::Statement m_rows;
    int m_key = -1;
    bool m_more = false;
};

qint64 showTotal(const Report& r, const store::Connection& db)
{
    store::Statement count(db, QString::fromLatin1(r.countSql));
    qint64 total = count.step() ? count.column(0).toLongLong() : 0;
    if (r.shape == Shape::Lookup) // the lookup tables' totals leave out their "Unknown" row
        total = std::max<qint64>(0, total - 1);
    Progress().SetTotal(total);
    return total;
}

// total is what showTotal() showed.
template <class Block>
void writeMerged(ReportFile& out, const Report& r, const store::Connection& db, qint64 total, Block writeBlock)
{
    auto& progress = Progress();
    const bool lookup = r.shape == Shape::Lookup;
    store::Statement groups(db, QString::fromLatin1(r.groupSql));
    const QString field = QString::fromLatin1(r.groupField);
    const int groupColumn = statementColumn(groups, field);
    const auto keyOf = [&]() -> std::optional<QByteArray> {
        const std::optional<QByteArrayView> k = groupKey(groups, groupColumn);
        return k ? std::optional<QByteArray>(k->toByteArray()) : std::nullopt;
    };
    const auto equal = [](const std::optional<QByteArray>& a, const std::optional<QByteArray>& b) {
        return a && b && compareNoCase(*a, *b) == 0;
    };
    bool haveNext = groups.step();
    std::optional<QByteArray> next = haveNext ? keyOf() : std::nullopt;
    std::optional<QByteArray> copied; // the name whose movie rows copy holds
    QByteArray copy;
    qint64 movies = 0, counter = lookup ? 0 : 1;
    QByteArray kept;
    while (haveNext) {
        if (!lookup) {
            progress.Refresh();
            progress.SetCurrent(counter);
        }
        const std::optional<QByteArray> key = std::move(next);
        // Exact comparison: "UNKNOWN" is a real name and gets its group.
        const bool printed = !lookup || !(key && *key == "Unknown");
        if (printed)
            writeGroupHead(out, fieldText(groups, groupColumn, kept));
        haveNext = groups.step();
        next = haveNext ? keyOf() : std::nullopt;
        if (printed) {
            if (equal(copied, key)) {
                out.Raw(copy);
            } else {
                copied.reset();
                const bool again = equal(key, next);
                if (again)
                    out.StartCopy();
                movies = key ? writeBlock(QByteArrayView(*key)) : 0;
                if (again)
                    copy = out.EndCopy(), copied = key;
            }
            writeGroupFoot(out, movies);
            ++counter;
        }
        if (lookup) {
            progress.Refresh();
            progress.SetCurrent(counter);
        }
    }
    out.Line("<tr>");
    out.TotalLabelCell(r.totalLabel);
    out.TotalValueCell(lookup ? total : counter - 1);
}

// The year report: the movie rows straight from one statement.
void writeRows(ReportFile& out, const Report& r, const store::Connection& db)
{
    const qint64 total = showTotal(r, db);
    Merge rows(db, QString::fromLatin1(r.perGroupSql), QString::fromLatin1(r.groupField));
    const std::vector<Source> cols = columnIndexes(rows.rows(), r.columns);
    writeMerged(out, r, db, total, [&](QByteArrayView group) {
        qint64 movies = 0;
        rows.take(group, [&] {
            writeMovieRow(out, r, rows.rows(), cols);
            ++movies;
        });
        return movies;
    });
}

// A report's cells of every movie, read once in key order: a group's movies are then found here
// instead of by look-ups in the catalogue each.
class MovieCells
{
public:
    MovieCells(const store::Connection& db, const char* sql, const std::vector<Column>& columns)
    {
        store::Statement q(db, QString::fromLatin1(sql));
        const std::vector<Source> cols = columnIndexes(q, columns);
        const int title = statementColumn(q, QStringLiteral("Movie_Title"));
        QByteArray kept;
        std::string record;
        while (q.step()) {
            m_ids.push_back(sqlite3_column_int64(q.handle(), 0));
            // The title as the engine compares it comes first, then the cells as written.
            record.clear();
            put(record, groupKey(q, title));
            for (const Source c : cols)
                put(record, fieldText(q, c, kept));
            place(record);
        }
    }
    // The movie's place here, or -1 for a key no movie has (the catalogue's own join leaves it out).
    qsizetype find(qint64 id) const
    {
        const auto it = std::lower_bound(m_ids.begin(), m_ids.end(), id);
        return it != m_ids.end() && *it == id ? it - m_ids.begin() : -1;
    }
    // The movie's title as compared (null for NULL), then its cells as written.
    template <std::size_t N> void cells(qsizetype movie, std::array<std::optional<QByteArrayView>, N>& out) const
    {
        const auto [chunk, offset] = m_at[std::size_t(movie)];
        const char* p = m_chunks[chunk].data() + offset;
        for (auto& cell : out) {
            qint32 size;
            std::memcpy(&size, p, sizeof size);
            p += sizeof size;
            cell = size < 0 ? std::nullopt : std::optional(QByteArrayView(p, size));
            p += std::max(size, 0);
        }
    }

private:
    static void put(std::string& record, std::optional<QByteArrayView> text)
    {
        const qint32 size = text ? qint32(text->size()) : -1;
        record.append(reinterpret_cast<const char*>(&size), sizeof size);
        if (text)
            record.append(text->data(), std::size_t(text->size()));
    }
    // In blocks that never move: one growing buffer would need twice its size while it grows.
    void place(const std::string& record)
    {
        constexpr std::size_t kBlock = 1 << 20;
        if (m_chunks.empty() || m_chunks.back().size() + record.size() > m_chunks.back().capacity()) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(std::max(kBlock, record.size()));
        }
        m_at.emplace_back(std::uint32_t(m_chunks.size() - 1), std::uint32_t(m_chunks.back().size()));
        m_chunks.back().append(record);
    }

    std::vector<qint64> m_ids;                                 // ascending
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_at; // block, offset
    std::vector<std::string> m_chunks;
};

// The movie keys come in name order along the names' index, with no look-up of a movie; each name's
// movies are put in title order here, ties in the order the walk gave them, as the catalogue's own sort
// of one name's movies left them.
void writeByKeys(ReportFile& out, const Report& r, const store::Connection& db)
{
    const qint64 total = showTotal(r, db); // before the movies are read
    const MovieCells movies(db, r.cellsSql, r.columns);
    Merge links(db, QString::fromLatin1(r.perGroupSql), QString::fromLatin1(r.groupField));
    struct Row
    {
        std::array<std::optional<QByteArrayView>, 6> cells; // the title as compared, then the cells
        std::size_t walked;                                 // the place the walk gave it
    };
    Q_ASSERT(r.columns.size() + 1 == std::tuple_size_v<decltype(Row::cells)>);
    std::vector<Row> block;
    writeMerged(out, r, db, total, [&](QByteArrayView actor) {
        block.clear();
        links.take(actor, [&] {
            if (const qsizetype m = movies.find(sqlite3_column_int64(links.rows().handle(), 1)); m >= 0) {
                block.push_back({{}, block.size()});
                movies.cells(m, block.back().cells);
            }
        });
        std::sort(block.begin(), block.end(), [](const Row& a, const Row& b) {
            const auto &x = a.cells[0], &y = b.cells[0];
            const int c = !x ? (y ? -1 : 0) : !y ? 1 : compareNoCase(*x, *y);
            return c != 0 ? c < 0 : a.walked < b.walked;
        });
        for (const Row& row : block) {
            out.Line("<tr>");
            out.EmptyCells(1);
            writeCells(out, r.columns, [&](std::size_t i) { return row.cells[i + 1].value_or(QByteArrayView()); });
            out.Line("</tr>");
            Progress().Refresh();
        }
        return qint64(block.size());
    });
}

// Movie rows straight from the statement: a set of every movie would fetch each row on its own.
void writeFlat(ReportFile& out, const Report& r, const store::Connection& db)
{
    auto& progress = Progress();
    showTotal(r, db);
    store::Statement rows(db, QString::fromLatin1(r.groupSql));
    const std::vector<Source> cols = columnIndexes(rows, r.columns);
    const bool widescreen = r.totalLabel == nullptr;
    qint64 counter = 1;
    for (; rows.step(); ++counter) {
        progress.Refresh();
        progress.SetCurrent(counter);
        out.Line("<tr>");
        writeCells(out, r.columns, rows, cols);
        out.Line("</tr>");
        if (widescreen)
            progress.Refresh();
    }
    out.Line("<tr>");
    if (!widescreen) {
        out.TotalLabelCell(r.totalLabel);
        out.TotalValueCell(counter - 1);
        return;
    }
    out.Line("<td><font size=\"1\">Total Letterbox Movies:</td>");
    out.TotalValueCell(counter - 1);
    out.EmptyCells(4);
    out.Line("</tr>");
    store::Statement all(db, QString::fromLatin1(kLibraryCountSql));
    out.Line("<tr>");
    out.Line("<td><font size=\"1\">Total Movies in Library:</td>");
    out.TotalValueCell(all.step() ? all.column(0).toLongLong() : 0);
}

QString folderFor(const QString& desktop)
{
    return !desktop.isEmpty() && QDir(desktop).exists() ? desktop : QDir::homePath();
}

QString desktopFolder()
{
    return g_desktop.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) : g_desktop;
}

void run(const Report& r)
{
    const QString desktop = desktopFolder();
    const QString folder = folderFor(desktop);
    const QString fileName = QString::fromLatin1(r.file);
    const QString path = QDir(folder).filePath(fileName);
    const QString shown = QDir::toNativeSeparators(path);
    try {
        ReportFile out(path);
        writeHead(out, r);
        {
            store::Connection db = store::OpenDatabase();
            // A grouped report visits the same pages thousands of times; keep them in memory
            // rather than asking the system for them again (the default cache holds 2 MB). One
            // that holds every movie's cells reads each page about once, and the cells need the room.
            db.exec(r.cellsSql ? QStringLiteral("PRAGMA cache_size = -16384")
                               : QStringLiteral("PRAGMA cache_size = -65536"));
            // A long sort or count before the first row still repaints the progress window.
            sqlite3_progress_handler(
                db.handle(), 1 << 16,
                [](void*) {
                    Progress().Refresh();
                    return 0;
                },
                nullptr);
            // One snapshot, so the totals counted first agree with the rows read after them.
            db.exec(QStringLiteral("BEGIN"));
            if (r.shape == Shape::Flat)
                writeFlat(out, r, db);
            else if (r.cellsSql)
                writeByKeys(out, r, db);
            else
                writeRows(out, r, db);
            db.exec(QStringLiteral("COMMIT"));
        }
        writeFoot(out);
        out.Commit();
    } catch (const FileError& e) {
        shell::MsgBox(QStringLiteral("The report could not be saved as %1: %2").arg(shown, e.reason),
                      shell::vbCritical);
        return;
    } catch (const store::StoreError& e) {
        shell::MsgBox(
            QStringLiteral("The report %1 was not written, because the catalogue could not be read.").arg(shown) +
                shell::kCrLf + e.message(),
            shell::vbCritical);
        return;
    }
    if (QDir(folder) == QDir(desktop))
        shell::MsgBox(QStringLiteral("The report has been saved on your desktop as ") + fileName, shell::vbInformation);
    else
        shell::MsgBox(QStringLiteral("There is no desktop folder, so the report has been saved as ") + shown,
                      shell::vbInformation);
}

} // namespace

void SetDesktopFolder(const QString& folder)
{
    g_desktop = folder;
}

void SetReportDate(const QString& text)
{
    g_date = text;
}

void PrintYearReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Year Released Report</title>",
                          "><strong>Year Released Report</strong></font></p>",
                          "Year.html",
                          Shape::Query,
                          "Year",
                          "SELECT DISTINCT [Year_Released] FROM [qry_Year_Report] ORDER BY [Year_Released]",
                          "Year_Released",
                          "SELECT [Year_Released], [Movie_Title], [Director], [Length], [Grade], [Rating] "
                          "FROM [qry_Movie_Title] ORDER BY [Year_Released], [Movie_Title]",
                          {{"Movie Title", Form::Plain, "Movie_Title"},
                           {"Director", Form::Plain, "Director"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Centred, "Grade"},
                           {"Rating", Form::Plain, "Rating"}},
                          ">Total Years spanning Library:</strong></td>",
                          "SELECT count(*) FROM (SELECT DISTINCT [Year_Released] FROM [qry_Year_Report])"};
    run(r);
}

void PrintGenreReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Genre Report</title>",
                          "><strong>Genre Report</strong></font></p>",
                          "Genre.html",
                          Shape::Lookup,
                          "Genre",
                          "SELECT * FROM [tbl_Genre] ORDER BY [Genre]",
                          "Genre",
                          LOOKUP_KEYS("Genre"),
                          kByDirector,
                          ">Total Genres in Library:</strong></td>",
                          "SELECT count(*) FROM [tbl_Genre]",
                          MOVIE_CELLS("Director")};
    run(r);
}

void PrintComposerReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Composer Report</title>",
                          "><strong>Composer Report</strong></font></p>",
                          "Composer.html",
                          Shape::Lookup,
                          "Composer",
                          "SELECT * FROM [tbl_Composer] ORDER BY [Composer]",
                          "Composer",
                          LOOKUP_KEYS("Composer"),
                          kByDirector,
                          ">Total Composers in Library:</strong></td>",
                          "SELECT count(*) FROM [tbl_Composer]",
                          MOVIE_CELLS("Director")};
    run(r);
}

void PrintDirectorReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Director Report</title>",
                          "><strong>Director Report</strong></font></p>",
                          "Director.html",
                          Shape::Lookup,
                          "Director",
                          "SELECT * FROM [tbl_Director] ORDER BY [Director]",
                          "Director",
                          LOOKUP_KEYS("Director"),
                          {{"Movie Title", Form::Plain, "Movie_Title"},
                           {"Studio", Form::Plain, "Studio"},
                           {"Year", Form::Centred, "Year_Released"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Plain, "Grade"}},
                          ">Total Directors in Library:</strong></td>",
                          "SELECT count(*) FROM [tbl_Director]",
                          MOVIE_CELLS("Studio")};
    run(r);
}

void PrintStudioReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Studio Report</title>",
                          "><strong>Studio Report</strong></font></p>",
                          "Studio.html",
                          Shape::Lookup,
                          "Studio",
                          "SELECT * FROM [tbl_Studio] ORDER BY [Studio]",
                          "Studio",
                          LOOKUP_KEYS("Studio"),
                          kByDirector,
                          ">Total Studios in Library:</strong></td>",
                          "SELECT count(*) FROM [tbl_Studio]",
                          MOVIE_CELLS("Director")};
    run(r);
}

void PrintActorReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Actor Report</title>",
                          "><strong>Actor Report</strong></font></p>",
                          "Actor.html",
                          Shape::Query,
                          "Actor",
                          "SELECT * FROM [qry_Actor]",
                          "Actor",
                          kActorLinksSql,
                          kByDirector,
                          ">Total Actors in Library:</strong></td>",
                          "SELECT count(*) FROM [tbl_Actor]",
                          MOVIE_CELLS("Director")};
    run(r);
}

void PrintMovieTitleReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Movie Title Report</title>",
                          "><strong>Movie Title Report</strong></font></p>",
                          "Movie Title.html",
                          Shape::Flat,
                          nullptr,
                          "SELECT [Movie_Title], [Director], [Studio], [Year_Released], [Length], [Grade], [Format] "
                          "FROM [qry_Movie_Title] ORDER BY [Movie_Title]",
                          nullptr,
                          nullptr,
                          {{"Movie Title", Form::Bold, "Movie_Title"},
                           {"Director", Form::Plain, "Director"},
                           {"Studio", Form::Plain, "Studio"},
                           {"Year", Form::Centred, "Year_Released"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Plain, "Grade"},
                           {"Format", Form::Plain, "Format"}},
                          ">Total Movies in Library:</strong></td>",
                          kLibraryCountSql};
    run(r);
}

void PrintWidescreenReport()
{
    // No library total label: the two totals of this report have forms of their own.
    static const Report r{"<title>Cinevault - Reelkeeper / Widescreen Report</title>",
                          "><strong>Widescreen Report</strong></font></p>",
                          "Widescreen.html",
                          Shape::Flat,
                          nullptr,
                          "SELECT * FROM [qry_Widescreen_Report]",
                          nullptr,
                          nullptr,
                          {{"Movie Title", Form::Bold, "Movie_Title"},
                           {"Director", Form::Plain, "Director"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Centred, "Grade"},
                           {"Rating", Form::Plain, "Rating"},
                           {"Format", Form::Plain, "Format"}},
                          nullptr,
                          "SELECT count(*) FROM [tbl_Movie_Title] WHERE [Widescreen] <> 0"};
    run(r);
}

} // namespace ReportModule
