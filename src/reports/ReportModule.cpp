#include "reports/ReportModule.h"

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
    const char* perGroupSql;
    const char* indexSql;        // an index the per-group statement needs, for catalogues made without it
    std::vector<Column> columns; // movie row cells after the group's empty cell
    const char* totalLabel;
    // A flat report's row count without its joins and sort (they only look names up, one each).
    const char* countSql = nullptr;
};

const char* const kLibraryCountSql = "SELECT count(*) FROM [tbl_Movie_Title]";

// The per-group columns most grouped reports share.
const std::vector<Column> kByDirector = {{"Movie Title", Form::Plain, "Movie_Title"},
                                         {"Director", Form::Plain, "Director"},
                                         {"Year", Form::Centred, "Year_Released"},
                                         {"Length", Form::Centred, "Length"},
                                         {"Grade", Form::Plain, "Grade"}};

// Finds columns once, so rows are read by position.
template <class Source> std::vector<int> columnIndexes(const Source& names, const std::vector<Column>& columns)
{
    std::vector<int> indexes;
    for (const Column& c : columns) {
        const int i = names(QString::fromLatin1(c.field));
        if (i < 0)
            throw store::StoreError(
                3265, QStringLiteral("Item not found in this collection. (%1)").arg(QString::fromLatin1(c.field)));
        indexes.push_back(i);
    }
    return indexes;
}

int statementColumn(const store::Statement& q, const QString& name)
{
    for (int i = 0; i < q.columnCount(); ++i)
        if (q.columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
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
    case SQLITE_TEXT: {
        const QByteArrayView text(reinterpret_cast<const char*>(sqlite3_column_text(s, i)), sqlite3_column_bytes(s, i));
        if (text.isValidUtf8())
            return text;
        break;
    }
    default:
        break;
    }
    kept = q.column(i).toString().toUtf8();
    return kept;
}

void writeCells(ReportFile& out, const std::vector<Column>& columns, const store::Statement& q,
                const std::vector<int>& cols)
{
    QByteArray kept;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const QByteArrayView text = fieldText(q, cols[i], kept);
        switch (columns[i].form) {
        case Form::Bold:
            out.GroupCell(text);
            break;
        case Form::Plain:
            out.PlainCell(text);
            break;
        case Form::Centred:
            out.CentredCell(text);
            break;
        }
    }
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
        date, g_date.isEmpty() ? QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) : g_date);
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

// One group's movies through the statement prepared once for the whole run.
void writeGroup(ReportFile& out, const Report& r, store::Statement& perGroup, const std::vector<int>& cols,
                const QVariant& group)
{
    auto& progress = Progress();
    out.Line("<tr>");
    out.GroupCell(group);
    out.EmptyCells(5);
    out.Line("</tr>");
    perGroup.reset();
    perGroup.bind(1, group);
    qint64 movies = 0;
    while (perGroup.step()) {
        out.Line("<tr>");
        out.EmptyCells(1);
        writeCells(out, r.columns, perGroup, cols);
        out.Line("</tr>");
        ++movies;
        progress.Refresh();
    }
    out.Line("<tr>");
    out.EmptyCells(1);
    out.MovieTotalCell(movies);
    out.EmptyCells(4);
    out.Line("</tr>");
}

