#pragma once

#include <QString>

namespace shell {

// A count with its noun as English has it: "1 movie", "3 movies", "0 movies".
inline QString Counted(qint64 n, const char* one, const char* many)
{
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace shell
