// System fonts: one line of text rasterised for the runner's own screens, and the faces,
// metrics and glyph coverage that the game's glyph sheets are built from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

struct RFontRequest {
  std::string family;   // Windows-1252; empty asks for the default sans-serif face
  int pixel_size = 12;  // em size in pixels
  bool bold = false;
  bool italic = false;
};

// Coverage of one line of text, rows top to bottom, 0 (none) ... 255 (full).
struct RTextMask {
  int width = 0;
  int height = 0;    // ascent + descent of the face at this size
  int baseline = 0;  // rows from the top to the baseline
  std::vector<uint8_t> alpha;

  bool empty() const { return width <= 0 || height <= 0; }
  uint8_t at(int x, int y) const { return alpha[size_t(y) * size_t(width) + size_t(x)]; }
};

// Text is Windows-1252. The installed face closest to the request is used; the result is
// empty when no face can be found or loaded (and zero wide for empty text).
RTextMask render_text_line(std::string_view text, const RFontRequest& font);

// The file of the face the request resolves to, empty when there is none.
std::string matched_font_file(const RFontRequest& font);

// The widths of a character the way the games' system reported them: A is the space before
// its ink, B the width of the ink, C the space after it (A + B + C is the advance; A and C
// may be negative).
struct RCharWidths {
  int a = 0;
  int b = 0;
  int c = 0;
};

// One face at one pixel size, opened for building glyph sheets. Characters are
// Windows-1252 codes; one the face lacks is measured and drawn as its missing-glyph shape.
class CFontFace {
 public:
  explicit CFontFace(const RFontRequest& font);
  ~CFontFace();
  CFontFace(const CFontFace&) = delete;
  CFontFace& operator=(const CFontFace&) = delete;

  // False when no face could be found or loaded; nothing else then does anything.
  bool valid() const { return face_ != nullptr; }
  // Height of a line of text: the face's ascent plus descent, whatever the characters.
  int text_height() const { return ascent_ + descent_; }
  int ascent() const { return ascent_; }
  // False for a face that gives no outline widths (then only text_width serves).
  bool char_widths(int code, RCharWidths& widths) const;
  // The advance of the character.
  int text_width(int code) const;
  // The character's coverage into an alpha canvas (rows top to bottom), its pen at x and
  // the top of its line at y; each pixel keeps the larger of what it held and the glyph.
  void draw_char(int code, int x, int y, uint8_t* canvas, int width, int height) const;

 private:
  void* face_ = nullptr;  // the rasteriser's face, owned
  int ascent_ = 0;
  int descent_ = 0;
};

}  // namespace vn
