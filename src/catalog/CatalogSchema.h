#pragma once

namespace catalog {

// Registers the catalogue's own schema steps. Once per run.
void RegisterSchema();

} // namespace catalog
