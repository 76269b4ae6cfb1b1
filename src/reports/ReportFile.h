#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QVariant>
#include <string>
#include <string_view>

namespace reports {

// The file could not be created or written; reason is the system's own words.
struct FileError
{
    QString reason;
};

// One report file in UTF-8, every line ending in CR LF. The report is written beside its place under
// another name and renamed into it by Commit(): a failed run leaves the old report as it was, and a
// link of the report's name is replaced itself, never the file it points to.
class ReportFile
{
public:
    explicit ReportFile(const QString& path); // throws FileError
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    void Line(std::string_view text);
    void Header(std::string_view caption);
    void GroupCell(QByteArrayView utf8); // bold
    void PlainCell(QByteArrayView utf8);
    void CentredCell(QByteArrayView utf8);
    void EmptyCells(int count);
    void MovieTotalCell(qint64 count);
    void TotalLabelCell(std::string_view piece);
    void TotalValueCell(qint64 count);
    void Commit(); // throws FileError

    // What is written between the two calls, to be written again with Raw().
    void StartCopy();
    QByteArray EndCopy();
    void Raw(QByteArrayView bytes);

    // Appends the value's text with &, <, > and " turned into entities.
    static void AppendEscaped(QByteArray& out, const QVariant& value);
    static void AppendEscaped(QByteArray& out, QByteArrayView utf8);

private:
    void cell(std::string_view start, QByteArrayView utf8, std::string_view end);
    void escaped(QByteArrayView utf8);
    void endLine();
    void flushIfFull();
    void writeBuffer();

    QString m_path;
    QFile m_file; // the new report under its working name
    bool m_committed = false;
    std::string m_buffer;      // appends cost less than a QByteArray's, and a report is millions of them
    qsizetype m_copyFrom = -1; // where the copy begins in m_buffer, while one is taken
    QByteArray m_copy;
    bool m_failed = false; // a write fell short; Commit() reports it
    QString m_reason;
};

} // namespace reports
