#pragma once

namespace loans {

// Registers the loan tables' schema step, the find words about loans, the Collection menu's loan
// items and the loan's section of the quick-info panel. Once per run.
void RegisterFeature();

} // namespace loans
