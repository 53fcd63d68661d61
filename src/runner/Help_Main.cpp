#include "runner/Help_Main.h"

namespace vn {

void CGameInformation::read(CStream& stream) {
  *this = CGameInformation();
  background_color = read_int(stream);
  show_in_game_window = read_bool(stream);
  caption = read_string(stream);
  left = read_int(stream);
  top = read_int(stream);
  width = read_int(stream);
  height = read_int(stream);
  show_border = read_bool(stream);
  sizeable = read_bool(stream);
  stay_on_top = read_bool(stream);
  pause_game = read_bool(stream);
  text = read_raw_block(stream).take_bytes();
}

void CGameInformation::write(CStream& stream) const {
  write_int(stream, background_color);
  write_bool(stream, show_in_game_window);
  write_string(stream, caption);
  write_int(stream, left);
  write_int(stream, top);
  write_int(stream, width);
  write_int(stream, height);
  write_bool(stream, show_border);
  write_bool(stream, sizeable);
  write_bool(stream, stay_on_top);
  write_bool(stream, pause_game);
  write_raw_block(stream, text);
}

}  // namespace vn
