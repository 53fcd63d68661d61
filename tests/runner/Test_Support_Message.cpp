// The message form and pop-up menus without a window: layout, text conversion, keys,
// shortcuts and menu entries.
#include <gtest/gtest.h>

#include "runner/Runner_Menu.h"
#include "runner/Support_Message.h"

namespace vn {
namespace {

// Every character 10 pixels wide.
int fixed_width(std::string_view text) { return int(text.size()) * 10; }

TEST(MessageLayout, FollowsThePictureTheTextAndTheButtons) {
  RMessageLayoutInput input;
  input.picture_width = 300;
  input.screen_width = 1000;
  input.screen_height = 800;
  int measured_for = 0;
  RMessageLayout layout = message_layout(input, [&](int width) {
    measured_for = width;
    return 40;
  });
  EXPECT_EQ(measured_for, 300 - 48);
  EXPECT_EQ(layout.width, 300);
  EXPECT_EQ(layout.height, 40 + 25 + 48);
  EXPECT_EQ(layout.label_x, 24);
  EXPECT_EQ(layout.label_y, 16);
  EXPECT_EQ(layout.button_y, layout.height - 16 - 25);
  EXPECT_EQ(layout.button_x, (std::array<int, 3>{24, (300 - 80) / 2, 300 - 80 - 24}));
  EXPECT_EQ(layout.left, (1000 - 300) / 2);
  EXPECT_EQ(layout.top, (800 - layout.height) / 2);

  // The input field adds its height and a gap, and sits 16 pixels above the buttons.
  input.has_input = true;
  input.edit_height = 20;
  layout = message_layout(input, [](int) { return 40; });
  EXPECT_EQ(layout.height, 40 + 25 + 48 + 20 + 16);
  EXPECT_EQ(layout.edit_y + 20 + 16, layout.button_y);
  EXPECT_EQ(layout.edit_y, 16 + 40 + 16);
  EXPECT_EQ(layout.edit_x, 24);
  EXPECT_EQ(layout.edit_width, 300 - 48);
}

TEST(MessageLayout, SetSizeAndPositionWinPerCoordinate) {
  RMessageLayoutInput input;
  input.set_width = 500;
  input.set_height = 200;
  input.set_x = 10;
  input.set_y = -1;
  input.button_width = 60;
  input.button_height = 30;
  input.screen_width = 1000;
  input.screen_height = 800;
  const RMessageLayout layout = message_layout(input, [](int width) { return width; });
  EXPECT_EQ(layout.width, 500);
  EXPECT_EQ(layout.height, 200);
  EXPECT_EQ(layout.left, 10);
  EXPECT_EQ(layout.top, 300);
  EXPECT_EQ(layout.button_x[2], 500 - 60 - 24);
  EXPECT_EQ(layout.button_y, 200 - 16 - 30);

  // A width smaller than the margins still leaves a label to measure.
  input.set_width = 20;
  int measured_for = -1;
  message_layout(input, [&](int width) { return measured_for = width; });
  EXPECT_EQ(measured_for, 1);
}

TEST(MessageText, HashesBreakLinesUnlessEscaped) {
  EXPECT_EQ(convert_message_text("a#b"), "a\rb");
  EXPECT_EQ(convert_message_text("a\\#b"), "a#b");
  EXPECT_EQ(convert_message_text("\\\\#x\\"), "\\#x\\");
  EXPECT_EQ(wrap_message_lines(convert_message_text("a#b"), 100, fixed_width),
            (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(wrap_message_lines(convert_message_text("a\\#b"), 100, fixed_width),
            (std::vector<std::string>{"a#b"}));
  EXPECT_EQ(message_text(RValue("x#y")), "x\ry");
}

TEST(MessageText, RealsAreWholeOrTwoDecimals) {
  EXPECT_EQ(message_real_text(3), "3");
  EXPECT_EQ(message_real_text(-42), "-42");
  EXPECT_EQ(message_real_text(-0.0), "0");
  EXPECT_EQ(message_real_text(1e15), "1000000000000000");
  EXPECT_EQ(message_real_text(2.5), "2.50");
  EXPECT_EQ(message_real_text(1.0 / 3.0), "0.33");
  EXPECT_EQ(message_real_text(-0.001), "0.00");
  // Ten significant digits before the two decimals.
  EXPECT_EQ(message_real_text(123456789.126), "123456789.10");
  EXPECT_EQ(message_text(RValue(7.0)), "7");
}

TEST(MessageText, WrapsAtWordsAndCutsLongWords) {
  EXPECT_EQ(wrap_message_lines("one two three", 75, fixed_width),
            (std::vector<std::string>{"one two", "three"}));
  EXPECT_EQ(wrap_message_lines("abcdefghij", 40, fixed_width),
            (std::vector<std::string>{"abcd", "efgh", "ij"}));
  // A very long word is cut in one pass, not one pass per piece.
  const std::vector<std::string> pieces =
      wrap_message_lines(std::string(200000, 'x'), 25, fixed_width);
  ASSERT_EQ(pieces.size(), 100000u);
  EXPECT_EQ(pieces.back(), "xx");
  EXPECT_EQ(wrap_message_lines("a\r\nb\nc\r", 100, fixed_width),
            (std::vector<std::string>{"a", "b", "c", ""}));
}

TEST(MessageBackground, BottomLeftColourIsTransparent) {
  RImage picture;
  picture.width = 2;
  picture.height = 2;
  // Rows top first: the key colour appears again, half transparent, at the top right.
  picture.pixels = {0xFF112233, 0x80FF0000, 0xFFFF0000, 0xFFFF0001};
  const RImage keyed = message_background_picture(picture);
  EXPECT_EQ(keyed.pixels, (std::vector<uint32_t>{0xFF112233, 0x00FF0000, 0x00FF0000, 0xFFFF0001}));
  EXPECT_TRUE(message_background_picture(RImage()).empty());
}

TEST(MessageKeys, EscReturnSpaceAndShortcuts) {
  const std::array<std::string, 3> ext{"", "&Maybe", "&no"};
  using K = RMessageKey;
  EXPECT_EQ(message_key_result(ext, false, {K::escape_key}), 0);
  EXPECT_EQ(message_key_result(ext, false, {K::return_key}), 2);
  EXPECT_EQ(message_key_result(ext, false, {K::typed, ' '}), 2);
  EXPECT_EQ(message_key_result(ext, false, {K::typed, 'N'}), 3);
  EXPECT_EQ(message_key_result(ext, false, {K::typed, 'm'}), 2);
  EXPECT_EQ(message_key_result(ext, false, {K::typed, 'x'}), std::nullopt);

  // With an input field typing goes into it; Alt still reaches the buttons.
  const std::array<std::string, 3> input{"", "O&K", ""};
  EXPECT_EQ(message_key_result(input, true, {K::typed, ' '}), std::nullopt);
  EXPECT_EQ(message_key_result(input, true, {K::typed, 'k'}), std::nullopt);
  EXPECT_EQ(message_key_result(input, true, {K::typed, 'k', true}), 2);
  EXPECT_EQ(message_key_result(input, true, {K::return_key}), 2);

  // The shortcut is the character after the last "&"; hidden buttons never answer.
  EXPECT_EQ(message_shortcut("&a&B"), 'b');
  EXPECT_EQ(message_shortcut("Yes"), 0);
  const std::array<std::string, 3> none{"", "", ""};
  EXPECT_EQ(first_visible_button(none), 0);
  EXPECT_EQ(message_key_result(none, false, {K::return_key}), std::nullopt);
  EXPECT_EQ(message_key_result(none, false, {K::escape_key}), 0);
}

TEST(MessageInput, IntegersOnly) {
  EXPECT_EQ(integer_in_text(" 42 "), 42);
  EXPECT_EQ(integer_in_text("-7"), -7);
  EXPECT_EQ(integer_in_text("+2147483647"), 2147483647);
  EXPECT_EQ(integer_in_text("2147483648"), std::nullopt);
  EXPECT_EQ(integer_in_text("12.5"), std::nullopt);
  EXPECT_EQ(integer_in_text("abc"), std::nullopt);
  EXPECT_EQ(integer_in_text(""), std::nullopt);
  EXPECT_EQ(integer_in_text("-"), std::nullopt);
}

TEST(PopupMenu, SeparatorsAreNotCounted) {
  const std::vector<RMenuEntry> entries = parse_menu("New|-|Open");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].number, 0);
  EXPECT_TRUE(entries[1].separator);
  EXPECT_EQ(entries[2].label, "Open");
  EXPECT_EQ(entries[2].number, 1);
  // An empty text is one empty item.
  ASSERT_EQ(parse_menu("").size(), 1u);
  EXPECT_EQ(parse_menu("").front().number, 0);
}

TEST(PopupMenu, AccessKeysAreUniqueAndOwnOnesWin) {
  const std::vector<RMenuEntry> entries = parse_menu("New|Open|Next page|E&xit|Exit|x|&&");
  std::vector<char> keys;
  for (const RMenuEntry& entry : entries) keys.push_back(entry.key);
  // "Next page" takes the start of its second word; "x" has nothing left.
  EXPECT_EQ(keys, (std::vector<char>{'n', 'o', 'p', 'x', 'e', 0, 0}));
  EXPECT_EQ(entries[2].key_offset, 5u);
  EXPECT_EQ(entries[3].label, "Exit");
  EXPECT_EQ(entries[3].key_offset, 1u);
  EXPECT_EQ(entries[6].label, "&");
}

}  // namespace
}  // namespace vn
