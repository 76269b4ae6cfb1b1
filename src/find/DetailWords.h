#pragma once

namespace find {

// The find box's words for what a movie holds beyond its row: plot:, original:, character:, barcode:.
void RegisterDetailWords();

} // namespace find
