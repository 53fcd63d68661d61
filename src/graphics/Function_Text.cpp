#include "graphics/Function_Text.h"

#include <algorithm>
#include <array>
#include <memory>

#include "graphics/Font_Build.h"
#include "graphics/Font_Main.h"
#include "graphics/Graphics_Text.h"
#include "graphics/Sprite_Class.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// --- State and measures ---

void fn_draw_set_font(Self, Self, int, Args args, RValue&) { set_text_font(integer(args[0])); }
void fn_draw_set_halign(Self, Self, int, Args args, RValue&) { set_text_halign(integer(args[0])); }
void fn_draw_set_valign(Self, Self, int, Args args, RValue&) { set_text_valign(integer(args[0])); }

void fn_string_width(Self, Self, int, Args args, RValue& result) {
  std::array<char, 64> buffer;
  result.real = string_width(text_font(), text_argument(args[0], buffer));
}

void fn_string_height(Self, Self, int, Args args, RValue& result) {
  std::array<char, 64> buffer;
  result.real = string_height(text_font(), text_argument(args[0], buffer));
}

void fn_string_width_ext(Self, Self, int, Args args, RValue& result) {
  std::array<char, 64> buffer;
  result.real = string_width(text_font(), text_argument(args[0], buffer), integer(args[2]));
}

void fn_string_height_ext(Self, Self, int, Args args, RValue& result) {
  std::array<char, 64> buffer;
  result.real = string_height(text_font(), text_argument(args[0], buffer), integer(args[1]),
                              integer(args[2]));
}

// --- Drawing: (x, y, string, [sep, w,] [xscale, yscale, angle,] [c1, c2, c3, c4, alpha]) ---

void draw(Args args, int separation, int wrap_width, const RTextStyle& style) {
  std::array<char, 64> buffer;
  draw_text(number(args[0]), number(args[1]), text_argument(args[2], buffer), separation,
            wrap_width, style);
}

RTextStyle transformed(Args scale_and_angle) {
  RTextStyle style;
  style.xscale = number(scale_and_angle[0]);
  style.yscale = number(scale_and_angle[1]);
  style.angle = number(scale_and_angle[2]);
  return style;
}

void set_corner_colors(RTextStyle& style, Args colors) {
  style.corner_colors = true;
  for (size_t i = 0; i < 4; ++i) style.colors[i] = integer(colors[i]);
  style.alpha = number(colors[4]);
}

void fn_draw_text(Self, Self, int, Args args, RValue&) { draw(args, -1, -1, RTextStyle()); }

void fn_draw_text_ext(Self, Self, int, Args args, RValue&) {
  draw(args, integer(args[3]), integer(args[4]), RTextStyle());
}

void fn_draw_text_transformed(Self, Self, int, Args args, RValue&) {
  draw(args, -1, -1, transformed(args + 3));
}

void fn_draw_text_ext_transformed(Self, Self, int, Args args, RValue&) {
  draw(args, integer(args[3]), integer(args[4]), transformed(args + 5));
}

void fn_draw_text_color(Self, Self, int, Args args, RValue&) {
  RTextStyle style;
  set_corner_colors(style, args + 3);
  draw(args, -1, -1, style);
}

void fn_draw_text_transformed_color(Self, Self, int, Args args, RValue&) {
  RTextStyle style = transformed(args + 3);
  set_corner_colors(style, args + 6);
  draw(args, -1, -1, style);
}

void fn_draw_text_ext_color(Self, Self, int, Args args, RValue&) {
  RTextStyle style;
  set_corner_colors(style, args + 5);
  draw(args, integer(args[3]), integer(args[4]), style);
}

void fn_draw_text_ext_transformed_color(Self, Self, int, Args args, RValue&) {
  RTextStyle style = transformed(args + 5);
  set_corner_colors(style, args + 8);
  draw(args, integer(args[3]), integer(args[4]), style);
}

// --- Font resources ---

// Face name, size, bold, italic, first, last: a sheet built from the system's fonts.
bool build_from_arguments(CFont& font, Args args) {
  font.font_name = text(args[0]);
  font.size = integer(args[1]);
  font.bold = boolean(args[2]);
  font.italic = boolean(args[3]);
  font.first = std::clamp(integer(args[4]), 0, 255);
  font.last = std::clamp(integer(args[5]), 0, 255);
  return build_font_sheet(font);
}

void fn_font_add(Self, Self, int, Args args, RValue& result) {
  auto font = std::make_unique<CFont>();
  if (!build_from_arguments(*font, args)) {
    result.real = -1;
    return;
  }
  result.real = add_font(std::move(font));
}

