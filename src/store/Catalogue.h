#pragma once

#include "store/Schema.h"
#include "store/Sqlite.h"

#include <QFuture>
#include <QString>
#include <functional>

namespace store {

// The catalogue the commands open. Start-up decides where it lives and sets it once; empty until then.
void SetCataloguePath(const QString& path);
QString CataloguePath();

// Opens an existing catalogue for reading and writing; never creates a file. Throws StoreError
// with a message naming the file and the problem when it is missing, locked, read-only or foreign;
// for a damaged or foreign file the message tells how to put back the newest backup.
Connection OpenDatabase(const QString& path);
inline Connection OpenDatabase()
{
    return OpenDatabase(CataloguePath());
}

// Throws the StoreError OpenDatabase would for what can be told of the file without opening it:
// gone, a folder, unreadable, read-only, empty. A window that keeps a connection open asks this
// where it would otherwise have opened the file again.
void RefuseUnusable(const QString& path);

// Opens the catalogue as OpenDatabase does and brings its schema up to date, reporting how far the
// upgrade has got and which step runs; returns what the upgrade had to tell the user.
QStringList UpgradeCatalogue(const QString& path, const UpgradeProgress& progress,
                             const std::function<void(const QString& adds)>& announce);

// The integrity check reads every page. By default the first OpenDatabase of a file in a run makes
// it before anything is read. After a clean end start-up defers it (DeferCheck before the first
// open), then has it run on a connection and thread of its own once the window shows (StartCheck).
// Changes wait for the verdict: Statement and Transaction call RequireSound before the first change.
void DeferCheck(const QString& path);
// onVerdict runs once the verdict is in, on the checking thread, or on the caller's when a change
// made the check already; never under the checks' lock. RequireSound then tells the verdict.
void StartCheck(const QString& path, std::function<void()> onVerdict);
// Throws the damaged file's StoreError; waits for a running check; makes a deferred one here.
void RequireSound(const QString& path);
// Who waits for a running check: returns once `check` has finished, or false when the user gave up.
// It is called on the thread that makes the change. Without one the caller blocks.
void SetCheckWaiter(std::function<bool(QFuture<void> check)> waiter);
// For work away from the change that must not go on with a damaged file: waits for the verdict
// without making a check itself. False when the file is damaged, or once `stopped` says so.
bool AwaitSound(const QString& path, const std::function<bool()>& stopped);
// Interrupts a running check and waits for its thread; at the end of the run.
void StopChecks();
// True for an error saying the file is damaged or not a catalogue.
bool IsDamage(const StoreError& error);
// A read that met damage gives the check's verdict: nothing more goes into the file this run, and
// the returned error tells the user what to do, as a failed check does.
StoreError RecordDamage(const QString& path, const StoreError& error);

// Writes a fresh catalogue from the shipped schema. Refuses to touch an existing file.
void CreateCatalogue(const QString& path);

// The schema text as shipped.
QString SchemaSql();

} // namespace store
