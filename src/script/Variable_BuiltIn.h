// The built-in variables backed by the runner's own state: script arguments, score,
// lives and health, the error flags, the event context, the clock, the directories and
// the game's modes. The world and the input add theirs when they exist.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vn {

// What the runner tells the language about the game it runs.
struct RRunState {
  int32_t game_id = 0;
  bool debug_mode = false;
  bool secure_mode = false;
  std::string temp_directory;     // Windows-1252
  std::string program_directory;  // Windows-1252
  int32_t score = 0;
  int32_t lives = -1;
  double health = 100;
  bool argument_relative = false;
  // Raised when lives or health drop from above 0 to 0 or below (the world performs the
  // "no more lives" or "no more health" event for every instance).
  std::function<void()> lives_depleted;
  std::function<void()> health_depleted;
};
RRunState& run_state();

// Registers the names in their order; called once at start.
void register_builtin_variables();

}  // namespace vn
