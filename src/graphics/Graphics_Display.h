// The display as the game sets it up: the mode its settings ask for at start, mode changes
// made by the game (after which the device draws for the new desktop), and fullscreen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vn {

// The settings' display fields: the mode change at start and its codes (depth 1 16 bits,
// 2 32 bits; resolution 1 320 × 240 ... 6 1600 × 1200; frequency 1 60 Hz ... 5 120 Hz;
// 0 and unknown codes leave that part as it is).
struct RDisplaySettings {
  bool set_resolution = false;
  int32_t color_depth = 0;
  int32_t resolution = 0;
  int32_t frequency = 0;
};

// A mode request: 0 leaves that part as it is.
struct RModeRequest {
  int width = 0;
  int height = 0;
  int frequency = 0;
  int bits = 0;
  bool any() const { return width > 0 || height > 0 || frequency > 0 || bits > 0; }
  bool operator==(const RModeRequest&) const = default;
};

// What the settings' codes ask for (nothing unless set_resolution).
RModeRequest start_mode_request(const RDisplaySettings& settings);

inline constexpr const char* kColorModeQuestion =
    "This application requires 16-bit or 32-bit color mode. Should I switch to a valid color "
    "mode?";

// Yes (true) or No to a question; unset counts as Yes.
using RAskYesNo = std::function<bool(const std::string& question)>;

// The display steps at start, before the game window is made: the mode the settings ask
// for; on a desktop of neither 16 nor 32 bits with no depth asked for, the question above,
// whose No ends the start (false). A mode the display cannot show is not an error.
bool apply_display_settings(const RDisplaySettings& settings, const RAskYesNo& ask = nullptr);

// A mode change by the game, then the device made ready for the (new) desktop. False when
// the display cannot show that mode.
bool change_game_display_mode(int width, int height, int frequency, int bits);
// Back to the desktop's own mode, the device following.
void restore_game_display_mode();

// F4: fullscreen to windowed and back.
void toggle_fullscreen();

}  // namespace vn
