#pragma once

#include "store/Credits.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace catalog {

// One of a movie's cast: the actor as (last, first) and whom they play there.
struct CastMember
{
    CastMember() = default;
    CastMember(QString last, QString first, QString character = {})
        : last(std::move(last)), first(std::move(first)), character(std::move(character))
    {
    }
    CastMember(const std::pair<QString, QString>& name) : last(name.first), first(name.second) {} // (last, first)
    QString last, first;
    QString character; // "Kate"; empty when not known
};

// A value a collection file carries that has no place of its own ("Region", "Languages"...).
struct Field
{
    QString name, value;
    friend bool operator==(const Field&, const Field&) = default;
};

// A movie as the catalogue knows it: names rather than keys, its cast as (last, first) pairs.
struct Movie
{
    qint64 id = 0; // its key once stored; 0 for one not (yet) in the catalogue
    QString title;
    std::array<QString, store::kCredits.size()> credits; // the first name of each, in kCredits order; empty reads
                                                         // "Unknown". The grid, the sorting and the reports know these.
    std::array<QStringList, store::kCredits.size()> moreNames; // each credit's names after its first, in order
    QString length, year, grade, rating;
    bool widescreen = false;
    std::vector<CastMember> cast;

    // Its details, none of them required.
    QString originalTitle;
    QString plot;
    QString notes;
    std::optional<double> personalRating; // 0 to 10 in half steps
    QDate watched;                        // null: not watched, or not known when
    QDate purchased;
    QString price;             // as written, currency and all: "12.99", "EUR 9,99"
    QString imdbId;            // "tt" and digits
    QString tmdbId;            // digits
    QStringList barcodes;      // the digits of each edition's code (EAN-13, UPC-A, EAN-8)
    std::vector<Field> fields; // any other named value, in the order they came
};

// All names of a credit, its first (when named) before the others.
QStringList Names(const Movie& movie, std::size_t credit);
// Sets all names of a credit: the first becomes credits[credit], the rest moreNames[credit].
void SetNames(Movie& movie, std::size_t credit, const QStringList& names);

// The short fields' values when left empty, and the name of a credit left empty, as the editor has
// always filled them in.
inline constexpr const char* kDefaultLength = "1:30";
inline constexpr const char* kDefaultYear = "1900";
inline constexpr const char* kDefaultGrade = "C";
inline constexpr const char* kDefaultRating = "PG";
inline constexpr const char* kUnknown = "Unknown";

// The movie as it is written: empty credits "Unknown", empty short fields their defaults.
void ApplyDefaults(Movie& movie);

// "Last, First", as the windows and the catalogue's queries show an actor.
QString ActorDisplayName(const QString& last, const QString& first);

} // namespace catalog
