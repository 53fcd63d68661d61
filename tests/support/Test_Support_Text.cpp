#include <gtest/gtest.h>

#include "support/Support_Text.h"

namespace vn {
namespace {

TEST(SupportText, EveryByteRoundTrips) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) {
    std::string one(1, char(byte));
    std::string utf8 = cp1252_to_utf8(one);
    EXPECT_EQ(utf8_to_cp1252(utf8), one) << byte;
    EXPECT_EQ(utf8_to_cp1252_lossy(utf8), one) << byte;
    all += one;
  }
  EXPECT_EQ(utf8_to_cp1252(cp1252_to_utf8(all)), all);
}

TEST(SupportText, KnownCharacters) {
  EXPECT_EQ(cp1252_to_utf8("\x80"), "\u20AC");    // euro sign
  EXPECT_EQ(cp1252_to_utf8("\xE9"), "\u00E9");    // e acute
  EXPECT_EQ(cp1252_to_utf8("\x9F"), "\u0178");    // Y diaeresis
  EXPECT_EQ(cp1252_to_utf8("\x99"), "\u2122");    // trade mark
  EXPECT_EQ(cp1252_to_utf8("\x8D"), "\xC2\x8D");  // undefined: the control of that number
  EXPECT_EQ(cp1252_to_utf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(cp1252_to_utf8(""), "");
  EXPECT_EQ(utf8_to_cp1252("caf\u00E9 \u20AC5"), std::string("caf\xE9 \x80") + "5");
}

TEST(SupportText, InvalidOrUnrepresentableTextGivesNone) {
  const char* invalid[] = {
      "\x80",              // lone continuation byte
      "\xC3",              // cut after the lead byte
      "\xE2\x82",          // cut three-byte form
      "\xC3\x28",          // lead followed by a non-continuation
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong three-byte form
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF8\x88\x80\x80\x80",
      "\xFF",
  };
  for (const char* text : invalid) {
    EXPECT_EQ(utf8_to_cp1252(text), std::nullopt) << text;
    EXPECT_EQ(utf8_to_cp1252(std::string("ok") + text), std::nullopt) << text;
  }
  // Well-formed characters the code page lacks, including U+0080, whose byte is the euro.
  for (const char* text : {"\u0100", "\u65E5", "\U0001F600", "\u0080", "\u009F"}) {
    EXPECT_EQ(utf8_to_cp1252(text), std::nullopt) << text;
  }
  // The lossy form puts one '?' per character it cannot keep.
  EXPECT_EQ(utf8_to_cp1252_lossy("a\u65E5b\U0001F600c\u20AC"), "a?b?c\x80");
  EXPECT_EQ(utf8_to_cp1252_lossy("x\xFFy"), "x?y");
}

}  // namespace
}  // namespace vn
