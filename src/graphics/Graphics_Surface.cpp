#include "graphics/Graphics_Surface.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/BM32_File.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Texture.h"
#include "platform/Platform_Render.h"

namespace vn {

namespace {

struct RSurfaceTable {
  std::vector<RSurface> entries;  // texture -1: a free slot
  int target = -1;
  // What the screen was drawn with when a surface took over.
  RRect screen_viewport;
  RMatrix screen_transform{};
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

IRenderer* renderer() { return graphics_device().renderer(); }

// The part of a width × height rectangle at (x, y) that lies inside a surface, moved to
// the surface's pixels; false when nothing does.
bool clip(const RSurface& surface, int x, int y, int width, int height, RRect& inside) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, surface.width);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, surface.height);
  if (right <= left || bottom <= top) return false;
  inside = {int(left), int(top), int(right - left), int(bottom - top)};
  return true;
}

}  // namespace

int surface_make(int width, int height) {
  if (width < 1 || height < 1) return -1;
  RSurfaceTable& table = surfaces();
  const int texture = texture_create(width, height, true);
  if (texture < 0) return -1;
  // A new render target holds whatever the GPU left there; games find it empty.
  const CGraphicsDevice& device = graphics_device();
  IRenderer* gpu = device.renderer();
  if (gpu != nullptr) {
    const uint32_t screen = gpu->target();
    gpu->set_target(texture_handle(texture));
    gpu->set_viewport({0, 0, width, height});
    gpu->clear(0, false);
    gpu->set_viewport(device.viewport());
    gpu->set_target(screen);
  }
  auto free_slot = std::find_if(table.entries.begin(), table.entries.end(),
                                [](const RSurface& surface) { return surface.texture < 0; });
  if (free_slot == table.entries.end()) free_slot = table.entries.insert(free_slot, RSurface());
  *free_slot = RSurface{texture, width, height};
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

bool surface_exists(int id) { return entry(id) != nullptr; }

void free_all_surfaces() {
  RSurfaceTable& table = surfaces();
  reset_surface_target();
  for (RSurface& surface : table.entries) {
    if (texture_exists(surface.texture)) texture_free(surface.texture);
    surface = RSurface();
  }
  table.entries.clear();
}

int surface_target() { return surfaces().target; }

bool set_surface_target(int id) {
  RSurfaceTable& table = surfaces();
  const RSurface* surface = entry(id);
  if (surface == nullptr) return false;
  if (table.target == id) return true;
  CGraphicsDevice& device = graphics_device();
  if (device.renderer() == nullptr) return false;
  reset_surface_target();
  if (!device.renderer()->set_target(texture_handle(surface->texture))) return false;
  table.target = id;
  table.screen_viewport = device.viewport();
  table.screen_transform = device.renderer()->transform();
  device.set_viewport(0, 0, surface->width, surface->height);
  device.set_projection(0, surface->height, surface->width, 0, 0);
  return true;
}

void reset_surface_target() {
  RSurfaceTable& table = surfaces();
  if (table.target < 0) return;
  table.target = -1;
  CGraphicsDevice& device = graphics_device();
  if (device.renderer() == nullptr) return;
  device.renderer()->set_target(0);
  // The screen's projection may have been a view's, which room drawing goes on with.
  device.set_viewport(table.screen_viewport.x, table.screen_viewport.y, table.screen_viewport.width,
                      table.screen_viewport.height);
  device.renderer()->set_transform(table.screen_transform);
}

std::optional<TBitmap32> surface_picture(int id, int x, int y, int width, int height) {
  const RSurface* surface = entry(id);
  IRenderer* gpu = renderer();
  RRect rectangle;
  if (surface == nullptr || gpu == nullptr || !clip(*surface, x, y, width, height, rectangle)) {
    return std::nullopt;
  }
  std::vector<uint8_t> pixels;
  if (!gpu->read_texture(texture_handle(surface->texture), rectangle, pixels)) return std::nullopt;
  TBitmap32 picture(rectangle.width, rectangle.height);
  if (!picture.has_pixels() || pixels.size() != picture.image().pixels.size() * 4) {
    return std::nullopt;
  }
  std::memcpy(picture.image().pixels.data(), pixels.data(), pixels.size());
  return picture;
}

uint32_t surface_pixel(int id, int x, int y) {
  std::optional<TBitmap32> pixel = surface_picture(id, x, y, 1, 1);
  return pixel ? pixel->pixel(0, 0) : 0;
}

bool save_surface(int id, const std::filesystem::path& path, int x, int y, int width, int height) {
  std::optional<TBitmap32> picture = surface_picture(id, x, y, width, height);
  std::string error;
  return picture && save_image_file(path, *picture, error);
}

bool surface_copy_rectangle(int destination, int dest_x, int dest_y, int source, int x, int y,
                            int width, int height) {
  const RSurface* to = entry(destination);
  const RSurface* from = entry(source);
  IRenderer* gpu = renderer();
  if (to == nullptr || from == nullptr || gpu == nullptr) return false;
  RRect part;
  if (!clip(*from, x, y, width, height, part)) return true;
  // Where the source's part lands, clipped to the destination; the source follows.
  const int64_t shift_x = int64_t(dest_x) - x;
  const int64_t shift_y = int64_t(dest_y) - y;
  const int64_t left = std::max<int64_t>(part.x + shift_x, 0);
  const int64_t top = std::max<int64_t>(part.y + shift_y, 0);
  const int64_t right = std::min<int64_t>(int64_t(part.x) + part.width + shift_x, to->width);
  const int64_t bottom = std::min<int64_t>(int64_t(part.y) + part.height + shift_y, to->height);
  if (right <= left || bottom <= top) return true;
  const RRect copied{int(left - shift_x), int(top - shift_y), int(right - left), int(bottom - top)};
  return gpu->copy_texture(texture_handle(from->texture), copied, texture_handle(to->texture),
                           int(left), int(top));
}

}  // namespace vn
