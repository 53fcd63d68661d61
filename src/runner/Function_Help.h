// Built-in functions of the game information: show_info and load_info.
#pragma once

namespace vn {

void register_help_functions();

}  // namespace vn
