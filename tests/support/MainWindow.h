#pragma once

#include "main_window/frmMain.h"

#include <QApplication>
#include <QTest>
#include <functional>
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

// What the start routine is given to make the main window, as the program gives it.
inline std::function<std::unique_ptr<shell::MainForm>()> MainMaker()
{
    return [] { return std::make_unique<main_window::frmMain>(); };
}

} // namespace testing
