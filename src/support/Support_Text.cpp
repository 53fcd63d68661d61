#include "support/Support_Text.h"

#include <array>
#include <cstdint>

namespace vn {

namespace {

// Code points of bytes 0x80 ... 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t byte_to_code_point(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    return kHighControls[byte - 0x80];
  }
  return byte;
}

// -1 when the code page has no byte for the character.
int code_point_to_byte(char32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    return int(code);
  }
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == code) {
      return int(0x80 + i);
    }
  }
  return -1;
}

void append_utf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(char(code));
  } else if (code < 0x800) {
    out.push_back(char(0xC0 | (code >> 6)));
    out.push_back(char(0x80 | (code & 0x3F)));
  } else {
    // Nothing in the code page lies above the basic plane.
    out.push_back(char(0xE0 | (code >> 12)));
    out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(char(0x80 | (code & 0x3F)));
  }
}

// Decodes one character at text[position] and advances past it. Overlong forms,
// surrogates and values above U+10FFFF are invalid; an invalid sequence advances by one
// byte and gives -1.
int32_t next_code_point(std::string_view text, size_t& position) {
  uint8_t lead = uint8_t(text[position]);
  if (lead < 0x80) {
    ++position;
    return lead;
  }
  size_t extra;
  char32_t code;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    code = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    code = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    code = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++position;
    return -1;
  }
  if (text.size() - position <= extra) {
    ++position;
    return -1;
  }
  for (size_t i = 1; i <= extra; ++i) {
    uint8_t next = uint8_t(text[position + i]);
    if ((next & 0xC0) != 0x80) {
      ++position;
      return -1;
    }
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++position;
    return -1;
  }
  position += extra + 1;
  return int32_t(code);
}

}  // namespace

std::string cp1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    append_utf8(out, byte_to_code_point(uint8_t(c)));
  }
  return out;
}

std::optional<std::string> utf8_to_cp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t position = 0;
  while (position < text.size()) {
    int32_t code = next_code_point(text, position);
    int byte = code < 0 ? -1 : code_point_to_byte(char32_t(code));
    if (byte < 0) {
      return std::nullopt;
    }
    out.push_back(char(byte));
  }
  return out;
}

std::string utf8_to_cp1252_lossy(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t position = 0;
  while (position < text.size()) {
    int32_t code = next_code_point(text, position);
    int byte = code < 0 ? -1 : code_point_to_byte(char32_t(code));
    out.push_back(byte < 0 ? '?' : char(byte));
  }
  return out;
}

}  // namespace vn
