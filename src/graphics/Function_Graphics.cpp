#include "graphics/Function_Graphics.h"

#include <cmath>
#include <string>

#include "graphics/BM32_Color.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Screen.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Graphics_Transition.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_Path.h"
#include "world/Instance_Class.h"
#include "world/Path_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

uint32_t colour(const RValue& value, const RValue& alpha) {
  return device_color(integer(value), number(alpha));
}

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// What a draw needs of a sprite frame or a background: its texture, size and origin.
struct RPicture {
  int texture = -1;
  double width = 0;
  double height = 0;
  double xorigin = 0;
  double yorigin = 0;
};

// A negative frame is the calling instance's own, floor(image_index).
bool sprite_picture(Self self, const RValue& sprite_index, const RValue& frame, RPicture& picture) {
  const CSprite* sprite = sprite_at(integer(sprite_index));
  if (sprite == nullptr) {
    report_runtime_error("Trying to draw non-existing sprite.", false);
    return false;
  }
  int64_t index = integer(frame);
  if (index < 0) {
    const CInstance* instance = as_instance(self);
    index = instance ? int64_t(std::floor(instance->image_index)) : 0;
  }
  picture = {sprite_frame_texture(*sprite, index), double(sprite->width()),
             double(sprite->height()), double(sprite->xorigin), double(sprite->yorigin)};
  return picture.texture >= 0;
}

bool background_picture(const RValue& background_index, RPicture& picture) {
  const CBackground* background = background_at(integer(background_index));
  if (background == nullptr) {
    report_runtime_error("Trying to draw non-existing background.", false);
    return false;
  }
  picture = {background_texture(*background), double(background->width()),
             double(background->height()), 0, 0};
  return picture.texture >= 0;
}

// The frame with its origin at (x, y), scaled about the origin and turned about it.
void draw_transformed(const RPicture& picture, double x, double y, double xscale, double yscale,
                      double angle, uint32_t color) {
  draw_texture_part(picture.texture, 0, 0, picture.width, picture.height, x, y, picture.xorigin,
                    picture.yorigin, xscale, yscale, angle, same_colors(color));
}

// Scaled to width × height with its top-left corner at (x, y); the origin plays no part.
void draw_stretched(const RPicture& picture, double x, double y, double width, double height,
                    uint32_t color) {
  if (width <= 0 || height <= 0) return;
  draw_texture_part(picture.texture, 0, 0, picture.width, picture.height, x, y, 0, 0,
                    width / picture.width, height / picture.height, 0, same_colors(color));
}

// A rectangle of the picture with its top-left corner at (x, y), scaled and turned about it.
void draw_part(const RPicture& picture, Args part, double x, double y, double xscale, double yscale,
               double angle, const RQuadColors& colors) {
  draw_texture_part(picture.texture, number(part[0]), number(part[1]), number(part[2]),
                    number(part[3]), x, y, 0, 0, xscale, yscale, angle, colors);
}

// Repeated over the whole room, one copy's origin at (x, y).
void draw_tiled(const RPicture& picture, double x, double y, double xscale, double yscale,
                uint32_t color) {
  const CLiveRoom* room = current_room();
  if (room == nullptr) return;
  draw_texture_tiled(picture.texture, picture.xorigin, picture.yorigin, x, y, xscale, yscale, true,
                     true, {0, 0, double(room->width), double(room->height)}, color);
}

// --- Drawing state ---

void fn_draw_set_color(Self, Self, int, Args args, RValue&) { set_draw_color(integer(args[0])); }
void fn_draw_set_alpha(Self, Self, int, Args args, RValue&) { set_draw_alpha(number(args[0])); }
void fn_draw_get_color(Self, Self, int, Args, RValue& result) { result.real = draw_color(); }
void fn_draw_get_alpha(Self, Self, int, Args, RValue& result) { result.real = draw_alpha(); }

void fn_draw_set_circle_precision(Self, Self, int, Args args, RValue&) {
  set_circle_precision(integer(args[0]));
}

// --- Colours ---

void fn_make_color_rgb(Self, Self, int, Args args, RValue& result) {
  result.real =
      double(make_color_rgb(round_to_int64(number(args[0])), round_to_int64(number(args[1])),
                            round_to_int64(number(args[2]))));
}

void fn_make_color_hsv(Self, Self, int, Args args, RValue& result) {
  result.real = double(make_color_hsv(number(args[0]), number(args[1]), number(args[2])));
}

