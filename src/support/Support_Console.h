// Messages of the game written to a terminal. Inside, a message breaks its lines with CR
// or CR LF; a terminal wants LF and UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vn {

// What an LF that does not follow a CR means. In error messages it is dropped, as the
// error form drops it (the quoted line of a compile error starts with one, and the caret
// below it only lines up without it); in other texts it may end a line.
enum class LoneLineFeed { dropped, ends_line };

// Every line of the Windows-1252 text (ended by CR or CR LF, or by the end of the text)
// followed by one LF, converted to UTF-8. A final line end opens no further, empty line;
// the empty text is one empty line.
std::string console_lines(std::string_view text, LoneLineFeed lone = LoneLineFeed::dropped);

// console_lines, written to the stream and flushed.
void write_console_lines(std::FILE* stream, std::string_view text,
                         LoneLineFeed lone = LoneLineFeed::dropped);

}  // namespace vn
