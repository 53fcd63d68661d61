#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Platform_Font.h"

namespace vn {
namespace {

class FontTest : public testing::Test {
 protected:
  void SetUp() override {
    if (matched_font_file({}).empty()) {
      GTEST_SKIP() << "no font installed";
    }
  }
};

TEST_F(FontTest, RendersOneLineAtTheAskedSize) {
  const RTextMask text = render_text_line("Loading", {"", 20});
  ASSERT_FALSE(text.empty());
  EXPECT_GE(text.height, 20);
  EXPECT_LE(text.height, 30);
  EXPECT_GT(text.baseline, text.height / 2);
  EXPECT_GT(text.width, 40);
  EXPECT_EQ(text.alpha.size(), size_t(text.width) * size_t(text.height));
  EXPECT_EQ(*std::max_element(text.alpha.begin(), text.alpha.end()), 255);

  // Nothing is drawn below the descent or into the first rows above the tallest letter.
  const RTextMask bigger = render_text_line("Loading", {"", 40});
  EXPECT_GT(bigger.width, text.width * 3 / 2);
  EXPECT_GT(render_text_line("WWWW", {"", 20}).width, render_text_line("iiii", {"", 20}).width);
}

TEST_F(FontTest, UnknownNamesGetTheClosestFaceAndEmptyTextHasHeightOnly) {
  EXPECT_FALSE(matched_font_file({"Arial"}).empty());
  EXPECT_FALSE(matched_font_file({"No Such Face At All", 12, true, true}).empty());
  EXPECT_FALSE(render_text_line("x", {"No Such Face At All", 12}).empty());

  const RTextMask nothing = render_text_line("", {"", 12});
  EXPECT_EQ(nothing.width, 0);
  EXPECT_GT(nothing.height, 0);
}

TEST_F(FontTest, Windows1252CharactersAreRendered) {
  // The euro sign is 0x80 in Windows-1252; read as Latin-1 it would be a control character.
  const RTextMask euro = render_text_line("\x80", {"", 20});
  ASSERT_FALSE(euro.empty());
  EXPECT_GT(*std::max_element(euro.alpha.begin(), euro.alpha.end()), 0);
}

}  // namespace
}  // namespace vn
