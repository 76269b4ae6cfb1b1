#pragma once

#include <QString>

struct sqlite3;

namespace store {

// How many copies the backups folder keeps; older ones are removed after each new copy.
inline constexpr int kBackupsKept = 5;

// The folder the copies of a catalogue go into: "backups" beside the file.
QString BackupFolder(const QString& cataloguePath);

// Copies the open catalogue, as it stands, into its backups folder under a name made of the date
// and time, then removes all but the newest copies. Returns the copy's path; throws StoreError.
QString BackupCatalogue(sqlite3* source, const QString& cataloguePath);

// Called before a statement changes the catalogue: the first time in this run for each file,
// makes a copy. A failed copy is told once and the change goes ahead. Catalogues this run
// created are skipped: there is nothing in them to lose.
void BeforeFirstChange(sqlite3* db);

// Connections that create a file mark it here.
void MarkCreatedThisRun(const QString& path);

} // namespace store
