#pragma once

#include <QString>

namespace main_window {

class frmMain;

// Shows only the movies that match what was typed into the find box (every movie for empty
// text), in the current order, keeping the selected movie when it is among them.
void FindMovies(frmMain& main, const QString& typed);

} // namespace main_window