void fn_color_get_red(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_red(integer(args[0]));
}
void fn_color_get_green(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_green(integer(args[0]));
}
void fn_color_get_blue(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_blue(integer(args[0]));
}
void fn_color_get_hue(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_hue(integer(args[0]));
}
void fn_color_get_saturation(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_saturation(integer(args[0]));
}
void fn_color_get_value(Self, Self, int, Args args, RValue& result) {
  result.real = color_get_value(integer(args[0]));
}

void fn_merge_color(Self, Self, int, Args args, RValue& result) {
  result.real = double(merge_color(integer(args[0]), integer(args[1]), number(args[2])));
}

// --- Clearing and shapes, in the draw colour and alpha ---

// A script colour in the draw alpha.
uint32_t shade(const RValue& value) { return device_color(integer(value), draw_alpha()); }

void fn_draw_clear(Self, Self, int, Args args, RValue&) {
  graphics_device().clear(device_color(integer(args[0]), 1));
}

void fn_draw_clear_alpha(Self, Self, int, Args args, RValue&) {
  graphics_device().clear(colour(args[0], args[1]), true);
}

void fn_draw_point(Self, Self, int, Args args, RValue&) {
  draw_point(number(args[0]), number(args[1]), draw_device_color());
}

void fn_draw_line(Self, Self, int, Args args, RValue&) {
  const uint32_t color = draw_device_color();
  draw_line(number(args[0]), number(args[1]), number(args[2]), number(args[3]), color, color);
}

void fn_draw_line_width(Self, Self, int, Args args, RValue&) {
  const uint32_t color = draw_device_color();
  draw_line_width(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                  number(args[4]), color, color);
}

void fn_draw_rectangle(Self, Self, int, Args args, RValue&) {
  draw_rectangle(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                 same_colors(draw_device_color()), boolean(args[4]));
}

void fn_draw_roundrect(Self, Self, int, Args args, RValue&) {
  const uint32_t color = draw_device_color();
  draw_roundrect(number(args[0]), number(args[1]), number(args[2]), number(args[3]), color, color,
                 boolean(args[4]));
}

void fn_draw_triangle(Self, Self, int, Args args, RValue&) {
  const uint32_t color = draw_device_color();
  draw_triangle(number(args[0]), number(args[1]), number(args[2]), number(args[3]), number(args[4]),
                number(args[5]), color, color, color, boolean(args[6]));
}

void fn_draw_circle(Self, Self, int, Args args, RValue&) {
  const double x = number(args[0]);
  const double y = number(args[1]);
  const double r = number(args[2]);
  const uint32_t color = draw_device_color();
  draw_ellipse(x - r, y - r, x + r, y + r, color, color, boolean(args[3]));
}

void fn_draw_ellipse(Self, Self, int, Args args, RValue&) {
  const uint32_t color = draw_device_color();
  draw_ellipse(number(args[0]), number(args[1]), number(args[2]), number(args[3]), color, color,
               boolean(args[4]));
}

void fn_draw_arrow(Self, Self, int, Args args, RValue&) {
  draw_arrow(number(args[0]), number(args[1]), number(args[2]), number(args[3]), number(args[4]),
             draw_device_color());
}

void fn_draw_button(Self, Self, int, Args args, RValue&) {
  draw_button(number(args[0]), number(args[1]), number(args[2]), number(args[3]), boolean(args[4]),
              draw_device_color());
}

void fn_draw_healthbar(Self, Self, int, Args args, RValue&) {
  RHealthbar bar;
  bar.amount = number(args[4]);
  bar.back_color = integer(args[5]);
  bar.min_color = integer(args[6]);
  bar.max_color = integer(args[7]);
  bar.direction = integer(args[8]);
  bar.show_back = boolean(args[9]);
  bar.show_border = boolean(args[10]);
  draw_healthbar(number(args[0]), number(args[1]), number(args[2]), number(args[3]), bar);
}

