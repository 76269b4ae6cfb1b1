#pragma once

#include "catalog/Movie.h"
#include "covers/CoverImage.h"
#include "store/Credits.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace exchange {

// Told how far a long piece of work has got; answering false cancels it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

struct Movie;
// Fills the next movie to write; false when there are no more.
using NextMovie = std::function<bool(Movie&)>;

// A movie as a file carries it: the catalogue's movie, where it starts in the file, and its cover.
struct Movie : catalog::Movie
{
    int line = 0; // where it starts in the file read, for messages
    // Its cover: the picture the file names (a Tellico image id, a GCstar path) and, once read, the
    // cover made of it; empty when it has none or it cannot be used. Read from the catalogue: the name
    // its stored picture is written under.
    QString coverName;
    covers::Cover cover;
};

// What a reader made of a file: the movies, the lines it could not read ("line 12: why") and the
// values it could not keep ("line 30, Heat: also genres Crime, Drama").
struct ImportData
{
    std::vector<Movie> movies;
    QStringList problems;
    QStringList notes;
    QHash<QString, QByteArray> pictures; // carried in the file itself (Tellico's base64 images), by name
};

// The fields a CSV column can be mapped to: none, the title, the ten credits, the short fields, cast.
enum Field : int {
    kIgnore = -1,
    kTitle = 0,
    kFirstCredit = 1, // + CreditIndex
    kLength = kFirstCredit + int(store::kCredits.size()),
    kYear,
    kGrade,
    kRating,
    kWidescreen,
    kCast,
    kFieldCount
};
QString FieldCaption(int field);
constexpr int CreditField(store::CreditIndex credit)
{
    return int(kFirstCredit) + int(credit);
}

// "First Last" split at the last blank; "Last, First" as the program shows names, a comma,
// semicolon or backslash inside a name kept by a backslash before it.
std::pair<QString, QString> SplitActorName(const QString& name);
// The same for a name as Tellico and GCstar keep it, whole: "First Last, Jr." too.
std::pair<QString, QString> SplitWholeName(const QString& name);
// "Last, First", with that backslash where a name needs it, so it splits back as it was.
QString JoinActorName(const QString& last, const QString& first);
// A list of such names, one from the next by semicolons.
QStringList SplitActorList(const QString& names);

// Minutes as "h:mm"; empty when the text holds no number.
QString MinutesToLength(const QString& minutes);
// "h:mm" (or a plain number of minutes) back to minutes; empty when it does not read.
QString LengthToMinutes(const QString& length);

} // namespace exchange
