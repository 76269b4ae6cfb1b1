#pragma once

#include "store/StoreError.h"

#include <utility>

namespace store {

// Tells the user what went wrong with the catalogue; a busy catalogue gets advice on what to do.
void ShowStoreError(const StoreError& error);

// Runs a command, turning a catalogue error into a message instead of a crash. False on error.
template <class F> bool Guarded(F&& command)
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const StoreError& e) {
        ShowStoreError(e);
        return false;
    }
}

} // namespace store
