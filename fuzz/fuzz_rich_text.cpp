// Game information and splash texts come from game files and from any file a game names.
// Reading must keep within its limits, and laying the result out at any width must place
// every piece inside the layout it reports.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runner/Help_Rtf.h"
#include "runner/Help_View.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vn::RRichDocument document = vn::read_rich_text(bytes);
  if (document.paragraphs.empty()) std::abort();
  size_t text_size = 0;
  for (const vn::RRichParagraph& paragraph : document.paragraphs) {
    if (paragraph.tab_stops.size() > 64) std::abort();
    for (const vn::RRichRun& run : paragraph.runs) {
      if (run.text.empty() || run.half_points <= 0 || run.half_points > 2000) std::abort();
      text_size += run.text.size();
    }
  }
  // Every character of the text came from at least one byte of the input.
  if (text_size > size) std::abort();

  const std::vector<vn::RFormFont> fonts = vn::rich_fonts(document);
  if (fonts.empty() || fonts.size() > vn::kMaxRichFonts) std::abort();
  vn::RRichMeasure measure;
  measure.width = [&](size_t slot, std::string_view text) {
    if (slot >= fonts.size()) std::abort();
    return float(text.size()) * float(fonts[slot].pixel_size) * 0.5f;
  };
  measure.line_height = [&](size_t slot) { return float(fonts[slot].pixel_size) * 1.2f; };
  for (float width : {1.0f, 37.0f, 600.0f}) {
    const vn::RRichLayout layout = vn::lay_out_rich_text(document, fonts, width, measure);
    for (const vn::RRichPiece& piece : layout.pieces) {
      if (!std::isfinite(piece.x) || !std::isfinite(piece.y) || piece.x < 0.0f || piece.y < 0.0f ||
          piece.y >= layout.height + 0.01f || piece.slot >= fonts.size()) {
        std::abort();
      }
    }
  }
  return 0;
}
