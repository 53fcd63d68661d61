#include <gtest/gtest.h>

#include <string>

#include "runner/Help_Rtf.h"
#include "runner/Help_View.h"

namespace vn {
namespace {

std::string paragraph_text(const RRichParagraph& paragraph) {
  std::string text;
  for (const RRichRun& run : paragraph.runs) text += run.text;
  return text;
}

const char* const kStyled =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New "
    "Roman;}}\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\n"
    "{\\*\\generator Writer 5.1;}\\viewkind4\\uc1\\pard\\qc\\f0\\fs40 Title\\par\n"
    "\\pard\\li720\\fi-360\\f1\\fs20 Plain {\\b bold {\\i both}} \\cf1 red\\cf0  "
    "{\\ul under}\\ulnone  caf\\'e9\\par\n"
    "\\pard\\qr\\cf2 right\\tab end\\line next\\par\n}";

TEST(HelpRtf, StylesFontsColoursAndParagraphs) {
  const RRichDocument document = read_rich_text(kStyled);
  ASSERT_EQ(document.paragraphs.size(), 3u);

  const RRichParagraph& title = document.paragraphs[0];
  EXPECT_EQ(title.align, RichAlign::centre);
  ASSERT_EQ(title.runs.size(), 1u);
  EXPECT_EQ(title.runs[0].text, "Title");
  EXPECT_EQ(title.runs[0].family, "Arial");
  EXPECT_EQ(title.runs[0].half_points, 40);

  const RRichParagraph& body = document.paragraphs[1];
  EXPECT_EQ(body.align, RichAlign::left);
  EXPECT_EQ(body.left_indent, 720);
  EXPECT_EQ(body.first_indent, -360);
  EXPECT_EQ(paragraph_text(body), "Plain bold both red under caf\xE9");
  // Nested groups restore what they changed: the text after them is plain again.
  ASSERT_GE(body.runs.size(), 6u);
  EXPECT_EQ(body.runs[0].text, "Plain ");
  EXPECT_FALSE(body.runs[0].bold);
  EXPECT_EQ(body.runs[0].family, "Times New Roman");
  EXPECT_EQ(body.runs[0].half_points, 20);
  EXPECT_EQ(body.runs[1].text, "bold ");
  EXPECT_TRUE(body.runs[1].bold);
  EXPECT_FALSE(body.runs[1].italic);
  EXPECT_EQ(body.runs[2].text, "both");
  EXPECT_TRUE(body.runs[2].bold && body.runs[2].italic);
  EXPECT_EQ(body.runs[3].text, " ");
  EXPECT_FALSE(body.runs[3].bold);
  EXPECT_EQ(body.runs[4].text, "red");
  EXPECT_FALSE(body.runs[4].automatic_color);
  EXPECT_EQ(body.runs[4].color, 0xFF0000u);
  bool underlined = false;
  for (const RRichRun& run : body.runs) {
    if (run.text == "under") underlined = run.underline;
    if (run.text.find("caf") != std::string::npos) {
      EXPECT_FALSE(run.underline);
      EXPECT_TRUE(run.automatic_color);
    }
  }
  EXPECT_TRUE(underlined);

  const RRichParagraph& last = document.paragraphs[2];
  EXPECT_EQ(last.align, RichAlign::right);
  EXPECT_EQ(last.left_indent, 0);  // \pard forgot the indents
  EXPECT_EQ(paragraph_text(last), "right\tend\nnext");
  EXPECT_EQ(last.runs[0].color, 0x000080u);
}

TEST(HelpRtf, EscapesUnicodeAndUnknownWords) {
  // \u with a Windows-1252 character skips its fallback; one without keeps the fallback.
  // Unknown words, ignorable and known destinations vanish; escaped braces are text.
  const RRichDocument document = read_rich_text(
      "{\\rtf1 a\\u8364?b\\uc2\\u233xxc\\uc1\\u20013?d \\{x\\}\\\\ \\zzunknown42 e"
      "{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\stylesheet{\\s0 Normal;}}"
      "{\\info{\\title T}}\\emdash\\~f}");
  ASSERT_EQ(document.paragraphs.size(), 1u);
  EXPECT_EQ(paragraph_text(document.paragraphs[0]),
            "a\x80"
            "b\xE9"
            "c?d {x}\\ e\x97\xA0"
            "f");
}

TEST(HelpRtf, PlainTextIsOneParagraphPerLine) {
  const RRichDocument document = read_rich_text("one\r\ntwo\rthree\nfour {\\b x}");
  ASSERT_EQ(document.paragraphs.size(), 4u);
  EXPECT_EQ(paragraph_text(document.paragraphs[1]), "two");
  EXPECT_EQ(paragraph_text(document.paragraphs[3]), "four {\\b x}");
  EXPECT_EQ(rich_plain_text(document), "one\r\ntwo\r\nthree\r\nfour {\\b x}\r\n");
  EXPECT_EQ(read_rich_text("").paragraphs.size(), 1u);
}

TEST(HelpRtf, DamagedInputKeepsWhatWasRead) {
  // Truncated in an escape, in a word, in a group; unbalanced closing braces. What follows a
  // bad escape is text.
  EXPECT_EQ(paragraph_text(read_rich_text("{\\rtf1 ok\\'e").paragraphs[0]), "oke");
  EXPECT_EQ(paragraph_text(read_rich_text("{\\rtf1 ok\\").paragraphs[0]), "ok");
  EXPECT_EQ(paragraph_text(read_rich_text("{\\rtf1 ok{\\b more").paragraphs[0]), "okmore");
  EXPECT_EQ(paragraph_text(read_rich_text("{\\rtf1 ok}}}} after").paragraphs[0]), "ok");
  EXPECT_EQ(paragraph_text(read_rich_text("{\\rtf1 a\\'zzb").paragraphs[0]), "azzb");
  // Huge numbers and nesting far deeper than any editor writes.
  const RRichDocument huge =
      read_rich_text("{\\rtf1\\fs99999999999999999999 big\\u-99999999999? \\bin99999999999}");
  EXPECT_EQ(huge.paragraphs[0].runs[0].half_points, 2000);
  std::string deep = "{\\rtf1 ";
  for (int i = 0; i < 100000; ++i) deep += "{\\b ";
  deep += "x";
  for (int i = 0; i < 100000; ++i) deep += "}";
  deep += " y}";
  const RRichDocument nested = read_rich_text(deep);
  EXPECT_EQ(paragraph_text(nested.paragraphs[0]), "x y");
  EXPECT_FALSE(nested.paragraphs[0].runs.back().bold);
}

// Layout with a face where every character is 10 pixels wide and lines are 20 high.
RRichLayout lay_out(const RRichDocument& document, float width) {
  RRichMeasure measure;
  measure.width = [](size_t, std::string_view text) { return 10.0f * float(text.size()); };
  measure.line_height = [](size_t) { return 20.0f; };
  return lay_out_rich_text(document, rich_fonts(document), width, measure);
}

TEST(HelpView, WrapsAlignsAndTabs) {
  // "aaa bbb ccc" in 75 pixels: two words per line at most.
  const RRichLayout wrapped = lay_out(read_rich_text("aaa bbb ccc"), 75.0f);
  ASSERT_EQ(wrapped.pieces.size(), 2u);
  EXPECT_EQ(wrapped.pieces[0].text, "aaa bbb ");
  EXPECT_EQ(wrapped.pieces[1].text, "ccc");
  EXPECT_EQ(wrapped.pieces[1].x, 0.0f);
  EXPECT_EQ(wrapped.pieces[1].y, 20.0f);
  EXPECT_EQ(wrapped.height, 40.0f);

  // A word wider than the view is not broken: the view scrolls to it.
  const RRichLayout wide = lay_out(read_rich_text("x abcdefghij"), 50.0f);
  EXPECT_EQ(wide.width, 100.0f);

  const RRichLayout centred = lay_out(read_rich_text("{\\rtf1\\qc ab\\par\\qr cd\\par}"), 100.0f);
  ASSERT_EQ(centred.pieces.size(), 2u);
  EXPECT_EQ(centred.pieces[0].x, 40.0f);
  EXPECT_EQ(centred.pieces[1].x, 80.0f);

  // Tabs go to the paragraph's stops (1440 twips = 96 pixels), then to the default ones.
  const RRichLayout tabbed =
      lay_out(read_rich_text("{\\rtf1\\deftab720\\tx1440 a\\tab b\\tab c}"), 1000.0f);
  ASSERT_EQ(tabbed.pieces.size(), 3u);
  EXPECT_FLOAT_EQ(tabbed.pieces[1].x, 96.0f);
  EXPECT_FLOAT_EQ(tabbed.pieces[2].x, 144.0f);
}

TEST(HelpView, FontsAreSharedAndCapped) {
  std::string text = "{\\rtf1{\\fonttbl{\\f0 Arial;}}";
  for (int size = 10; size < 60; ++size) text += "\\fs" + std::to_string(size * 2) + " x";
  text += "\\fs20\\b y\\b0 z}";
  const RRichDocument document = read_rich_text(text);
  const std::vector<RFormFont> fonts = rich_fonts(document);
  ASSERT_EQ(fonts.size(), kMaxRichFonts);
  EXPECT_EQ(fonts[0].family, "Arial");
  EXPECT_EQ(fonts[0].pixel_size, 13);  // 10 points on a 96-dpi screen
  // A size past the cap is drawn with the nearest face loaded.
  RRichRun large;
  large.family = "Arial";
  large.half_points = 200;
  EXPECT_EQ(rich_font_slot(fonts, large), kMaxRichFonts - 1);
  RRichRun small;
  small.family = "Arial";
  small.half_points = 20;
  EXPECT_EQ(rich_font_slot(fonts, small), 0u);
}

}  // namespace
}  // namespace vn
