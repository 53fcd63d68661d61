// A font resource: the face it was made from and its glyph sheet.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Graphics_Texture.h"
#include "support/Support_Stream.h"

namespace vn {

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
  // The sheet's texture (a white picture with the sheet as alpha), made at the start of the
  // game or when first drawn. Whatever changes the sheet resets it.
  mutable CTextureSet texture;

  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CFont&) const = default;
};

}  // namespace vn
