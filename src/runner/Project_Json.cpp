#include "runner/Project_Json.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

#include "support/Support_Text.h"

namespace vn {

const std::array<const char*, 12> kEventTypeNames = {
    "create", "destroy", "alarm", "step",     "collision",  "keyboard",
    "mouse",  "other",   "draw",  "keypress", "keyrelease", "trigger"};
const std::array<const char*, 4> kMaskShapeNames = {"precise", "rectangle", "ellipse", "diamond"};
const std::array<const char*, 3> kMaskBoxNames = {"automatic", "full", "manual"};

namespace {

constexpr int kCodeLibrary = 1;
constexpr int kCodeActionId = 603;
constexpr int kCodeArgumentKind = 1;
constexpr size_t kLineWidth = 100;
// Leaves room for the suffixes of frame and mask pictures within common name limits.
constexpr size_t kMaxFileNameBytes = 100;

constexpr uint64_t kQuietNan = 0x7FF8000000000000ull;
constexpr uint64_t kNegativeQuietNan = 0xFFF8000000000000ull;

bool is_container(const Json& value) { return value.is_array() || value.is_object(); }

// 0 for a plain value, 1 for a list or object of plain values, and so on.
int nesting(const Json& value) {
  int deepest = 0;
  if (is_container(value)) {
    for (const Json& member : value) deepest = std::max(deepest, nesting(member));
    ++deepest;
  }
  return deepest;
}

std::string compact(const Json& value) {
  if (!is_container(value)) {
    return value.dump(-1, ' ', false, Json::error_handler_t::strict);
  }
  std::string out(value.is_array() ? "[" : "{");
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!first) out += ", ";
    first = false;
    if (value.is_object()) out += Json(it.key()).dump() + ": ";
    out += compact(*it);
  }
  out += value.is_array() ? "]" : "}";
  return out;
}

void dump_value(const Json& value, size_t indent, size_t used, std::string& out) {
  if (!is_container(value) || value.empty()) {
    out += compact(value);
    return;
  }
  if (nesting(value) <= 2) {
    std::string line = compact(value);
    // The trailing comma may follow on the same line.
    if (used + line.size() + 1 <= kLineWidth) {
      out += line;
      return;
    }
  }
  std::string inner(indent + 2, ' ');
  out += value.is_array() ? "[" : "{";
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    out += first ? "\n" : ",\n";
    first = false;
    out += inner;
    size_t line_used = inner.size();
    if (value.is_object()) {
      std::string key = Json(it.key()).dump() + ": ";
      out += key;
      line_used += key.size();
    }
    dump_value(*it, indent + 2, line_used, out);
  }
  out += "\n" + std::string(indent, ' ') + (value.is_array() ? "]" : "}");
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Case folding of the letters of the code page, so that names that one file system
// would take for the same file are seen as such.
uint8_t fold_case(uint8_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return uint8_t(c + 32);
  if (c == 0x8A || c == 0x8C || c == 0x8E) return uint8_t(c + 0x10);
  if (c == 0x9F) return 0xFF;
  return c;
}

std::string folded(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = char(fold_case(uint8_t(c)));
  return out;
}

// The bytes the code page leaves undefined come out as control characters.
bool is_control(uint8_t c) {
  return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

bool portable_file_name(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.back() == '.' || name.back() == ' ' ||
      cp1252_to_utf8(name).size() > kMaxFileNameBytes) {
    return false;
  }
  for (char c : name) {
    if (is_control(uint8_t(c)) || std::string_view("/\\:*?\"<>|").find(c) != std::string::npos) {
      return false;
    }
  }
  return true;
}

std::string made_up_base(const std::string& name, const std::string& fallback) {
  std::string base;
  for (char c : name) {
    bool bad =
        is_control(uint8_t(c)) || std::string_view("/\\:*?\"<>|").find(c) != std::string::npos;
    base.push_back(bad ? '_' : c);
  }
  while (!base.empty() && (base.back() == '.' || base.back() == ' ')) base.pop_back();
  if (!base.empty() && base.front() == '.') base.front() = '_';
  if (base.size() > kMaxFileNameBytes / 3) base.resize(kMaxFileNameBytes / 3);
  return base.empty() ? fallback : base;
}

uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint64_t package_key(int32_t game_id, size_t package_index, uint64_t salt) {
  return mix((uint64_t(uint32_t(game_id)) << 32 | uint64_t(package_index & 0xFFFFFFFFu)) ^ salt);
}

// Decodes one UTF-8 sequence at text[at]; false when it is broken.
bool decode_utf8(const std::string& text, size_t at, size_t& length, char32_t& code) {
  uint8_t lead = uint8_t(text[at]);
  if (lead < 0x80) {
    length = 1;
    code = lead;
    return true;
  }
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    length = 1;
    return false;
  }
  if (at + length > text.size()) {
    length = 1;
    return false;
  }
  for (size_t i = 1; i < length; ++i) {
    uint8_t next = uint8_t(text[at + i]);
    if ((next & 0xC0) != 0x80) return false;
    code = code << 6 | (next & 0x3F);
  }
  return code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

}  // namespace

CAction code_action(const std::string& code) {
  CAction action;
  action.library_id = kCodeLibrary;
  action.action_id = kCodeActionId;
  action.kind = kActionCode;
  action.uses_apply_to = true;
  action.execution = kExecuteCode;
  action.argument_count = 1;
  action.argument_kinds = {kCodeArgumentKind};
  action.argument_texts = {code};
  return action;
}

