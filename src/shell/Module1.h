#pragma once

namespace main_window {
class frmMain;
}

namespace Module1 {

// The start routine: splash, main window loaded, splash gone, main window shown, event loop.
// Returns the process exit status.
int Main();

// The one main window of this run, or nullptr before it exists.
main_window::frmMain* MainWindow();

} // namespace Module1
