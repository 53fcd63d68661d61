#include "graphics/Font_Class.h"

#include <algorithm>

#include "graphics/Sprite_Class.h"
#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kFontVersion = 800;

void CFont::read(CStream& stream) {
  *this = CFont();
  expect_version(stream, kFontVersion);
  font_name = read_string(stream);
  size = read_int(stream);
  bold = read_bool(stream);
  italic = read_bool(stream);
  first = read_int(stream);
  last = read_int(stream);
  for (RGlyph& glyph : glyphs) {
    glyph.x = read_int(stream);
    glyph.y = read_int(stream);
    glyph.width = read_int(stream);
    glyph.height = read_int(stream);
    glyph.shift = read_int(stream);
    glyph.offset = read_int(stream);
  }
  sheet_width = read_int(stream);
  sheet_height = read_int(stream);
  sheet = read_raw_block(stream).take_bytes();
  // Drawing indexes the sheet by its stated size: a block of another size is corrupt.
  if (sheet_width < 0 || sheet_height < 0 ||
      uint64_t(sheet_width) * uint64_t(sheet_height) != sheet.size()) {
    throw DataError("font sheet size does not match its data");
  }
}

void CFont::write(CStream& stream) const {
  write_int(stream, kFontVersion);
  write_string(stream, font_name);
  write_int(stream, size);
  write_bool(stream, bold);
  write_bool(stream, italic);
  write_int(stream, first);
  write_int(stream, last);
  for (const RGlyph& glyph : glyphs) {
    write_int(stream, glyph.x);
    write_int(stream, glyph.y);
    write_int(stream, glyph.width);
    write_int(stream, glyph.height);
    write_int(stream, glyph.shift);
    write_int(stream, glyph.offset);
  }
  write_int(stream, sheet_width);
  write_int(stream, sheet_height);
  write_raw_block(stream, sheet);
}

void CFont::set_from_sprite(const CSprite& source, int sprite_index, int first_code,
                            bool proportional, int separation) {
  clear();
  sprite = sprite_index;
  first = std::clamp(first_code, 0, 255);
  last = std::min(255, first + int(source.frames.size()) - 1);
  const int frame_height = source.height();
  for (int code = first; code <= last; ++code) {
    const TBitmap32& frame = source.frames[size_t(code - first)];
    int left = 0;
    int top = 0;
    int right = frame.width();  // past the box
    int bottom = frame.height();
    if (proportional) {
      // The box of the pixels with any alpha; an empty frame has none.
      left = frame.width();
      top = frame.height();
      right = 0;
      bottom = 0;
      for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
          if ((frame.pixel(x, y) >> 24) == 0) continue;
          left = std::min(left, x);
          right = std::max(right, x + 1);
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
        }
      }
      if (right == 0) left = top = bottom = 0;
    }
    RGlyph& glyph = glyphs[size_t(code)];
    glyph.x = left;
    glyph.y = top;
    glyph.width = right - left;
    glyph.height = frame_height;
    glyph.shift = right - left + separation;
    glyph.offset = -left;
  }
}

}  // namespace vn
