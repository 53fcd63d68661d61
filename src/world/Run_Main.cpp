#include "world/Run_Main.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "graphics/Sprite_Class.h"
#include "library/Input_Main.h"
#include "platform/Platform_Clock.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Signal.h"
#include "script/Code_Error.h"
#include "script/Function_Math.h"
#include "script/Variable_BuiltIn.h"
#include "script/Variable_Main.h"
#include "world/Collision_Main.h"
#include "world/Event_Main.h"
#include "world/Motion_Main.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Save_Game.h"
#include "world/TimeLine_Main.h"
#include "world/Trigger_Main.h"

namespace vn {

namespace {

RRunHooks g_hooks;
std::optional<uint32_t> g_start_seed;
int64_t g_fixed_microseconds = 0;

constexpr int kKeyEscape = 27;
constexpr int kKeyF1 = 112;
constexpr int kKeyF4 = 115;
constexpr int kKeyF5 = 116;
constexpr int kKeyF6 = 117;
constexpr int kKeyF9 = 120;

void pump() {
  if (g_hooks.pump_events) g_hooks.pump_events();
}

bool window_active() { return !g_hooks.window_active || g_hooks.window_active(); }

std::string save_file_name() { return "_save" + std::to_string(run_state().game_id) + ".sav"; }

// "screenshot" N ".png" with the first N from 100 up that names no file yet.
std::string screenshot_file_name() {
  for (int number = 100;; ++number) {
    std::string name = "screenshot" + std::to_string(number) + ".png";
    std::error_code error;
    if (!std::filesystem::exists(name, error)) return name;
  }
}

// Phase 2: each key only when its setting allows it, it was the last key pressed and its
// subsystem is there; the key that acts is consumed.
void function_keys() {
  RInputState& input = input_state();
  const RWorldSettings& settings = world_resources().settings;
  int32_t key = input.last_key;
  if (key == kKeyF1 && settings.key_f1_help && g_hooks.show_game_information) {
    input.last_key = 0;
    g_hooks.show_game_information();
    clear_input();
  } else if (key == kKeyEscape && settings.key_esc_ends) {
    input.last_key = 0;
    world_state().pending_room = kRequestEnd;
  } else if (key == kKeyF4 && settings.key_f4_fullscreen && g_hooks.toggle_fullscreen) {
    input.last_key = 0;
    g_hooks.toggle_fullscreen();
  } else if (key == kKeyF5 && settings.key_f5_f6_save_load) {
    input.last_key = 0;
    if (g_hooks.save_game) {
      g_hooks.save_game(save_file_name());
    } else {
      save_game_to_file(save_file_name());
    }
  } else if (key == kKeyF6 && settings.key_f5_f6_save_load) {
    input.last_key = 0;
    world_state().load_file_name = save_file_name();
    world_state().pending_room = kRequestLoad;
  } else if (key == kKeyF9 && settings.key_f9_screenshot && g_hooks.save_screenshot) {
    input.last_key = 0;
    g_hooks.save_screenshot(screenshot_file_name());
  }
}

// Every instance of the room array in order, destroyed ones included, counted once.
template <typename Visit>
void for_each_instance(CLiveRoom& room, Visit&& visit) {
  size_t count = room.instances().size();
  for (size_t i = 0; i < count && i < room.instances().size(); ++i) {
    visit(*room.instances()[i]);
  }
}

void remember_positions(CLiveRoom& room) {
  for_each_instance(room, [](CInstance& instance) {
    instance.xprevious = instance.x;
    instance.yprevious = instance.y;
    instance.path_positionprevious = std::clamp(instance.path_position, 0.0, 1.0);
  });
}

void step_events(int32_t trigger_moment, int32_t step_number) {
  evaluate_triggers(trigger_moment);
  dispatch_event(kEventStep, step_number);
}

void alarm_phase() {
  for (int32_t alarm = 0; alarm < kAlarmCount; ++alarm) {
    for_each_listed(kEventAlarm, alarm, [alarm](CInstance* instance, const RFoundEvent& found) {
      int32_t& counter = instance->alarm[size_t(alarm)];
      if (counter < 0) return;
      if (--counter == 0) perform_found_event(instance, instance, found, kEventAlarm, alarm);
    });
  }
}

// One of the three key passes: the listed event for every code that qualifies, then the
// no-key or any-key event. Codes beyond the lists' bound still count as a key.
template <typename Qualifies>
void key_pass(int32_t type, Qualifies&& qualifies) {
  bool any = false;
  for (int32_t code = 8; code <= 255; ++code) {
    if (!qualifies(code)) continue;
    any = true;
    dispatch_event(type, code);
  }
  dispatch_event(type, any ? 1 : 0);
}

void keyboard_phase() {
  const RInputState& input = input_state();
  key_pass(kEventKeyboard, [&input](int32_t code) {
    return input.key_down[size_t(code)] || input.key_pressed[size_t(code)];
  });
  key_pass(kEventKeyPress, [&input](int32_t code) { return input.key_pressed[size_t(code)] != 0; });
  key_pass(kEventKeyRelease,
           [&input](int32_t code) { return input.key_released[size_t(code)] != 0; });
}

void joystick_events(int id, int32_t first_direction, int32_t first_button) {
  RJoystickState reading;
  if (!read_joystick(id, reading)) return;
  if (reading.x < 20000) dispatch_event(kEventMouse, first_direction);
  if (reading.x > 44000) dispatch_event(kEventMouse, first_direction + 1);
  if (reading.y < 20000) dispatch_event(kEventMouse, first_direction + 2);
  if (reading.y > 44000) dispatch_event(kEventMouse, first_direction + 3);
  for (int32_t button = 0; button < 8; ++button) {
    if (reading.buttons & (1u << button)) dispatch_event(kEventMouse, first_button + button);
  }
}

void joystick_phase() {
  joystick_events(1, 16, 21);
  joystick_events(2, 31, 36);
}

// Position events go only to instances whose mask holds the mouse.
bool contains_point(const CInstance& instance, double px, double py) {
  return instance_meets_point(instance, px, py, true);
}

void position_event(int32_t number, double px, double py) {
  for_each_listed(kEventMouse, number, [=](CInstance* instance, const RFoundEvent& found) {
    if (contains_point(*instance, px, py)) {
      perform_found_event(instance, instance, found, kEventMouse, number);
    }
  });
}

void mouse_phase() {
  RInputState& input = input_state();
  double previous_x = input.previous_mouse_x;
  double previous_y = input.previous_mouse_y;
  double x = input.mouse_x;
  double y = input.mouse_y;
  input.previous_mouse_x = x;
  input.previous_mouse_y = y;
  bool any = false;
  for (int32_t button = 1; button <= 3; ++button) {
    if (!input.button_down[size_t(button)] && !input.button_pressed[size_t(button)]) continue;
    any = true;
    position_event(button - 1, x, y);
    dispatch_event(kEventMouse, button + 49);
  }
  if (!any) position_event(3, x, y);
  for (int32_t button = 1; button <= 3; ++button) {
    if (!input.button_pressed[size_t(button)]) continue;
    position_event(button + 3, x, y);
    dispatch_event(kEventMouse, 12);
    dispatch_event(kEventMouse, button + 52);
  }
  for (int32_t button = 1; button <= 3; ++button) {
    if (!input.button_released[size_t(button)]) continue;
    position_event(button + 6, x, y);
    dispatch_event(kEventMouse, 13);
    dispatch_event(kEventMouse, button + 55);
  }
  for_each_listed(kEventMouse, 10, [=](CInstance* instance, const RFoundEvent& found) {
    if (contains_point(*instance, x, y) && !contains_point(*instance, previous_x, previous_y)) {
      perform_found_event(instance, instance, found, kEventMouse, 10);
    }
  });
  for_each_listed(kEventMouse, 11, [=](CInstance* instance, const RFoundEvent& found) {
    if (contains_point(*instance, previous_x, previous_y) && !contains_point(*instance, x, y)) {
      perform_found_event(instance, instance, found, kEventMouse, 11);
    }
  });
  if (input.wheel_up) dispatch_event(kEventMouse, 60);
  if (input.wheel_down) dispatch_event(kEventMouse, 61);
}

// Friction, gravity, paths and the move by hspeed and vspeed for every instance; filled
// by motion and collisions.
void motion_phase() { move_instances(); }

// The collision pairs with their solid put-backs and collision events; filled by motion
// and collisions.
void collision_phase() { perform_collision_phase(); }

bool has_box(const CInstance& instance) {
  return sprite_at(instance.sprite_index) || sprite_at(instance.mask_index);
}

// The rectangle test of one boundary event: outside (no overlap at all) or not wholly
// inside; without a sprite and mask both are the point being outside.
bool boundary_condition(const CInstance& instance, bool outside, double left, double top,
                        double right, double bottom) {
  if (!has_box(instance)) {
    bool inside =
        left <= instance.x && instance.x <= right && top <= instance.y && instance.y <= bottom;
    return !inside;
  }
  if (outside) {
    return !(instance.bbox_right >= left && instance.bbox_left <= right &&
             instance.bbox_bottom >= top && instance.bbox_top <= bottom);
  }
  return !(instance.bbox_left >= left && instance.bbox_right <= right && instance.bbox_top >= top &&
           instance.bbox_bottom <= bottom);
}

void boundary_event(int32_t number, bool outside, double left, double top, double right,
                    double bottom) {
  for_each_listed(kEventOther, number, [=](CInstance* instance, const RFoundEvent& found) {
    if (boundary_condition(*instance, outside, left, top, right, bottom)) {
      perform_found_event(instance, instance, found, kEventOther, number);
    }
  });
}

void boundary_phase(CLiveRoom& room) {
  boundary_event(0, true, 0, 0, room.width, room.height);
  boundary_event(1, false, 0, 0, room.width, room.height);
  if (!room.views_enabled) return;
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t v = 0; v < kRoomViewCount; ++v) {
      const CView& view = room.views[size_t(v)];
      if (!view.visible) continue;
      boundary_event((pass == 0 ? 40 : 50) + v, pass == 0, view.view_x, view.view_y,
                     double(view.view_x) + view.view_width, double(view.view_y) + view.view_height);
    }
  }
}

