#pragma once

#include <QtGlobal>
#include <functional>

namespace store {

class Connection;

// The catalogue's schema version, kept in PRAGMA user_version. 1: the catalogue as first shipped;
// 2: the find index; 3: the indexes of the grid's orders; 4: the covers; 5: borrowers and loans.
inline constexpr int kSchemaVersion = 5;

// Refuses a catalogue written by a newer version of the program: its meaning is not ours to guess.
void RefuseNewerSchema(const Connection& db);

// Brings an older catalogue to kSchemaVersion, and a find index laid out otherwise than today's code
// lays it out to today's: after the run's backup, every step in one transaction, so a failed or
// cancelled upgrade leaves the file as it was.
void UpgradeSchema(Connection& db);

// Told how far a long step has got (done of total); answering false cancels the upgrade. The
// windows put a progress window here; without one the upgrade runs to its end unseen.
using UpgradeProgress = std::function<bool(qint64 done, qint64 total)>;
UpgradeProgress SetUpgradeProgress(UpgradeProgress progress); // returns the one it replaces

} // namespace store
