#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

namespace store {

class Connection;

// Told how far a long step has got (done of total); answering false cancels the upgrade.
using UpgradeProgress = std::function<bool(qint64 done, qint64 total)>;

// The catalogue's schema grows in steps, each contributed by the part of the program that owns what
// it adds (the find index, covers, loans...). The catalogue's version, kept in PRAGMA user_version, is
// the version of the last step it has had; the shipped schema is version 1. A change to what a step
// makes always gets a step of its own with a new version.
struct SchemaStep
{
    int version = 0;
    QString adds; // what the progress window names: "Preparing the catalogue for <adds>..."
    // Runs inside the upgrade's transaction. Reports through `progress`, and throws the cancelled
    // upgrade's StoreError when it answers false (CancelledUpgrade). Lines in `told` are shown to the
    // user once the upgrade is in.
    std::function<void(Connection& db, const UpgradeProgress& progress, QStringList& told)> run;
    // Whether what the catalogue holds of this step is not what the step makes today, whatever the
    // version says (earlier builds once changed a layout under one number); the step then runs again
    // and replaces what is there. Empty when that cannot happen.
    std::function<bool(const Connection& db)> stale;
};
void RegisterSchemaStep(SchemaStep step); // once per step and run; a second with one version replaces it
// The version of the newest step registered: what this program writes.
int SchemaVersion();

// The error a step throws when its progress was cancelled.
void CancelledUpgrade();

// Refuses a catalogue written by a newer version of the program: its meaning is not ours to guess.
void RefuseNewerSchema(const Connection& db);

// Whether the catalogue lacks a step or holds a stale one.
bool NeedsUpgrade(const Connection& db);

// Brings an older catalogue to SchemaVersion(), and a stale step's work to today's: after the run's
// backup, every step in one transaction, so a failed or cancelled upgrade leaves the file as it was.
// `announce` hears each step's `adds` as it starts. Returns what the steps have to tell the user.
QStringList UpgradeSchema(Connection& db, const UpgradeProgress& progress = {},
                          const std::function<void(const QString& adds)>& announce = {});

// Who hears what an upgrade had to tell when it ran while a catalogue was opened. None by default.
void SetUpgradeNotice(std::function<void(const QStringList& told)> notice);
namespace detail {
void TellUpgrade(const QStringList& told);
}

// Runs long statements (an index over every movie) with the engine reporting as it goes, `total` the
// rows they work through; a cancel stops the statement running and throws the cancelled upgrade.
void RunReporting(Connection& db, const QStringList& statements, qint64 total, const UpgradeProgress& progress);

} // namespace store
