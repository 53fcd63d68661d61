// Built-in functions of the message form and pop-up menus: show_message, show_question,
// show_message_ext, get_string, get_integer, the message_ settings, show_menu and
// show_menu_pos.
#pragma once

namespace vn {

void register_message_functions();

}  // namespace vn