// The path's curve as a line strip, where it lies in the room when absolute, otherwise
// moved so that it starts at (x, y).
void fn_draw_path(Self, Self, int, Args args, RValue&) {
  const TResourceList<CPath>* paths = world_resources().paths;
  const CPath* path = paths ? paths->get(integer(args[0])) : nullptr;
  if (path == nullptr) {
    report_runtime_error("Trying to drawn non-existing path.", false);
    return;
  }
  const std::vector<RCurvePoint>& curve = path->curve();
  if (curve.size() < 2) return;
  double dx = 0;
  double dy = 0;
  if (!boolean(args[3])) {
    dx = number(args[1]) - curve.front().x;
    dy = number(args[2]) - curve.front().y;
  }
  const uint32_t color = draw_device_color();
  for (size_t i = 1; i < curve.size(); ++i) {
    draw_line(curve[i - 1].x + dx, curve[i - 1].y + dy, curve[i].x + dx, curve[i].y + dy, color,
              color);
  }
}

// --- Shapes with their own colours, in the draw alpha ---

void fn_draw_point_color(Self, Self, int, Args args, RValue&) {
  draw_point(number(args[0]), number(args[1]), shade(args[2]));
}

void fn_draw_line_color(Self, Self, int, Args args, RValue&) {
  draw_line(number(args[0]), number(args[1]), number(args[2]), number(args[3]), shade(args[4]),
            shade(args[5]));
}

void fn_draw_line_width_color(Self, Self, int, Args args, RValue&) {
  draw_line_width(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                  number(args[4]), shade(args[5]), shade(args[6]));
}

void fn_draw_rectangle_color(Self, Self, int, Args args, RValue&) {
  draw_rectangle(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                 {shade(args[4]), shade(args[5]), shade(args[6]), shade(args[7])},
                 boolean(args[8]));
}

void fn_draw_roundrect_color(Self, Self, int, Args args, RValue&) {
  draw_roundrect(number(args[0]), number(args[1]), number(args[2]), number(args[3]), shade(args[4]),
                 shade(args[5]), boolean(args[6]));
}

void fn_draw_triangle_color(Self, Self, int, Args args, RValue&) {
  draw_triangle(number(args[0]), number(args[1]), number(args[2]), number(args[3]), number(args[4]),
                number(args[5]), shade(args[6]), shade(args[7]), shade(args[8]), boolean(args[9]));
}

void fn_draw_circle_color(Self, Self, int, Args args, RValue&) {
  const double x = number(args[0]);
  const double y = number(args[1]);
  const double r = number(args[2]);
  draw_ellipse(x - r, y - r, x + r, y + r, shade(args[3]), shade(args[4]), boolean(args[5]));
}

void fn_draw_ellipse_color(Self, Self, int, Args args, RValue&) {
  draw_ellipse(number(args[0]), number(args[1]), number(args[2]), number(args[3]), shade(args[4]),
               shade(args[5]), boolean(args[6]));
}

// --- Primitive lists ---

void fn_draw_primitive_begin(Self, Self, int, Args args, RValue&) {
  primitive_begin(integer(args[0]), -1);
}

void fn_draw_primitive_begin_texture(Self, Self, int, Args args, RValue&) {
  primitive_begin(integer(args[0]), integer(args[1]));
}

void fn_draw_primitive_end(Self, Self, int, Args, RValue&) { primitive_end(); }

void fn_draw_vertex(Self, Self, int, Args args, RValue&) {
  primitive_vertex(number(args[0]), number(args[1]), draw_device_color(), 0, 0);
}

void fn_draw_vertex_color(Self, Self, int, Args args, RValue&) {
  primitive_vertex(number(args[0]), number(args[1]), colour(args[2], args[3]), 0, 0);
}

void fn_draw_vertex_texture(Self, Self, int, Args args, RValue&) {
  primitive_vertex(number(args[0]), number(args[1]), draw_device_color(), number(args[2]),
                   number(args[3]));
}

void fn_draw_vertex_texture_color(Self, Self, int, Args args, RValue&) {
  primitive_vertex(number(args[0]), number(args[1]), colour(args[4], args[5]), number(args[2]),
                   number(args[3]));
}

// --- Sprites: (sprite, subimg, ...) ---

void fn_draw_sprite(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_transformed(picture, number(args[2]), number(args[3]), 1, 1, 0, kWhite);
}

void fn_draw_sprite_ext(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_transformed(picture, number(args[2]), number(args[3]), number(args[4]), number(args[5]),
                   number(args[6]), colour(args[7], args[8]));
}

void fn_draw_sprite_stretched(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_stretched(picture, number(args[2]), number(args[3]), number(args[4]), number(args[5]),
                 kWhite);
}

