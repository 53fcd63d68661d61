#include "runner/Runner_Menu.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "library/Input_Main.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_Font.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Window.h"
#include "runner/Form_Answer.h"
#include "runner/Input_Record.h"
#include "runner/Support_Message.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

// Entries are never shown disabled: the menu text has no mark for it, and reading one into
// it (a leading "!" or "~", say) would change captions that games show as they are.

namespace vn {
namespace {

constexpr int kMenuFontPixels = 13;
constexpr int kTextIndent = 24;
constexpr int kRowPadding = 8;
constexpr int kSeparatorHeight = 9;
constexpr int kMinimumWidth = 96;

char lower_case(char c) { return char(lower_1252(static_cast<unsigned char>(c))); }

bool can_be_key(char c) {
  const auto code = static_cast<unsigned char>(lower_case(c));
  return (code >= 'a' && code <= 'z') || (code >= '0' && code <= '9') ||
         (code >= 0xE0 && code != 0xF7);
}

// The first position of label whose character is a free key; starts of words first.
size_t free_key_position(const std::string& label, const std::vector<bool>& used) {
  auto is_free = [&](size_t i) {
    return can_be_key(label[i]) && !used[static_cast<unsigned char>(lower_case(label[i]))];
  };
  for (size_t i = 0; i < label.size(); ++i) {
    const bool word_start = i == 0 || label[i - 1] == ' ';
    if (word_start && is_free(i)) return i;
  }
  for (size_t i = 0; i < label.size(); ++i) {
    if (is_free(i)) return i;
  }
  return std::string::npos;
}

class TPopupMenu {
 public:
  TPopupMenu(std::vector<RMenuEntry> entries, std::optional<std::pair<int, int>> position);
  std::optional<int> show();

 private:
  std::optional<int> draw(RFormFrame& frame);
  void move_hot(int step);

  std::vector<RMenuEntry> entries_;
  std::vector<std::string> labels_;  // UTF-8
  std::vector<int> row_top_;
  RFormFont font_;
  int line_height_ = 0;
  int width_ = 0;
  int height_ = 0;
  int left_ = 0;
  int top_ = 0;
  int hot_ = -1;  // index into entries_
};

TPopupMenu::TPopupMenu(std::vector<RMenuEntry> entries, std::optional<std::pair<int, int>> position)
    : entries_(std::move(entries)) {
  RFontRequest request;
  request.family = "sans-serif";
  request.pixel_size = kMenuFontPixels;
  CFontFace face(request);
  line_height_ = face.valid() ? face.text_height() : kMenuFontPixels + 3;
  font_ = RFormFont{"sans-serif", line_height_};
  int widest = 0;
  int y = 3;
  for (const RMenuEntry& entry : entries_) {
    row_top_.push_back(y);
    labels_.push_back(gui_text(entry.label));
    if (entry.separator) {
      y += kSeparatorHeight;
      continue;
    }
    int width = 0;
    for (char c : entry.label) {
      width += face.valid() ? face.text_width(static_cast<unsigned char>(c)) : kMenuFontPixels / 2;
    }
    widest = std::max(widest, width);
    y += line_height_ + kRowPadding;
  }
  width_ = std::max(widest + 2 * kTextIndent, kMinimumWidth);
  height_ = y + 3;

  const int x = position ? position->first : display_mouse_x();
  const int top = position ? position->second : display_mouse_y();
  // As menus do, one that would leave the screen opens to the other side of the point.
  const RDisplaySize screen = display_size();
  left_ = x + width_ > screen.width && x - width_ >= 0 ? x - width_ : x;
  top_ = top + height_ > screen.height && top - height_ >= 0 ? top - height_ : top;
  left_ = std::max(left_, 0);
  top_ = std::max(top_, 0);
}

std::optional<int> TPopupMenu::show() {
  RFormSetup setup;
  setup.caption = "Menu";
  setup.width = width_;
  setup.height = height_;
  setup.left = left_;
  setup.top = top_;
  setup.border = false;
  setup.popup = true;
  setup.stay_on_top = true;
  setup.fonts = {font_};
  return run_modal_form(setup, [this](RFormFrame& frame) { return draw(frame); });
}

void TPopupMenu::move_hot(int step) {
  const int count = int(entries_.size());
  if (count == 0) return;
  int at = hot_;
  for (int tried = 0; tried < count; ++tried) {
    at = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
    if (!entries_[size_t(at)].separator) {
      hot_ = at;
      return;
    }
  }
}

std::optional<int> TPopupMenu::draw(RFormFrame& frame) {
  if (frame.close_requested || frame.escape_pressed) return -1;
  ImDrawList* list = ImGui::GetWindowDrawList();
  const ImVec2 size(float(frame.width), float(frame.height));
  list->AddRectFilled(ImVec2(0, 0), size, IM_COL32(249, 249, 249, 255));
  list->AddRect(ImVec2(0.5f, 0.5f), ImVec2(size.x - 0.5f, size.y - 0.5f),
                IM_COL32(120, 120, 120, 255));

  std::optional<int> chosen;
  ImFont* font = frame.fonts.empty() ? ImGui::GetFont() : frame.fonts[0];
  for (size_t i = 0; i < entries_.size(); ++i) {
    const RMenuEntry& entry = entries_[i];
    const float top = float(row_top_[i]);
    if (entry.separator) {
      const float y = top + float(kSeparatorHeight / 2) + 0.5f;
      list->AddLine(ImVec2(4, y), ImVec2(size.x - 4, y), IM_COL32(170, 170, 170, 255));
      continue;
    }
    const float row_height = float(line_height_ + kRowPadding);
    ImGui::SetCursorPos(ImVec2(3, top));
    ImGui::PushID(int(i));
    if (ImGui::InvisibleButton("##item", ImVec2(size.x - 6, row_height))) chosen = entry.number;
    ImGui::PopID();
    const ImVec2 moved = ImGui::GetIO().MouseDelta;
    // A resting pointer leaves the item the arrow keys chose.
    if (ImGui::IsItemHovered() && (moved.x != 0 || moved.y != 0 || frame.first)) hot_ = int(i);
    const bool hot = hot_ == int(i);
    if (hot) {
      list->AddRectFilled(ImVec2(3, top), ImVec2(size.x - 3, top + row_height),
                          IM_COL32(0, 120, 215, 255));
    }
    const ImU32 ink = hot ? IM_COL32(255, 255, 255, 255) : IM_COL32(0, 0, 0, 255);
    const ImVec2 at(float(kTextIndent), top + float(kRowPadding / 2));
    list->AddText(font, font->FontSize, at, ink, labels_[i].c_str());
    if (entry.key_offset < entry.label.size()) {
      const std::string before = gui_text(entry.label.substr(0, entry.key_offset));
      const std::string key = gui_text(entry.label.substr(entry.key_offset, 1));
      const float start = at.x + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, before.c_str()).x;
      const float end = start + font->CalcTextSizeA(font->FontSize, FLT_MAX, 0, key.c_str()).x;
      const float y = at.y + float(line_height_);
      list->AddLine(ImVec2(start, y), ImVec2(end, y), ink);
    }
  }
  if (chosen) return chosen;

