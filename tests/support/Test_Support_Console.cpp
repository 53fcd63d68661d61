#include <gtest/gtest.h>

#include "support/Support_Console.h"

namespace vn {
namespace {

TEST(SupportConsole, CarriageReturnsEndLinesAndLoneLineFeedsFollowTheChoice) {
  EXPECT_EQ(console_lines("a\rb\r\nc"), "a\nb\nc\n");
  EXPECT_EQ(console_lines("a\r\r\nb"), "a\n\nb\n");
  // A final line end opens no further line; nothing at all is still one line.
  EXPECT_EQ(console_lines("a\r\n"), "a\n");
  EXPECT_EQ(console_lines("a\r"), "a\n");
  EXPECT_EQ(console_lines(""), "\n");
  EXPECT_EQ(console_lines("\r"), "\n");

  // The quoted line of a compile error in CR LF text: "\r   \ny" reads "   y".
  EXPECT_EQ(console_lines("line 2:\r   \ny = ;\r"), "line 2:\n   y = ;\n");
  EXPECT_EQ(console_lines("a\nb\n"), "ab\n");
  EXPECT_EQ(console_lines("a\nb\n", LoneLineFeed::ends_line), "a\nb\n");
  EXPECT_EQ(console_lines("a\r\nb", LoneLineFeed::ends_line), "a\nb\n");
}

TEST(SupportConsole, ConvertsToUtf8) {
  EXPECT_EQ(console_lines("caf\xE9\r\x80"), "caf\u00E9\n\u20AC\n");
}

}  // namespace
}  // namespace vn
