#pragma once

// The Movie Database (TMDb), API version 3.

#include "online/Provider.h"

#include <QJsonObject>

namespace online {

inline constexpr const char* kTmdbService = "tmdb";
inline constexpr const char* kTmdbImages = "tmdb-images";
inline constexpr const char* kTmdbAttribution =
    "This product uses the TMDB API but is not endorsed or certified by TMDB.";

// The user's choices for TMDb, from the section "Online tmdb" of the settings file.
struct TmdbSettings
{
    QString language; // "de-DE": titles, plots and genres in it where TMDb has them
    QString country;  // "DE": whose certification becomes the rating
};
TmdbSettings ReadTmdbSettings();

// Adds TMDb's two services (its API and its pictures) to the gateway, as the settings configure
// them. A key of the v4 "read access token" form goes in a header, a v3 key in the query.
void AddTmdbServices(Gateway& gateway);
bool HasTmdbKey();

std::unique_ptr<MovieProvider> MakeTmdb(Gateway& gateway, const TmdbSettings& settings = ReadTmdbSettings());

// The answers as our types; public for the tests.
// The films of a search ("results") or of a find by IMDb id ("movie_results").
std::vector<Candidate> TmdbCandidates(const QJsonObject& answer);
// A film asked for with credits, release_dates and external_ids appended.
Details TmdbDetails(const QJsonObject& film, const QString& country);
// The poster size of the configuration nearest above `width` pixels ("w500"), else "original".
QString TmdbPosterSize(const QJsonObject& configuration, int width);

} // namespace online
