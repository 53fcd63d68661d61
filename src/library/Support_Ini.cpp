#include "library/Support_Ini.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <system_error>

#include "platform/Platform_FileIo.h"
#include "support/Support_Path.h"

namespace vn {

namespace {

std::string_view trim(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool same_name(std::string_view a, std::string_view b) {
  return same_name_ignoring_case(trim(a), trim(b));
}

// section-line = blank* "[" name ( "]" rest | end )
bool section_name(std::string_view line, std::string_view& name) {
  std::string_view text = trim(line);
  if (text.empty() || text[0] != '[') return false;
  text.remove_prefix(1);
  size_t close = text.find(']');
  name = trim(close == std::string_view::npos ? text : text.substr(0, close));
  return true;
}

// key-line = blank* name blank* "=" value, where name does not start with "[" or ";"
bool key_line(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view text = trim(line);
  if (text.empty() || text[0] == '[' || text[0] == ';') return false;
  size_t equals = text.find('=');
  if (equals == std::string_view::npos) return false;
  key = trim(text.substr(0, equals));
  value = trim(text.substr(equals + 1));
  return true;
}

}  // namespace

void CIniFile::parse(std::string_view text) {
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    RLine line;
    if (end == std::string_view::npos) {
      line.text = std::string(text.substr(start));
      start = text.size();
    } else {
      bool crlf = end > start && text[end - 1] == '\r';
      line.text = std::string(text.substr(start, end - start - (crlf ? 1 : 0)));
      line.end = crlf ? "\r\n" : "\n";
      start = end + 1;
    }
    lines_.push_back(std::move(line));
  }
}

std::string CIniFile::text() const {
  std::string text;
  for (const RLine& line : lines_) {
    text += line.text;
    text += line.end;
  }
  return text;
}

const std::string& CIniFile::new_line_end() const {
  static const std::string kCrLf = "\r\n";
  for (const RLine& line : lines_) {
    if (!line.end.empty()) return line.end;
  }
  return kCrLf;
}

size_t CIniFile::find_section(std::string_view section) const {
  std::string_view name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (section_name(lines_[i].text, name) && same_name(name, section)) return i;
  }
  return std::string::npos;
}

size_t CIniFile::section_end(size_t header) const {
  std::string_view name;
  size_t i = header + 1;
  while (i < lines_.size() && !section_name(lines_[i].text, name)) ++i;
  return i;
}

