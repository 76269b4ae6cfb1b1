#pragma once

#include <array>
#include <cstddef>

namespace store {

// One of a movie's ten credits: the key column in tbl_Movie_Title, the lookup table it points
// into, and that table's name column.
struct Credit
{
    const char* key;
    const char* table;
    const char* name;
};

enum CreditIndex : std::size_t {
    kDirector,
    kProducer,
    kExecutiveProducer,
    kComposer,
    kWriter,
    kScreenplay,
    kCinematographer,
    kStudio,
    kGenre,
    kFormat,
};

// In the order of the movie table's columns.
inline constexpr std::array<Credit, 10> kCredits{{
    {"Director_ID", "tbl_Director", "Director"},
    {"Producer_ID", "tbl_Producer", "Producer"},
    {"Executive_Producer_ID", "tbl_Executive_Producer", "Executive_Producer"},
    {"Composer_ID", "tbl_Composer", "Composer"},
    {"Writer_ID", "tbl_Writer", "Writer"},
    {"Screenplay_ID", "tbl_Screenplay", "Screenwriter"},
    {"Cinematographer_ID", "tbl_Cinematographer", "Cinematographer"},
    {"Studio_ID", "tbl_Studio", "Studio"},
    {"Genre_ID", "tbl_Genre", "Genre"},
    {"Format_ID", "tbl_Format", "Format"},
}};

} // namespace store
