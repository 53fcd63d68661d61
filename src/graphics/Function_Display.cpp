#include "graphics/Function_Display.h"

#include <algorithm>
#include <cstdint>

#include "graphics/Graphics_Display.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Display.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Function_Math.h"

namespace vn {

namespace {

using Args = const RValue*;

constexpr int64_t kFarthestPixel = 1000000;

double real_of(const RValue& value) { return value.is_real() ? value.real : 0.0; }
int32_t integer_of(const RValue& value) { return round_to_int32(real_of(value)); }
bool truth_of(const RValue& value) { return real_of(value) >= 0.5; }

// Far beyond any desktop, and safe to add to one.
int pixel(double value) {
  return int(std::clamp<int64_t>(round_to_int64(value), -kFarthestPixel, kFarthestPixel));
}

CWindowState& window() { return window_state(); }

// --- The display ---

void fn_display_get_width(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mode().width;
}

void fn_display_get_height(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mode().height;
}

void fn_display_get_colordepth(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mode().bits;
}

void fn_display_get_frequency(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mode().frequency;
}

void fn_display_set_size(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = change_game_display_mode(integer_of(args[0]), integer_of(args[1]), 0, 0);
}

void fn_display_set_colordepth(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = change_game_display_mode(0, 0, 0, integer_of(args[0]));
}

void fn_display_set_frequency(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = change_game_display_mode(0, 0, integer_of(args[0]), 0);
}

void fn_display_set_all(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = change_game_display_mode(integer_of(args[0]), integer_of(args[1]),
                                         integer_of(args[2]), integer_of(args[3]));
}

void fn_display_test_all(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = test_display_mode(integer_of(args[0]), integer_of(args[1]), integer_of(args[2]),
                                  integer_of(args[3]));
}

void fn_display_reset(CInstanceBase*, CInstanceBase*, int, Args, RValue&) {
  restore_game_display_mode();
}

void fn_display_mouse_get_x(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mouse_x();
}

void fn_display_mouse_get_y(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = display_mouse_y();
}

void fn_display_mouse_set(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  set_display_mouse(pixel(real_of(args[0])), pixel(real_of(args[1])));
}

// --- The window's style ---

void fn_window_set_visible(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_visible(truth_of(args[0]));
}

void fn_window_get_visible(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().visible();
}

void fn_window_set_fullscreen(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_fullscreen(truth_of(args[0]));
}

void fn_window_get_fullscreen(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().style().fullscreen;
}

void fn_window_set_showborder(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_border(truth_of(args[0]));
}

void fn_window_get_showborder(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().style().border;
}

void fn_window_set_showicons(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_caption_buttons(truth_of(args[0]));
}

void fn_window_get_showicons(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().style().caption_buttons;
}

void fn_window_set_stayontop(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_stay_on_top(truth_of(args[0]));
}

void fn_window_get_stayontop(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().style().stay_on_top;
}

void fn_window_set_sizeable(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_sizeable(truth_of(args[0]));
}

void fn_window_get_sizeable(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().style().sizeable;
}

void fn_window_set_caption(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_caption(args[0].is_string() ? args[0].string.str() : real_to_text(args[0].real));
}

void fn_window_get_caption(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.set_string(window().caption());
}

void fn_window_set_cursor(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_cursor(integer_of(args[0]));
}

void fn_window_get_cursor(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().cursor();
}

void fn_window_set_color(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_color(integer_of(args[0]));
}

void fn_window_get_color(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().color();
}

// --- Place and size ---

void fn_window_set_position(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_client_position(pixel(real_of(args[0])), pixel(real_of(args[1])));
}

void fn_window_set_size(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_client_size(integer_of(args[0]), integer_of(args[1]));
}

void fn_window_set_rectangle(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_client_position(pixel(real_of(args[0])), pixel(real_of(args[1])));
  window().set_client_size(integer_of(args[2]), integer_of(args[3]));
}

void fn_window_center(CInstanceBase*, CInstanceBase*, int, Args, RValue&) { window().center(); }

void fn_window_default(CInstanceBase*, CInstanceBase*, int, Args, RValue&) {
  window().set_default();
}

void fn_window_get_x(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().client_x();
}

void fn_window_get_y(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().client_y();
}

void fn_window_get_width(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().client_width();
}

void fn_window_get_height(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().client_height();
}

// --- Region and scale ---

void fn_window_set_region_size(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_region(integer_of(args[0]), integer_of(args[1]), truth_of(args[2]));
}

void fn_window_get_region_width(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().region_width();
}

void fn_window_get_region_height(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().region_height();
}

void fn_window_set_region_scale(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  window().set_scale(real_of(args[0]), truth_of(args[1]));
}

void fn_window_get_region_scale(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = window().scale();
}

// --- The mouse through the window ---

// The mouse on the client area, in client pixels.
RPointD client_mouse() {
  const CWindowState& state = window();
  return {double(display_mouse_x()) - state.client_x(),
          double(display_mouse_y()) - state.client_y()};
}

void move_mouse_to_client(const RPointD& point) {
  const CWindowState& state = window();
  set_display_mouse(pixel(state.client_x() + point.x), pixel(state.client_y() + point.y));
}

RPointD view_mouse(int view) {
  const RPointD client = client_mouse();
  const RPointD region = window().client_to_region(client.x, client.y);
  return window().region_to_view(view, region.x, region.y);
}

RPointD views_mouse() {
  const RPointD client = client_mouse();
  const RPointD region = window().client_to_region(client.x, client.y);
  return window().region_to_room(region.x, region.y);
}

void fn_window_mouse_get_x(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = client_mouse().x;
}

void fn_window_mouse_get_y(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = client_mouse().y;
}

void fn_window_mouse_set(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  move_mouse_to_client({real_of(args[0]), real_of(args[1])});
}

void fn_window_view_mouse_get_x(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = view_mouse(integer_of(args[0])).x;
}

void fn_window_view_mouse_get_y(CInstanceBase*, CInstanceBase*, int, Args args, RValue& result) {
  result.real = view_mouse(integer_of(args[0])).y;
}

void fn_window_view_mouse_set(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  const RPointD region =
      window().room_to_region_through(integer_of(args[0]), real_of(args[1]), real_of(args[2]));
  move_mouse_to_client(window().region_to_client(region.x, region.y));
}

void fn_window_views_mouse_get_x(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = views_mouse().x;
}

void fn_window_views_mouse_get_y(CInstanceBase*, CInstanceBase*, int, Args, RValue& result) {
  result.real = views_mouse().y;
}

void fn_window_views_mouse_set(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  const RPointD region = window().room_to_region(real_of(args[0]), real_of(args[1]));
  move_mouse_to_client(window().region_to_client(region.x, region.y));
}

}  // namespace

void register_display_functions() {
  register_function("display_get_width", fn_display_get_width, 0);
  register_function("display_get_height", fn_display_get_height, 0);
  register_function("display_get_colordepth", fn_display_get_colordepth, 0);
  register_function("display_get_frequency", fn_display_get_frequency, 0);
  register_function("display_set_size", fn_display_set_size, 2);
  register_function("display_set_colordepth", fn_display_set_colordepth, 1);
  register_function("display_set_frequency", fn_display_set_frequency, 1);
  register_function("display_set_all", fn_display_set_all, 4);
  register_function("display_test_all", fn_display_test_all, 4);
  register_function("display_reset", fn_display_reset, 0);
  register_function("display_mouse_get_x", fn_display_mouse_get_x, 0);
  register_function("display_mouse_get_y", fn_display_mouse_get_y, 0);
  register_function("display_mouse_set", fn_display_mouse_set, 2);
  register_function("window_set_visible", fn_window_set_visible, 1);
  register_function("window_get_visible", fn_window_get_visible, 0);
  register_function("window_set_fullscreen", fn_window_set_fullscreen, 1);
  register_function("window_get_fullscreen", fn_window_get_fullscreen, 0);
  register_function("window_set_showborder", fn_window_set_showborder, 1);
  register_function("window_get_showborder", fn_window_get_showborder, 0);
  register_function("window_set_showicons", fn_window_set_showicons, 1);
  register_function("window_get_showicons", fn_window_get_showicons, 0);
  register_function("window_set_stayontop", fn_window_set_stayontop, 1);
  register_function("window_get_stayontop", fn_window_get_stayontop, 0);
  register_function("window_set_sizeable", fn_window_set_sizeable, 1);
  register_function("window_get_sizeable", fn_window_get_sizeable, 0);
  register_function("window_set_caption", fn_window_set_caption, 1);
  register_function("window_get_caption", fn_window_get_caption, 0);
  register_function("window_set_cursor", fn_window_set_cursor, 1);
  register_function("window_get_cursor", fn_window_get_cursor, 0);
  register_function("window_set_color", fn_window_set_color, 1);
  register_function("window_get_color", fn_window_get_color, 0);
  register_function("window_set_position", fn_window_set_position, 2);
  register_function("window_set_size", fn_window_set_size, 2);
  register_function("window_set_rectangle", fn_window_set_rectangle, 4);
  register_function("window_center", fn_window_center, 0);
  register_function("window_default", fn_window_default, 0);
  register_function("window_get_x", fn_window_get_x, 0);
  register_function("window_get_y", fn_window_get_y, 0);
  register_function("window_get_width", fn_window_get_width, 0);
  register_function("window_get_height", fn_window_get_height, 0);
  register_function("window_set_region_size", fn_window_set_region_size, 3);
  register_function("window_get_region_width", fn_window_get_region_width, 0);
  register_function("window_get_region_height", fn_window_get_region_height, 0);
  register_function("window_set_region_scale", fn_window_set_region_scale, 2);
  register_function("window_get_region_scale", fn_window_get_region_scale, 0);
  register_function("window_mouse_get_x", fn_window_mouse_get_x, 0);
  register_function("window_mouse_get_y", fn_window_mouse_get_y, 0);
  register_function("window_mouse_set", fn_window_mouse_set, 2);
  register_function("window_view_mouse_get_x", fn_window_view_mouse_get_x, 1);
  register_function("window_view_mouse_get_y", fn_window_view_mouse_get_y, 1);
  register_function("window_view_mouse_set", fn_window_view_mouse_set, 3);
  register_function("window_views_mouse_get_x", fn_window_views_mouse_get_x, 0);
  register_function("window_views_mouse_get_y", fn_window_views_mouse_get_y, 0);
  register_function("window_views_mouse_set", fn_window_views_mouse_set, 2);
}

}  // namespace vn
