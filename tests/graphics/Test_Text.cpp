// Text: layout (breaks, escapes, wrapping), measures, alignment, drawing from a sheet and
// from sprite frames with colours along the line, and the font functions of scripts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Font_Main.h"
#include "graphics/Frame_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Text.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Video.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

// Characters 32 … 127 drawn as solid 5 × 8 blocks 6 apart, but for the space, which has no
// ink and steps 4; lines are 8.
std::unique_ptr<CFont> block_font() {
  auto font = std::make_unique<CFont>();
  font->font_name = "Blocks";
  font->first = 32;
  font->last = 127;
  for (int code = 32; code <= 127; ++code) font->glyphs[size_t(code)] = {0, 0, 5, 8, 6, 0};
  font->glyphs[' '] = {8, 0, 5, 8, 4, 0};
  font->sheet_width = 16;
  font->sheet_height = 8;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) font->sheet.push_back(x < 8 ? 255 : 0);
  }
  return font;
}

std::vector<std::string> lines_of(std::string_view text, int wrap = -1) {
  const std::unique_ptr<CFont> font = block_font();
  CTextLayout layout;
  layout.lay_out(text, *font, wrap);
  std::vector<std::string> lines;
  for (const auto& line : layout.lines()) lines.emplace_back(layout.line_text(line));
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TextLayout, HashesAndLineEndsBreakAndAnEscapedHashStays) {
  EXPECT_EQ(lines_of("A#B"), (Lines{"A", "B"}));
  EXPECT_EQ(lines_of("A\\#B"), (Lines{"A#B"}));
  EXPECT_EQ(lines_of("A\r\nB\nC\rD"), (Lines{"A", "B", "C", "D"}));
  EXPECT_EQ(lines_of("A##B"), (Lines{"A", "", "B"}));
  EXPECT_EQ(lines_of("A\\B"), (Lines{"A\\B"}));  // a backslash alone is a character
  EXPECT_EQ(lines_of("A#"), (Lines{"A"}));
  EXPECT_EQ(lines_of(""), Lines{});
}

TEST(TextLayout, WrappingFillsLinesWithWordsUpToTheWidth) {
  // Words end after a space or a hyphen; with width 0 each is a line of its own.
  EXPECT_EQ(lines_of("ab cd-ef g", 0), (Lines{"ab ", "cd-", "ef ", "g"}));
  // "ab " is 16 wide, "cd-" 18: 16 + 18 = 34 fits 34 but not 33.
  EXPECT_EQ(lines_of("ab cd-ef", 34), (Lines{"ab cd-", "ef"}));
  EXPECT_EQ(lines_of("ab cd-ef", 33), (Lines{"ab ", "cd-ef"}));
  // A word wider than the width still makes a line; empty lines stay.
  EXPECT_EQ(lines_of("abcdef#", 10), (Lines{"abcdef"}));
  EXPECT_EQ(lines_of("a##b", 100), (Lines{"a", "", "b"}));
  EXPECT_EQ(lines_of("a b", -1), (Lines{"a b"}));
}

TEST(TextLayout, WidthAndHeightFollowTheLinesAndTheSeparation) {
  const std::unique_ptr<CFont> font = block_font();
  EXPECT_EQ(string_width(*font, "AB"), 12);
  EXPECT_EQ(string_width(*font, "A B#ABC"), 18);
  EXPECT_EQ(string_width(*font, ""), 1);
  EXPECT_EQ(string_width(*font, "ab cd", 0), 16);  // "ab " with its space
  EXPECT_EQ(string_height(*font, "A"), 8);
  EXPECT_EQ(string_height(*font, "A#B#C"), 24);
  EXPECT_EQ(string_height(*font, "A#B#C", 10), 28);
  EXPECT_EQ(string_height(*font, "A#B#C", 0), 8);
  EXPECT_EQ(string_height(*font, ""), 1);
  EXPECT_EQ(string_height(*font, "ab cd ef", -1, 0), 24);
  EXPECT_EQ(string_width(*font, "\x80\xff"), 8);  // outside the range: the space's step
}

TEST(TextArgument, RealsAreWholeNumbersOrTwoDecimals) {
  std::array<char, 64> buffer;
  EXPECT_EQ(text_argument(RValue(3.0), buffer), "3");
  EXPECT_EQ(text_argument(RValue(-12.0), buffer), "-12");
  EXPECT_EQ(text_argument(RValue(2.5), buffer), "2.50");
  EXPECT_EQ(text_argument(RValue(1.0 / 3), buffer), "0.33");
  EXPECT_EQ(text_argument(RValue(-0.0), buffer), "0");
  EXPECT_EQ(text_argument(RValue(1e6), buffer), "1000000");
  EXPECT_EQ(text_argument(RValue("a#b"), buffer), "a#b");
}

