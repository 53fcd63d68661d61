#include "runner/Help_View.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace vn {

namespace {

// What a face looks like when the document does not say.
constexpr const char* kDefaultFamily = "sans-serif";

constexpr float kPixelsPerTwip = 96.0f / 1440.0f;

RFormFont face_of(const RRichRun& run) {
  RFormFont font;
  font.family = run.family.empty() ? kDefaultFamily : run.family;
  // Points on a 96-dpi screen; the format counts half-points.
  font.pixel_size = std::clamp(int(std::lround(run.half_points * 2.0 / 3.0)), 6, 96);
  font.bold = run.bold;
  font.italic = run.italic;
  return font;
}

bool same_face(const RFormFont& a, const RFormFont& b) {
  return a.family == b.family && a.pixel_size == b.pixel_size && a.bold == b.bold &&
         a.italic == b.italic;
}

size_t nearest_slot(const std::vector<RFormFont>& fonts, const RFormFont& wanted) {
  size_t best = 0;
  int best_cost = -1;
  for (size_t i = 0; i < fonts.size(); ++i) {
    const RFormFont& font = fonts[i];
    const int cost =
        (font.family != wanted.family ? 1000 : 0) + (font.bold != wanted.bold ? 200 : 0) +
        (font.italic != wanted.italic ? 200 : 0) + std::abs(font.pixel_size - wanted.pixel_size);
    if (best_cost < 0 || cost < best_cost) {
      best = i;
      best_cost = cost;
    }
  }
  return best;
}

RRichRun empty_line_run(const RRichParagraph& paragraph) {
  RRichRun run;
  run.half_points = paragraph.half_points;
  return run;
}

// Lays out one paragraph after another, a line at a time.
class CLayout {
 public:
  CLayout(const RRichDocument& document, const std::vector<RFormFont>& fonts, float width,
          const RRichMeasure& measure, const std::function<float(size_t)>& ascent)
      : document_(document),
        fonts_(fonts),
        width_(std::max(width, 1.0f)),
        measure_(measure),
        ascent_(ascent) {}

  RRichLayout run() {
    for (const RRichParagraph& paragraph : document_.paragraphs) lay_out(paragraph);
    return std::move(layout_);
  }

 private:
  size_t slot_of(const RRichRun& run) const {
    return fonts_.empty() ? 0 : rich_font_slot(fonts_, run);
  }
  float height_of(size_t slot) const {
    return measure_.line_height ? std::max(measure_.line_height(slot), 1.0f) : 16.0f;
  }
  float ascent_of(size_t slot) const { return ascent_ ? ascent_(slot) : height_of(slot) * 0.8f; }
  float width_of(size_t slot, std::string_view text) const {
    return measure_.width && !text.empty() ? measure_.width(slot, text) : 0.0f;
  }

  void start_line(float left) {
    line_first_ = layout_.pieces.size();
    line_left_ = left;
    x_ = left;
    content_right_ = left;
    line_ascent_ = 0.0f;
    line_descent_ = 0.0f;
    line_empty_ = true;
  }

  void add_piece(const RRichRun& run, size_t slot, std::string_view text, float width,
                 bool spaces_only) {
    const float ascent = ascent_of(slot);
    line_ascent_ = std::max(line_ascent_, ascent);
    line_descent_ = std::max(line_descent_, height_of(slot) - ascent);
    if (!spaces_only) line_empty_ = false;
    RRichPiece* last = layout_.pieces.size() > line_first_ ? &layout_.pieces.back() : nullptr;
    if (last != nullptr && last->slot == slot && last->underline == run.underline &&
        last->automatic_color == run.automatic_color && last->color == run.color &&
        std::fabs(last->x + last->width - x_) < 0.01f) {
      last->text += text;
      last->width += width;
    } else {
      RRichPiece piece;
      piece.x = x_;
      piece.width = width;
      piece.ascent = ascent;
      piece.slot = slot;
      piece.text = std::string(text);
      piece.underline = run.underline;
      piece.automatic_color = run.automatic_color;
      piece.color = run.color;
      layout_.pieces.push_back(std::move(piece));
    }
    x_ += width;
  }