// Movie rows straight from the statement: a set of every movie would fetch each row on its own.
void writeFlat(ReportFile& out, const Report& r, const store::Connection& db)
{
    auto& progress = Progress();
    const QString sql = QString::fromLatin1(r.groupSql);
    store::Statement count(db, QString::fromLatin1(r.countSql));
    progress.SetTotal(count.step() ? count.column(0).toLongLong() : 0);
    store::Statement rows(db, sql);
    const std::vector<int> cols = columnIndexes([&](const QString& n) { return statementColumn(rows, n); }, r.columns);
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

void writeGrouped(ReportFile& out, const Report& r, const store::Connection& db)
{
    auto& progress = Progress();
    store::Recordset set(db, QString::fromLatin1(r.groupSql));
    const qint64 count = set.RecordCount();
    // The lookup tables' totals leave out their "Unknown" row.
    const qint64 total = r.shape == Shape::Lookup ? std::max<qint64>(0, count - 1) : count;
    progress.SetTotal(total);

    const int groupColumn = set.ColumnIndex(QString::fromLatin1(r.groupField));
    if (groupColumn < 0)
        throw store::StoreError(
            3265, QStringLiteral("Item not found in this collection. (%1)").arg(QString::fromLatin1(r.groupField)));
    store::Statement perGroup(db, QString::fromLatin1(r.perGroupSql));
    const std::vector<int> cols =
        columnIndexes([&](const QString& n) { return statementColumn(perGroup, n); }, r.columns);
    const QString unknown = QStringLiteral("Unknown");

    if (r.shape == Shape::Lookup) {
        qint64 counter = 0;
        for (qint64 row = 0; row < count; ++row) {
            const QVariant group = set.At(row, groupColumn);
            // Exact comparison: "UNKNOWN" is a real name and gets its group.
            if (group.toString() != unknown) {
                writeGroup(out, r, perGroup, cols, group);
                ++counter;
            }
            progress.Refresh();
            progress.SetCurrent(counter);
        }
    } else {
        qint64 counter = 1;
        for (qint64 row = 0; row < count; ++row, ++counter) {
            progress.Refresh();
            progress.SetCurrent(counter);
            writeGroup(out, r, perGroup, cols, set.At(row, groupColumn));
        }
    }
    out.Line("<tr>");
    out.TotalLabelCell(r.totalLabel);
    out.TotalValueCell(total);
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
            // rather than asking the system for them again (the default cache holds 2 MB).
            db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
            // A long sort or count before the first row still repaints the progress window.
            sqlite3_progress_handler(
                db.handle(), 1 << 16,
                [](void*) {
                    Progress().Refresh();
                    return 0;
                },
                nullptr);
            if (r.indexSql) {
                // Without the index every group scans the whole movie table. The report reads
                // correctly either way, so a catalogue that cannot take the index (busy) goes without.
                try {
                    db.exec(QString::fromLatin1(r.indexSql));
                } catch (const store::StoreError&) {
                }
            }
            // One snapshot, so the totals counted first agree with the rows read after them.
            db.exec(QStringLiteral("BEGIN"));
            if (r.shape == Shape::Flat)
                writeFlat(out, r, db);
            else
                writeGrouped(out, r, db);
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
                          "SELECT * FROM [qry_Movie_Title] WHERE [Year_Released] = ?",
                          "CREATE INDEX IF NOT EXISTS [idx_tbl_Movie_Title_Year_Released] ON [tbl_Movie_Title] "
                          "([Year_Released])",
                          {{"Movie Title", Form::Plain, "Movie_Title"},
                           {"Director", Form::Plain, "Director"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Centred, "Grade"},
                           {"Rating", Form::Plain, "Rating"}},
                          ">Total Years spanning Library:</strong></td>"};
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
                          "SELECT * FROM [qry_Movie_Title] WHERE [Genre] = ?",
                          nullptr,
                          kByDirector,
                          ">Total Genres in Library:</strong></td>"};
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
                          "SELECT * FROM [qry_Movie_Title] WHERE [Composer] = ?",
                          nullptr,
                          kByDirector,
                          ">Total Composers in Library:</strong></td>"};
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
                          "SELECT * FROM [qry_Movie_Title] WHERE [Director] = ?",
                          nullptr,
                          {{"Movie Title", Form::Plain, "Movie_Title"},
                           {"Studio", Form::Plain, "Studio"},
                           {"Year", Form::Centred, "Year_Released"},
                           {"Length", Form::Centred, "Length"},
                           {"Grade", Form::Plain, "Grade"}},
                          ">Total Directors in Library:</strong></td>"};
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
                          "SELECT * FROM [qry_Movie_Title] WHERE [Studio] = ?",
                          nullptr,
                          kByDirector,
                          ">Total Studios in Library:</strong></td>"};
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
                          "SELECT * FROM [qry_Actor_Report] WHERE [Actor] = ?",
                          nullptr,
                          kByDirector,
                          ">Total Actors in Library:</strong></td>"};
    run(r);
}

void PrintMovieTitleReport()
{
    static const Report r{"<title>Cinevault - Reelkeeper / Movie Title Report</title>",
                          "><strong>Movie Title Report</strong></font></p>",
                          "Movie Title.html",
                          Shape::Flat,
                          nullptr,
                          "SELECT * FROM [qry_Movie_Title] ORDER BY [Movie_Title]",
                          nullptr,
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
