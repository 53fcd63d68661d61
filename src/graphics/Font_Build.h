// Glyph sheets made from the system's fonts: for fonts added at run time, for the default
// font, and for project fonts that give a face but no sheet.
#pragma once

#include "graphics/Font_Class.h"

namespace vn {

// The pixel em size of a point size on the 96-dots-per-inch screen the games assumed.
int font_pixel_size(int points);

// Lays out the characters first … last of the font's face, size and style in rows on a
// sheet, records each one's box, advance and offset, and renders their coverage into the
// sheet. The font's sprite and texture are reset. False (the font left without characters
// or sheet) when no face can be found or the size is beyond reason (an em above 1024 pixels,
// a sheet wider than 8192).
bool build_font_sheet(CFont& font);

}  // namespace vn
