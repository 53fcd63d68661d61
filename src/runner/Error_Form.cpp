#include "runner/Error_Form.h"

#include <cfloat>

#include "platform/Platform_Gui.h"
#include "support/Support_Console.h"

namespace vn {

namespace {

constexpr int kResultAbort = 0;
constexpr int kResultIgnore = 1;

}  // namespace

void CErrorMemo::append(std::string_view message) {
  lines_.emplace_back();
  lines_.emplace_back(kRuleLength, '_');
  std::string line;
  for (char c : message) {
    if (c == '\r') {
      lines_.push_back(std::move(line));
      line.clear();
    } else if (c != '\n') {
      line += c;
    }
  }
  lines_.push_back(std::move(line));
}

std::string CErrorMemo::text() const {
  std::string joined;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += lines_[i];
  }
  return joined;
}

ErrorChoice TErrorForm::show(const std::string& message, bool fatal) {
  memo_.append(message);
  ++memo_revision_;
  scroll_to_end_ = true;

  RFormSetup setup;
  setup.caption = "Error Messages";
  setup.width = 560;
  setup.height = 380;
  setup.fonts = {RFormFont{"sans-serif", 14}, RFormFont{"monospace", 13}};
  const std::optional<int> result =
      run_modal_form(setup, [&](RFormFrame& frame) { return draw(frame, fatal); });
  if (!result) {
    write_console_lines(stderr, message);
    return fatal ? ErrorChoice::Abort : ErrorChoice::Ignore;
  }
  return *result == kResultIgnore && !fatal ? ErrorChoice::Ignore : ErrorChoice::Abort;
}

std::optional<int> TErrorForm::draw(RFormFrame& frame, bool fatal) {
  if (frame.close_requested) return kResultAbort;

  const ImGuiStyle& style = ImGui::GetStyle();
  const float buttons_height = ImGui::GetFrameHeight() + style.ItemSpacing.y;
  ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(255, 255, 255, 255));
  ImGui::BeginChild("memo", ImVec2(-FLT_MIN, -buttons_height), true,
                    ImGuiWindowFlags_AlwaysVerticalScrollbar);
  ImGui::PushFont(frame.fonts.size() > 1 ? frame.fonts[1] : frame.fonts.front());
  ImGui::PushTextWrapPos(0.0f);
  if (shown_revision_ != memo_revision_) {
    shown_text_ = gui_text(memo_.text());
    shown_revision_ = memo_revision_;
  }
  ImGui::TextUnformatted(shown_text_.data(), shown_text_.data() + shown_text_.size());
  ImGui::PopTextWrapPos();
  ImGui::PopFont();
  // The layout of the first frame gives the height the second one scrolls to.
  if (scroll_to_end_) {
    ImGui::SetScrollHereY(1.0f);
    if (!frame.first) scroll_to_end_ = false;
  }
  ImGui::EndChild();
  ImGui::PopStyleColor();

  const float width = 96.0f;
  std::optional<int> result;
  if (form_button(frame, "&Abort", "Abort the execution of the game", true, width)) {
    result = kResultAbort;
  }
  if (!fatal) {
    ImGui::SameLine();
    if (form_button(frame, "&Ignore", "Ignore the error and continue the game", false, width)) {
      result = kResultIgnore;
    }
  }
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 2.0f * width - style.ItemSpacing.x);
  if (form_button(frame, "&Copy", "Copy the error messages to the clipboard", false, width)) {
    // The memo's scroll position is its own and stays where the player left it.
    set_clipboard_text(memo_.text());
  }
  ImGui::SameLine();
  if (form_button(frame, "C&lear", "Clear the list of error messages", false, width)) {
    memo_.clear();
    ++memo_revision_;
  }
  return result;
}

}  // namespace vn
