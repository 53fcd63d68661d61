// The plain information box of the runner, with a single OK button.
#pragma once

#include <string>
#include <string_view>

namespace vn {

// Title and text are Windows-1252. Blocks until the player presses OK. Without a display,
// or when the box cannot be shown, the text goes to standard error instead.
void show_message_box(const std::string& title, const std::string& text);

// The text as it is written to standard error: every line (ended by CR, LF or CR LF, or by
// the end of the text) followed by one LF, converted to UTF-8.
std::string message_box_console_text(std::string_view text);

}  // namespace vn
