#pragma once

#include "exchange/Movie.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

namespace exchange {

// Text from a file's bytes: UTF-8 with or without a byte-order mark, else Windows-1252.
QString DecodeText(const QByteArray& bytes);

struct CsvTable
{
    QChar separator = QLatin1Char(',');
    bool hasHeader = false;
    QStringList header; // empty when the file has none
    std::vector<QStringList> rows;
    std::vector<int> lines; // the line each row starts on
    QStringList problems;   // the rows cut short
    QStringList notes;      // what was taken out of the text, line by line
};

// The most fields a row keeps, and the most a file may hold.
inline constexpr int kMaxCsvColumns = 1000;
inline constexpr qint64 kMaxCsvFields = 5'000'000;

// RFC 4180 records; the separator is found among comma, semicolon and tab, the header by its names.
// A row's values past kMaxCsvColumns are left out and told; a file of more than kMaxCsvFields
// fields is refused (FileError).
CsvTable ParseCsv(const QString& text);

// Each column's field as its header names it (case, blanks and signs aside); a column of another name,
// or of a name taken by a column before it, kOwnField; one of no name kIgnore.
std::vector<int> MappingFromHeader(const QStringList& header);

// The rows as movies under a mapping (one field per column but kOwnField). A value under kIgnore is
// told as not kept (the first thousand one by one, the rest counted); a rating, date or id that does
// not read is kept as written, as a field.
ImportData MapRows(const CsvTable& table, const std::vector<int>& mapping);

// One record, quoted where it must be, ended by CRLF.
QString CsvRecord(const QStringList& fields);

// The movies with the grid's captions and "Cast", then the captions of what a movie holds beyond them
// (lists as JoinList writes them, the characters one for each of the cast, the fields "Name: value"
// a line each), UTF-8 with a byte-order mark, written to `out`
// as `next` gives them, of `count` in all, progress told as they go: false when it cancels. Throws
// FileError when the device fails.
bool WriteCsv(QIODevice& out, qint64 count, const NextMovie& next, const Progress& progress = {});

} // namespace exchange