size_t CIniFile::find_key(size_t header, std::string_view key) const {
  std::string_view name, value;
  size_t end = section_end(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (key_line(lines_[i].text, name, value) && same_name(name, key)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> CIniFile::read(std::string_view section, std::string_view key) const {
  size_t header = find_section(section);
  if (header == std::string::npos) return std::nullopt;
  size_t line = find_key(header, key);
  if (line == std::string::npos) return std::nullopt;
  std::string_view name, value;
  key_line(lines_[line].text, name, value);
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool CIniFile::section_exists(std::string_view section) const {
  return find_section(section) != std::string::npos;
}

bool CIniFile::key_exists(std::string_view section, std::string_view key) const {
  size_t header = find_section(section);
  return header != std::string::npos && find_key(header, key) != std::string::npos;
}

void CIniFile::write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string line_end = new_line_end();
  std::string key_text(trim(key));
  size_t header = find_section(section);
  if (header == std::string::npos) {
    if (!lines_.empty()) {
      if (lines_.back().end.empty()) lines_.back().end = line_end;
      if (!trim(lines_.back().text).empty()) lines_.push_back({"", line_end});
    }
    lines_.push_back({"[" + std::string(trim(section)) + "]", line_end});
    lines_.push_back({key_text + "=" + std::string(value), line_end});
    return;
  }
  size_t found = find_key(header, key);
  if (found != std::string::npos) {
    std::string_view name, old_value;
    key_line(lines_[found].text, name, old_value);
    lines_[found].text = std::string(name) + "=" + std::string(value);
    return;
  }
  size_t last = header;
  size_t end = section_end(header);
  // Blank lines and comments at the end of a section usually introduce the next one.
  for (size_t i = header + 1; i < end; ++i) {
    std::string_view content = trim(lines_[i].text);
    if (!content.empty() && content[0] != ';') last = i;
  }
  if (lines_[last].end.empty()) lines_[last].end = line_end;
  lines_.insert(lines_.begin() + std::ptrdiff_t(last + 1),
                RLine{key_text + "=" + std::string(value), line_end});
}

bool CIniFile::delete_key(std::string_view section, std::string_view key) {
  size_t header = find_section(section);
  if (header == std::string::npos) return false;
  size_t line = find_key(header, key);
  if (line == std::string::npos) return false;
  lines_.erase(lines_.begin() + std::ptrdiff_t(line));
  return true;
}

bool CIniFile::delete_section(std::string_view section) {
  size_t header = find_section(section);
  if (header == std::string::npos) return false;
  lines_.erase(lines_.begin() + std::ptrdiff_t(header),
               lines_.begin() + std::ptrdiff_t(section_end(header)));
  return true;
}

CIniFile load_ini(const std::filesystem::path& path) {
  CIniFile ini;
  std::vector<uint8_t> bytes;
  std::string error;
  if (read_file(path, bytes, error)) {
    ini.parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  return ini;
}

bool save_ini(const std::filesystem::path& path, const CIniFile& ini) {
  std::string text = ini.text();
  std::string error;
  return write_file_atomic(
      path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
}

double ini_number(std::string_view text) {
  std::string integer_digits, decimal_digits, exponent_digits;
  bool negative = false, exponent_negative = false;
  bool in_decimals = false, in_exponent = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      (in_exponent ? exponent_digits : in_decimals ? decimal_digits : integer_digits) += c;
    } else if (c == '.' || c == ',') {
      if (in_decimals || in_exponent) break;
      in_decimals = true;
    } else if (c == 'E' || c == 'e') {
      if (in_exponent) break;
      in_exponent = true;
    } else if (c == '-') {
      (in_exponent ? exponent_negative : negative) ^= true;
    } else {
      break;
    }
  }
  // Exponents this large only say "overflow" or "underflow"; keep the count bounded.
  int64_t exponent = 0;
  for (char c : exponent_digits) {
    exponent = std::min<int64_t>(exponent * 10 + (c - '0'), 100000000);
  }
  if (exponent_negative) exponent = -exponent;
  std::string digits = integer_digits + decimal_digits;
  size_t first = digits.find_first_not_of('0');
  double magnitude = 0;
  if (first != std::string::npos) {
    std::string number =
        digits.substr(first) + "e" + std::to_string(exponent - int64_t(decimal_digits.size()));
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
      // Too small underflows to 0; too large is an infinity, as multiplying would give.
      int64_t scale = exponent - int64_t(decimal_digits.size()) + int64_t(digits.size() - first);
      magnitude = scale > 0 ? HUGE_VAL : 0.0;
    }
  }
  return negative ? -magnitude : magnitude;
}

std::string ini_real_text(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  // buffer: [-]d.dddddddddddddde[+-]xx, the 15 significant digits correctly rounded.
  std::string text = buffer;
  size_t marker = text.find('e');
  int exponent = std::atoi(text.c_str() + marker + 1);
  bool negative = text[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < marker; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string result = negative ? "-" : "";
  if (exponent >= 15 || std::fabs(value) < 0.00001) {
    result += digits[0];
    if (digits.size() > 1) result += "." + digits.substr(1);
    result += "E" + std::to_string(exponent);
  } else if (exponent < 0) {
    result += "0." + std::string(size_t(-exponent - 1), '0') + digits;
  } else {
    size_t integer_length = size_t(exponent) + 1;
    if (digits.size() <= integer_length) {
      result += digits + std::string(integer_length - digits.size(), '0');
    } else {
      result += digits.substr(0, integer_length) + "." + digits.substr(integer_length);
    }
  }
  return result;
}

}  // namespace vn