void scroll_backgrounds(CLiveRoom& room) {
  for (CBack& layer : room.backgrounds) {
    layer.x += layer.hspeed;
    layer.y += layer.vspeed;
  }
}

void animation_phase(CLiveRoom& room) {
  for_each_instance(room, [](CInstance& instance) {
    instance.image_index += instance.image_speed;
    const CSprite* sprite = sprite_at(instance.sprite_index);
    double images = sprite ? double(sprite->frames.size()) : 0.0;
    if (std::floor(instance.image_index) < images) return;
    instance.image_index -= images;
    if (const RFoundEvent* found = listed_event(instance.object_index, kEventOther, 7)) {
      perform_found_event(&instance, &instance, *found, kEventOther, 7);
    }
  });
}

void draw_phase(CLiveRoom& room) {
  if (!world_state().automatic_draw) return;
  follow_views(room);
  if (g_hooks.draw_room) g_hooks.draw_room();
}

void present() {
  if (!request_pending() && world_state().automatic_draw && g_hooks.present_frame) {
    g_hooks.present_frame();
  }
}

int64_t steady_microseconds() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The seed start_game uses when the run has not fixed one: the clock, which under the
// fixed clock is the same in every run.
void seed_for_start() {
  if (g_start_seed) {
    set_random_seed(*g_start_seed);
  } else if (fixed_clock()) {
    uint64_t seconds = uint64_t(std::llround(system_time_seconds()));
    set_random_seed(uint32_t(seconds ^ (seconds >> 32)));
  } else {
    seed_random_from_clock();
  }
}

