#pragma once

namespace exchange {

// Registers "&Import..." and "E&xport..." in the Collection menu. Once per run.
void RegisterFeature();

} // namespace exchange
