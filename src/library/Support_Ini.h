// Ini files as the Windows profile functions read and write them. The file is a list of
// lines, kept byte for byte with their own line ends, so that everything a change does not
// touch (comments, blank lines, odd spacing, unknown lines) is written back as it was.
//
// A line whose first non-blank character is "[" names a section: the text up to the
// first "]" (or the end of the line), trimmed. A line starting with ";" is a comment. Any
// other line with a "=" is a key: the trimmed text before the first "=", and its value,
// the trimmed text after it. Lines before the first section belong to no section. Section
// and key names match without regard to case; the first match wins. A value read between
// a matching pair of double or single quotes loses them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

class CIniFile {
 public:
  void parse(std::string_view text);
  std::string text() const;

  std::optional<std::string> read(std::string_view section, std::string_view key) const;
  bool section_exists(std::string_view section) const;
  bool key_exists(std::string_view section, std::string_view key) const;

  // A known key has its line replaced by key=value (its name spelt as before); a new key
  // goes after the last line of its section that is neither blank nor a comment; a new
  // section goes at the end, after a blank line.
  void write(std::string_view section, std::string_view key, std::string_view value);
  // False when there was nothing to delete.
  bool delete_key(std::string_view section, std::string_view key);
  // The section's line and every line up to the next section.
  bool delete_section(std::string_view section);

 private:
  struct RLine {
    std::string text;
    std::string end;  // "\r\n", "\n" or "" (the last line of a file without a final end)
  };
  // The first line of the section's header, or npos.
  size_t find_section(std::string_view section) const;
  // The end of the section that starts at line index header (the next header or the end).
  size_t section_end(size_t header) const;
  size_t find_key(size_t header, std::string_view key) const;
  const std::string& new_line_end() const;

  std::vector<RLine> lines_;
};

// Reads the file; a missing or unreadable one is an empty file.
CIniFile load_ini(const std::filesystem::path& path);
// Written to a new file and renamed over the old one, so that a kill at any moment leaves
// the old file or the new one whole.
bool save_ini(const std::filesystem::path& path, const CIniFile& ini);

// A number in an ini value: digits build the mantissa, with decimals after one "." or ",";
// "E" or "e" starts the exponent's digits; "-" negates the mantissa before the exponent
// marker and the exponent after it. A second separator, a second marker, a separator after
// the marker or any other character ends the scan. The result is correctly rounded.
double ini_number(std::string_view text);

// A real as the ini functions write it: up to 15 significant digits without trailing
// zeros; fixed notation while the integer part has at most 15 digits and the magnitude is
// at least 0.00001, else one digit, the decimals and "E" with the exponent ("1E20",
// "1.5E-7": never a "+", which the number rule above would not read).
std::string ini_real_text(double value);

}  // namespace vn
