// The step cycle: starting and ending the game, one step of the current room with its
// phases in their fixed order, the frame wait, and the requests a step may make.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "world/Object_Main.h"
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
  // Parallel to event_objects: where each listed object finds the event, so that
  // dispatch never searches. Rebuilt with the lists; the generation counts rebuilds.
  std::vector<std::vector<std::vector<RListedEvent>>> event_handlers;
  uint64_t event_lists_generation = 0;
  bool automatic_draw = true;  // set_automatic_draw
  int32_t view_current = 0;    // the view being drawn; 0 outside drawing
};
RWorldState& world_state();

// True while a request is pending: every dispatch does nothing then.
inline bool request_pending() { return world_state().pending_room != kRequestNone; }

// How the loop meets the outside: drawing and presenting frames, pumping window events,
// the function keys that belong to other subsystems. Unset members do nothing.
struct RRunHooks {
  std::function<void()> pump_events;
  std::function<void()> draw_room;  // into the back buffer
  std::function<void()> present_frame;
  std::function<bool()> window_active;  // unset: always active
  std::function<void()> toggle_fullscreen;
  std::function<void()> show_game_information;
  std::function<bool()> game_information_shown;  // inside the game window
  std::function<void(const std::string&)> save_screenshot;
  // F5 writes the saved game; a load request (F6, game_load) reads one. Set, they take the
  // place of the world's own saving and loading.
  std::function<void(const std::string&)> save_game;
  std::function<void(const std::string&)> load_game;
  // The window follows the room's region (already limited to at least 8 by 8).
  std::function<void(int width, int height)> resize_window;
  // The frame the next room's transition starts from, and playing that transition.
  std::function<void()> capture_transition_frame;
  std::function<void(int kind)> play_transition;
  // Particle systems: the per-step update, and emptying the two effect systems.
  std::function<void()> update_particles;
  std::function<void()> clear_effect_particles;
  // The debug form's watch list, refreshed at the end of every step in debug mode.
  std::function<void()> refresh_debug;
  // Between end_game and start_game of a restart: what the world does not own (particles,
  // 3D states) starts again as it was at the first start.
  std::function<void()> restarting;
  // Network sessions are served in the game thread once per pass of the loop, never
  // inside a step.
  std::function<void()> service_network;
  // Extension packages when the game starts (false: it does not start) and ends.
  std::function<bool()> start_extensions;
  std::function<void()> end_extensions;
  // Called once per pass of the loop, after the step, its frame and its request (tests
  // and vn run --steps). Clearing world_state().running there ends the loop.
  std::function<void()> after_step;
};
void set_run_hooks(RRunHooks hooks);
const RRunHooks& run_hooks();

// The seed the next start_game uses instead of the clock (vn run --seed); none: the clock.
void set_start_seed(std::optional<uint32_t> seed);

// Error hooks, context names and the lives and health events; start_game installs them
// too, the runner calls it before preparing so that compile errors name their events.
void install_world_hooks();

void build_event_lists();
bool start_game();
void end_game();
// Ends the game without running any of its code (no room-end or game-end event): what is
// left when the player insists on stopping at once.
void abandon_game();
// The loop; returns when the game ends (or the debug form pauses it).
void run_game();
// One step with its frame and request handling.
void single_step();
// Performs the phases of one step (no wait, no request handling).
void perform_step();
// Carries out the pending request; false when the loop must end.
bool handle_request();

// Waits that many microseconds while pumping window events: sleeps in whole
// milliseconds, then spins for the rest. With the fixed clock it only moves the clock.
void frame_wait(int64_t microseconds);
// The microsecond clock of the loop (the fixed clock when one is in use).
int64_t clock_microseconds();

}  // namespace vn
