#include "graphics/Graphics_Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "graphics/Font_Main.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Sprite_Class.h"
#include "script/Code_Value.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RTextState {
  int font = -1;
  int halign = 0;
  int valign = 0;
};

RTextState& text_state() {
  static RTextState state;
  return state;
}

int alignment(int64_t align) { return align == 1 || align == 2 ? int(align) : 0; }

// merge_color's rule: each component round((1 − amount) × a + amount × b).
int32_t merge(int32_t a, int32_t b, double amount) {
  int32_t merged = 0;
  for (int shift : {0, 8, 16}) {
    const double from = (a >> shift) & 0xFF;
    const double to = (b >> shift) & 0xFF;
    merged |= int32_t(std::lround((1 - amount) * from + amount * to)) << shift;
  }
  return merged;
}

}  // namespace

void set_text_font(int64_t index) { text_state().font = font_at(index) ? int(index) : -1; }
int text_font_index() { return text_state().font; }
const CFont& text_font() { return font_or_default(text_state().font); }
void set_text_halign(int64_t align) { text_state().halign = alignment(align); }
void set_text_valign(int64_t align) { text_state().valign = alignment(align); }
int text_halign() { return text_state().halign; }
int text_valign() { return text_state().valign; }
void reset_text_state() { text_state() = RTextState(); }

std::string_view text_argument(const RValue& value, std::array<char, 64>& buffer) {
  if (value.is_string()) return value.string.view();
  const double real = value.real;
  int length = 0;
  if (std::isfinite(real) && real == std::floor(real)) {
    length = std::snprintf(buffer.data(), buffer.size(), "%.0f", real == 0 ? 0.0 : real);
  } else {
    length = std::snprintf(buffer.data(), buffer.size(), "%.2f", real);
  }
  return std::string_view(buffer.data(), size_t(std::clamp(length, 0, int(buffer.size()) - 1)));
}

void CTextLayout::lay_out(std::string_view text, const CFont& font, int wrap_width) {
  lines_.clear();
  text_ = text;
  // Most texts have no break or escape and are read where they lie.
  if (text.find_first_of("#\n") != std::string_view::npos) {
    normalised_.clear();
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '\\' && i + 1 < text.size() && text[i + 1] == '#') {
        normalised_ += '#';
        ++i;
      } else if (c == '#' || c == '\n') {
        normalised_ += '\r';
      } else if (c == '\r') {
        normalised_ += '\r';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        normalised_ += c;
      }
    }
    text_ = normalised_;
  }
  // A break at the very end starts no further line.
  uint32_t start = 0;
  const auto size = uint32_t(text_.size());
  while (start < size) {
    const size_t found = text_.find('\r', start);
    const uint32_t end = found == std::string_view::npos ? size : uint32_t(found);
    add_line(start, end, font, wrap_width);
    start = end + 1;
  }
}

void CTextLayout::add_line(uint32_t start, uint32_t end, const CFont& font, int wrap_width) {
  int width = 0;
  if (wrap_width < 0 || start == end) {
    for (uint32_t i = start; i < end; ++i) width += font.advance(uint8_t(text_[i]));
    lines_.push_back({start, end - start, width});
    return;
  }
  uint32_t line_start = start;
  uint32_t position = start;
  bool has_word = false;
  while (position < end) {
    uint32_t word_end = position;
    int word_width = 0;
    while (word_end < end) {
      const char c = text_[word_end++];
      word_width += font.advance(uint8_t(c));
      if (c == ' ' || c == '-') break;
    }
    if (has_word && !(width < wrap_width && width + word_width <= wrap_width)) {
      lines_.push_back({line_start, position - line_start, width});
      line_start = position;
      width = 0;
    }
    width += word_width;
    has_word = true;
    position = word_end;
  }
  lines_.push_back({line_start, end - line_start, width});
}

int CTextLayout::width() const {
  int widest = 1;
  for (const RLine& line : lines_) widest = std::max(widest, line.width);
  return widest;
}

