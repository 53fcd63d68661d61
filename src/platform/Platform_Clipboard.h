// The system clipboard for text. Text is Windows-1252 on our side and UTF-8 on the
// system's. Without video (headless runs, or no display to connect to) there is no system
// clipboard: the text lives in a buffer private to the process, so a game can still read
// back what it put there.
#pragma once

#include <string>
#include <string_view>

namespace vn {

// True when the clipboard holds non-empty text.
bool clipboard_has_text();
// The clipboard's text, the empty string when it holds none. Characters Windows-1252 lacks
// become '?'.
std::string clipboard_get_text();
void clipboard_set_text(std::string_view text);

}  // namespace vn
