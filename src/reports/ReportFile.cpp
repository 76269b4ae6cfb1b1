#include "reports/ReportFile.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

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

namespace {

// The entity for a byte that needs one; most text has none, so one table look-up a byte finds it.
const char* entityFor(char c)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    default:
        return nullptr;
    }
}

struct Specials
{
    bool marks[256] = {};
    constexpr Specials() { marks['&'] = marks['<'] = marks['>'] = marks['"'] = true; }
};
constexpr Specials kSpecials;

// Calls plain(begin, length) for each run without a special byte and entity(text) for each special byte.
// UTF-8 continuation bytes never look like ASCII, so escaping byte by byte is safe.
template <class Plain, class Entity> void escape(QByteArrayView text, Plain plain, Entity entity)
{
    const char* const end = text.data() + text.size();
    const char* run = text.data();
    for (const char* p = run; p != end; ++p) {
        if (!kSpecials.marks[static_cast<unsigned char>(*p)])
            continue;
        plain(run, p - run);
        entity(entityFor(*p));
        run = p + 1;
    }
    plain(run, end - run);
}

} // namespace

void ReportFile::AppendEscaped(QByteArray& out, QByteArrayView text)
{
    escape(
        text, [&](const char* p, qsizetype n) { out.append(p, n); }, [&](const char* e) { out.append(e); });
}

void ReportFile::escaped(QByteArrayView text)
{
    escape(
        text, [&](const char* p, qsizetype n) { m_buffer.append(p, std::size_t(n)); },
        [&](const char* e) { m_buffer.append(e); });
}

void ReportFile::endLine()
{
    m_buffer.append("\r\n");
    flushIfFull();
}

void ReportFile::flushIfFull()
{
    if (qsizetype(m_buffer.size()) >= kChunk)
        writeBuffer();
}

void ReportFile::writeBuffer()
{
    // A short write leaves a hole in the file even when the system reports no error (a full disk
    // or a file-size limit); from then on the report cannot be whole.
    const auto size = qint64(m_buffer.size());
    if (!m_failed && m_file.write(m_buffer.data(), size) != size) {
        m_failed = true;
        m_reason = m_file.error() != QFileDevice::NoError ? m_file.errorString() : QString();
    }
    if (m_copyFrom >= 0) {
        m_copy.append(m_buffer.data() + m_copyFrom, qsizetype(m_buffer.size()) - m_copyFrom);
        m_copyFrom = 0;
    }
    m_buffer.clear();
}

void ReportFile::StartCopy()
{
    m_copy.clear();
    m_copyFrom = qsizetype(m_buffer.size());
}

QByteArray ReportFile::EndCopy()
{
    m_copy.append(m_buffer.data() + m_copyFrom, qsizetype(m_buffer.size()) - m_copyFrom);
    m_copyFrom = -1;
    return std::exchange(m_copy, {});
}

void ReportFile::Raw(QByteArrayView bytes)
{
    m_buffer.append(bytes.data(), std::size_t(bytes.size()));
    flushIfFull();
}

void ReportFile::Line(std::string_view text)
{
    m_buffer.append(text);
    endLine();
}

void ReportFile::Header(std::string_view caption)
{
    m_buffer.append("<td align=\"center\"><strong>");
    m_buffer.append(caption);
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::cell(std::string_view start, QByteArrayView utf8, std::string_view end)
{
    m_buffer.append(start);
    escaped(utf8);
    m_buffer.append(end);
    endLine();
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
        m_buffer.append("<td></td>\r\n");
    flushIfFull();
}

void ReportFile::MovieTotalCell(qint64 count)
{
    m_buffer.append("<td><strong><font size=\"1\">Total Movies: ");
    m_buffer.append(std::to_string(count));
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::TotalLabelCell(std::string_view piece)
{
    m_buffer.append("<td><strong><font size=\"1\"");
    m_buffer.append(piece);
    endLine();
}

void ReportFile::TotalValueCell(qint64 count)
{
    m_buffer.append("<td><strong><font size=\"1\">");
    m_buffer.append(std::to_string(count));
    m_buffer.append("</strong></td>");
    endLine();
}

void ReportFile::Commit()
{
    if (!m_buffer.empty())
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
