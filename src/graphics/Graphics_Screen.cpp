#include "graphics/Graphics_Screen.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/BM32_File.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Clock.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_Render.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

struct RSurfaceTable {
  std::vector<RSurface> entries;  // texture -1: a free slot
  int target = -1;
  uint64_t generation = 0;  // of the texture table the entries' textures belong to
};

// A new device empties the texture table, and the surfaces went with it.
RSurfaceTable& surfaces() {
  static RSurfaceTable table;
  if (table.generation != texture_table_generation()) {
    table.entries.clear();
    table.target = -1;
    table.generation = texture_table_generation();
  }
  return table;
}

RSurface* entry(int id) {
  RSurfaceTable& table = surfaces();
  if (id < 0 || size_t(id) >= table.entries.size()) return nullptr;
  RSurface& surface = table.entries[size_t(id)];
  return texture_exists(surface.texture) ? &surface : nullptr;
}

}  // namespace

int surface_make(int width, int height) {
  RSurfaceTable& table = surfaces();
  const int texture = texture_create(std::max(width, 1), std::max(height, 1), true);
  if (texture < 0) return -1;
  auto free_slot = std::find_if(table.entries.begin(), table.entries.end(),
                                [](const RSurface& surface) { return surface.texture < 0; });
  if (free_slot == table.entries.end()) free_slot = table.entries.insert(free_slot, RSurface());
  *free_slot = RSurface{texture, std::max(width, 1), std::max(height, 1)};
  return int(free_slot - table.entries.begin());
}

void surface_release(int id) {
  RSurface* surface = entry(id);
  if (surface == nullptr) return;
  if (surfaces().target == id) reset_surface_target();
  texture_free(surface->texture);
  *surface = RSurface();
}

const RSurface* surface_at(int id) { return entry(id); }

int surface_target() { return surfaces().target; }

bool set_surface_target(int id) {
  RSurfaceTable& table = surfaces();
  const RSurface* surface = entry(id);
  if (surface == nullptr) return false;
  if (table.target == id) return true;
  CGraphicsDevice& device = graphics_device();
  IRenderer* renderer = device.renderer();
  if (renderer == nullptr || !renderer->set_target(texture_handle(surface->texture))) return false;
  table.target = id;
  device.set_viewport(0, 0, surface->width, surface->height);
  device.set_projection(0, surface->height, surface->width, 0, 0);
  return true;
}

void reset_surface_target() {
  RSurfaceTable& table = surfaces();
  if (table.target < 0) return;
  table.target = -1;
  CGraphicsDevice& device = graphics_device();
  if (device.renderer() != nullptr) device.renderer()->set_target(0);
  device.set_viewport(0, 0, device.back_buffer_width(), device.back_buffer_height());
  device.set_projection(0, device.back_buffer_height(), device.back_buffer_width(), 0, 0);
}

std::optional<TBitmap32> screen_picture(int x, int y, int width, int height) {
  std::optional<TBitmap32> picture = graphics_device().read_back(x, y, width, height);
  if (!picture) return std::nullopt;
  // The screen has no alpha of its own: what blending left there is not part of the picture.
  for (uint32_t& pixel : picture->image().pixels) pixel |= 0xFF000000u;
  return picture;
}

std::optional<TBitmap32> screen_picture() {
  const CGraphicsDevice& device = graphics_device();
  return screen_picture(0, 0, device.back_buffer_width(), device.back_buffer_height());
}

bool save_screen(const std::filesystem::path& path, int x, int y, int width, int height) {
  std::optional<TBitmap32> picture = screen_picture(x, y, width, height);
  std::string error;
  return picture && save_image_file(path, *picture, error);
}

bool save_screen(const std::filesystem::path& path) {
  const CGraphicsDevice& device = graphics_device();
  return save_screen(path, 0, 0, device.back_buffer_width(), device.back_buffer_height());
}

int32_t screen_pixel_at_room_point(double x, double y) {
  const RPointD point = window_state().room_to_region_through(world_state().view_current, x, y);
  const uint32_t pixel =
      graphics_device().get_pixel(int(std::floor(point.x)), int(std::floor(point.y)));
  return int32_t((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

void wait_for_refresh() {
  if (fixed_clock()) return;
  const int frequency = display_mode().frequency;
  const int64_t period = 1000000 / (frequency > 0 ? frequency : 60);
  frame_wait(period - clock_microseconds() % period);
}

}  // namespace vn