int CTextLayout::height(const CFont& font, int separation) const {
  if (lines_.empty()) return 1;
  const int line_height = font.line_height();
  const int step = separation < 0 ? line_height : separation;
  return line_height + step * int(lines_.size() - 1);
}

namespace {

// One layout serves every measure and draw: its buffers stay allocated between calls.
CTextLayout& shared_layout() {
  static CTextLayout layout;
  return layout;
}

}  // namespace

int string_width(const CFont& font, std::string_view text, int wrap_width) {
  CTextLayout& layout = shared_layout();
  layout.lay_out(text, font, wrap_width);
  return layout.width();
}

int string_height(const CFont& font, std::string_view text, int separation, int wrap_width) {
  CTextLayout& layout = shared_layout();
  layout.lay_out(text, font, wrap_width);
  return layout.height(font, separation);
}

void draw_text(double x, double y, std::string_view text, int separation, int wrap_width,
               const RTextStyle& style) {
  const CFont& font = text_font();
  const CSprite* sprite = nullptr;
  int sheet = -1;
  if (font.sprite >= 0) {
    sprite = sprite_at(font.sprite);
    if (sprite == nullptr || sprite->frames.empty()) return;
  } else {
    sheet = font_texture(font);
    if (sheet < 0) return;  // nothing to draw: advancing alone shows nothing
  }
  CTextLayout& layout = shared_layout();
  layout.lay_out(text, font, wrap_width);
  const int step = separation < 0 ? font.line_height() : separation;
  const int lines = int(layout.lines().size());
  double top = 0;
  if (text_valign() == 1) top = -((lines * step) / 2);
  if (text_valign() == 2) top = -(lines * step);

  // Positions are worked out in the text's own frame, then scaled and turned onto (x, y).
  const double radians = style.angle * kPi / 180;
  const bool turned = std::fabs(radians) >= 0.001;
  const double cosine = turned ? std::cos(radians) : 1;
  const double sine = turned ? std::sin(radians) : 0;
  const uint32_t plain = style.corner_colors ? 0 : draw_device_color();
  RQuadColors colors = same_colors(plain);

  for (int index = 0; index < lines; ++index) {
    const CTextLayout::RLine& line = layout.lines()[size_t(index)];
    double pen = 0;
    if (text_halign() == 1) pen = -(line.width / 2);
    if (text_halign() == 2) pen = -line.width;
    const double start = pen;
    const double line_y = (top + double(index) * step) * style.yscale;
    const double spread = line.width > 0 ? double(line.width) : 1.0;
    for (const char character : layout.line_text(line)) {
      const int code = uint8_t(character);
      const int advance = font.advance(code);
      if (font.in_range(code)) {
        const RGlyph& glyph = font.glyphs[size_t(code)];
        const double local_x = (pen + glyph.offset) * style.xscale;
        const double at_x = x + local_x * cosine + line_y * sine;
        const double at_y = y - local_x * sine + line_y * cosine;
        if (style.corner_colors) {
          const double left = (pen - start) / spread;
          const double right = (pen - start + advance) / spread;
          const auto& c = style.colors;
          colors = {device_color(merge(c[0], c[1], left), style.alpha),
                    device_color(merge(c[0], c[1], right), style.alpha),
                    device_color(merge(c[3], c[2], right), style.alpha),
                    device_color(merge(c[3], c[2], left), style.alpha)};
        }
        if (sprite != nullptr) {
          const int frame = code - font.first;
          if (size_t(frame) < sprite->frames.size()) {
            draw_texture_part(sprite_frame_texture(*sprite, frame), 0, 0, sprite->width(),
                              sprite->height(), at_x, at_y, sprite->xorigin, sprite->yorigin,
                              style.xscale, style.yscale, style.angle, colors);
          }
        } else {
          draw_texture_part(sheet, glyph.x, glyph.y, glyph.width, glyph.height, at_x, at_y, 0, 0,
                            style.xscale, style.yscale, style.angle, colors);
        }
      }
      pen += advance;
    }
  }
}

}  // namespace vn
