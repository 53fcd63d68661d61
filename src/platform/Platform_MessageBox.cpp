#include "platform/Platform_MessageBox.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/Platform_Gui.h"
#include "platform/Platform_Video.h"
#include "support/Support_Console.h"
#include "support/Support_Text.h"

namespace vn {

std::string message_box_console_text(std::string_view text) {
  return console_lines(text, LoneLineFeed::ends_line);
}

namespace {

// The box drawn as the runner's other forms are, sized to its text; none when no form could
// be shown. A stop signal closes it like its OK button.
bool show_message_form(const std::string& title, const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    } else {
      line += text[i];
    }
  }
  size_t longest = 0;
  for (const std::string& each : lines) longest = std::max(longest, each.size());
  RFormSetup setup;
  setup.caption = title;
  setup.fonts = {RFormFont{"sans-serif", 14}};
  // About 7 pixels a character and 18 a line of the form's font, within the screen's reach.
  setup.width = int(std::clamp<size_t>(longest * 7 + 48, 260, 900));
  setup.height = int(std::clamp<size_t>(lines.size() * 18 + 72, 100, 700));
  const std::string shown = gui_text(console_lines(text, LoneLineFeed::ends_line));
  const std::optional<int> result = run_modal_form(setup, [&](RFormFrame& frame) {
    std::optional<int> closed;
    if (frame.close_requested || frame.escape_pressed) closed = 0;
    ImGui::TextUnformatted(shown.data(), shown.data() + shown.size());
    const float width = 88.0f;
    ImGui::SetCursorPos(ImVec2((float(frame.width) - width) / 2.0f,
                               float(frame.height) - ImGui::GetFrameHeight() - 12.0f));
    if (form_button(frame, "OK", {}, true, width)) closed = 0;
    return closed;
  });
  return result.has_value();
}

}  // namespace

void show_message_box(const std::string& title, const std::string& text) {
  if (has_display()) {
    if (show_message_form(title, text)) return;
    const std::string title_utf8 = cp1252_to_utf8(title);
    // Boxes break lines at LF only.
    std::string text_utf8 = message_box_console_text(text);
    text_utf8.pop_back();
    SDL_MessageBoxButtonData button{};
    button.flags =
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    button.buttonid = 0;
    button.text = "OK";
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = nullptr;
    box.title = title_utf8.c_str();
    box.message = text_utf8.c_str();
    box.numbuttons = 1;
    box.buttons = &button;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) == 0) {
      return;
    }
  }
  const std::string lines = message_box_console_text(text);
  std::fwrite(lines.data(), 1, lines.size(), stderr);
  std::fflush(stderr);
}

}  // namespace vn
