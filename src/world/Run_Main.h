// The step cycle: starting and ending the game, one step of the current room with its
// phases in their fixed order, the frame wait, and the requests a step may make.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "world/Room_Main.h"

namespace vn {

enum Request : int32_t {
  kRequestNone = -1,
  kRequestEnd = -100,
  kRequestRestart = -200,
  kRequestLoad = -300,
  kRequestStop = -400,
};

struct RWorldState {
  int32_t room = -1;
  std::vector<std::unique_ptr<CLiveRoom>> live_rooms;
  CLiveRoom* current = nullptr;
  int32_t pending_room = kRequestNone;
  int32_t transition_kind = 0;
  int32_t transition_steps = 80;
  std::string load_file_name;
  std::vector<std::unique_ptr<CInstance>> carried;  // persistent instances between rooms
  int64_t step_counter = 0;
  int32_t fps = 0;
  bool running = false;
  bool paused = false;
  int32_t cursor_sprite = -1;
  // Per event type and number, the objects that have the event themselves or through a
  // parent; collision pairs (i <= j) where either has a collision event with the other.
  std::vector<std::vector<std::vector<int32_t>>> event_objects;
  std::vector<std::pair<int32_t, int32_t>> collision_pairs;
};
RWorldState& world_state();

// True while a request is pending: every dispatch does nothing then.
inline bool request_pending() { return world_state().pending_room != kRequestNone; }

// How the loop meets the outside: drawing and presenting frames, pumping window events,
// the function keys that belong to other subsystems. Unset members do nothing.
struct RRunHooks {
  std::function<void()> pump_events;
  std::function<void()> draw_room;       // into the back buffer
  std::function<void()> present_frame;
  std::function<bool()> window_active;   // unset: always active
  std::function<void()> toggle_fullscreen;
  std::function<void()> show_game_information;
  std::function<bool()> game_information_shown;  // inside the game window
  std::function<void(const std::string&)> save_screenshot;
  // Called once per step after the step counter moved (tests and vn run --steps).
  std::function<void()> after_step;
};
void set_run_hooks(RRunHooks hooks);

void build_event_lists();
bool start_game();
void end_game();
// The loop; returns when the game ends (or the debug form pauses it).
void run_game();
// One step with its frame and request handling.
void single_step();
// Performs the phases of one step (no wait, no request handling).
void perform_step();
// Carries out the pending request; false when the loop must end.
bool handle_request();

}  // namespace vn
