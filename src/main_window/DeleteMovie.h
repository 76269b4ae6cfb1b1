#pragma once

#include "store/Sqlite.h"

namespace main_window {

class frmMain;

// The delete command of the button and the grid's Delete key: asks, refuses the last movie, then
// removes the grid's current movie with every credit, cast link and actor nothing else uses, and
// re-reads the grid. True when a movie was deleted.
bool DeleteCurrentMovie(frmMain& main);

// Removes one movie and tidies what it leaves behind, all in one transaction on db: the credit
// rows no other movie uses (never one named "Unknown"), its cast links and loans, and the actors left in no
// cast. False when no movie has that key; nothing is changed then. Throws StoreError after
// rolling back.
bool DeleteMovieRecord(store::Connection& db, qint64 movieId);

} // namespace main_window
