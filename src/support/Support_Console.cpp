#include "support/Support_Console.h"

#include "support/Support_Text.h"

namespace vn {

std::string console_lines(std::string_view text, LoneLineFeed lone) {
  std::string lines;
  lines.reserve(text.size() + 1);
  bool line_open = true;  // the text so far does not end with a line end
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line_open = false;
    } else if (c == '\n') {
      if (lone == LoneLineFeed::ends_line) {
        lines += '\n';
        line_open = false;
      }
    } else {
      lines += c;
      line_open = true;
    }
  }
  if (line_open) lines += '\n';
  return cp1252_to_utf8(lines);
}

void write_console_lines(std::FILE* stream, std::string_view text, LoneLineFeed lone) {
  const std::string lines = console_lines(text, lone);
  std::fwrite(lines.data(), 1, lines.size(), stream);
  std::fflush(stream);
}

}  // namespace vn
