#pragma once

#include "store/StoreError.h"

#include <utility>

namespace shell {

// Tells the user what went wrong with the catalogue; a busy catalogue gets advice on what to do. A
// damaged one is told once, and ends the run.
void ShowStoreError(const store::StoreError& error);
// Whether the run met a damaged catalogue and told it: start-up then goes no further.
bool DamageTold();

// From now on a backup the store could not make is told in a message box; the change goes ahead.
void TellBackupFailures();

// Runs a command, turning a catalogue error into a message instead of a crash. False on error.
template <class F> bool Guarded(F&& command)
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const store::StoreError& e) {
        ShowStoreError(e);
        return false;
    }
}

} // namespace shell