// The state between two passes of the loop, kept so that the debug form's pause and run
// go on with the same deadline.
struct RLoopClock {
  int64_t deadline = 0;
  int64_t second_mark = 0;
  int32_t frames = 0;
};
RLoopClock g_loop;

// A stop signal ends the game as game_end would have in the step just run; a fatal stop
// already under way stays what it is.
void answer_stop_signal() {
  if (stop_requested() && world_state().pending_room != kRequestStop) {
    world_state().pending_room = kRequestEnd;
  }
}

void pass_of_loop() {
  RWorldState& world = world_state();
  perform_step();
  answer_stop_signal();
  int64_t now = clock_microseconds();
  if (now < g_loop.deadline) g_loop.deadline = now;
  CLiveRoom* room = current_room();
  int64_t speed = room ? room->speed : 30;
  if (speed < 1) {
    speed = 1;
    if (room) room->speed = 1;
  }
  int64_t wait = std::clamp<int64_t>(1000000 / speed + g_loop.deadline - now, 0, 1000000);
  frame_wait(wait);
  g_loop.deadline = now + wait;
  if (g_loop.deadline < g_loop.second_mark) g_loop.second_mark = g_loop.deadline;
  if (g_loop.deadline / 1000000 > g_loop.second_mark / 1000000) {
    world.fps = g_loop.frames;
    g_loop.frames = 0;
    g_loop.second_mark = g_loop.deadline;
  }
  ++g_loop.frames;
  present();
  if (!handle_request()) {
    if (g_hooks.after_step) g_hooks.after_step();
    return;
  }
  pump();
  if (g_hooks.service_network) g_hooks.service_network();
  if (g_hooks.after_step) g_hooks.after_step();
}

}  // namespace

