#include "graphics/Graphics_Transition.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Surface.h"
#include "graphics/Graphics_Texture.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "world/Instance_Class.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;

struct RUserTransition {
  int32_t function = -1;
  std::string name;
};

struct RTransitionState {
  int old_surface = -1;
  int new_surface = -1;
  std::map<int64_t, RUserTransition> defined;
};

RTransitionState& state() {
  static RTransitionState instance;
  return instance;
}

void free_surfaces() {
  RTransitionState& transition = state();
  surface_release(transition.old_surface);
  surface_release(transition.new_surface);
  transition.old_surface = -1;
  transition.new_surface = -1;
}

// The rectangle (left, top, width, height) of a frame with its top-left corner at (x, y),
// white with the given alpha.
void draw_part(int texture, double left, double top, double width, double height, double x,
               double y, double alpha = 1) {
  if (width <= 0 || height <= 0) return;
  draw_texture_part(texture, left, top, width, height, x, y, 0, 0, 1, 1, 0,
                    same_colors(device_color(0xFFFFFF, alpha)));
}

void draw_whole(int texture, double x, double y, double alpha = 1) {
  const RTexture* picture = texture_at(texture);
  if (picture != nullptr) draw_part(texture, 0, 0, picture->width, picture->height, x, y, alpha);
}

// Kinds 10 ... 13: every other strip of the new frame, the strips due by now, over the
// kind 1 ... 4 that takes over once half the strips are there.
void draw_interlaced(int kind, int old_texture, int new_texture, int width, int height,
                     double fraction, int steps) {
  const int n = std::max(steps, 1);
  const double c = std::nearbyint(fraction * n);
  const int g = n / 2;
  if (c >= n) {
    draw_whole(new_texture, 0, 0);
    return;
  }
  if (g < c) {
    draw_transition_frame(kind - 9, old_texture, new_texture, width, height, (c - g) / g, steps);
  } else {
    draw_whole(old_texture, 0, 0);
  }
  const bool columns = kind == 10 || kind == 11;
  const bool from_start = kind == 10 || kind == 12;
  const double strip = double(columns ? width : height) / n;
  for (int i = 0; i <= g; ++i) {
    const bool due = from_start ? i <= c : i >= g - c;
    if (!due) continue;
    // Strip edges on whole pixels, so that every strip shows its texels unfiltered.
    const double start = std::nearbyint(2 * i * strip);
    const double size = std::nearbyint((2 * i + 1) * strip) - start;
    if (columns) {
      draw_part(new_texture, start, 0, size, height, start, 0);
    } else {
      draw_part(new_texture, 0, start, width, size, 0, start);
    }
  }
}

void run_user_transition(const RUserTransition& user, int width, int height, double fraction,
                         bool& failed) {
  if (failed) return;
  RTransitionState& transition = state();
  CInstance temporary(0, 0, 0, 0);
  RValue args[5] = {double(transition.old_surface), double(transition.new_surface), double(width),
                    double(height), fraction};
  RValue result;
  if (!call_function(user.function, &temporary, &temporary, 5, args, result)) {
    display_error("ERROR in transition function " + user.name + "\r\n" + last_error_message(),
                  false);
    clear_error_flag();
    failed = true;
  }
}

// The frame the back buffer holds now goes into the new frame's surface.
void keep_new_frame() {
  const RSurface* surface = surface_at(state().new_surface);
  if (surface == nullptr) return;
  std::optional<TBitmap32> frame =
      graphics_device().read_back(0, 0, surface->width, surface->height);
  if (set_surface_target(state().new_surface)) {
    graphics_device().clear(kOpaqueBlack);
    reset_surface_target();
  }
  if (frame) texture_upload(surface->texture, *frame);
}

}  // namespace

