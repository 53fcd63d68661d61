// The sprite and background resource functions of the game's scripts: what the lists hold,
// and sprites and backgrounds added, replaced, copied, deleted and saved at run time.
#pragma once

namespace vn {

void register_resource_graphics_functions();

}  // namespace vn
