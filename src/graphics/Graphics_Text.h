// Text: the font and alignment state, the layout of a text in lines (line breaks, word
// wrapping) and drawing it from a font's glyph sheet or sprite frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/Font_Class.h"

namespace vn {

struct RValue;

// The font (an index in the font list; −1 or one that names no font draws with the default
// font) and the alignments: 0 left / top, 1 centre / middle, 2 right / bottom.
void set_text_font(int64_t index);
int text_font_index();
const CFont& text_font();
void set_text_halign(int64_t align);
void set_text_valign(int64_t align);
int text_halign();
int text_valign();
// Back to the default font, left and top (a new game).
void reset_text_state();

// A text argument as drawn: a string as it is; a whole real as an integer, any other with
// two decimals (written into the buffer).
std::string_view text_argument(const RValue& value, std::array<char, 64>& buffer);

// A text laid out in lines. "#" breaks a line and "\#" is a "#"; a line feed, a carriage
// return or both break it too. With a wrap width ≥ 0 lines are cut into words (each ending
// after a space or a "-") that fill lines up to that width, at least one word a line.
class CTextLayout {
 public:
  struct RLine {
    uint32_t start = 0;  // in text()
    uint32_t length = 0;
    int width = 0;  // the sum of the characters' advances
  };

  void lay_out(std::string_view text, const CFont& font, int wrap_width);

  std::string_view text() const { return text_; }
  const std::vector<RLine>& lines() const { return lines_; }
  std::string_view line_text(const RLine& line) const {
    return text_.substr(line.start, line.length);
  }
  // The widest line's width, at least 1.
  int width() const;
  // The line height plus the separation (the line height when negative) per further line;
  // 1 without lines.
  int height(const CFont& font, int separation) const;

 private:
  void add_line(uint32_t start, uint32_t end, const CFont& font, int wrap_width);

  std::string_view text_;
  std::string normalised_;  // kept between uses, so that laying out rarely allocates
  std::vector<RLine> lines_;
};

int string_width(const CFont& font, std::string_view text, int wrap_width = -1);
int string_height(const CFont& font, std::string_view text, int separation = -1,
                  int wrap_width = -1);

// How a text is drawn: scaled and turned (degrees, counter-clockwise) about its position,
// in the draw colour and alpha or with a colour per corner of the text (script colours
// top-left, top-right, bottom-right, bottom-left) spread along each line.
struct RTextStyle {
  double xscale = 1;
  double yscale = 1;
  double angle = 0;
  bool corner_colors = false;
  std::array<int32_t, 4> colors{};
  double alpha = 1;
};

// The text in the current font and alignment at (x, y): a separation below 0 is the line
// height, a wrap width below 0 does not wrap.
void draw_text(double x, double y, std::string_view text, int separation, int wrap_width,
               const RTextStyle& style);

}  // namespace vn
