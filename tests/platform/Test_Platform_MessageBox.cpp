#include <gtest/gtest.h>

#include "platform/Platform_MessageBox.h"
#include "platform/Platform_Video.h"

namespace vn {
namespace {

TEST(MessageBox, EveryKindOfLineEndIsOneLine) {
  EXPECT_EQ(message_box_console_text("one\r\ntwo\rthree\nfour"), "one\ntwo\nthree\nfour\n");
  EXPECT_EQ(message_box_console_text("a\r\n\r\nb\n\rc"), "a\n\nb\n\nc\n");
  EXPECT_EQ(message_box_console_text("ends with one\r\n"), "ends with one\n");
  EXPECT_EQ(message_box_console_text(""), "\n");
  EXPECT_EQ(message_box_console_text("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC\n");
}

TEST(MessageBox, WithoutADisplayTheTextGoesToStandardError) {
  set_headless(true);
  testing::internal::CaptureStderr();
  show_message_box("Title", "Failed to create temp dir.\r\nSecond line");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to create temp dir.\nSecond line\n");
}

}  // namespace
}  // namespace vn