// A game with a device and a 64 × 40 room; font 0 is the block font.
class TextTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    reset_text_state();
    set_draw_color(0xFFFFFF);
    set_draw_alpha(1);
    open_device(64, 40);
    game_.fonts.add("fnt_blocks", block_font());
    CRoom& room_data = add_room("rm");
    room_data.width = 64;
    room_data.height = 40;
    ASSERT_TRUE(start());
  }

  void TearDown() override {
    DeviceWorldTest::TearDown();
    reset_text_state();
    set_draw_color(0);
    close_device();
  }

  // The messages of the errors shown since the last call, without their headers.
  std::vector<std::string> errors() {
    std::vector<std::string> messages;
    for (const std::string& shown : display_.shown) {
      const size_t body = shown.rfind("\r\n\r\n");
      messages.push_back(body == std::string::npos ? shown : shown.substr(body + 4));
    }
    display_.shown.clear();
    return messages;
  }

  // Clears, runs the program and reads the frame back.
  TBitmap32 draw(const std::string& program) {
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, 64, 40);
    device.set_projection(0, 40, 64, 0, 0);
    device.clear(kBlack);
    exec(program);
    return device.read_back(0, 0, 64, 40).value_or(TBitmap32());
  }
};

// Lit columns of a row, as a string of '#' and '.' from x = 0.
std::string row(const TBitmap32& frame, int y, int width = 40) {
  std::string marks;
  for (int x = 0; x < width; ++x) marks += (frame.pixel(x, y) & 0xFFFFFF) != 0 ? '#' : '.';
  return marks;
}

TEST_F(TextTest, GlyphsStepByTheirAdvancesAndLinesByTheLineHeight) {
  const TBitmap32 f = draw("draw_set_font(fnt_blocks); draw_text(2, 3, 'A B#C');");
  EXPECT_EQ(row(f, 3, 18), "..#####.....#####.");  // "A" at 2, the space steps 4, "B" at 12
  EXPECT_EQ(row(f, 10, 18), "..#####.....#####.");
  EXPECT_EQ(row(f, 11, 16), "..#####.........");  // "C" on the next line, 8 down
  EXPECT_EQ(row(f, 18, 16), "..#####.........");
  EXPECT_EQ(row(f, 19, 16), "................");
  EXPECT_EQ(row(f, 2, 16), "................");
  EXPECT_PIXEL(f, 2, 3, kWhite);
}

TEST_F(TextTest, AlignmentMovesLinesByTheirWidthAndTheTextByItsLines) {
  // Centre: "AB" (12) starts at 20 − 6, "ABC" (18) at 20 − 9; middle: 2 lines × 8 div 2 up.
  TBitmap32 f = draw(
      "draw_set_font(fnt_blocks); draw_set_halign(fa_center); draw_set_valign(fa_middle);"
      "draw_text(20, 20, 'AB#ABC');");
  EXPECT_EQ(row(f, 12), "..............#####.#####...............");
  EXPECT_EQ(row(f, 11), "........................................");
  EXPECT_EQ(row(f, 20), "...........#####.#####.#####............");
  EXPECT_EQ(row(f, 27), "...........#####.#####.#####............");
  EXPECT_EQ(row(f, 28), "........................................");
  // Right and bottom: the line ends at x, the text at y; odd widths round toward x.
  f = draw(
      "draw_set_font(fnt_blocks); draw_set_halign(fa_right); draw_set_valign(fa_bottom);"
      "draw_text(30, 30, 'A'); draw_set_halign(fa_center); draw_set_valign(7);"
      "draw_text_ext(10, 32, 'a b', -1, -1);");
  EXPECT_EQ(row(f, 22), "........................#####...........");
  EXPECT_EQ(row(f, 29), "........................#####...........");
  EXPECT_EQ(row(f, 30), "........................................");
  EXPECT_EQ(row(f, 32), "..#####.....#####.......................");  // 16 wide: 10 − 8
}

TEST_F(TextTest, SeparationAndWrappingPlaceTheLines) {
  const TBitmap32 f = draw("draw_set_font(fnt_blocks); draw_text_ext(0, 0, 'ab cd', 12, 0);");
  EXPECT_EQ(row(f, 0, 16), "#####.#####.....");  // "ab " then a new line for "cd"
  EXPECT_EQ(row(f, 8, 16), "................");
  EXPECT_EQ(row(f, 12, 16), "#####.#####.....");
  EXPECT_EQ(row(f, 19, 16), "#####.#####.....");
  EXPECT_EQ(row(f, 20, 16), "................");
  EXPECT_EQ(errors(), std::vector<std::string>{});
  EXPECT_EQ(eval("string_height_ext('ab cd', 12, 0)").real, 20);
  EXPECT_EQ(eval("string_width_ext('ab cd', 12, 100)").real, 28);
  EXPECT_EQ(eval("string_width(12.5)").real, 30);  // "12.50"
}

