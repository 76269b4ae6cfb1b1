#pragma once

#include "exchange/Csv.h"
#include "exchange/Formats.h"

#include <QSet>
#include <array>
#include <memory>

namespace store {
class Connection;
class Statement;
} // namespace store

namespace catalog {
class MovieReader;
}

namespace exchange {

// A file chosen for import, read and recognised. A CSV file waits for its mapping (MapRows).
// Tellico's and GCstar's covers are read and made ready here, on every core: give it a thread of its
// own when a window waits. Progress may cancel it.
struct ImportSource
{
    Kind kind = Kind::Csv;
    CsvTable table;
    ImportData data;
    bool cancelled = false;
};
ImportSource ReadImportFile(const QString& path, const Progress& progress = {}); // throws FileError

// The most picture data one import unpacks beyond what the file holds of it; covers past it are left
// out, so a zip of pictures that unpack to gigabytes costs no more than this, while an export's
// pictures, stored as they are, cost nothing.
inline constexpr qint64 kMaxCoverBytes = 512LL << 20;
// And the most pixels it decodes, past an allowance for each byte of picture the file holds: a flat
// picture of a few kilobytes may decode to tens of millions, a photograph to a few per byte.
inline constexpr qint64 kMaxCoverPixels = 500'000'000;
inline constexpr qint64 kCoverPixelsPerByte = 100;

// The mapping last confirmed for a file with this header, else the one the header names.
std::vector<int> RememberedMapping(const QStringList& header, int columns);
void RememberMapping(const QStringList& header, const std::vector<int>& mapping);

// What an import would do, worked out before anything is written. The matches are a forecast:
// WriteImport decides them again under the write lock.
struct Plan
{
    ImportData data;             // duplicates within the file removed
    std::vector<qint64> matches; // per movie: the stored movie it matches, or 0
    int added = 0, matched = 0;
    int renamed = 0; // added under "Title (Year)", as another movie has the title
    std::array<int, store::kCredits.size()> newNames{};
    int newActors = 0;
    int covers = 0, coversLeftOut = 0;
    int loans = 0; // movies the file has out, to be lent as it says
};
Plan Preview(const store::Connection& db, ImportData data);
QString PreviewText(const Plan& plan);

struct Outcome
{
    int added = 0, overwritten = 0, skipped = 0, links = 0, covers = 0, loans = 0;
    QStringList notLent; // loans found out of date under the write lock, each with why
    bool cancelled = false;
};
// After the run's backup, in one transaction: all of it or, on Cancel or any failure, nothing.
// Each movie is matched against the catalogue as it stands under the write lock. A movie the file
// has out is lent as it says, skipped or not, unless it is out already.
Outcome WriteImport(store::Connection& db, const Plan& plan, bool overwrite, const Progress& progress = {});
QString OutcomeText(const Outcome& outcome);

// The catalogue's movies one at a time, in title order, each with its cast in the order it was
// linked: memory stays that of one movie whatever the catalogue's size. All is read in one read
// transaction, so the count and the movies agree while others write. Throws store::StoreError.
class CatalogueReader
{
public:
    explicit CatalogueReader(const store::Connection& db);
    ~CatalogueReader();
    CatalogueReader(const CatalogueReader&) = delete;
    CatalogueReader& operator=(const CatalogueReader&) = delete;

    qint64 count() const { return m_count; }
    bool next(Movie& movie); // false after the last

private:
    const store::Connection& m_db;
    bool m_began = false;
    int m_cacheSize = 0; // the connection's own, given back at the end
    qint64 m_count = 0;
    std::unique_ptr<store::Statement> m_rows, m_cast;
    QSet<qint64> m_withMore; // the movies holding more than their row and cast
    std::unique_ptr<catalog::MovieReader> m_more;
};

// Every movie of the catalogue with its cast, in title order.
std::vector<Movie> ReadCatalogue(const store::Connection& db);
// Writes the catalogue as CSV, as a Tellico file for a name ending in ".tc", or as the shareable web
// page for one ending in ".html" (with each movie's cover thumbnail when `covers`; a .tc always
// carries the covers), under a working name renamed when whole. Returns how many movies went out, or
// -1 when progress cancelled it and nothing was written; throws FileError.
int ExportFile(const store::Connection& db, const QString& path, const Progress& progress = {}, bool covers = false);
// Whether the name is one ExportFile writes a web page to.
bool IsWebPageName(const QString& path);

} // namespace exchange
