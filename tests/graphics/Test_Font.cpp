// Fonts: glyph sheets built from the installed faces by the packing rule, the advance and
// line-height rules, sprite fonts and the stored record.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "Test_Support.h"
#include "graphics/Font_Build.h"
#include "graphics/Font_Class.h"
#include "graphics/Font_Main.h"
#include "graphics/Sprite_Class.h"
#include "runner/Project_Read.h"
#include "runner/Runner_Game.h"
#include "support/Support_Stream.h"

namespace vn::test {
namespace {

CFont system_font(const std::string& name, int size, int first, int last, bool bold = false,
                  bool italic = false) {
  CFont font;
  font.font_name = name;
  font.size = size;
  font.bold = bold;
  font.italic = italic;
  font.first = first;
  font.last = last;
  EXPECT_TRUE(build_font_sheet(font)) << name;
  return font;
}

// Replays the row layout at another width: the height the sheet would need.
int layout_height(const CFont& font, int width) {
  const int line_height = font.line_height();
  int x = 0;
  int y = 0;
  for (int code = font.first; code <= font.last; ++code) {
    const int box = font.glyphs[size_t(code)].width;
    if (x > 0 && x + box >= width) {
      x = 0;
      y += line_height + 1;
    }
    x += box + 1;
  }
  return y + line_height + 1;
}

bool any_ink(const CFont& font, const RGlyph& box) {
  for (int y = box.y; y < box.y + box.height; ++y) {
    for (int x = box.x; x < box.x + box.width; ++x) {
      if (font.sheet[size_t(y) * size_t(font.sheet_width) + size_t(x)] != 0) return true;
    }
  }
  return false;
}

TEST(FontSize, PointsBecomePixelsAtNinetySixDotsPerInch) {
  EXPECT_EQ(font_pixel_size(12), 16);
  EXPECT_EQ(font_pixel_size(9), 12);
  EXPECT_EQ(font_pixel_size(10), 13);  // 13.33
  EXPECT_EQ(font_pixel_size(11), 15);  // 14.67
  EXPECT_EQ(font_pixel_size(0), 1);
}

// 224 characters at 12 points: the first width (a power of two from 128) whose rows fit in
// a sheet no taller than wide, with every box inside the sheet and none overlapping.
TEST(FontSheet, TheWidestRangePacksIntoTheFirstWidthThatHoldsIt) {
  const CFont font = system_font("Arial", 12, 32, 255);
  const int width = font.sheet_width;
  ASSERT_GE(width, 128);
  EXPECT_EQ(width & (width - 1), 0) << width;
  EXPECT_GE(width, font.sheet_height);
  EXPECT_EQ(font.sheet_height, layout_height(font, width));
  if (width > 128) EXPECT_LT(width / 2, layout_height(font, width / 2));
  ASSERT_EQ(font.sheet.size(), size_t(width) * size_t(font.sheet_height));

  const int line_height = font.line_height();
  for (int code = 32; code <= 255; ++code) {
    const RGlyph& glyph = font.glyphs[size_t(code)];
    EXPECT_EQ(glyph.height, line_height) << code;
    EXPECT_GE(glyph.x, 0);
    EXPECT_LE(glyph.x + glyph.width, width) << code;
    EXPECT_LE(glyph.y + glyph.height, font.sheet_height) << code;
    EXPECT_EQ(glyph.y % (line_height + 1), 0) << code;
    if (code > 32) {
      const RGlyph& before = font.glyphs[size_t(code - 1)];
      if (before.y == glyph.y)
        EXPECT_EQ(glyph.x, before.x + before.width + 1) << code;
      else
        EXPECT_EQ(glyph.x, 0) << code;
    }
  }
  EXPECT_EQ(font.glyphs[31], RGlyph());  // outside the range nothing is recorded
}

// The default font: a 16-pixel em, lines as tall as the face's ascent and descent, boxes
// one wider than the ink, advances as the face's.
TEST(FontSheet, TheDefaultFontHasArialMetrics) {
  const CFont& font = default_font();
  EXPECT_EQ(font.font_name, "Arial");
  EXPECT_EQ(font.size, 12);
  EXPECT_EQ(font.first, 32);
  EXPECT_EQ(font.last, 127);
  EXPECT_EQ(font.sprite, -1);
  EXPECT_EQ(font.line_height(), 18);
  EXPECT_EQ(font.sheet_width, 256);
  const RGlyph& space = font.glyphs[' '];
  EXPECT_EQ(space.width, 1);  // no ink: B = 0
  EXPECT_EQ(space.shift, 4);
  EXPECT_FALSE(any_ink(font, space));
  const RGlyph& w = font.glyphs['W'];
  EXPECT_EQ(w.shift, 15);
  EXPECT_TRUE(any_ink(font, w));
  // The ink starts in the box's first column and ends before its last one.
  bool first_column = false;
  bool last_column = false;
  for (int y = w.y; y < w.y + w.height; ++y) {
    first_column |= font.sheet[size_t(y) * 256 + size_t(w.x)] != 0;
    last_column |= font.sheet[size_t(y) * 256 + size_t(w.x + w.width - 1)] != 0;
  }
  EXPECT_TRUE(first_column);
  EXPECT_FALSE(last_column);
  // Glyphs with room on their left start their ink after the pen.
  EXPECT_GT(font.glyphs['l'].offset, 0);
}

TEST(FontSheet, StylesAndSizesChangeTheSheet) {
  const CFont regular = system_font("Times New Roman", 10, 65, 90);
  const CFont bold = system_font("Times New Roman", 10, 65, 90, true);
  const CFont italic = system_font("Times New Roman", 10, 65, 90, false, true);
  const CFont large = system_font("Times New Roman", 20, 65, 90);
  EXPECT_NE(regular.sheet, bold.sheet);
  EXPECT_NE(regular.sheet, italic.sheet);
  EXPECT_GT(large.line_height(), regular.line_height());
  EXPECT_GE(bold.glyphs['W'].shift, regular.glyphs['W'].shift);
  EXPECT_EQ(regular.sheet_width, 128);
  EXPECT_EQ(large.sheet_width, 256);
}

// Sizes no sheet could hold fail instead of exhausting memory; small ones still work.
TEST(FontSheet, AbsurdSizesMakeNoFont) {
  CFont font;
  font.font_name = "Arial";
  font.first = 0;
  font.last = 255;
  font.size = 100000;
  EXPECT_FALSE(build_font_sheet(font));
  EXPECT_EQ(font.sheet_width, 0);
  font.size = 500;  // a 667-pixel em: one character fits, 256 do not
  EXPECT_FALSE(build_font_sheet(font));
  EXPECT_TRUE(font.sheet.empty());
  EXPECT_EQ(font.glyphs['A'], RGlyph());
  font.first = font.last = 'A';
  EXPECT_TRUE(build_font_sheet(font));
  EXPECT_EQ(font.sheet_width, 1024);
  font.size = -2;  // as 2 points
  font.last = 'Z';
  EXPECT_TRUE(build_font_sheet(font));
  EXPECT_EQ(font.sheet_width, 128);
}

TEST(FontAdvance, CharactersOutsideTheRangeStepAsTheSpaceOrTheFirst) {
  CFont font;
  font.first = 32;
  font.last = 90;
  font.glyphs[32].shift = 5;
  font.glyphs[65].shift = 9;
  font.glyphs[32].height = 14;
  EXPECT_EQ(font.advance('A'), 9);
  EXPECT_EQ(font.advance('a'), 5);  // above last
  EXPECT_EQ(font.advance(10), 5);   // below first
  EXPECT_EQ(font.line_height(), 14);
  font.first = 65;
  font.glyphs[65].height = 11;
  EXPECT_EQ(font.advance('a'), 9);  // no space in the range: the first character
  EXPECT_EQ(font.line_height(), 11);
}

// Frames 6 × 5: frame 0 has ink in columns 1 … 3, frame 1 none, frame 2 all of it.
CSprite glyph_sprite() {
  CSprite sprite;
  sprite.xorigin = 2;
  sprite.yorigin = 1;
  for (int i = 0; i < 3; ++i) sprite.frames.emplace_back(6, 5, 0x00FFFFFFu);
  for (int y = 1; y < 4; ++y) {
    sprite.frames[0].image().at(1, y) = 0x01FFFFFFu;  // any alpha counts
    sprite.frames[0].image().at(3, y) = 0xFFFFFFFFu;
  }
  for (uint32_t& pixel : sprite.frames[2].image().pixels) pixel = 0xFF000000u;
  return sprite;
}

TEST(SpriteFont, ProportionalBoxesFollowTheOpaquePixels) {
  CFont font;
  font.set_from_sprite(glyph_sprite(), 4, 65, true, 2);
  EXPECT_EQ(font.sprite, 4);
  EXPECT_EQ(font.first, 65);
  EXPECT_EQ(font.last, 67);
  const RGlyph& a = font.glyphs[65];
  EXPECT_EQ(a.x, 1);
  EXPECT_EQ(a.width, 3);
  EXPECT_EQ(a.height, 5);  // the sprite's height, whatever the ink
  EXPECT_EQ(a.shift, 3 + 2);
  EXPECT_EQ(a.offset, -1);
  EXPECT_EQ(font.glyphs[66].shift, 2);  // no ink: the separation alone
  EXPECT_EQ(font.glyphs[67].shift, 6 + 2);
  EXPECT_EQ(font.glyphs[67].offset, 0);
  EXPECT_EQ(font.line_height(), 5);
  EXPECT_EQ(font.advance('Z'), 5);  // outside the range, no space in it: the first's
}

TEST(SpriteFont, FixedBoxesAreWholeFramesAndTheRangeStaysWithinACharacter) {
  CFont font;
  font.set_from_sprite(glyph_sprite(), 0, 254, false, -1);
  EXPECT_EQ(font.first, 254);
  EXPECT_EQ(font.last, 255);
  EXPECT_EQ(font.glyphs[254].x, 0);
  EXPECT_EQ(font.glyphs[254].width, 6);
  EXPECT_EQ(font.glyphs[254].shift, 5);
  EXPECT_EQ(font.glyphs[254].offset, 0);
  font.set_from_sprite(glyph_sprite(), 0, -7, false, 0);
  EXPECT_EQ(font.first, 0);
  EXPECT_EQ(font.last, 2);
  font.set_from_sprite(glyph_sprite(), 0, 300, false, 0);
  EXPECT_EQ(font.first, 255);
  EXPECT_EQ(font.last, 255);
}

// A built font survives the stored record; a sprite font's sprite is not part of it.
TEST(FontRecord, ABuiltSheetSurvivesWriteAndRead) {
  CFont font = system_font("DejaVu Sans", 8, 40, 60);
  CStream stream;
  font.write(stream);
  stream.seek(0);
  CFont read;
  read.read(stream);
  EXPECT_EQ(read, font);
}

// A project font with a face and no sheet is built as at run time; a null sheet stays empty.
TEST(FontProject, AFontWithoutASheetIsBuiltFromItsFace) {
  ScratchDir project("font_project");
  std::filesystem::create_directories(project / "fonts");
  std::filesystem::create_directories(project / "rooms");
  std::ofstream(project / "game.json")
      << R"({"fonts": ["fnt_built", "fnt_empty"], "rooms": ["rm"]})";
  std::ofstream(project.path() / "rooms" / "rm.json") << "{}";
  std::ofstream(project.path() / "fonts" / "fnt_built.json")
      << R"({"font": "Times New Roman", "size": 10, "italic": true, "first": 65, "last": 70})";
  std::ofstream(project.path() / "fonts" / "fnt_empty.json")
      << R"({"font": "Arial", "size": 10, "sheet": null})";
  CGameData game;
  std::string error;
  ASSERT_TRUE(read_project(project.path(), game, error)) << error;
  ASSERT_EQ(game.fonts.size(), 2u);
  const CFont expected = system_font("Times New Roman", 10, 65, 70, false, true);
  EXPECT_EQ(*game.fonts.items[0], expected);
  EXPECT_GT(expected.sheet_width, 0);
  EXPECT_EQ(game.fonts.items[1]->sheet_width, 0);
  EXPECT_EQ(game.fonts.items[1]->glyphs['A'], RGlyph());
}

}  // namespace
}  // namespace vn::test