RWorldState& world_state() {
  static RWorldState state;
  return state;
}

void set_run_hooks(RRunHooks hooks) { g_hooks = std::move(hooks); }
const RRunHooks& run_hooks() { return g_hooks; }

void set_start_seed(std::optional<uint32_t> seed) { g_start_seed = seed; }

void install_world_hooks() {
  RErrorHooks errors;
  errors.stop_game = [] { world_state().pending_room = kRequestStop; };
  errors.clear_input = [] { clear_input(); };
  set_error_hooks(std::move(errors));
  RContextNames names;
  names.event_name = [](int type, int number) { return event_name(type, number); };
  names.object_name = [](int object) { return object_name(object); };
  names.timeline_name = [](int timeline) { return timeline_name(timeline); };
  set_context_names(std::move(names));
  run_state().lives_depleted = [] { perform_event_all(kEventOther, 6); };
  run_state().health_depleted = [] { perform_event_all(kEventOther, 9); };
}

int64_t clock_microseconds() {
  return fixed_clock() ? g_fixed_microseconds : steady_microseconds();
}

void frame_wait(int64_t microseconds) {
  // Nobody waits for the next frame of a game that is being stopped, and code that waits
  // on purpose (sleep) goes no further once the stop is insisted on.
  auto stopping = [] {
    if (!stop_requested()) return false;
    check_abort();
    return true;
  };
  if (microseconds <= 0 || stopping()) return;
  if (fixed_clock()) {
    g_fixed_microseconds += microseconds;
    advance_fixed_clock(double(microseconds) / 1e6);
    pump();
    return;
  }
  int64_t start = steady_microseconds();
  // Slept in slices, so that a stop signal ends a long wait (a room speed of 1) early.
  for (int64_t left = microseconds - 1000; left >= 1000; left -= 20000) {
    std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(left, 20000)));
    if (stopping()) return;
  }
  for (;;) {
    pump();
    int64_t now = steady_microseconds();
    if (stopping() || now >= start + microseconds || now < start) return;
  }
}