// The corner colours spread along each line: a glyph's left side takes the colour of its
// pen position, its right side that of its pen plus its advance.
TEST_F(TextTest, CornerColoursRunAlongTheLine) {
  const TBitmap32 f = draw(
      "draw_set_font(fnt_blocks); draw_text_color(0, 0, 'AB', c_red, c_blue, c_blue, "
      "c_red, 1);");
  // "A" runs from red (pen 0) to the middle colour 0x800080 (pen 6 of 12) over its quad
  // from −0.5 to 4.5: pixel 0 is a tenth of the way. "B" runs on from there to blue.
  EXPECT_PIXEL(f, 0, 4, 0xFFF2000Du);
  EXPECT_PIXEL(f, 4, 4, 0xFF8D0073u);
  EXPECT_PIXEL(f, 6, 4, 0xFF73008Du);
  EXPECT_PIXEL(f, 10, 4, 0xFF0D00F2u);
  // Alpha and the draw colour do not leak into other text.
  const TBitmap32 g = draw(
      "draw_set_font(fnt_blocks); draw_text_color(0, 0, 'A', c_red, c_red, c_red, c_red, "
      "0.5); draw_text(20, 0, 'A');");
  EXPECT_PIXEL(g, 2, 2, 0xFF800000u);
  EXPECT_PIXEL(g, 22, 2, kWhite);
}

TEST_F(TextTest, TransformedTextScalesItsStepsAndTurnsAboutItsPosition) {
  TBitmap32 f = draw("draw_set_font(fnt_blocks); draw_text_transformed(1, 1, 'AB', 2, 0.5, 0);");
  EXPECT_EQ(row(f, 1), ".##########..##########.................");
  EXPECT_EQ(row(f, 4), ".##########..##########.................");
  EXPECT_EQ(row(f, 5), "........................................");
  // Turned 90 degrees: the line runs up the screen from (10, 30).
  f = draw("draw_set_font(fnt_blocks); draw_text_transformed(10, 30, 'AB', 1, 1, 90);");
  for (int y : {29, 25, 23, 19}) EXPECT_EQ(row(f, y, 20), "..........########..") << y;
  EXPECT_EQ(row(f, 24, 20), "....................");
  EXPECT_EQ(row(f, 30, 20), "....................");
}

TEST_F(TextTest, SpriteFontsDrawFramesWithTheirOriginTintedByTheDrawColour) {
  auto sprite = std::make_unique<CSprite>();
  sprite->xorigin = 1;
  sprite->yorigin = 1;
  sprite->frames.emplace_back(4, 3, 0x00000000u);
  sprite->frames.emplace_back(4, 3, 0xFFFFFFFFu);
  for (int y = 0; y < 3; ++y) sprite->frames[0].image().at(2, y) = 0xFFFFFFFFu;
  game_.sprites.add("spr_glyphs", std::move(sprite));
  set_draw_color(0x0000FF);  // red
  const TBitmap32 f = draw(
      "global.f = font_add_sprite(0, ord('A'), true, 1); draw_set_font(global.f);"
      "draw_text(10, 10, 'ABA');");
  // "A" has ink in column 2 only: drawn at 10 − 2 with the origin, it lands on 10 − 2 − 1 + 2.
  // It steps 1 + 1; "B" is the whole frame (steps 4 + 1); then "A" again.
  EXPECT_EQ(row(f, 9, 24), ".........#.####.#.......");
  EXPECT_EQ(row(f, 11, 24), ".........#.####.#.......");
  EXPECT_EQ(row(f, 12, 24), "........................");
  EXPECT_PIXEL(f, 9, 9, kRed);
  EXPECT_EQ(eval("global.f").real, 1);
  EXPECT_EQ(eval("font_get_first(1)").real, 65);
  EXPECT_EQ(eval("font_get_last(1)").real, 66);
  EXPECT_EQ(eval("string_height('A')").real, 3);
}

TEST_F(TextTest, AnUnknownFontIsTheDefaultArial) {
  exec("draw_set_font(fnt_blocks);");
  EXPECT_EQ(text_font_index(), 0);
  exec("draw_set_font(57);");
  EXPECT_EQ(text_font_index(), -1);
  EXPECT_EQ(&text_font(), &default_font());
  EXPECT_EQ(eval("string_height('W')").real, 18);
  EXPECT_EQ(eval("string_width('W')").real, 15);
  // A font deleted while set falls back as well.
  exec("draw_set_font(fnt_blocks); font_delete(fnt_blocks);");
  EXPECT_EQ(&text_font(), &default_font());
  const TBitmap32 f = draw("draw_text(2, 2, 'W');");
  bool ink = false;
  for (int y = 2; y < 20; ++y) ink |= row(f, y).find('#') != std::string::npos;
  EXPECT_TRUE(ink);
}

