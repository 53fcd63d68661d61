// The drawing functions of the game's scripts for sprites and backgrounds, textures, blend
// modes, the screen (saving it, reading a pixel, redrawing and presenting) and room
// transitions.
#pragma once

namespace vn {

void register_graphics_functions();

}  // namespace vn
