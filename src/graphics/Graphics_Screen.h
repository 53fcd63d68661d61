// The screen as games read and redirect it: the back buffer saved as a picture file, the
// colour of one of its pixels, and the surfaces that drawing can go into instead of it.
//
// The surface table is what room transitions need (a render target of a given size, made
// the current target and back); the script functions of surfaces build on it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "graphics/BM32_Class.h"

namespace vn {

// --- Surfaces ---

struct RSurface {
  int texture = -1;  // a render-target texture of the texture table
  int width = 0;
  int height = 0;
};

// The lowest free id for a new surface of that size (at least 1 × 1); -1 when no render
// target can be made (no device).
int surface_make(int width, int height);
// Drawing goes back to the screen first when the surface is the target.
void surface_release(int id);
// Null for an id not in use, and for every id of a table older than the device.
const RSurface* surface_at(int id);

// Drawing goes into the surface, the viewport and projection covering the whole of it;
// the target before it is remembered when that was the screen. False (nothing changes)
// for an id not in use.
bool set_surface_target(int id);
// Drawing goes to the screen again, with the viewport and projection of the back-buffer
// region. Nothing when the screen is the target already.
void reset_surface_target();
// The surface being drawn into; -1 for the screen.
int surface_target();

// --- The back buffer ---

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
