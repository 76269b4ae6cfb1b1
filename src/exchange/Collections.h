#pragma once

#include "exchange/FileError.h"
#include "exchange/Movie.h"

#include <QByteArray>
#include <QStringList>

namespace exchange {

enum class Kind { Csv, TellicoZip, TellicoXml, GcstarXml };

// What the bytes hold, from their content alone. Throws FileError for anything else (binary
// data, a zip that is not Tellico's, an XML file of another kind).
Kind DetectKind(const QByteArray& bytes);

// A text file's bytes with its control characters (all but tab, line feed and carriage return) taken
// out, each line that held any told in `notes`. Throws FileError when there are so many that the
// bytes are no text at all: wherever they stand in the file, they count alike.
QByteArray RemoveControls(const QByteArray& bytes, QStringList& notes);

// The movies of a Tellico video collection or a GCstar GCfilms file. Entities are never expanded:
// a document type that declares any is refused, and nothing outside the file is fetched.
ImportData ReadTellico(const QByteArray& xml);
ImportData ReadGcstar(const QByteArray& xml);

// A Tellico video collection (its DTD's version 11) of the movies, nothing when progress cancels
// it; and the same written as a .tc file, zipped with each named cover, fetched by `picture` as it
// is written, under images/: false, and no file, when progress cancels it. Throws FileError.
QByteArray WriteTellicoXml(const std::vector<Movie>& movies, const Progress& progress = {});
bool WriteTellicoZip(const QString& path, const std::vector<Movie>& movies, const Progress& progress = {},
                     const std::function<QByteArray(const Movie&)>& picture = {});

// The largest file, or unpacked archive entry, an import reads. A zip file itself may be larger: it
// is read an entry at a time, and its pictures have a budget of their own.
inline constexpr qint64 kMaxImportBytes = 128LL << 20;

} // namespace exchange
