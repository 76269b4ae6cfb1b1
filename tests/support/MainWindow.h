#pragma once

#include "main_window/frmMain.h"

#include <QApplication>
#include <QTest>
#include <memory>

namespace testing {

// The main window as the program opens it: loaded, shown and active.
inline std::unique_ptr<main_window::frmMain> OpenMain()
{
    auto w = std::make_unique<main_window::frmMain>();
    QTEST_ASSERT(w->Form_Load());
    w->show();
    QApplication::setActiveWindow(w.get());
    return w;
}

} // namespace testing
