// The drawing functions of the game's scripts: the draw colour, alpha and circle precision,
// colour arithmetic, shapes, primitive lists, sprites and backgrounds, textures, blend
// modes, the screen (saving it, reading a pixel, redrawing and presenting) and room
// transitions.
#pragma once

namespace vn {

void register_graphics_functions();

}  // namespace vn
