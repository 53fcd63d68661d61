// Pop-up menus for show_menu and show_menu_pos: entries separated by "|", "-" a
// separator, the others items numbered from 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct RMenuEntry {
  bool separator = false;
  std::string label;                      // Windows-1252, without the access-key marker
  char key = 0;                           // lower case; 0 when no letter or digit was left for it
  size_t key_offset = std::string::npos;  // position of the key in label
  int number = -1;                        // -1 for a separator
};

// The entries of a menu text, access keys assigned: an entry's own "&" first, then for
// the others, in order, the first letter or digit no other entry has, tried at the
// starts of words before the rest.
std::vector<RMenuEntry> parse_menu(std::string_view items);

// Shows the menu with its top-left corner at that desktop position, or at the mouse
// when none is given; the number of the item chosen, -1 when the menu was closed without
// a choice. Headless (or without a window), the next answer is taken instead and
// default_value when none is left. The game's input state is cleared afterwards.
double show_menu(std::string_view items, double default_value,
                 std::optional<std::pair<int, int>> position = std::nullopt);

}  // namespace vn
