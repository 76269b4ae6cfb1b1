#pragma once

namespace find {

// Registers the find index's schema steps and keeps it up with bulk writes of movies. Once per run.
void RegisterFeature();

} // namespace find