bool start_game() {
  install_world_hooks();
  RWorldState& world = world_state();
  build_event_lists();
  globals_reset();
  run_state().score = 0;
  run_state().lives = -1;
  world.cursor_sprite = -1;
  world.pending_room = kRequestNone;
  world.step_counter = 0;
  world.transition_kind = 0;
  seed_for_start();
  run_library_init_code();
  if (g_hooks.start_extensions && !g_hooks.start_extensions()) return false;
  world.live_rooms.clear();
  const RWorldResources& resources = world_resources();
  world.live_rooms.resize(resources.rooms ? resources.rooms->size() : 0);
  world.carried.clear();
  world.current = nullptr;
  const std::vector<int32_t>* order = resources.room_order;
  if (!order || order->empty()) return false;
  world.running = true;
  // A fatal error in the initialisation code leaves the stop request for the loop.
  if (world.pending_room == kRequestStop) return true;
  start_room(order->front(), true);
  return true;
}

void end_game() {
  RWorldState& world = world_state();
  if (world.current) end_room(true);
  world.current = nullptr;
  world.live_rooms.clear();
  world.carried.clear();
  world.running = false;
  if (g_hooks.end_extensions) g_hooks.end_extensions();
}

void abandon_game() {
  RWorldState& world = world_state();
  world.current = nullptr;
  world.live_rooms.clear();
  world.carried.clear();
  world.running = false;
  world.pending_room = kRequestNone;
}

void perform_step() {
  RWorldState& world = world_state();
  CLiveRoom* room = current_room();
  if (!room) return;
  bool active = window_active();
  if (g_hooks.game_information_shown && g_hooks.game_information_shown()) return;
  if (input_captured()) return;  // the game information or a splash inside the window
  if (world_resources().settings.freeze_unfocused && !active) return;

  function_keys();
  if (!active) clear_input();
  remember_positions(*room);

  step_events(1, 1);
  if (request_pending()) return;
  advance_timelines();
  if (request_pending()) return;
  alarm_phase();
  if (request_pending()) return;
  keyboard_phase();
  if (request_pending()) return;
  joystick_phase();
  if (request_pending()) return;
  mouse_phase();
  if (request_pending()) return;
  step_events(0, 0);
  if (request_pending()) return;
  motion_phase();
  boundary_phase(*room);
  if (request_pending()) return;
  collision_phase();
  if (request_pending()) return;
  step_events(2, 2);
  if (request_pending()) return;

  if (g_hooks.update_particles) g_hooks.update_particles();
  room->purge();
  draw_phase(*room);
  scroll_backgrounds(*room);
  animation_phase(*room);
  ++world.step_counter;
  if (run_state().debug_mode && g_hooks.refresh_debug) g_hooks.refresh_debug();
  end_step_input();
}

bool handle_request() {
  RWorldState& world = world_state();
  int32_t request = world.pending_room;
  switch (request) {
    case kRequestNone:
      return true;
    case kRequestEnd:
    case kRequestStop:
      world.running = false;
      return false;
    case kRequestLoad:
      world.pending_room = kRequestNone;
      clear_input();
      if (g_hooks.load_game) {
        g_hooks.load_game(world.load_file_name);
      } else {
        load_game_from_file(world.load_file_name);
      }
      return true;
    case kRequestRestart:
      end_game();
      if (g_hooks.restarting) g_hooks.restarting();
      if (!start_game()) {
        world.running = false;
        return false;
      }
      return true;
    default:
      if (request < 0) {
        world.pending_room = kRequestNone;
        return true;
      }
      end_room(false);
      // A fatal error in a room end event stops the game instead of entering the room.
      if (world.pending_room == kRequestStop) {
        world.running = false;
        return false;
      }
      start_room(request, false);
      return true;
  }
}

void run_game() {
  RWorldState& world = world_state();
  if (!handle_request()) return;
  g_loop.deadline = clock_microseconds();
  world.fps = 0;
  pump();
  g_loop.deadline = clock_microseconds();
  g_loop.second_mark = g_loop.deadline;
  g_loop.frames = 0;
  while (world.running && !world.paused) {
    check_abort();
    try {
      pass_of_loop();
    } catch (const RRunAborted&) {
      throw;
    } catch (...) {
      // A failure inside one pass does not end the game; the next pass runs normally.
    }
  }
}

void single_step() {
  perform_step();
  answer_stop_signal();
  present();
  handle_request();
  if (g_hooks.after_step) g_hooks.after_step();
}

}  // namespace vn
