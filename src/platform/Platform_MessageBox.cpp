#include "platform/Platform_MessageBox.h"

#include <SDL.h>

#include <cstdio>

#include "platform/Platform_Video.h"
#include "support/Support_Console.h"
#include "support/Support_Text.h"

namespace vn {

std::string message_box_console_text(std::string_view text) {
  return console_lines(text, LoneLineFeed::ends_line);
}

void show_message_box(const std::string& title, const std::string& text) {
  if (has_display()) {
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
