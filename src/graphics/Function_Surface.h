// The surface functions of the game's scripts: making and freeing surfaces, drawing into
// them, drawing them like sprites, reading, copying and saving their pixels.
#pragma once

namespace vn {

void register_surface_functions();

}  // namespace vn
