// Shows a rich-text document inside a form: words wrapped to the width, scroll bars when it
// does not fit, the document's faces, sizes, styles, colours and alignment.
//
// A form that shows one puts the view's fonts in its setup (at any place of its font list)
// and tells the view where they start:
//   CRichView view(read_rich_text(bytes));
//   setup.fonts = {my_font};  const size_t first = setup.fonts.size();
//   setup.fonts.insert(setup.fonts.end(), view.fonts().begin(), view.fonts().end());
//   ... in the form's drawing: view.draw(frame, first, size, background);
#pragma once

#include <imgui.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform_Gui.h"
#include "runner/Help_Rtf.h"

namespace vn {

// More faces than this make the atlas slow to build; the rest are drawn with the nearest.
constexpr size_t kMaxRichFonts = 16;

// The faces the document is drawn with, once each, at most kMaxRichFonts. Sizes are in
// pixels on a 96-dpi screen.
std::vector<RFormFont> rich_fonts(const RRichDocument& document);
// Which entry of rich_fonts(document) the run is drawn with.
size_t rich_font_slot(const std::vector<RFormFont>& fonts, const RRichRun& run);

// What laying out needs to know of a face: the width of Windows-1252 text and the height
// of a line.
struct RRichMeasure {
  std::function<float(size_t slot, std::string_view text)> width;
  std::function<float(size_t slot)> line_height;
};

// A piece of one line: text of a single run, placed in pixels from the document's top left.
struct RRichPiece {
  float x = 0.0f;
  float y = 0.0f;  // top of the line
  float width = 0.0f;
  float baseline = 0.0f;  // from the top of the line, to align faces of other sizes
  float ascent = 0.0f;    // of the piece's own face
  size_t slot = 0;
  std::string text;  // Windows-1252, no tabs or breaks
  bool underline = false;
  bool automatic_color = true;
  uint32_t color = 0;
};

struct RRichLayout {
  std::vector<RRichPiece> pieces;  // top to bottom
  float width = 0.0f;              // of the widest line
  float height = 0.0f;
};

// Lays the document out for a width in pixels, with `fonts` as rich_fonts gave them. Words
// wider than the width are not broken: the view scrolls sideways to them. `ascent` gives a
// face's height above the baseline (0.8 of its line when not given).
RRichLayout lay_out_rich_text(const RRichDocument& document, const std::vector<RFormFont>& fonts,
                              float width, const RRichMeasure& measure,
                              const std::function<float(size_t slot)>& ascent = {});

class CRichView {
 public:
  explicit CRichView(RRichDocument document);
  const RRichDocument& document() const { return document_; }
  const std::vector<RFormFont>& fonts() const { return fonts_; }

  // Draws the document in a scrolling child of the current ImGui window at the cursor, of
  // `size` (ImGui's rules: 0 or less counts from the right and bottom), on `background`
  // (0xRRGGBB); automatic text is black. The view's fonts are frame.fonts[first_font ...].
  void draw(const RFormFrame& frame, size_t first_font, ImVec2 size, uint32_t background);

 private:
  RRichDocument document_;
  std::vector<RFormFont> fonts_;
  RRichLayout layout_;
  float laid_out_width_ = -1.0f;
  size_t laid_out_first_ = 0;
  std::vector<std::string> shown_text_;  // the pieces' text as ImGui takes it
};

}  // namespace vn
