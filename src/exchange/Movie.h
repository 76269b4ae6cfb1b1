#pragma once

#include "catalog/Movie.h"
#include "covers/CoverImage.h"
#include "store/Credits.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace exchange {

// Told how far a long piece of work has got; answering false cancels it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

struct Movie;
// Fills the next movie to write; false when there are no more.
using NextMovie = std::function<bool(Movie&)>;

// Who has a movie, as a file says: lent to `borrower` on `lent`, due back on `due` when that is known.
struct FileLoan
{
    QString borrower;
    QDate lent, due;
    int line = 0; // where the file says it
};

// A movie as a file carries it: the catalogue's movie, where it starts in the file, its cover, and
// its loan while it is out.
struct Movie : catalog::Movie
{
    std::optional<FileLoan> loan;
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

// The fields a CSV column can be mapped to: none, the title, the ten credits, the short fields, cast,
// then what a movie holds beyond them, and a field of its own named by the column's header.
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
    kFirstMore, // + CreditIndex: a credit's names after its first
    kCharacters = kFirstMore + int(store::kCredits.size()),
    kOriginalTitle,
    kPlot,
    kNotes,
    kPersonalRating,
    kWatched,
    kPurchased,
    kPrice,
    kImdbId,
    kTmdbId,
    kBarcodes,
    kFields,
    kOwnField,
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
// Any values in one text, "A; B\; C; ": each value's backslashes, commas and semicolons kept by a
// backslash, the values joined by "; ". Split keeps empty values between others, trimmed.
QString JoinList(const QStringList& values);
QStringList SplitList(const QString& text);

// A value the file holds beside the columns, kept as a field of the movie: its parts joined by "; ",
// and no field when none holds anything.
void KeepField(Movie& movie, const QString& name, QStringList parts);
// The movie as read, with the fields that hold only spaces dropped, put at the end of `movies`.
void AddRead(std::vector<Movie>& movies, Movie&& movie);

// "line 99, Heat: the loan to Anna (not kept: why)", for a loan the file gives that cannot be made.
QString LoanNotKept(int line, const QString& title, const QString& borrower, const QString& why);

// A running time as "h:mm": minutes ("98", "132 min"), hours and minutes ("2h 12", "2 h 12 min",
// "1:30"); failing those, the first number in the text as minutes. Empty when the text holds no
// number; `exact`, when given, says whether the whole text was read.
QString MinutesToLength(const QString& minutes, bool* exact = nullptr);
// "h:mm" (or a plain number of minutes) back to minutes; empty when it does not read.
QString LengthToMinutes(const QString& length);

} // namespace exchange
