// A font resource: the face it was made from and its glyph sheet, or the frames of a
// sprite that it borrows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Graphics_Texture.h"
#include "support/Support_Stream.h"

namespace vn {

class CSprite;

struct RGlyph {
  int x = 0;  // rectangle in the sheet
  int y = 0;
  int width = 0;
  int height = 0;
  int shift = 0;   // advance to the next character
  int offset = 0;  // horizontal offset at which the glyph is drawn
  bool operator==(const RGlyph&) const = default;
};

class CFont {
 public:
  std::string font_name;
  int size = 12;
  bool bold = false;
  bool italic = false;
  int first = 32;
  int last = 127;
  std::array<RGlyph, 256> glyphs{};  // every code, whatever first and last say
  int sheet_width = 0;
  int sheet_height = 0;
  std::vector<uint8_t> sheet;  // one alpha value per pixel, rows top to bottom
  // A sprite font draws frame c − first of this sprite for character c (not stored: such
  // fonts are made only at run time); −1 for a font with a sheet.
  int sprite = -1;
  // The sheet's texture (a white picture with the sheet as alpha), made at the start of the
  // game or when first drawn. Whatever changes the sheet resets it.
  mutable CTextureSet texture;

  void read(CStream& stream);
  void write(CStream& stream) const;
  void clear() { *this = CFont(); }

  bool in_range(int code) const { return code >= first && code <= last; }
  // The pen step of any code: a code outside the range steps as the space does when the
  // range holds it, else as the first character.
  int advance(int code) const {
    if (in_range(code)) return glyphs[size_t(code & 0xFF)].shift;
    return glyphs[size_t(in_range(32) ? 32 : first & 0xFF)].shift;
  }
  int line_height() const { return glyphs[size_t(first & 0xFF)].height; }

  // Makes this a font of the sprite's frames (index sprite_index in the sprite list):
  // characters from first, one per frame. Proportional characters are as wide as their
  // frame's opaque pixels, the others as the frame; each steps separation further.
  void set_from_sprite(const CSprite& source, int sprite_index, int first_code, bool proportional,
                       int separation);

  bool operator==(const CFont&) const = default;
};

}  // namespace vn