std::optional<std::string> plain_code(const CAction& action) {
  if (action.argument_texts.size() != 1 || !(action == code_action(action.argument_texts[0]))) {
    return std::nullopt;
  }
  return action.argument_texts[0];
}

std::string dump_json(const Json& value) {
  std::string out;
  dump_value(value, 0, 0, out);
  out += "\n";
  return out;
}

Json real_to_json(double value) {
  if (std::isfinite(value)) return value;
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  uint64_t bits = std::bit_cast<uint64_t>(value);
  if (bits == kQuietNan) return "nan";
  if (bits == kNegativeQuietNan) return "-nan";
  char text[32];
  std::snprintf(text, sizeof text, "nan:%016llX", static_cast<unsigned long long>(bits));
  return text;
}

std::optional<double> real_from_text(const std::string& text) {
  if (text == "inf") return std::numeric_limits<double>::infinity();
  if (text == "-inf") return -std::numeric_limits<double>::infinity();
  if (text == "nan") return std::bit_cast<double>(kQuietNan);
  if (text == "-nan") return std::bit_cast<double>(kNegativeQuietNan);
  if (text.size() == 20 && text.rfind("nan:", 0) == 0) {
    uint64_t bits = 0;
    for (size_t i = 4; i < text.size(); ++i) {
      int digit = hex_value(text[i]);
      if (digit < 0) return std::nullopt;
      bits = bits << 4 | uint64_t(digit);
    }
    double value = std::bit_cast<double>(bits);
    if (std::isnan(value)) return value;
  }
  return std::nullopt;
}

Json color_to_json(int32_t color) {
  if (color < 0 || color > 0xFFFFFF) return color;
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                (color >> 16) & 0xFF);
  return text;
}

std::optional<int32_t> color_from_text(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  int32_t rgb = 0;
  for (size_t i = 1; i < 7; ++i) {
    int digit = hex_value(text[i]);
    if (digit < 0) return std::nullopt;
    rgb = rgb << 4 | digit;
  }
  return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

std::string project_text(const std::string& game_text) { return cp1252_to_utf8(game_text); }

bool game_text(const std::string& utf8, std::string& out, std::string& problem,
               size_t* bad_offset) {
  if (std::optional<std::string> converted = utf8_to_cp1252(utf8)) {
    out = std::move(*converted);
    return true;
  }
  for (size_t at = 0; at < utf8.size();) {
    size_t length;
    char32_t code;
    bool valid = decode_utf8(utf8, at, length, code);
    if (!valid || !utf8_to_cp1252(utf8.substr(at, length))) {
      if (bad_offset) *bad_offset = at;
      if (!valid) {
        problem = "the text is not valid UTF-8";
      } else {
        char text[80];
        std::snprintf(text, sizeof text,
                      "the character U+%04X cannot be stored in a game (it has no "
                      "Windows-1252 code)",
                      unsigned(code));
        problem = text;
      }
      return false;
    }
    at += length;
  }
  problem = "the text cannot be stored in a game";
  if (bad_offset) *bad_offset = 0;
  return false;
}

bool readable_file_name(const std::string& utf8) {
  return !utf8.empty() && utf8.front() != '.' &&
         utf8.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

std::vector<std::string> choose_file_names(const std::vector<const std::string*>& names,
                                           const std::string& fallback, bool keep_extension) {
  std::multiset<std::string> all;
  for (const std::string* name : names) {
    if (name) all.insert(folded(*name));
  }
  std::set<std::string> taken;
  std::vector<bool> own(names.size(), false);
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] && portable_file_name(*names[i]) && all.count(folded(*names[i])) == 1) {
      own[i] = true;
      taken.insert(folded(*names[i]));
    }
  }
  std::vector<std::string> chosen(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (!names[i]) continue;
    std::string name = *names[i];
    if (!own[i]) {
      std::string base = made_up_base(name, fallback);
      size_t dot = keep_extension ? base.rfind('.') : std::string::npos;
      if (dot == std::string::npos || dot == 0) dot = base.size();
      name = base.substr(0, dot) + "_" + std::to_string(i) + base.substr(dot);
      while (taken.count(folded(name))) name += "_";
      taken.insert(folded(name));
    }
    chosen[i] = cp1252_to_utf8(name);
  }
  return chosen;
}

int32_t derived_game_id(const std::filesystem::path& folder) {
  std::filesystem::path normal = std::filesystem::absolute(folder).lexically_normal();
  std::string name = normal.filename().string();
  if (name.empty()) name = normal.parent_path().filename().string();
  uint32_t hash = 2166136261u;
  for (char c : name) {
    hash = (hash ^ uint8_t(c)) * 16777619u;
  }
  int32_t id = int32_t(hash & 0x7FFFFFFFu);
  return id == 0 ? 1 : id;
}

std::array<uint8_t, 16> derived_guid(int32_t game_id) {
  uint64_t first = mix(uint64_t(uint32_t(game_id)) ^ 0x6775696400000000ull);
  uint64_t second = mix(first);
  std::array<uint8_t, 16> guid{};
  for (int i = 0; i < 8; ++i) {
    guid[size_t(i)] = uint8_t(first >> (8 * i));
    guid[size_t(i) + 8] = uint8_t(second >> (8 * i));
  }
  return guid;
}

int32_t derived_extension_seed(int32_t game_id, size_t package_index) {
  return int32_t(package_key(game_id, package_index, 0x73656564ull) & 0x7FFFFFFFu);
}

std::string derived_extension_folder(int32_t game_id, size_t package_index) {
  return "temp" + std::to_string(package_key(game_id, package_index, 0x666F6C64ull) % 999);
}

}  // namespace vn
