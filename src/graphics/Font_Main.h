// The font list the game's scripts see: the game's own fonts, then those made at run time,
// and the default font text falls back on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Font_Class.h"

namespace vn {

// Null when the index names no font.
CFont* font_at(int64_t index);
// "<undefined>" when the index names no font.
std::string font_name(int64_t index);
// Appends a font made at run time, named "__newfont" and its index; returns the index.
int add_font(std::unique_ptr<CFont> font);
// Frees the font and empties its slot; false when there is none.
bool delete_font(int64_t index);

// "Arial", 12 points, characters 32 … 127, built when first asked for.
const CFont& default_font();
// The font of that index, the default font when there is none.
const CFont& font_or_default(int64_t index);

}  // namespace vn
