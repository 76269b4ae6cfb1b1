#pragma once

#include "main_window/frmMain.h"

#include <QApplication>
#include <memory>

namespace bench {

// The main window loaded and shown on the catalogue in use, as the program opens it.
inline std::unique_ptr<main_window::frmMain> OpenMainWindow()
{
    auto w = std::make_unique<main_window::frmMain>();
    w->Form_Load();
    w->show();
    QApplication::processEvents();
    return w;
}

} // namespace bench
