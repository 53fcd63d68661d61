#include "graphics/Font_Build.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Platform_Font.h"

namespace vn {

namespace {

// Limits that keep absurd sizes from exhausting memory: a font beyond them is not made.
constexpr int kLargestEm = 1024;
constexpr int kWidestSheet = 8192;

void clear_sheet(CFont& font) {
  font.glyphs = {};
  font.sheet_width = 0;
  font.sheet_height = 0;
  font.sheet.clear();
}

}  // namespace

int font_pixel_size(int points) {
  // The authoring tool asked its platform for a character height of −points × 96 / 72
  // (rounded): a negative height names the em, not the line, so 12 points is a 16-pixel em.
  const long scaled = long(std::abs(points)) * 96;
  return std::max(1, int((scaled + 36) / 72));
}

bool build_font_sheet(CFont& font) {
  font.sprite = -1;
  font.texture.reset();
  clear_sheet(font);
  const int em = font_pixel_size(font.size);
  if (em > kLargestEm) return false;
  const CFontFace face(RFontRequest{font.font_name, em, font.bold, font.italic});
  if (!face.valid()) return false;

  // Everything the layout needs is measured once; only the sheet width changes per attempt.
  const int line_height = face.text_height();
  const int first = std::clamp(font.first, 0, 255);
  const int last = std::clamp(font.last, 0, 255);
  struct RMeasure {
    bool abc = false;
    int box_width = 0;
  };
  RMeasure measures[256];
  for (int code = first; code <= last; ++code) {
    RGlyph& glyph = font.glyphs[size_t(code)];
    RMeasure& measure = measures[code];
    RCharWidths widths;
    measure.abc = face.char_widths(code, widths);
    if (measure.abc) {
      measure.box_width = widths.b + 1;
      glyph.shift = widths.a + widths.b + widths.c;
      glyph.offset = widths.a;
    } else {
      const int text_width = face.text_width(code);
      measure.box_width = text_width + 1 + (font.italic ? line_height / 2 + 2 : 0);
      glyph.shift = text_width;
      glyph.offset = 0;
    }
    glyph.width = measure.box_width;
    glyph.height = line_height;
  }

  // The width doubles before every attempt until the rows fit in a sheet no taller than
  // it is wide.
  int width = 64;
  int height = 0;
  do {
    width *= 2;
    if (width > kWidestSheet) {
      clear_sheet(font);
      return false;
    }
    int x = 0;
    int y = 0;
    for (int code = first; code <= last; ++code) {
      const int box_width = measures[code].box_width;
      if (x > 0 && x + box_width >= width) {
        x = 0;
        y += line_height + 1;
      }
      font.glyphs[size_t(code)].x = x;
      font.glyphs[size_t(code)].y = y;
      x += box_width + 1;
    }
    height = y + line_height + 1;
  } while (width < height);

  font.sheet_width = width;
  font.sheet_height = height;
  font.sheet.assign(size_t(width) * size_t(height), 0);
  // White on black and black on white, averaged, is the glyph's coverage: it is drawn once.
  for (int code = first; code <= last; ++code) {
    const RGlyph& glyph = font.glyphs[size_t(code)];
    const int pen = measures[code].abc ? glyph.x - glyph.offset : glyph.x;
    face.draw_char(code, pen, glyph.y, font.sheet.data(), width, height);
  }
  return true;
}

}  // namespace vn
