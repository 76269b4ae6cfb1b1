#include "reports/ReportFile.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace reports {

namespace {
constexpr qsizetype kChunk = 1 << 18; // big enough to keep write calls rare on a 50 MB report
}

ReportFile::ReportFile(const QString& path) : m_path(path)
{
    // NewOnly never opens through a link someone left under the working name; such a name is skipped.
    for (int n = 0;; ++n) {
        m_file.setFileName(path + QStringLiteral(".part") + (n ? QString::number(n) : QString()));
        const QFileInfo taken(m_file.fileName());
        if ((taken.exists() || taken.isSymLink()) && n < 100)
            continue;
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw FileError{m_file.errorString()};
        break;
    }
    const QFileInfo old(path);
    if (old.isFile() && !old.isSymLink())
        m_file.setPermissions(old.permissions());
    m_buffer.reserve(kChunk + 4096);
}

ReportFile::~ReportFile()
{
    if (!m_committed)
        m_file.remove();
}

void ReportFile::AppendEscaped(QByteArray& out, const QVariant& value)
{
    if (!value.isNull())
        AppendEscaped(out, QByteArrayView(value.toString().toUtf8()));
}

void ReportFile::AppendEscaped(QByteArray& out, QByteArrayView text)
{
    // UTF-8 continuation bytes never look like ASCII, so escaping byte by byte is safe.
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* plain = begin;
    for (const char* p = begin; p != end; ++p) {
        const char* entity = nullptr;
        switch (*p) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        default:
            continue;
        }
        out.append(plain, p - plain);
        out.append(entity);
        plain = p + 1;
    }
    out.append(plain, end - plain);
}

void ReportFile::endLine()
{
    m_buffer.append("\r\n");
    flushIfFull();
}

void ReportFile::flushIfFull()
{
    if (m_buffer.size() >= kChunk)
        writeBuffer();
}

void ReportFile::writeBuffer()
{
    // A short write leaves a hole in the file even when the system reports no error (a full disk
    // or a file-size limit); from then on the report cannot be whole.
    if (!m_failed && m_file.write(m_buffer) != m_buffer.size()) {
        m_failed = true;
        m_reason = m_file.error() != QFileDevice::NoError ? m_file.errorString() : QString();
    }
    m_buffer.clear();
}

void ReportFile::Line(const char* text)
{
    m_buffer.append(text);
    endLine();
}

void ReportFile::Header(const char* caption)
{
    m_buffer.append("<td align=\"center\"><strong>");
    m_buffer.append(caption);
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::cell(const char* start, QByteArrayView utf8, const char* end)
{
    m_buffer.append(start);
    AppendEscaped(m_buffer, utf8);
    m_buffer.append(end);
    endLine();
}

void ReportFile::GroupCell(const QVariant& value)
{
    GroupCell(value.isNull() ? QByteArrayView() : QByteArrayView(value.toString().toUtf8()));
}

void ReportFile::GroupCell(QByteArrayView utf8)
{
    cell("<td><strong><font size=\"1\">", utf8, "</strong></td>");
}

void ReportFile::PlainCell(QByteArrayView utf8)
{
    cell("<td><font size=\"1\">", utf8, "</td>");
}

void ReportFile::CentredCell(QByteArrayView utf8)
{
    cell("<td align=\"center\"><font size=\"1\">", utf8, "</td>");
}

void ReportFile::EmptyCells(int count)
{
    for (int i = 0; i < count; ++i)
        Line("<td></td>");
}

void ReportFile::MovieTotalCell(qint64 count)
{
    m_buffer.append("<td><strong><font size=\"1\">Total Movies: ");
    m_buffer.append(QByteArray::number(count));
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::TotalLabelCell(const char* piece)
{
    m_buffer.append("<td><strong><font size=\"1\"");
    m_buffer.append(piece);
    endLine();
}

void ReportFile::TotalValueCell(qint64 count)
{
    m_buffer.append("<td><strong><font size=\"1\">");
    m_buffer.append(QByteArray::number(count));
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::Commit()
{
    if (!m_buffer.isEmpty())
        writeBuffer();
    if (!m_failed && !m_file.flush()) {
        m_failed = true;
        m_reason = m_file.errorString();
    }
    if (!m_failed && ::fsync(m_file.handle()) != 0) { // saved means on the disk, as for the catalogue
        m_failed = true;
        m_reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (m_failed) {
        m_file.remove();
        throw FileError{m_reason.isEmpty() ? QStringLiteral("the disk is full, or the file is too large for it")
                                           : m_reason};
    }
    m_file.close();
    // rename() replaces whatever has the report's name, a link included, as one step.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_file.fileName()).toStdString(), QFile::encodeName(m_path).toStdString(),
                            error);
    if (error) {
        m_file.remove();
        throw FileError{QString::fromLocal8Bit(error.message())};
    }
    m_committed = true;
}

} // namespace reports
