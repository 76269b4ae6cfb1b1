#pragma once

#include <QStringList>

namespace exchange {

// Whether the arguments ask for work without a window: --import, --export, --help or --version.
bool IsCommandLine(int argc, char** argv);

// Does that work on the catalogue beside the program, or the one after --catalogue, printing the
// summary; returns 0, or 1 with a one-line reason on standard error. Needs only a core application.
int RunCommandLine(const QStringList& arguments);

} // namespace exchange
