#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Carries the engine's own error number and text, so windows can show both.
class StoreError : public std::runtime_error
{
public:
    StoreError(int code, const QString& message);

    int code() const { return m_code; }
    QString message() const { return m_message; }
    // SQLITE_BUSY / SQLITE_LOCKED: another program holds the catalogue.
    bool isBusy() const;

private:
    int m_code;
    QString m_message;
};

} // namespace store
