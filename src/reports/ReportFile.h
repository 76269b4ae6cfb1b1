#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QVariant>

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

    void Line(const char* text);
    void Header(const char* caption);
    void GroupCell(const QVariant& value); // bold
    void GroupCell(QByteArrayView utf8);
    void PlainCell(QByteArrayView utf8);
    void CentredCell(QByteArrayView utf8);
    void EmptyCells(int count);
    void MovieTotalCell(qint64 count);
    void TotalLabelCell(const char* piece);
    void TotalValueCell(qint64 count);
    void Commit(); // throws FileError

    // Appends the value's text with &, <, > and " turned into entities.
    static void AppendEscaped(QByteArray& out, const QVariant& value);
    static void AppendEscaped(QByteArray& out, QByteArrayView utf8);

private:
    void cell(const char* start, QByteArrayView utf8, const char* end);
    void endLine();
    void flushIfFull();
    void writeBuffer();

    QString m_path;
    QFile m_file; // the new report under its working name
    bool m_committed = false;
    QByteArray m_buffer;
    bool m_failed = false; // a write fell short; Commit() reports it
    QString m_reason;
};

} // namespace reports
