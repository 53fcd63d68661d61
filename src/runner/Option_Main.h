// The game settings record: how the window and display are set up, which keys the
// runner handles itself, the loading screen, priority and the error policy.
#pragma once

#include <cstdint>
#include <optional>

#include "support/Support_Stream.h"

namespace vn {

// Fields in stored order; colours are 0x00BBGGRR.
struct CGameSettings {
  bool start_fullscreen = false;
  bool interpolate = false;
  bool no_border = false;
  bool show_cursor = true;
  int32_t scaling = 100;
  bool sizeable = false;
  bool stay_on_top = false;
  int32_t window_color = 0xFFFFFF;
  bool set_resolution = false;
  int32_t color_depth = 0;
  int32_t resolution = 0;
  int32_t frequency = 0;
  bool no_buttons = false;
  bool vsync = false;
  bool no_screensaver = true;
  bool key_f4_fullscreen = true;
  bool key_f1_help = true;
  bool key_esc_ends = true;
  bool key_f5_f6_save_load = true;
  bool key_f9_screenshot = true;
  bool close_as_esc = true;
  int32_t priority = 0;
  bool freeze_unfocused = false;
  bool loading_bar = true;
  std::optional<RBitmapFile> loading_back;   // stored only when loading_bar is true
  std::optional<RBitmapFile> loading_front;  // stored only when loading_bar is true
  std::optional<RBitmapFile> loading_image;
  bool loading_transparent = false;
  int32_t loading_alpha = 255;
  bool scale_loading_bar = true;
  bool display_errors = true;
  bool write_errors = false;
  bool abort_errors = false;
  bool uninitialized_zero = false;

  // Reads the payload of the settings block; every field starts at its default.
  void read(CStream& stream);
  void write(CStream& stream) const;
};

constexpr int32_t kSettingsVersion = 800;

}  // namespace vn
