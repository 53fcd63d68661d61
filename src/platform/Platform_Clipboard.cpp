#include "platform/Platform_Clipboard.h"

#include <SDL.h>

#include <optional>

#include "platform/Platform_Video.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

std::string& local_clipboard() {
  static std::string text;
  return text;
}

}  // namespace

bool clipboard_has_text() {
  if (!video_available()) return !local_clipboard().empty();
  return SDL_HasClipboardText() == SDL_TRUE;
}

std::string clipboard_get_text() {
  if (!video_available()) return local_clipboard();
  char* text = SDL_GetClipboardText();
  if (!text) return {};
  std::string utf8(text);
  SDL_free(text);
  if (std::optional<std::string> exact = utf8_to_cp1252(utf8)) return *exact;
  return utf8_to_cp1252_lossy(utf8);
}

void clipboard_set_text(std::string_view text) {
  if (!video_available()) {
    local_clipboard() = std::string(text);
    return;
  }
  // A refusal leaves the clipboard as it was, as on the system the games were made for.
  SDL_SetClipboardText(cp1252_to_utf8(text).c_str());
}

}  // namespace vn
