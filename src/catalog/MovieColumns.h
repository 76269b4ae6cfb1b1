#pragma once

#include <QString>
#include <array>

namespace catalog {

// The grid's sixteen columns: header caption and the result-set column each is bound to.
struct MovieColumn
{
    const char* caption;
    const char* field;
};

inline constexpr std::array<MovieColumn, 16> kMovieColumns{{
    {"Movie Title", "Movie_Title"},
    {"Director", "Director"},
    {"Producer", "Producer"},
    {"Writer", "Writer"},
    {"Screenwriter", "Screenwriter"},
    {"Composer", "Composer"},
    {"Executive Producer", "Executive_Producer"},
    {"Cinematographer", "Cinematographer"},
    {"Genre", "Genre"},
    {"Studio", "Studio"},
    {"Format", "Format"},
    {"Length", "Length"},
    {"Year Released", "Year_Released"},
    {"Grade", "Grade"},
    {"Rating", "Rating"},
    {"Widescreen", "Widescreen"},
}};
inline constexpr int kWidescreenColumn = 15;

inline QString ColumnField(int column)
{
    return QString::fromLatin1(kMovieColumns.at(std::size_t(column)).field);
}
inline QString ColumnCaption(int column)
{
    return QString::fromLatin1(kMovieColumns.at(std::size_t(column)).caption);
}

} // namespace catalog
