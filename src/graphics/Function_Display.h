// The display and window functions of the game's scripts: the display mode and the mouse
// on the desktop, the window's style, place and size, the region and its scale, and the
// mouse through the window's scaling and the views.
#pragma once

namespace vn {

void register_display_functions();

}  // namespace vn