  void finish_line(const RRichParagraph& paragraph, size_t empty_slot) {
    if (line_ascent_ <= 0.0f && line_descent_ <= 0.0f) {
      line_ascent_ = ascent_of(empty_slot);
      line_descent_ = height_of(empty_slot) - line_ascent_;
    }
    float shift = 0.0f;
    const float room = right_edge_ - line_left_ - (content_right_ - line_left_);
    if (paragraph.align == RichAlign::centre) shift = std::max(room * 0.5f, 0.0f);
    if (paragraph.align == RichAlign::right) shift = std::max(room, 0.0f);
    for (size_t i = line_first_; i < layout_.pieces.size(); ++i) {
      RRichPiece& piece = layout_.pieces[i];
      piece.x += shift;
      piece.y = y_;
      piece.baseline = line_ascent_;
    }
    layout_.width = std::max(layout_.width, content_right_ + shift);
    y_ += line_ascent_ + line_descent_;
    layout_.height = y_;
  }

  float next_tab(const RRichParagraph& paragraph, float x) const {
    for (int stop : paragraph.tab_stops) {
      const float at = float(stop) * kPixelsPerTwip;
      if (at > x + 0.5f) return at;
    }
    const float step = std::max(float(document_.default_tab) * kPixelsPerTwip, 4.0f);
    return (std::floor((x + 0.5f) / step) + 1.0f) * step;
  }

  void lay_out(const RRichParagraph& paragraph) {
    const float left = float(paragraph.left_indent) * kPixelsPerTwip;
    right_edge_ = std::max(width_ - float(paragraph.right_indent) * kPixelsPerTwip, left + 1.0f);
    start_line(std::max(left + float(paragraph.first_indent) * kPixelsPerTwip, 0.0f));
    size_t empty_slot = slot_of(empty_line_run(paragraph));
    bool wrapped = false;  // the line began where the one before was too full
    for (const RRichRun& run : paragraph.runs) {
      const size_t slot = slot_of(run);
      empty_slot = slot;
      const std::string_view text = run.text;
      size_t at = 0;
      while (at < text.size()) {
        const char c = text[at];
        if (c == '\n') {
          finish_line(paragraph, slot);
          start_line(left);
          wrapped = false;
          ++at;
          continue;
        }
        if (c == '\t') {
          x_ = next_tab(paragraph, x_);
          content_right_ = x_;
          line_empty_ = false;
          wrapped = false;
          ++at;
          continue;
        }
        // A word and the spaces after it.
        size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n') {
          ++end;
        }
        const size_t word_end = end;
        while (end < text.size() && text[end] == ' ') ++end;
        const std::string_view word = text.substr(at, word_end - at);
        const std::string_view spaces = text.substr(word_end, end - word_end);
        at = end;
        const float word_width = width_of(slot, word);
        if (!word.empty() && !line_empty_ && x_ + word_width > right_edge_) {
          finish_line(paragraph, slot);
          start_line(left);
          wrapped = true;
        }
        if (!word.empty()) {
          add_piece(run, slot, word, word_width, false);
          content_right_ = x_;
          wrapped = false;
        }
        // Spaces at the start of a wrapped line would push it off the margin.
        if (!spaces.empty() && !(wrapped && line_empty_)) {
          add_piece(run, slot, spaces, width_of(slot, spaces), true);
        }
      }
    }
    finish_line(paragraph, empty_slot);
  }

  const RRichDocument& document_;
  const std::vector<RFormFont>& fonts_;
  float width_;
  const RRichMeasure& measure_;
  const std::function<float(size_t)>& ascent_;
  RRichLayout layout_;
  float y_ = 0.0f;
  float right_edge_ = 0.0f;
  size_t line_first_ = 0;
  float line_left_ = 0.0f;
  float x_ = 0.0f;
  float content_right_ = 0.0f;
  float line_ascent_ = 0.0f;
  float line_descent_ = 0.0f;
  bool line_empty_ = true;
};

ImU32 gui_color(uint32_t rgb) {
  return IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

}  // namespace

std::vector<RFormFont> rich_fonts(const RRichDocument& document) {
  std::vector<RFormFont> fonts;
  auto want = [&](const RFormFont& face) {
    if (fonts.size() >= kMaxRichFonts) return;
    for (const RFormFont& font : fonts) {
      if (same_face(font, face)) return;
    }
    fonts.push_back(face);
  };
  for (const RRichParagraph& paragraph : document.paragraphs) {
    if (paragraph.runs.empty()) want(face_of(empty_line_run(paragraph)));
    for (const RRichRun& run : paragraph.runs) want(face_of(run));
    if (fonts.size() >= kMaxRichFonts) break;
  }
  if (fonts.empty()) fonts.push_back(face_of(RRichRun()));
  return fonts;
}

size_t rich_font_slot(const std::vector<RFormFont>& fonts, const RRichRun& run) {
  return nearest_slot(fonts, face_of(run));
}

