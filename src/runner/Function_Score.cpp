#include "runner/Function_Score.h"

#include <array>
#include <string>

#include "graphics/Graphics_Text.h"
#include "library/Input_Main.h"
#include "runner/Run_Score.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Variable_BuiltIn.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// Keys typed into the table must not reach the game.
void show_table(int32_t score) {
  show_high_scores(score);
  clear_input();
}

void fn_highscore_show(Self, Self, int, Args args, RValue&) { show_table(integer(args[0])); }

// (score, background, border, new colour, other colour, font name, size): the settings
// stay for later showings, as if set one by one.
void fn_highscore_show_ext(Self, Self, int, Args args, RValue&) {
  RScoreDisplay& display = score_display();
  display.background = integer(args[1]);
  display.border = boolean(args[2]);
  display.new_color = integer(args[3]);
  display.other_color = integer(args[4]);
  display.font_name = text(args[5]);
  display.font_size = integer(args[6]);
  show_table(integer(args[0]));
}

void fn_highscore_set_background(Self, Self, int, Args args, RValue&) {
  score_display().background = integer(args[0]);
}

void fn_highscore_set_border(Self, Self, int, Args args, RValue&) {
  score_display().border = boolean(args[0]);
}

void fn_highscore_set_font(Self, Self, int, Args args, RValue&) {
  RScoreDisplay& display = score_display();
  display.font_name = text(args[0]);
  display.font_size = integer(args[1]);
  display.font_style = integer(args[2]);
}

void fn_highscore_set_strings(Self, Self, int, Args args, RValue&) {
  RScoreDisplay& display = score_display();
  display.caption = text(args[0]);
  display.nobody = text(args[1]);
  display.escape = text(args[2]);
}

void fn_highscore_set_colors(Self, Self, int, Args args, RValue&) {
  RScoreDisplay& display = score_display();
  display.background_color = integer(args[0]);
  display.new_color = integer(args[1]);
  display.other_color = integer(args[2]);
}

void fn_highscore_clear(Self, Self, int, Args, RValue&) { clear_high_scores(); }

void fn_highscore_add(Self, Self, int, Args args, RValue&) {
  add_high_score(text(args[0]), integer(args[1]));
}

void fn_highscore_add_current(Self, Self, int, Args, RValue&) { add_current_high_score(); }

// A place outside 1 ... 10 reads as an empty rank.
RScoreRank rank_at(const RValue& place) {
  const int32_t rank = integer(place);
  if (rank < 1 || rank > kScoreRanks) return RScoreRank();
  return read_score_table(run_state().game_id)[size_t(rank - 1)];
}

void fn_highscore_value(Self, Self, int, Args args, RValue& result) {
  result.real = rank_at(args[0]).score;
}

void fn_highscore_name(Self, Self, int, Args args, RValue& result) {
  result.set_string(rank_at(args[0]).name);
}

// Names are shown as typed: a "#" in one is no line break.
std::string literal_text(const std::string& name) {
  std::string escaped;
  for (char c : name) {
    if (c == '#') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// Ten rows from (x1, y1) down to y2: the name at x1, the score ending at x2, in the game's
// current font and colour; the game's alignment is left as it was.
void fn_draw_highscore(Self, Self, int, Args args, RValue&) {
  const double x1 = arguments::number(args[0]);
  const double y1 = arguments::number(args[1]);
  const double x2 = arguments::number(args[2]);
  const double y2 = arguments::number(args[3]);
  const RScoreTable table = read_score_table(run_state().game_id);
  const RScoreDisplay& display = score_display();
  const int halign = text_halign();
  const int valign = text_valign();
  set_text_valign(0);
  const double row = (y2 - y1) / kScoreRanks;
  for (int r = 0; r < kScoreRanks; ++r) {
    const RScoreRank& rank = table[size_t(r)];
    const double y = y1 + row * r;
    set_text_halign(0);
    draw_text(x1, y, literal_text(shown_score_name(display, rank.name)), -1, -1, RTextStyle());
    set_text_halign(2);
    draw_text(x2, y, std::to_string(rank.score), -1, -1, RTextStyle());
  }
  set_text_halign(halign);
  set_text_valign(valign);
}

}  // namespace

void register_score_functions() {
  register_function("highscore_show", fn_highscore_show, 1);
  register_function("highscore_set_background", fn_highscore_set_background, 1);
  register_function("highscore_set_border", fn_highscore_set_border, 1);
  register_function("highscore_set_font", fn_highscore_set_font, 3);
  register_function("highscore_set_strings", fn_highscore_set_strings, 3);
  register_function("highscore_set_colors", fn_highscore_set_colors, 3);
  register_function("highscore_show_ext", fn_highscore_show_ext, 7);
  register_function("highscore_clear", fn_highscore_clear, 0);
  register_function("highscore_add", fn_highscore_add, 2);
  register_function("highscore_add_current", fn_highscore_add_current, 0);
  register_function("highscore_value", fn_highscore_value, 1);
  register_function("highscore_name", fn_highscore_name, 1);
  register_function("draw_highscore", fn_draw_highscore, 4);
}

}  // namespace vn
