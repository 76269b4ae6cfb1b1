#pragma once

#include "exchange/Movie.h"

#include <QByteArray>

namespace exchange {

// The movies of a GCstar GCfilms file.
ImportData ReadGcstar(const QByteArray& xml);

} // namespace exchange
