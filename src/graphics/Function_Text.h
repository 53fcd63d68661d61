// The text functions of the game's scripts (font and alignment, measuring and drawing
// text) and the font resource functions.
#pragma once

namespace vn {

void register_text_functions();

}  // namespace vn