  if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_DownArrow))) move_hot(1);
  if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_UpArrow))) move_hot(-1);
  if (frame.return_pressed && hot_ >= 0) return entries_[size_t(hot_)].number;

  // An access key chooses its item, typed alone or with Alt.
  std::vector<char> typed;
  if (frame.access_key != 0) typed.push_back(frame.access_key);
  const ImGuiIO& io = ImGui::GetIO();
  for (int i = 0; i < io.InputQueueCharacters.Size; ++i) {
    const ImWchar code = io.InputQueueCharacters[i];
    if (code < 0x100) typed.push_back(char(code));
  }
  for (char c : typed) {
    for (const RMenuEntry& entry : entries_) {
      if (!entry.separator && entry.key != 0 && entry.key == lower_case(c)) return entry.number;
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<RMenuEntry> parse_menu(std::string_view items) {
  std::vector<RMenuEntry> entries;
  std::vector<bool> used(256, false);
  std::vector<bool> own_key;
  int number = 0;
  size_t start = 0;
  while (true) {
    const size_t end = items.find('|', start);
    const std::string_view text =
        items.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    RMenuEntry entry;
    if (text == "-") {
      entry.separator = true;
    } else {
      const RAccessCaption caption = parse_access_caption(text);
      entry.label = caption.label;
      entry.number = number++;
      if (caption.key != 0 && caption.key_offset < caption.label.size()) {
        entry.key = lower_case(caption.key);
        entry.key_offset = caption.key_offset;
        used[static_cast<unsigned char>(entry.key)] = true;
      }
    }
    own_key.push_back(entry.key != 0);
    entries.push_back(std::move(entry));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    RMenuEntry& entry = entries[i];
    if (entry.separator || own_key[i]) continue;
    const size_t position = free_key_position(entry.label, used);
    if (position == std::string::npos) continue;
    entry.key = lower_case(entry.label[position]);
    entry.key_offset = position;
    used[static_cast<unsigned char>(entry.key)] = true;
  }
  return entries;
}

double show_menu(std::string_view items, double default_value,
                 std::optional<std::pair<int, int>> position) {
  std::vector<RMenuEntry> entries = parse_menu(items);
  int item_count = 0;
  for (const RMenuEntry& entry : entries) item_count += entry.separator ? 0 : 1;
  double chosen = default_value;
  std::optional<int> shown;
  if (!forms_answer_headless()) {
    TPopupMenu menu(std::move(entries), position);
    shown = menu.show();
  }
  if (shown) {
    chosen = *shown;
    record_form_answer(std::to_string(*shown));
  } else if (const std::optional<std::string> answer = take_form_answer(FormKind::menu, items)) {
    const std::optional<int32_t> number = integer_in_text(*answer);
    if (number && *number >= -1 && *number < item_count) {
      chosen = *number;
    } else {
      report_unfit_answer(FormKind::menu, *answer);
    }
  }
  // The keys that worked the menu must not reach the game.
  clear_input();
  return chosen;
}

}  // namespace vn