TEST_F(TextTest, FontFunctionsAddReplaceDeleteAndReport) {
  EXPECT_EQ(eval("font_add('Times New Roman', 14, true, false, 48, 57)").real, 1);
  EXPECT_EQ(eval("font_get_name(1)").string.str(), "__newfont1");
  EXPECT_EQ(eval("font_get_fontname(1)").string.str(), "Times New Roman");
  EXPECT_EQ(eval("font_get_size(1)").real, 14);
  EXPECT_EQ(eval("font_get_bold(1)").real, 1);
  EXPECT_EQ(eval("font_get_italic(1)").real, 0);
  EXPECT_EQ(eval("font_get_first(1)").real, 48);
  EXPECT_EQ(eval("font_get_last(1)").real, 57);
  EXPECT_EQ(eval("font_get_name(fnt_blocks)").string.str(), "fnt_blocks");
  EXPECT_EQ(eval("font_name(fnt_blocks)").string.str(), "fnt_blocks");
  EXPECT_EQ(font_at(1)->line_height(), 21);  // a 19-pixel em

  EXPECT_EQ(eval("font_replace(1, 'DejaVu Sans', 8, false, true, 300, -4)").real, 1);
  EXPECT_EQ(eval("font_get_italic(1)").real, 1);
  EXPECT_EQ(eval("font_get_first(1)").real, 255);
  EXPECT_EQ(eval("font_get_last(1)").real, 0);
  EXPECT_EQ(errors(), std::vector<std::string>{});

  exec("font_delete(1);");
  EXPECT_EQ(eval("font_exists(1)").real, 0);
  EXPECT_EQ(eval("font_get_name(1)").string.str(), "<undefined>");
  EXPECT_EQ(eval("font_get_fontname(1)").string.str(), "");
  EXPECT_EQ(eval("font_get_size(1)").real, -1);
  EXPECT_EQ(eval("font_add_sprite(0, 32, 0, 0)").real, -1);
  exec(
      "font_delete(1); font_replace(1, 'Arial', 12, 0, 0, 32, 127);"
      "font_replace_sprite(7, 0, 32, 0, 0); font_replace_sprite(0, 3, 32, 0, 0);");
  EXPECT_EQ(
      errors(),
      (std::vector<std::string>{
          "Trying to create font from non-existing sprite.", "Trying to delete non-existing font.",
          "Trying to replace non-existing font.", "Trying to replace non-existing font.",
          "Trying to replace font from non-existing sprite."}));
  EXPECT_EQ(eval("font_exists(0)").real, 1);  // the failed replace left it as it was
  EXPECT_EQ(eval("font_add('Arial', 12, 0, 0, 32, 127)").real, 2);  // a deleted id stays free
}

// A frame of a game with text from its own font sheet (made from Times New Roman 11 bold,
// checked in), the default font and a font added at run time, checked by hand: the corner
// colours, the escaped "#", wrapping with centred lines and text turned upward.
TEST(TextFrames, AGameDrawsTextFromItsOwnAndRunTimeFonts) {
  const TBitmap32 frame = frames::shoot("text", 1);

  EXPECT_PIXEL(frame, 0, 0, 0xFF808080u);
  // The stem of the L of "LEVEL" (second line, 17 below the first), yellow at the top of
  // its line fading to red at the bottom: green 255 × (1 − (row − 18.5) / 17).
  EXPECT_PIXEL(frame, 6, 23, 0xFFFFBB00u);
  EXPECT_PIXEL(frame, 6, 27, 0xFFFF8000u);
  EXPECT_PIXEL(frame, 6, 32, 0xFFFF3400u);
  EXPECT_PIXEL(frame, 6, 20, 0xFF808080u);
  // The bar of the default font's "A", in the draw colour (black).
  EXPECT_PIXEL(frame, 7, 48, kBlack);
  EXPECT_PIXEL(frame, 9, 48, kBlack);
  // "UP" turned upward from (140, 96), twice as long: its tops face left.
  EXPECT_PIXEL(frame, 146, 68, 0xFF00FF00u);
  EXPECT_PIXEL(frame, 142, 80, 0xFF808080u);
  // The wrapped lines run from white on the left to blue on the right.
  EXPECT_GT(frame.pixel(57, 58) >> 16 & 0xFF, 0xD0);
  EXPECT_LT(frame.pixel(103, 65) >> 16 & 0xFF, 0x30);

  frames::expect_golden("text", frame);
}

}  // namespace
}  // namespace vn::test
