#pragma once

#include <QString>

namespace bench {

struct CatalogueShape
{
    int movies = 50000;
    int actors = 20000;
    int castPerMovie = 5;
    int directors = 3000;
    int otherCredits = 300; // each of the other nine lookup tables
    unsigned seed = 20261207;
};

// Writes a fresh catalogue of the given shape at path (which must not exist) through the store:
// filled as the first release's schema, then upgraded (the find index built in one go) unless
// upgrade is false.
void GenerateCatalogue(const QString& path, const CatalogueShape& shape, bool upgrade = true);

// The shape scaled to a movie count, keeping the proportions of the 50,000-movie catalogue.
CatalogueShape ShapeFor(int movies);

} // namespace bench
