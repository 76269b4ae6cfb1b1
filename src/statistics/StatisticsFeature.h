#pragma once

namespace statistics {

// Registers "&Statistics..." in the Collection menu. Once per run.
void RegisterFeature();

} // namespace statistics