void fn_draw_sprite_stretched_ext(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_stretched(picture, number(args[2]), number(args[3]), number(args[4]), number(args[5]),
                 colour(args[6], args[7]));
}

void fn_draw_sprite_part(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_part(picture, args + 2, number(args[6]), number(args[7]), 1, 1, 0, same_colors(kWhite));
}

void fn_draw_sprite_part_ext(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_part(picture, args + 2, number(args[6]), number(args[7]), number(args[8]), number(args[9]),
            0, same_colors(colour(args[10], args[11])));
}

void fn_draw_sprite_general(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_part(picture, args + 2, number(args[6]), number(args[7]), number(args[8]), number(args[9]),
            number(args[10]),
            {colour(args[11], args[15]), colour(args[12], args[15]), colour(args[13], args[15]),
             colour(args[14], args[15])});
}

void fn_draw_sprite_tiled(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_tiled(picture, number(args[2]), number(args[3]), 1, 1, kWhite);
}

void fn_draw_sprite_tiled_ext(Self self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!sprite_picture(self, args[0], args[1], picture)) return;
  draw_tiled(picture, number(args[2]), number(args[3]), number(args[4]), number(args[5]),
             colour(args[6], args[7]));
}

// --- Backgrounds: (background, ...), origin 0 ---

void fn_draw_background(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_transformed(picture, number(args[1]), number(args[2]), 1, 1, 0, kWhite);
}

void fn_draw_background_ext(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_transformed(picture, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
                   number(args[5]), colour(args[6], args[7]));
}

void fn_draw_background_stretched(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_stretched(picture, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
                 kWhite);
}

void fn_draw_background_stretched_ext(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_stretched(picture, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
                 colour(args[5], args[6]));
}

void fn_draw_background_part(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_part(picture, args + 1, number(args[5]), number(args[6]), 1, 1, 0, same_colors(kWhite));
}

void fn_draw_background_part_ext(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_part(picture, args + 1, number(args[5]), number(args[6]), number(args[7]), number(args[8]),
            0, same_colors(colour(args[9], args[10])));
}

void fn_draw_background_general(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_part(picture, args + 1, number(args[5]), number(args[6]), number(args[7]), number(args[8]),
            number(args[9]),
            {colour(args[10], args[14]), colour(args[11], args[14]), colour(args[12], args[14]),
             colour(args[13], args[14])});
}

void fn_draw_background_tiled(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_tiled(picture, number(args[1]), number(args[2]), 1, 1, kWhite);
}

void fn_draw_background_tiled_ext(Self, Self, int, Args args, RValue&) {
  RPicture picture;
  if (!background_picture(args[0], picture)) return;
  draw_tiled(picture, number(args[1]), number(args[2]), number(args[3]), number(args[4]),
             colour(args[5], args[6]));
}

// --- Textures ---

void fn_sprite_get_texture(Self, Self, int, Args args, RValue& result) {
  const CSprite* sprite = sprite_at(integer(args[0]));
  result.real = sprite ? sprite_frame_texture(*sprite, integer(args[1])) : -1;
}

void fn_background_get_texture(Self, Self, int, Args args, RValue& result) {
  const CBackground* background = background_at(integer(args[0]));
  result.real = background ? background_texture(*background) : -1;
}

void fn_texture_exists(Self, Self, int, Args args, RValue& result) {
  result.real = texture_exists(integer(args[0])) ? 1 : 0;
}

void fn_texture_get_width(Self, Self, int, Args args, RValue& result) {
  result.real = texture_width_scale(integer(args[0]));
}

void fn_texture_get_height(Self, Self, int, Args args, RValue& result) {
  result.real = texture_height_scale(integer(args[0]));
}

// Textures are in video memory from the moment they are made; priorities change nothing.
void fn_texture_preload(Self, Self, int, Args, RValue&) {}
void fn_texture_set_priority(Self, Self, int, Args, RValue&) {}

void fn_texture_set_interpolation(Self, Self, int, Args args, RValue&) {
  graphics_device().set_interpolation(boolean(args[0]));
}

void fn_texture_set_blending(Self, Self, int, Args args, RValue&) {
  graphics_device().set_texture_blending(boolean(args[0]));
}

void fn_texture_set_repeat(Self, Self, int, Args args, RValue&) {
  graphics_device().set_texture_repeat(boolean(args[0]));
}

// --- Blend modes ---

void fn_draw_set_blend_mode(Self, Self, int, Args args, RValue&) {
  graphics_device().set_blend_mode(integer(args[0]));
}

