#pragma once

#include <QString>
#include <optional>

namespace movie_editor {

// The quick-info panel's lines of a movie's details: the first lines of its plot under the grade,
// the whole plot in their tooltip, and the personal rating as stars.
void RegisterFeature();

// A rating of 0 to 10 as five stars, each two points, a half where it falls between: 7.5 is "★★★½☆ 7.5".
QString RatingStars(const std::optional<double>& rating);

} // namespace movie_editor
