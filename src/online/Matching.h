#pragma once

// How an online film meets a movie of the catalogue: which of its values it may fill, and how
// sure we are that it is the same film.

#include "catalog/Movie.h"
#include "online/Provider.h"

#include <functional>
#include <vector>

namespace online {

// One value a film can bring, as the windows compare it.
struct OnlineField
{
    QString caption;
    std::function<QString(const catalog::Movie&)> text; // shown side by side; empty: the movie has none
    std::function<void(catalog::Movie& to, const catalog::Movie& from)> take;
};
// Title first; the bulk update leaves the title alone, as it names the movie.
const std::vector<OnlineField>& OnlineFields();
// Whether the movie has a value there: a credit "Unknown" and the year 1900 the editor puts in
// for an empty box count as none.
bool HasValue(const OnlineField& field, const catalog::Movie& movie);

// The movie with the film's values where it has none, or wherever the film has one when `replace`;
// never its title. Names the fields it changed.
QStringList Fill(catalog::Movie& movie, const catalog::Movie& film, bool replace);

// 0 to 1: how well the film's title, year and running time (when known) match the movie's.
double MatchScore(const catalog::Movie& movie, const QString& title, const QString& originalTitle, const QString& year,
                  const QString& length = {});
// At or above it a film is taken without asking.
inline constexpr double kSureMatch = 0.79; // a title alike, nothing else known, is enough

} // namespace online
