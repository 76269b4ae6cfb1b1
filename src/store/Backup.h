#pragma once

#include <QFuture>
#include <QString>
#include <functional>

struct sqlite3;

namespace store {

// How many copies the backups folder keeps; older ones are removed after each new copy.
inline constexpr int kBackupsKept = 5;

// The folder the copies of a catalogue go into: "backups" beside the file.
QString BackupFolder(const QString& cataloguePath);

// Copies the open catalogue, as it stands, into its backups folder under a name made of a number
// one higher than any copy there and the time in UTC, then removes all but the newest copies.
// Returns the copy's path; throws StoreError.
QString BackupCatalogue(sqlite3* source, const QString& cataloguePath);

// The copies in the backups folder, oldest first: by their number, copies of older versions
// (named by the local time alone) before all others. File names only.
QStringList Backups(const QString& cataloguePath);

// Called before a statement changes the catalogue: the first time in this run for each file,
// makes a copy. A failed copy is handed once to the failure handler and the change goes ahead.
// Catalogues this run created are skipped: there is nothing in them to lose.
void BeforeFirstChange(sqlite3* db);

// Starts the copy the first change of this run would make, on a connection and thread of its own,
// in steps, so that change waits only for what is left of it. The copy is kept once the catalogue
// is found sound; a change waits for it to end first, so it holds the catalogue as before the run's
// changes. Nothing for a file copied already, made this run, or in memory.
void StartBackup(const QString& path);
// Who waits for a copy still under way when the first change comes: returns once `copy` has
// ended, or false when the user gave up (the change is then refused; the copy goes on). It is
// called on the thread that makes the change. Without one the caller blocks.
void SetBackupWaiter(std::function<bool(QFuture<void> copy)> waiter);
// Stops a copy under way, removes what it wrote and waits for its thread; at the end of the run.
void StopBackups();

// Who hears of a copy that could not be made (the message says so in full). None by default.
void SetBackupFailureHandler(std::function<void(const QString& message)> handler);

// Connections that create a file mark it here.
void MarkCreatedThisRun(const QString& path);

} // namespace store