void draw_transition_frame(int kind, int old_texture, int new_texture, int width, int height,
                           double fraction, int steps) {
  const double w = width;
  const double h = height;
  const double t = std::clamp(fraction, 0.0, 1.0);
  // Rounding is half to even, as everywhere in the games.
  const double cw = std::nearbyint(w * t);
  const double ch = std::nearbyint(h * t);
  switch (kind) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 18:
    case 19:
    case 20:
      draw_whole(old_texture, 0, 0);
      break;
    default:
      break;
  }
  switch (kind) {
    case 1:
      draw_part(new_texture, 0, 0, cw, h, 0, 0);
      break;
    case 2:
      draw_part(new_texture, w - cw, 0, cw, h, w - cw, 0);
      break;
    case 3:
      draw_part(new_texture, 0, 0, w, ch, 0, 0);
      break;
    case 4:
      draw_part(new_texture, 0, h - ch, w, ch, 0, h - ch);
      break;
    case 5: {
      const double left = std::floor((w - cw) / 2);
      const double top = std::floor((h - ch) / 2);
      draw_part(new_texture, left, top, cw, ch, left, top);
      break;
    }
    case 6:
      draw_whole(new_texture, cw - w, 0);
      break;
    case 7:
      draw_whole(new_texture, w - cw, 0);
      break;
    case 8:
      draw_whole(new_texture, 0, ch - h);
      break;
    case 9:
      draw_whole(new_texture, 0, h - ch);
      break;
    case 10:
    case 11:
    case 12:
    case 13:
      draw_interlaced(kind, old_texture, new_texture, width, height, t, steps);
      break;
    case 14:
      draw_whole(old_texture, cw, 0);
      draw_whole(new_texture, cw - w, 0);
      break;
    case 15:
      draw_whole(old_texture, -cw, 0);
      draw_whole(new_texture, w - cw, 0);
      break;
    case 16:
      draw_whole(old_texture, 0, ch);
      draw_whole(new_texture, 0, ch - h);
      break;
    case 17:
      draw_whole(old_texture, 0, -ch);
      draw_whole(new_texture, 0, h - ch);
      break;
    case 18:
    case 19: {
      const RTexture* picture = texture_at(new_texture);
      if (picture == nullptr) break;
      const double angle = (kind == 18 ? 360 : -360) * std::sqrt(t);
      draw_texture_part(new_texture, 0, 0, picture->width, picture->height, w / 2, h / 2,
                        picture->width / 2.0, picture->height / 2.0, t, t, angle,
                        same_colors(device_color(0xFFFFFF, 1)));
      break;
    }
    case 20:
      draw_whole(new_texture, 0, 0, t);
      break;
    case 21:
      graphics_device().clear(kOpaqueBlack);
      if (t <= 0.5) {
        draw_whole(old_texture, 0, 0, 1 - 2 * t);
      } else {
        draw_whole(new_texture, 0, 0, 2 * t - 1);
      }
      break;
    default:
      break;
  }
}

bool transition_pending() { return surface_at(state().old_surface) != nullptr; }

void capture_transition_frame() {
  free_surfaces();
  RWorldState& world = world_state();
  const RRunHooks& hooks = run_hooks();
  if (world.pending_room < 0 || world.transition_kind < 1 ||
      world.transition_kind > kMaxTransitionIndex || !world.automatic_draw || !hooks.draw_room) {
    return;
  }
  CGraphicsDevice& device = graphics_device();
  RTransitionState& transition = state();
  transition.old_surface = surface_make(device.back_buffer_width(), device.back_buffer_height());
  transition.new_surface = surface_make(device.back_buffer_width(), device.back_buffer_height());
  if (transition.new_surface < 0 || !set_surface_target(transition.old_surface)) {
    free_surfaces();
    return;
  }
  device.clear(kOpaqueBlack);
  // The room's draw events run as in any frame; a room change they ask for goes nowhere.
  const int32_t request = world.pending_room;
  world.pending_room = kRequestNone;
  hooks.draw_room();
  if (world.pending_room != kRequestStop) world.pending_room = request;
  reset_surface_target();
}

void play_transition(int kind) {
  if (!transition_pending() || kind < 1) {
    free_surfaces();
    return;
  }
  RTransitionState& transition = state();
  const RRunHooks& hooks = run_hooks();
  std::optional<RUserTransition> user;
  if (kind > kBuiltinTransitions) {
    auto found = transition.defined.find(kind);
    if (found == transition.defined.end()) {
      display_error("Transition Function does not exist.", false);
      free_surfaces();
      return;
    }
    user = found->second;
  }
  keep_new_frame();

  CGraphicsDevice& device = graphics_device();
  const int width = device.back_buffer_width();
  const int height = device.back_buffer_height();
  const RDeviceStates saved = device.states();
  const bool vsync = device.vsync();
  device.set_viewport(0, 0, width, height);
  device.set_projection(0, height, width, 0, 0);
  device.set_current_depth(0);
  const int old_texture = surface_at(transition.old_surface)->texture;
  const int new_texture = surface_at(transition.new_surface)->texture;
  const int steps = std::max(world_state().transition_steps, 1);
  bool failed = false;
  for (int k = 0; k <= steps; ++k) {
    const double fraction = double(k) / steps;
    // The game's own states stay out of the built-in kinds, not out of its function.
    if (!user) {
      device.set_blend_mode(kBlendNormal);
      device.set_texture_blending(true);
      device.set_texture_repeat(false);
      draw_transition_frame(kind, old_texture, new_texture, width, height, fraction, steps);
    } else {
      run_user_transition(*user, width, height, fraction, failed);
    }
    // Each frame is shown at the screen's refresh, whatever the game's synchronisation.
    device.set_vsync(true);
    if (hooks.present_frame) hooks.present_frame();
    device.set_vsync(vsync);
  }
  if (!user) {
    device.set_blend_factors(saved.blend_source, saved.blend_dest);
    device.set_texture_blending(saved.texture_blending);
    device.set_texture_repeat(saved.texture_repeat);
  }
  free_surfaces();
}

bool define_transition(int64_t index, const std::string& function_name) {
  if (index < 1 || index > kMaxTransitionIndex) return false;
  int32_t id = -1;
  if (!find_function(function_name, id)) return false;
  state().defined[index] = RUserTransition{id, function_name};
  return true;
}

bool transition_exists(int64_t index) {
  return (index >= 1 && index <= kBuiltinTransitions) || state().defined.count(index) != 0;
}

void clear_transitions() {
  free_surfaces();
  state().defined.clear();
}

}  // namespace vn
