// Surfaces: pictures of their own that drawing can go into instead of the screen, drawn
// like any other texture, read back, copied between and saved.
//
// A surface is a render-target texture of the texture table (without a depth buffer) with
// its size; its id is its index in the surface table, a freed slot going to the next
// surface made. The table belongs to one device: a new device finds it empty, and a reset
// of the device frees every surface first (free_all_surfaces).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "graphics/BM32_Class.h"

namespace vn {

struct RSurface {
  int texture = -1;  // a render-target texture of the texture table
  int width = 0;
  int height = 0;
};

// The lowest free id for a new surface of that size, cleared to transparent black; -1
// when the size is not positive or no render target can be made (no device, too big).
int surface_make(int width, int height);
// Drawing goes back to the screen first when the surface is the target. Nothing for an
// id not in use.
void surface_release(int id);
// Null for an id not in use, and for every id of a table older than the device.
const RSurface* surface_at(int id);
bool surface_exists(int id);
// Every surface goes, the target first going back to the screen: surfaces do not live
// through a reset of the device.
void free_all_surfaces();

// Drawing goes into the surface, the viewport and projection covering the whole of it.
// When the screen was the target, its viewport and projection are remembered; when another
// surface was, drawing first goes back to the screen. The surface that already is the
// target stays so, unchanged. False (nothing changes) for an id not in use.
bool set_surface_target(int id);
// Drawing goes to the screen again with the viewport and projection it had when a surface
// took over: those of the back-buffer region, or of the view being drawn when a draw event
// set the target. Nothing when the screen is the target already.
void reset_surface_target();
// The surface being drawn into; -1 for the screen.
int surface_target();

// The rectangle of the surface clipped to it, with the surface's own alpha; none when
// nothing of it is left or the id is not in use.
std::optional<TBitmap32> surface_picture(int id, int x, int y, int width, int height);
// One pixel as 0xAARRGGBB; 0 outside the surface or for an id not in use.
uint32_t surface_pixel(int id, int x, int y);
// A name ending in ".png" (any case) is written as PNG with the surface's alpha, any
// other as a bitmap file. False when there was nothing to read or writing failed.
bool save_surface(int id, const std::filesystem::path& path, int x, int y, int width, int height);

// The rectangle (x, y, width, height) of the source goes to (dest_x, dest_y) of the
// destination pixel for pixel, replacing what was there (no blending). Pixels that fall
// outside either surface are left out: a negative destination position drops the source's
// first columns or rows. False when either id is not in use.
bool surface_copy_rectangle(int destination, int dest_x, int dest_y, int source, int x, int y,
                            int width, int height);

}  // namespace vn
