#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace shell {

// What the start routine asks of the main window it is given.
class MainForm
{
public:
    virtual ~MainForm() = default;
    // The load handler. False when this start is a second instance that handed over and must end.
    virtual bool Form_Load() = 0;
    virtual QWidget* Window() = 0;
};

} // namespace shell

namespace Module1 {

// The start routine: splash, main window made by `makeMain` and loaded, splash gone, main window
// shown, event loop. Returns the process exit status.
int Main(const std::function<std::unique_ptr<shell::MainForm>()>& makeMain);

// The one main window of this run, or nullptr before it exists.
QWidget* MainWindow();

} // namespace Module1
