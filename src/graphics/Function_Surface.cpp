#include "graphics/Function_Surface.h"

#include <string>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Surface.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_Path.h"
#include "world/Room_Main.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr const char* kNoSurface = "Trying to use non-existing surface.";
constexpr uint32_t kWhite = 0xFFFFFFFFu;

uint32_t colour(const RValue& value, const RValue& alpha) {
  return device_color(integer(value), number(alpha));
}

// The surface an argument names; reported when there is none.
const RSurface* surface_of(const RValue& id) {
  const RSurface* surface = surface_at(integer(id));
  if (surface == nullptr) report_runtime_error(kNoSurface, false);
  return surface;
}

// The whole surface with its top-left corner at (x, y), scaled and turned about it.
void draw_whole(const RSurface& surface, double x, double y, double xscale, double yscale,
                double angle, uint32_t color) {
  draw_texture_part(surface.texture, 0, 0, surface.width, surface.height, x, y, 0, 0, xscale,
                    yscale, angle, same_colors(color));
}

void draw_stretched(const RSurface& surface, Args place, uint32_t color) {
  const double width = number(place[2]);
  const double height = number(place[3]);
  if (width <= 0 || height <= 0) return;
  draw_whole(surface, number(place[0]), number(place[1]), width / surface.width,
             height / surface.height, 0, color);
}

// A rectangle (left, top, width, height) of the surface with its top-left corner at (x, y).
void draw_part(const RSurface& surface, Args part, double xscale, double yscale, double angle,
               const RQuadColors& colors) {
  draw_texture_part(surface.texture, number(part[0]), number(part[1]), number(part[2]),
                    number(part[3]), number(part[4]), number(part[5]), 0, 0, xscale, yscale, angle,
                    colors);
}

// Repeated over the whole room, one copy's top-left corner at (x, y).
void draw_tiled(const RSurface& surface, double x, double y, double xscale, double yscale,
                uint32_t color) {
  const CLiveRoom* room = current_room();
  if (room == nullptr) return;
  draw_texture_tiled(surface.texture, 0, 0, x, y, xscale, yscale, true, true,
                     {0, 0, double(room->width), double(room->height)}, color);
}

// --- The table ---

void fn_surface_create(Self, Self, int, Args args, RValue& result) {
  result.real = surface_make(integer(args[0]), integer(args[1]));
}

// Freeing what is not there is no fault of the game's.
void fn_surface_free(Self, Self, int, Args args, RValue&) { surface_release(integer(args[0])); }

void fn_surface_exists(Self, Self, int, Args args, RValue& result) {
  result.real = surface_exists(integer(args[0])) ? 1 : 0;
}

void fn_surface_get_width(Self, Self, int, Args args, RValue& result) {
  const RSurface* surface = surface_of(args[0]);
  result.real = surface ? surface->width : -1;
}

void fn_surface_get_height(Self, Self, int, Args args, RValue& result) {
  const RSurface* surface = surface_of(args[0]);
  result.real = surface ? surface->height : -1;
}

void fn_surface_get_texture(Self, Self, int, Args args, RValue& result) {
  const RSurface* surface = surface_of(args[0]);
  result.real = surface ? surface->texture : -1;
}

// --- The target ---

void fn_surface_set_target(Self, Self, int, Args args, RValue& result) {
  if (surface_of(args[0]) == nullptr) return;
  result.real = set_surface_target(integer(args[0])) ? 1 : 0;
}

void fn_surface_reset_target(Self, Self, int, Args, RValue&) { reset_surface_target(); }

// --- Drawing surfaces: (id, ...), origin at the top-left corner ---

void fn_draw_surface(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_whole(*surface, number(args[1]), number(args[2]), 1, 1, 0, kWhite);
  }
}

void fn_draw_surface_ext(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_whole(*surface, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
               number(args[5]), colour(args[6], args[7]));
  }
}

void fn_draw_surface_stretched(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) draw_stretched(*surface, args + 1, kWhite);
}

void fn_draw_surface_stretched_ext(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_stretched(*surface, args + 1, colour(args[5], args[6]));
  }
}

void fn_draw_surface_part(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_part(*surface, args + 1, 1, 1, 0, same_colors(kWhite));
  }
}

