// The rich text games carry for their information and splashes: the part of the format
// their editors write (paragraphs, fonts, sizes, bold, italic, underline, colours,
// alignment, indents and tabs), read by us. Anything else in the document is skipped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

enum class RichAlign { left, centre, right };  // justified text is shown left-aligned

struct RRichRun {
  // Windows-1252. '\t' is a tab, '\n' a line break inside the paragraph.
  std::string text;
  std::string family;    // font family, Windows-1252; empty: the viewer's default face
  int half_points = 24;  // size as the format counts it
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool automatic_color = true;  // the viewer's text colour
  uint32_t color = 0;           // 0xRRGGBB when not automatic

  // Same look (the text aside).
  bool same_style(const RRichRun& other) const;
};

struct RRichParagraph {
  std::vector<RRichRun> runs;
  RichAlign align = RichAlign::left;
  int first_indent = 0;        // twips, relative to the left indent; may be negative
  int left_indent = 0;         // twips
  int right_indent = 0;        // twips
  std::vector<int> tab_stops;  // twips from the left margin, ascending
  // Size of an empty paragraph's line, in half-points.
  int half_points = 24;
};

struct RRichDocument {
  std::vector<RRichParagraph> paragraphs;
  int default_tab = 720;  // twips
};

// Reads a document; bytes that do not start with "{\rtf" are plain text, one paragraph per
// line (CR LF, CR or LF). Damaged documents keep whatever was read before the damage.
RRichDocument read_rich_text(std::string_view bytes);

// All the document's text, paragraphs ending in CR LF (for searching, tests and headless
// output).
std::string rich_plain_text(const RRichDocument& document);

}  // namespace vn
