#include "runner/Option_Main.h"

namespace vn {

void CGameSettings::read(CStream& stream) {
  *this = CGameSettings();
  start_fullscreen = read_bool(stream);
  interpolate = read_bool(stream);
  no_border = read_bool(stream);
  show_cursor = read_bool(stream);
  scaling = read_int(stream);
  sizeable = read_bool(stream);
  stay_on_top = read_bool(stream);
  window_color = read_int(stream);
  set_resolution = read_bool(stream);
  color_depth = read_int(stream);
  resolution = read_int(stream);
  frequency = read_int(stream);
  no_buttons = read_bool(stream);
  vsync = read_bool(stream);
  no_screensaver = read_bool(stream);
  key_f4_fullscreen = read_bool(stream);
  key_f1_help = read_bool(stream);
  key_esc_ends = read_bool(stream);
  key_f5_f6_save_load = read_bool(stream);
  key_f9_screenshot = read_bool(stream);
  close_as_esc = read_bool(stream);
  priority = read_int(stream);
  freeze_unfocused = read_bool(stream);
  loading_bar = read_bool(stream);
  if (loading_bar) {
    loading_back = read_bitmap(stream);
    loading_front = read_bitmap(stream);
  }
  loading_image = read_bitmap(stream);
  loading_transparent = read_bool(stream);
  loading_alpha = read_int(stream);
  scale_loading_bar = read_bool(stream);
  display_errors = read_bool(stream);
  write_errors = read_bool(stream);
  abort_errors = read_bool(stream);
  uninitialized_zero = read_bool(stream);
}

void CGameSettings::write(CStream& stream) const {
  write_bool(stream, start_fullscreen);
  write_bool(stream, interpolate);
  write_bool(stream, no_border);
  write_bool(stream, show_cursor);
  write_int(stream, scaling);
  write_bool(stream, sizeable);
  write_bool(stream, stay_on_top);
  write_int(stream, window_color);
  write_bool(stream, set_resolution);
  write_int(stream, color_depth);
  write_int(stream, resolution);
  write_int(stream, frequency);
  write_bool(stream, no_buttons);
  write_bool(stream, vsync);
  write_bool(stream, no_screensaver);
  write_bool(stream, key_f4_fullscreen);
  write_bool(stream, key_f1_help);
  write_bool(stream, key_esc_ends);
  write_bool(stream, key_f5_f6_save_load);
  write_bool(stream, key_f9_screenshot);
  write_bool(stream, close_as_esc);
  write_int(stream, priority);
  write_bool(stream, freeze_unfocused);
  write_bool(stream, loading_bar);
  if (loading_bar) {
    write_bitmap(stream, loading_back);
    write_bitmap(stream, loading_front);
  }
  write_bitmap(stream, loading_image);
  write_bool(stream, loading_transparent);
  write_int(stream, loading_alpha);
  write_bool(stream, scale_loading_bar);
  write_bool(stream, display_errors);
  write_bool(stream, write_errors);
  write_bool(stream, abort_errors);
  write_bool(stream, uninitialized_zero);
}

}  // namespace vn
