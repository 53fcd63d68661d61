// One line of text rasterised for the runner's own screens. The game's fonts are built
// elsewhere; this is only what the runner needs to label its forms.
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

}  // namespace vn
