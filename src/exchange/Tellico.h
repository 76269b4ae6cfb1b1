#pragma once

#include "exchange/Movie.h"

#include <QByteArray>
#include <functional>
#include <utility>
#include <vector>

class QIODevice;

namespace exchange {

// The movies of a Tellico video collection, from its XML.
ImportData ReadTellico(const QByteArray& xml);

// A Tellico video collection (its DTD's version 11) of the movies `next` gives, of `count` in all,
// written to `out` as they come, progress told as they go: false when it cancels. The pictures the
// entries name (cover name, movie) are given back in `pictures`. Throws FileError.
bool WriteTellicoXml(QIODevice& out, qint64 count, const NextMovie& next, const Progress& progress = {},
                     std::vector<std::pair<QString, qint64>>* pictures = nullptr);
// The same as a .tc file: the XML zipped with each named cover, fetched by `picture` as it is
// packed, under images/. False, and no file, when progress cancels it. Throws FileError.
bool WriteTellicoZip(const QString& path, qint64 count, const NextMovie& next, const Progress& progress = {},
                     const std::function<QByteArray(qint64 movie)>& picture = {});

} // namespace exchange