RRichLayout lay_out_rich_text(const RRichDocument& document, const std::vector<RFormFont>& fonts,
                              float width, const RRichMeasure& measure,
                              const std::function<float(size_t slot)>& ascent) {
  return CLayout(document, fonts, width, measure, ascent).run();
}

CRichView::CRichView(RRichDocument document)
    : document_(std::move(document)), fonts_(rich_fonts(document_)) {}

void CRichView::draw(const RFormFrame& frame, size_t first_font, ImVec2 size, uint32_t background) {
  auto font_at = [&](size_t slot) -> ImFont* {
    const size_t index = first_font + slot;
    if (index < frame.fonts.size() && frame.fonts[index] != nullptr) return frame.fonts[index];
    return ImGui::GetFont();
  };
  const ImGuiStyle& style = ImGui::GetStyle();
  ImGui::PushStyleColor(ImGuiCol_ChildBg, gui_color(background));
  // A small margin inside the coloured area, as a text box has.
  const ImVec2 margin(4.0f, 2.0f);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, margin);
  ImGui::BeginChild("##rich", size, false,
                    ImGuiWindowFlags_HorizontalScrollbar | ImGuiWindowFlags_AlwaysUseWindowPadding);
  ImGui::PopStyleVar();

  float width = ImGui::GetWindowWidth() - margin.x * 2.0f;
  if (ImGui::GetScrollMaxY() > 0.0f) width -= style.ScrollbarSize;
  width = std::max(width, 16.0f);
  if (std::fabs(width - laid_out_width_) > 0.5f || first_font != laid_out_first_) {
    RRichMeasure measure;
    measure.width = [&](size_t slot, std::string_view text) {
      ImFont* font = font_at(slot);
      const std::string shown = gui_text(text);
      return font
          ->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, shown.data(), shown.data() + shown.size())
          .x;
    };
    measure.line_height = [&](size_t slot) {
      ImFont* font = font_at(slot);
      return std::max(font->FontSize, font->Ascent - font->Descent);
    };
    layout_ = lay_out_rich_text(document_, fonts_, width, measure,
                                [&](size_t slot) { return font_at(slot)->Ascent; });
    shown_text_.clear();
    shown_text_.reserve(layout_.pieces.size());
    for (const RRichPiece& piece : layout_.pieces) shown_text_.push_back(gui_text(piece.text));
    laid_out_width_ = width;
    laid_out_first_ = first_font;
  }

  // Keys scroll the text as in any read-only text box.
  if (ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) {
    const float line = ImGui::GetTextLineHeightWithSpacing();
    const float page = std::max(ImGui::GetWindowHeight() - line, line);
    float scroll = ImGui::GetScrollY();
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_DownArrow))) scroll += line;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_UpArrow))) scroll -= line;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_PageDown))) scroll += page;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_PageUp))) scroll -= page;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Home))) scroll = 0.0f;
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_End))) scroll = ImGui::GetScrollMaxY();
    if (scroll != ImGui::GetScrollY()) ImGui::SetScrollY(std::clamp(scroll, 0.0f, FLT_MAX));
  }

  const ImVec2 origin = ImGui::GetCursorScreenPos();
  const float top = ImGui::GetWindowPos().y;
  const float bottom = top + ImGui::GetWindowHeight();
  ImDrawList* draw = ImGui::GetWindowDrawList();
  for (size_t i = 0; i < layout_.pieces.size(); ++i) {
    const RRichPiece& piece = layout_.pieces[i];
    ImFont* font = font_at(piece.slot);
    const float line_top = origin.y + piece.y;
    if (line_top > bottom) break;
    if (line_top + piece.baseline + font->FontSize < top) continue;
    const ImU32 ink = piece.automatic_color ? IM_COL32(0, 0, 0, 255) : gui_color(piece.color);
    const ImVec2 at(origin.x + piece.x, line_top + piece.baseline - piece.ascent);
    const std::string& text = shown_text_[i];
    draw->AddText(font, font->FontSize, at, ink, text.data(), text.data() + text.size());
    if (piece.underline) {
      const float thickness = std::max(1.0f, std::floor(font->FontSize / 14.0f));
      const float y = line_top + piece.baseline + thickness + 1.0f;
      draw->AddLine(ImVec2(at.x, y), ImVec2(at.x + piece.width, y), ink, thickness);
    }
  }
  ImGui::Dummy(ImVec2(std::max(layout_.width, 1.0f), std::max(layout_.height, 1.0f)));

  ImGui::EndChild();
  ImGui::PopStyleColor();
}

}  // namespace vn
