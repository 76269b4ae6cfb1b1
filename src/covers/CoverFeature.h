#pragma once

namespace covers {

// Registers the covers' schema step, their section of the quick-info panel and the delete's care.
// Once per run.
void RegisterFeature();

} // namespace covers
