#pragma once

#include <QString>
#include <stdexcept>

namespace exchange {

// A file this program cannot read or write, with the reason in plain words. Every reader and writer
// of import and export throws it, the zip layer too, so a caller catches this one type.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString& why) : std::runtime_error(why.toStdString()), m_why(why) {}
    QString why() const { return m_why; }

private:
    QString m_why;
};

} // namespace exchange
