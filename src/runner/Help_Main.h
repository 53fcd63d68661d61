// The game information: a rich-text document shown on F1, with its window settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

class CGameInformation {
 public:
  int background_color = 0xE1FFFF;
  bool show_in_game_window = false;
  std::string caption = "Game Information";
  int left = -1;  // negative: centred
  int top = -1;
  int width = 600;
  int height = 400;
  bool show_border = true;
  bool sizeable = true;
  bool stay_on_top = false;
  bool pause_game = true;
  std::vector<uint8_t> text;  // an RTF document

  // The payload of the game-information block; it has no version of its own.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CGameInformation&) const = default;
};

}  // namespace vn