void fn_draw_surface_part_ext(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_part(*surface, args + 1, number(args[7]), number(args[8]), 0,
              same_colors(colour(args[9], args[10])));
  }
}

void fn_draw_surface_general(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_part(*surface, args + 1, number(args[7]), number(args[8]), number(args[9]),
              {colour(args[10], args[14]), colour(args[11], args[14]), colour(args[12], args[14]),
               colour(args[13], args[14])});
  }
}

void fn_draw_surface_tiled(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_tiled(*surface, number(args[1]), number(args[2]), 1, 1, kWhite);
  }
}

void fn_draw_surface_tiled_ext(Self, Self, int, Args args, RValue&) {
  if (const RSurface* surface = surface_of(args[0])) {
    draw_tiled(*surface, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
               colour(args[5], args[6]));
  }
}

// --- Pixels ---

bool surface_file_name(const RValue& name, std::string& text) {
  text = name.is_string() ? name.string.str() : std::string();
  if (!text.empty()) return true;
  report_runtime_error("Trying to save surface to empty image file name.", false);
  return false;
}

// Write errors are not the game's concern.
void fn_surface_save(Self, Self, int, Args args, RValue&) {
  const RSurface* surface = surface_of(args[0]);
  std::string name;
  if (surface == nullptr || !surface_file_name(args[1], name)) return;
  save_surface(integer(args[0]), game_path(name), 0, 0, surface->width, surface->height);
}

void fn_surface_save_part(Self, Self, int, Args args, RValue&) {
  std::string name;
  if (surface_of(args[0]) == nullptr || !surface_file_name(args[1], name)) return;
  save_surface(integer(args[0]), game_path(name), integer(args[2]), integer(args[3]),
               integer(args[4]), integer(args[5]));
}

void fn_surface_getpixel(Self, Self, int, Args args, RValue& result) {
  if (surface_of(args[0]) == nullptr) return;
  const uint32_t pixel = surface_pixel(integer(args[0]), integer(args[1]), integer(args[2]));
  result.real = double((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

void fn_surface_copy(Self, Self, int, Args args, RValue&) {
  const RSurface* destination = surface_of(args[0]);
  const RSurface* source = destination ? surface_of(args[3]) : nullptr;
  if (source == nullptr) return;
  surface_copy_rectangle(integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]), 0,
                         0, source->width, source->height);
}

void fn_surface_copy_part(Self, Self, int, Args args, RValue&) {
  const RSurface* destination = surface_of(args[0]);
  if (destination == nullptr || surface_of(args[3]) == nullptr) return;
  surface_copy_rectangle(integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]),
                         integer(args[4]), integer(args[5]), integer(args[6]), integer(args[7]));
}

}  // namespace

void register_surface_functions() {
  register_function("surface_create", fn_surface_create, 2);
  register_function("surface_free", fn_surface_free, 1);
  register_function("surface_exists", fn_surface_exists, 1);
  register_function("surface_get_width", fn_surface_get_width, 1);
  register_function("surface_get_height", fn_surface_get_height, 1);
  register_function("surface_get_texture", fn_surface_get_texture, 1);
  register_function("surface_set_target", fn_surface_set_target, 1);
  register_function("surface_reset_target", fn_surface_reset_target, 0);
  register_function("draw_surface", fn_draw_surface, 3);
  register_function("draw_surface_ext", fn_draw_surface_ext, 8);
  register_function("draw_surface_stretched", fn_draw_surface_stretched, 5);
  register_function("draw_surface_stretched_ext", fn_draw_surface_stretched_ext, 7);
  register_function("draw_surface_part", fn_draw_surface_part, 7);
  register_function("draw_surface_part_ext", fn_draw_surface_part_ext, 11);
  register_function("draw_surface_general", fn_draw_surface_general, 15);
  register_function("draw_surface_tiled", fn_draw_surface_tiled, 3);
  register_function("draw_surface_tiled_ext", fn_draw_surface_tiled_ext, 7);
  register_function("surface_save", fn_surface_save, 2);
  register_function("surface_save_part", fn_surface_save_part, 6);
  register_function("surface_getpixel", fn_surface_getpixel, 3);
  register_function("surface_copy", fn_surface_copy, 4);
  register_function("surface_copy_part", fn_surface_copy_part, 8);
}

}  // namespace vn
