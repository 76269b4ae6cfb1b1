#pragma once

#include "exchange/Movie.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace exchange {

// The movies of a Tellico video collection, from its XML.
ImportData ReadTellico(const QByteArray& xml);

// A Tellico video collection (its DTD's version 11) of the movies, nothing when progress cancels
// it; and the same written as a .tc file, zipped with each named cover, fetched by `picture` as it
// is written, under images/: false, and no file, when progress cancels it. Throws FileError.
QByteArray WriteTellicoXml(const std::vector<Movie>& movies, const Progress& progress = {});
bool WriteTellicoZip(const QString& path, const std::vector<Movie>& movies, const Progress& progress = {},
                     const std::function<QByteArray(const Movie&)>& picture = {});

} // namespace exchange
