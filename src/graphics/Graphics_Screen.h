// The screen as games read it: the back buffer saved as a picture file, the colour of one
// of its pixels, and the wait for its refresh. Surfaces, which drawing can go into instead
// of it, are in Graphics_Surface.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "graphics/BM32_Class.h"

namespace vn {

// A rectangle of the back buffer (clipped to it) as the player sees it: every alpha 255.
// None when nothing of it can be read.
std::optional<TBitmap32> screen_picture(int x, int y, int width, int height);
// The whole back-buffer region.
std::optional<TBitmap32> screen_picture();

// A name ending in ".png" (any case) is written as PNG, any other as a bitmap file. False
// when there was nothing to read or the file could not be written.
bool save_screen(const std::filesystem::path& path, int x, int y, int width, int height);
bool save_screen(const std::filesystem::path& path);

// The back-buffer pixel under a room point seen through the view being drawn (outside
// drawing, view 0 when views are on), as a script colour; 0 outside the back buffer.
int32_t screen_pixel_at_room_point(double x, double y);

// Waits for the screen's next refresh, by the clock (no screen tells us when it comes).
// Under the fixed clock it does not wait.
void wait_for_refresh();

}  // namespace vn
