#include "runner/Function_Message.h"

#include <algorithm>
#include <cmath>

#include "graphics/Background_Class.h"
#include "graphics/Sprite_Class.h"
#include "runner/Runner_Menu.h"
#include "runner/Support_Message.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// A text argument that is not message text (a default, menu items, a caption): a real
// becomes its number as a message shows it.
std::string plain_text(const RValue& value) {
  return value.is_string() ? value.string.str() : message_real_text(value.real);
}

void fn_show_message(Self, Self, int, Args args, RValue&) {
  show_game_message(message_text(args[0]));
}

void fn_show_question(Self, Self, int, Args args, RValue& result) {
  result = ask_question(message_text(args[0])) ? 1.0 : 0.0;
}

void fn_show_message_ext(Self, Self, int, Args args, RValue& result) {
  result = double(show_message_ext_form(message_text(args[0]), message_text(args[1]),
                                        message_text(args[2]), message_text(args[3])));
}

void fn_get_string(Self, Self, int, Args args, RValue& result) {
  result = ask_string(message_text(args[0]), plain_text(args[1]));
}

void fn_get_integer(Self, Self, int, Args args, RValue& result) {
  result = ask_integer(message_text(args[0]), number(args[1]));
}

void fn_message_background(Self, Self, int, Args args, RValue&) {
  const CBackground* background = background_at(integer(args[0]));
  if (background == nullptr) {
    report_runtime_error("Trying to set a non-existing message background", false);
    return;
  }
  const RImage& picture = background->image.image();
  if (picture.empty() || picture.pixels.size() < size_t(picture.width) * size_t(picture.height)) {
    message_settings().background.reset();
    return;
  }
  message_settings().background = message_background_picture(picture);
}

void fn_message_button(Self, Self, int, Args args, RValue&) {
  const CSprite* sprite = sprite_at(integer(args[0]));
  if (sprite == nullptr) {
    report_runtime_error("Trying to set a non-existing message button", false);
    return;
  }
  std::vector<RImage>& pictures = message_settings().button_pictures;
  pictures.clear();
  if (sprite->frames.empty() || sprite->frames[0].image().empty()) return;
  // Normal; under the mouse (else normal); pressed (else under the mouse).
  for (size_t frame : {size_t(0), size_t(1), size_t(2)}) {
    pictures.push_back(frame < sprite->frames.size() ? sprite->frames[frame].image()
                                                     : pictures.back());
  }
}

void fn_message_alpha(Self, Self, int, Args args, RValue&) {
  const double alpha = std::round(number(args[0]) * 255.0);
  message_settings().alpha = std::isnan(alpha) ? 255 : int(std::clamp(alpha, 0.0, 255.0));
}

RMessageFont font_of(Args args) {
  return RMessageFont{text(args[0]), integer(args[1]), integer(args[2]), integer(args[3])};
}

void fn_message_text_font(Self, Self, int, Args args, RValue&) {
  message_settings().text_font = font_of(args);
}

void fn_message_button_font(Self, Self, int, Args args, RValue&) {
  message_settings().button_font = font_of(args);
}

void fn_message_input_font(Self, Self, int, Args args, RValue&) {
  message_settings().input_font = font_of(args);
}

void fn_message_mouse_color(Self, Self, int, Args args, RValue&) {
  message_settings().mouse_colour = integer(args[0]);
}

void fn_message_input_color(Self, Self, int, Args args, RValue&) {
  message_settings().input_colour = integer(args[0]);
}

void fn_message_caption(Self, Self, int, Args args, RValue&) {
  message_settings().border = boolean(args[0]);
  message_settings().caption = text(args[1]);
}

void fn_message_position(Self, Self, int, Args args, RValue&) {
  message_settings().x = integer(args[0]);
  message_settings().y = integer(args[1]);
}

void fn_message_size(Self, Self, int, Args args, RValue&) {
  message_settings().width = integer(args[0]);
  message_settings().height = integer(args[1]);
}

void fn_show_menu(Self, Self, int, Args args, RValue& result) {
  result = show_menu(plain_text(args[0]), number(args[1]));
}

void fn_show_menu_pos(Self, Self, int, Args args, RValue& result) {
  result = show_menu(plain_text(args[2]), number(args[3]),
                     std::make_pair(integer(args[0]), integer(args[1])));
}

}  // namespace

void register_message_functions() {
  register_function("show_message", fn_show_message, 1);
  register_function("show_question", fn_show_question, 1);
  register_function("show_message_ext", fn_show_message_ext, 4);
  register_function("get_string", fn_get_string, 2);
  register_function("get_integer", fn_get_integer, 2);
  register_function("message_background", fn_message_background, 1);
  register_function("message_button", fn_message_button, 1);
  register_function("message_alpha", fn_message_alpha, 1);
  register_function("message_text_font", fn_message_text_font, 4);
  register_function("message_button_font", fn_message_button_font, 4);
  register_function("message_input_font", fn_message_input_font, 4);
  register_function("message_mouse_color", fn_message_mouse_color, 1);
  register_function("message_input_color", fn_message_input_color, 1);
  register_function("message_caption", fn_message_caption, 2);
  register_function("message_position", fn_message_position, 2);
  register_function("message_size", fn_message_size, 2);
  register_function("show_menu", fn_show_menu, 2);
  register_function("show_menu_pos", fn_show_menu_pos, 4);
}

}  // namespace vn
