#pragma once

#include "exchange/FileError.h"
#include "exchange/Movie.h"

#include <QByteArray>
#include <QStringList>

class QXmlStreamReader;

namespace exchange {

enum class Kind { Csv, TellicoZip, TellicoXml, GcstarXml };

// What a file's bytes hold, from their content alone; a zip is recognised, and opened, from its
// file. Throws FileError for anything else (binary data, an XML file of another kind).
Kind DetectKind(const QByteArray& bytes);

// A text file's bytes with its control characters (all but tab, line feed and carriage return) taken
// out, each line that held any told in `notes`. Throws FileError when there are so many that the
// bytes are no text at all: wherever they stand in the file, they count alike.
QByteArray RemoveControls(const QByteArray& bytes, QStringList& notes);

// The largest file, or unpacked archive entry, an import reads. A zip file itself may be larger: it
// is read an entry at a time, and its pictures have a budget of their own.
inline constexpr qint64 kMaxImportBytes = 128LL << 20;

// What the XML readers share. Entities are never expanded: a document type that declares any is
// refused, so nothing can blow up and nothing outside the file is fetched.
void RefuseEntities(const QXmlStreamReader& r);
void ThrowIfBad(const QXmlStreamReader& r);

// The first value kept; the others told, so nothing is dropped unseen.
QString FirstOf(const QStringList& values, const QString& what, const Movie& movie, QStringList& notes);

// A rating of 1 to 5 as a grade, and back.
inline constexpr char kGrades[] = "FDCBA";
QString GradeOfRating(const QString& rating);

// The catalogue links an actor to a movie once: an actor a file names in several cast rows (one
// actor, several characters) is kept once, at the first row, with every character in order, " / "
// between them.
void JoinRepeatedActors(std::vector<catalog::CastMember>& cast);

} // namespace exchange
