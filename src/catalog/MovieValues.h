#pragma once

#include "catalog/Movie.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace catalog {

// What one movie keeps at most: far beyond any real movie, short of what would stall a window.
inline constexpr int kMaxText = 100'000; // characters of its plot, its notes, a field's value
inline constexpr int kMaxLine = 1'000;   // characters of any other value: a name, a character, the price...
inline constexpr int kMaxNames = 1'000;  // names of one credit
inline constexpr int kMaxFields = 1'000;
inline constexpr int kMaxBarcodes = 100;

// A value read from what a person typed or a file held: the value, or why it is none, in plain words.
template <typename T> struct Read
{
    T value{};
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Each reads an empty text as no value.
Read<std::optional<double>> ReadPersonalRating(const QString& typed); // "7", "7.5", "7,5": 0 to 10 in half steps
Read<QString> ReadImdbId(const QString& typed);                       // "tt0111161", or the movie's IMDb address
Read<QString> ReadTmdbId(const QString& typed);                       // "603", or the movie's TMDb address
Read<QDate> ReadDate(const QString& typed);                           // year-month-day: "2024-03-05"
// The rating as the windows write it: "7", "7.5"; empty for none.
QString RatingText(const std::optional<double>& rating);

// Whether a field would take the name of one of the movie's own values ("Title", "Plot", "IMDb id"...),
// written in any case, with or without blanks and underscores.
bool IsOwnFieldName(const QString& name);

// Brings a movie's values to the form they are kept in, changing no meaning: trims what it adds to the
// catalogue's first names, drops empty and repeated names (a credit's first name repeated among its
// others too), moves a credit's second name up when its first is empty, keeps an IMDb or TMDb id
// given as an address and a barcode given with blanks in their plain form, drops empty fields.
void Normalize(Movie& movie);
// What of a movie, once normalized, the catalogue cannot keep: one sentence per value, empty when it
// can keep it all. The writer refuses a movie with any.
QStringList Refusals(const Movie& movie);
// Normalizes the movie and makes it keepable the nearest way: a rating off the half steps rounded,
// a text cut at its length, a field renamed, a value that cannot be kept left out. Returns, value by
// value, what it changed or left out ("plot: cut to 100,000 characters").
QStringList Tidy(Movie& movie);

// Gives the movie what it leaves empty from the stored one: a credit's more names, each detail, the
// barcodes and the other fields. An overwrite that brings none of these (the editor's boxes, a file
// of fewer columns) then keeps them, as it keeps the cast and the cover.
void KeepStored(Movie& movie, const Movie& stored);
// Gives the movie all of those of the other, empty or not.
void TakeMore(Movie& movie, const Movie& from);

// A field's value on one line of text, where a file or a box keeps "name: value" a line each:
// backslashes and line breaks escaped, and back.
QString EscapeLine(const QString& value);
QString UnescapeLine(const QString& value);
// A field as such a line, its name's colons escaped too, so that any name and value read back.
QString FieldLine(const Field& field);
// The field of such a line; none when no name stands before its first unescaped colon.
std::optional<Field> ReadFieldLine(const QString& line);

} // namespace catalog