void fn_draw_set_blend_mode_ext(Self, Self, int, Args args, RValue&) {
  graphics_device().set_blend_factors(integer(args[0]), integer(args[1]));
}

// --- The screen ---

bool screen_file_name(const RValue& name, std::string& text) {
  text = name.is_string() ? name.string.str() : std::string();
  if (!text.empty()) return true;
  report_runtime_error("Trying to save screen to empty image file name.", false);
  return false;
}

// Write errors are not the game's concern.
void fn_screen_save(Self, Self, int, Args args, RValue&) {
  std::string name;
  if (screen_file_name(args[0], name)) save_screen(game_path(name));
}

void fn_screen_save_part(Self, Self, int, Args args, RValue&) {
  std::string name;
  if (!screen_file_name(args[0], name)) return;
  save_screen(game_path(name), integer(args[1]), integer(args[2]), integer(args[3]),
              integer(args[4]));
}

void fn_draw_getpixel(Self, Self, int, Args args, RValue& result) {
  result.real = screen_pixel_at_room_point(number(args[0]), number(args[1]));
}

// The whole frame drawn as the step cycle draws it, views following first, and shown. A
// draw event that redraws the screen would otherwise redraw it without end.
void fn_screen_redraw(Self, Self, int, Args, RValue&) {
  static bool redrawing = false;
  if (redrawing) return;
  redrawing = true;
  const RRunHooks& hooks = run_hooks();
  if (CLiveRoom* room = current_room()) follow_views(*room);
  if (hooks.draw_room) hooks.draw_room();
  if (hooks.present_frame) hooks.present_frame();
  redrawing = false;
}

void fn_screen_refresh(Self, Self, int, Args, RValue&) {
  if (run_hooks().present_frame) run_hooks().present_frame();
}

void fn_screen_wait_vsync(Self, Self, int, Args, RValue&) { wait_for_refresh(); }

void fn_set_automatic_draw(Self, Self, int, Args args, RValue&) {
  world_state().automatic_draw = boolean(args[0]);
}

void fn_set_synchronization(Self, Self, int, Args args, RValue&) {
  graphics_device().set_vsync(boolean(args[0]));
}

// --- Transitions ---

void fn_transition_define(Self, Self, int, Args args, RValue& result) {
  const std::string name = args[1].is_string() ? args[1].string.str() : std::string();
  result.real = define_transition(round_to_int64(number(args[0])), name) ? 1 : 0;
}

void fn_transition_exists(Self, Self, int, Args args, RValue& result) {
  result.real = transition_exists(round_to_int64(number(args[0]))) ? 1 : 0;
}

}  // namespace

