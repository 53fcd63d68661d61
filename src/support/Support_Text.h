// Strings are 8-bit Windows-1252 inside; they become UTF-8 only where they meet the
// system (file names, captions, the clipboard, dialogs, typed text, project files).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vn {

// Every byte has a meaning: the five bytes Windows-1252 leaves undefined become the
// control characters of the same number, so the conversion back is lossless.
std::string cp1252_to_utf8(std::string_view text);

// None when the text is not valid UTF-8 or holds a character Windows-1252 lacks.
std::optional<std::string> utf8_to_cp1252(std::string_view text);

// As above, with '?' for every character that cannot be represented.
std::string utf8_to_cp1252_lossy(std::string_view text);

}  // namespace vn
