#pragma once

namespace scan {

// "&Scan Barcodes..." in "&Collection".
void RegisterFeature();

} // namespace scan