void fn_font_replace(Self, Self, int, Args args, RValue& result) {
  CFont* font = font_at(integer(args[0]));
  if (font == nullptr) {
    report_runtime_error("Trying to replace non-existing font.", false);
    return;
  }
  font->clear();
  result.real = build_from_arguments(*font, args + 1) ? 1 : 0;
}

void fn_font_add_sprite(Self, Self, int, Args args, RValue& result) {
  const int sprite_index = integer(args[0]);
  const CSprite* sprite = sprite_at(sprite_index);
  if (sprite == nullptr) {
    report_runtime_error("Trying to create font from non-existing sprite.", false);
    result.real = -1;
    return;
  }
  auto font = std::make_unique<CFont>();
  font->set_from_sprite(*sprite, sprite_index, integer(args[1]), boolean(args[2]),
                        integer(args[3]));
  result.real = add_font(std::move(font));
}

void fn_font_replace_sprite(Self, Self, int, Args args, RValue& result) {
  CFont* font = font_at(integer(args[0]));
  if (font == nullptr) {
    report_runtime_error("Trying to replace non-existing font.", false);
    return;
  }
  const int sprite_index = integer(args[1]);
  const CSprite* sprite = sprite_at(sprite_index);
  if (sprite == nullptr) {
    report_runtime_error("Trying to replace font from non-existing sprite.", false);
    return;
  }
  font->set_from_sprite(*sprite, sprite_index, integer(args[2]), boolean(args[3]),
                        integer(args[4]));
  result.real = 1;
}

void fn_font_delete(Self, Self, int, Args args, RValue&) {
  if (!delete_font(integer(args[0]))) {
    report_runtime_error("Trying to delete non-existing font.", false);
  }
}

void fn_font_exists(Self, Self, int, Args args, RValue& result) {
  result.real = font_at(integer(args[0])) ? 1 : 0;
}

void fn_font_get_name(Self, Self, int, Args args, RValue& result) {
  result.set_string(font_name(integer(args[0])));
}

void fn_font_get_fontname(Self, Self, int, Args args, RValue& result) {
  const CFont* font = font_at(integer(args[0]));
  result.set_string(font ? font->font_name : std::string());
}

// The getters give −1 for a font that does not exist.
template <int (*Field)(const CFont&)>
void fn_font_get(Self, Self, int, Args args, RValue& result) {
  const CFont* font = font_at(integer(args[0]));
  result.real = font ? Field(*font) : -1;
}

int size_of(const CFont& font) { return font.size; }
int bold_of(const CFont& font) { return font.bold ? 1 : 0; }
int italic_of(const CFont& font) { return font.italic ? 1 : 0; }
int first_of(const CFont& font) { return font.first; }
int last_of(const CFont& font) { return font.last; }

}  // namespace

void register_text_functions() {
  register_function("draw_set_font", fn_draw_set_font, 1);
  register_function("draw_set_halign", fn_draw_set_halign, 1);
  register_function("draw_set_valign", fn_draw_set_valign, 1);
  register_function("string_width", fn_string_width, 1);
  register_function("string_height", fn_string_height, 1);
  register_function("string_width_ext", fn_string_width_ext, 3);
  register_function("string_height_ext", fn_string_height_ext, 3);
  register_function("draw_text", fn_draw_text, 3);
  register_function("draw_text_ext", fn_draw_text_ext, 5);
  register_function("draw_text_transformed", fn_draw_text_transformed, 6);
  register_function("draw_text_ext_transformed", fn_draw_text_ext_transformed, 8);
  register_function("draw_text_color", fn_draw_text_color, 8);
  register_function("draw_text_transformed_color", fn_draw_text_transformed_color, 11);
  register_function("draw_text_ext_color", fn_draw_text_ext_color, 10);
  register_function("draw_text_ext_transformed_color", fn_draw_text_ext_transformed_color, 13);
  register_function("font_exists", fn_font_exists, 1);
  register_function("font_get_name", fn_font_get_name, 1);
  register_function("font_name", fn_font_get_name, 1);
  register_function("font_get_fontname", fn_font_get_fontname, 1);
  register_function("font_get_size", fn_font_get<size_of>, 1);
  register_function("font_get_bold", fn_font_get<bold_of>, 1);
  register_function("font_get_italic", fn_font_get<italic_of>, 1);
  register_function("font_get_first", fn_font_get<first_of>, 1);
  register_function("font_get_last", fn_font_get<last_of>, 1);
  register_function("font_add", fn_font_add, 6);
  register_function("font_replace", fn_font_replace, 7);
  register_function("font_add_sprite", fn_font_add_sprite, 4);
  register_function("font_replace_sprite", fn_font_replace_sprite, 5);
  register_function("font_delete", fn_font_delete, 1);
}

}  // namespace vn
