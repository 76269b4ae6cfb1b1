#pragma once

#include "store/Credits.h"

#include <QString>
#include <array>
#include <utility>
#include <vector>

namespace catalog {

// A movie as the catalogue knows it: names rather than keys, its cast as (last, first) pairs.
struct Movie
{
    qint64 id = 0; // its key once stored; 0 for one not (yet) in the catalogue
    QString title;
    std::array<QString, store::kCredits.size()> credits; // in kCredits order; empty reads "Unknown"
    QString length, year, grade, rating;
    bool widescreen = false;
    std::vector<std::pair<QString, QString>> cast;
};

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