void register_graphics_functions() {
  register_function("draw_sprite", fn_draw_sprite, 4);
  register_function("draw_sprite_ext", fn_draw_sprite_ext, 9);
  register_function("draw_sprite_stretched", fn_draw_sprite_stretched, 6);
  register_function("draw_sprite_stretched_ext", fn_draw_sprite_stretched_ext, 8);
  register_function("draw_sprite_part", fn_draw_sprite_part, 8);
  register_function("draw_sprite_part_ext", fn_draw_sprite_part_ext, 12);
  register_function("draw_sprite_general", fn_draw_sprite_general, 16);
  register_function("draw_sprite_tiled", fn_draw_sprite_tiled, 4);
  register_function("draw_sprite_tiled_ext", fn_draw_sprite_tiled_ext, 8);
  register_function("draw_background", fn_draw_background, 3);
  register_function("draw_background_ext", fn_draw_background_ext, 8);
  register_function("draw_background_stretched", fn_draw_background_stretched, 5);
  register_function("draw_background_stretched_ext", fn_draw_background_stretched_ext, 7);
  register_function("draw_background_part", fn_draw_background_part, 7);
  register_function("draw_background_part_ext", fn_draw_background_part_ext, 11);
  register_function("draw_background_general", fn_draw_background_general, 15);
  register_function("draw_background_tiled", fn_draw_background_tiled, 3);
  register_function("draw_background_tiled_ext", fn_draw_background_tiled_ext, 7);
  register_function("draw_set_color", fn_draw_set_color, 1);
  register_function("draw_set_alpha", fn_draw_set_alpha, 1);
  register_function("draw_get_color", fn_draw_get_color, 0);
  register_function("draw_get_alpha", fn_draw_get_alpha, 0);
  register_function("make_color", fn_make_color_rgb, 3);
  register_function("make_color_rgb", fn_make_color_rgb, 3);
  register_function("make_color_hsv", fn_make_color_hsv, 3);
  register_function("color_get_red", fn_color_get_red, 1);
  register_function("color_get_green", fn_color_get_green, 1);
  register_function("color_get_blue", fn_color_get_blue, 1);
  register_function("color_get_hue", fn_color_get_hue, 1);
  register_function("color_get_saturation", fn_color_get_saturation, 1);
  register_function("color_get_value", fn_color_get_value, 1);
  register_function("merge_color", fn_merge_color, 3);
  register_function("draw_set_blend_mode", fn_draw_set_blend_mode, 1);
  register_function("draw_set_blend_mode_ext", fn_draw_set_blend_mode_ext, 2);
  register_function("draw_clear", fn_draw_clear, 1);
  register_function("draw_clear_alpha", fn_draw_clear_alpha, 2);
  register_function("draw_point", fn_draw_point, 2);
  register_function("draw_line", fn_draw_line, 4);
  register_function("draw_line_width", fn_draw_line_width, 5);
  register_function("draw_rectangle", fn_draw_rectangle, 5);
  register_function("draw_roundrect", fn_draw_roundrect, 5);
  register_function("draw_triangle", fn_draw_triangle, 7);
  register_function("draw_circle", fn_draw_circle, 4);
  register_function("draw_ellipse", fn_draw_ellipse, 5);
  register_function("draw_arrow", fn_draw_arrow, 5);
  register_function("draw_button", fn_draw_button, 5);
  register_function("draw_healthbar", fn_draw_healthbar, 11);
  register_function("draw_path", fn_draw_path, 4);
  register_function("draw_point_color", fn_draw_point_color, 3);
  register_function("draw_line_color", fn_draw_line_color, 6);
  register_function("draw_line_width_color", fn_draw_line_width_color, 7);
  register_function("draw_rectangle_color", fn_draw_rectangle_color, 9);
  register_function("draw_roundrect_color", fn_draw_roundrect_color, 7);
  register_function("draw_triangle_color", fn_draw_triangle_color, 10);
  register_function("draw_circle_color", fn_draw_circle_color, 6);
  register_function("draw_ellipse_color", fn_draw_ellipse_color, 7);
  register_function("draw_set_circle_precision", fn_draw_set_circle_precision, 1);
  register_function("draw_primitive_begin", fn_draw_primitive_begin, 1);
  register_function("draw_primitive_begin_texture", fn_draw_primitive_begin_texture, 2);
  register_function("draw_primitive_end", fn_draw_primitive_end, 0);
  register_function("draw_vertex", fn_draw_vertex, 2);
  register_function("draw_vertex_color", fn_draw_vertex_color, 4);
  register_function("draw_vertex_texture", fn_draw_vertex_texture, 4);
  register_function("draw_vertex_texture_color", fn_draw_vertex_texture_color, 6);
  register_function("sprite_get_texture", fn_sprite_get_texture, 2);
  register_function("background_get_texture", fn_background_get_texture, 1);
  register_function("texture_exists", fn_texture_exists, 1);
  register_function("texture_set_interpolation", fn_texture_set_interpolation, 1);
  register_function("texture_set_blending", fn_texture_set_blending, 1);
  register_function("texture_set_repeat", fn_texture_set_repeat, 1);
  register_function("texture_get_width", fn_texture_get_width, 1);
  register_function("texture_get_height", fn_texture_get_height, 1);
  register_function("texture_preload", fn_texture_preload, 1);
  register_function("texture_set_priority", fn_texture_set_priority, 2);
  register_function("set_synchronization", fn_set_synchronization, 1);
  register_function("set_automatic_draw", fn_set_automatic_draw, 1);
  register_function("screen_redraw", fn_screen_redraw, 0);
  register_function("screen_refresh", fn_screen_refresh, 0);
  register_function("screen_wait_vsync", fn_screen_wait_vsync, 0);
  register_function("screen_save", fn_screen_save, 1);
  register_function("screen_save_part", fn_screen_save_part, 5);
  register_function("draw_getpixel", fn_draw_getpixel, 2);
  register_function("transition_define", fn_transition_define, 2);
  register_function("transition_exists", fn_transition_exists, 1);
}

}  // namespace vn
