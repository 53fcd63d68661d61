#include "library/Support_Registry.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Platform_FileIo.h"
#include "platform/Platform_Files.h"
#include "platform/Platform_Process.h"
#include "support/Support_Text.h"

namespace vn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "varnock registry 1";
constexpr std::string_view kFooter = "end";

constexpr const char* kRootNames[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                      "HKEY_CLASSES_ROOT", "HKEY_USERS"};

// Lower case for ASCII letters only: that is what keys are compared by, and it keeps
// equal names equal whatever their other bytes.
std::string lower_ascii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  }
  return lower;
}

bool needs_escape(unsigned char c) { return c == '%' || c < 0x20 || c == 0x7F; }

// Windows-1252 text to the file's form: UTF-8 with the escapes.
std::string escape(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : text) {
    if (needs_escape(c)) {
      plain += '%';
      plain += kHex[c >> 4];
      plain += kHex[c & 15];
    } else {
      plain += char(c);
    }
  }
  return cp1252_to_utf8(plain);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The file's form back to Windows-1252; none when it is not well formed.
std::optional<std::string> unescape(std::string_view field) {
  std::optional<std::string> text = utf8_to_cp1252(field);
  if (!text) return std::nullopt;
  std::string plain;
  plain.reserve(text->size());
  for (size_t i = 0; i < text->size(); ++i) {
    char c = (*text)[i];
    if (c != '%') {
      plain += c;
      continue;
    }
    if (i + 2 >= text->size()) return std::nullopt;
    int high = hex_digit((*text)[i + 1]);
    int low = hex_digit((*text)[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    plain += char(high * 16 + low);
    i += 2;
  }
  return plain;
}

std::string real_text(double value) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : "0";
}

std::optional<double> parse_real(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> split_tabs(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

RRegistryKey& key_entry(RRegistryData& data, const std::string& path) {
  RRegistryKey& key = data[lower_ascii(path)];
  if (key.path.empty()) key.path = path;
  return key;
}

}  // namespace

RegistryRoot registry_root_from_number(int number) {
  switch (number) {
    case 1:
      return kLocalMachine;
    case 2:
      return kClassesRoot;
    case 3:
      return kUsers;
    default:
      return kCurrentUser;
  }
}

bool registry_value_truth(const RRegistryValue& value) {
  if (value.is_real) return value.real > 0;
  std::string_view text = value.string;
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  size_t last = text.find_last_not_of(" \t");
  text = text.substr(first, last - first + 1);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  std::optional<double> number = parse_real(text);
  return number && *number > 0;
}

std::string registry_key_path(RegistryRoot root, std::string_view key) {
  std::string path = kRootNames[root];
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    if (end > start) {
      path += '\\';
      path += key.substr(start, end - start);
    }
    start = end + 1;
  }
  return path;
}

std::string format_registry(const RRegistryData& data) {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [lower, key] : data) {
    text += "key\t" + escape(key.path) + '\n';
    for (const auto& [lower_name, named] : key.values) {
      const auto& [name, value] = named;
      if (value.is_real) {
        text += "real\t" + escape(name) + '\t' + real_text(value.real) + '\n';
      } else {
        text += "string\t" + escape(name) + '\t' + escape(value.string) + '\n';
      }
    }
  }
  text += kFooter;
  text += '\n';
  return text;
}

// store  = header LF { key-line LF { value-line LF } } "end" LF
// key-line = "key" TAB path;  value-line = ("real" | "string") TAB name TAB value
bool parse_registry(std::string_view text, RRegistryData& data) {
  data.clear();
  size_t start = 0;
  bool header = false;
  bool complete = false;
  bool well_formed = true;
  RRegistryKey* current = nullptr;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      // A last line without its line end is a cut file.
      well_formed = false;
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (complete) {
      well_formed = false;
      break;
    }
    if (!header) {
      if (line != kHeader) return false;
      header = true;
      continue;
    }
    if (line == kFooter) {
      complete = true;
      continue;
    }
    std::vector<std::string_view> fields = split_tabs(line);
    if (fields[0] == "key" && fields.size() == 2) {
      std::optional<std::string> path = unescape(fields[1]);
      if (path && !path->empty()) {
        current = &key_entry(data, *path);
        continue;
      }
    } else if (current && fields.size() == 3 && (fields[0] == "real" || fields[0] == "string")) {
      std::optional<std::string> name = unescape(fields[1]);
      RRegistryValue value;
      bool good = name.has_value();
      if (fields[0] == "real") {
        std::optional<double> number = parse_real(fields[2]);
        value.is_real = true;
        value.real = number.value_or(0);
        good = good && number.has_value();
      } else {
        std::optional<std::string> string = unescape(fields[2]);
        value.string = string.value_or("");
        good = good && string.has_value();
      }
      if (good) {
        current->values[lower_ascii(*name)] = {*name, value};
        continue;
      }
    }
    well_formed = false;
  }
  return header && complete && well_formed;
}

CRegistryStore::CRegistryStore(fs::path folder) : folder_(std::move(folder)) {}

bool CRegistryStore::load_file(RRegistryData& data) const {
  data.clear();
  if (folder_.empty()) return false;
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(file(), bytes, error)) {
    std::error_code failure;
    return !fs::exists(fs::symlink_status(file(), failure));
  }
  // A damaged file still gives what it holds; the next write makes it whole again.
  parse_registry(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), data);
  return true;
}

void CRegistryStore::load_once() {
  if (loaded_) return;
  load_file(data_);
  loaded_ = true;
}

std::optional<RRegistryValue> CRegistryStore::read(const std::string& key_path,
                                                   std::string_view name) {
  load_once();
  auto key = data_.find(lower_ascii(key_path));
  if (key == data_.end()) return std::nullopt;
  auto value = key->second.values.find(lower_ascii(name));
  if (value == key->second.values.end()) return std::nullopt;
  return value->second.second;
}

bool CRegistryStore::key_exists(const std::string& key_path) {
  load_once();
  return data_.count(lower_ascii(key_path)) > 0;
}

bool CRegistryStore::write(const std::string& key_path, std::string_view name,
                           const RRegistryValue& value) {
  return write(key_path, {{std::string(name), value}});
}

bool CRegistryStore::write(const std::string& key_path,
                           const std::vector<std::pair<std::string, RRegistryValue>>& values) {
  if (folder_.empty()) return false;
  std::error_code failure;
  fs::create_directories(folder_, failure);
  CFileLock lock;
  std::string error;
  if (!lock.lock(lock_file(), error)) return false;
  RRegistryData data;
  // A store that is there but cannot be read is left alone rather than replaced by one
  // that lacks everything it held.
  if (!load_file(data)) return false;
  RRegistryKey& key = key_entry(data, key_path);
  for (const auto& [name, value] : values) {
    auto& named = key.values[lower_ascii(name)];
    if (named.first.empty()) named.first = name;
    named.second = value;
  }
  std::string text = format_registry(data);
  bool written = write_file_atomic(
      file(), std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
  // What was read under the lock is the newest store, whether ours got written or not.
  if (written) {
    data_ = std::move(data);
  } else {
    load_file(data_);
  }
  loaded_ = true;
  return written;
}

namespace {

std::unique_ptr<CRegistryStore>& current_store() {
  static std::unique_ptr<CRegistryStore> store;
  return store;
}

fs::path user_registry_folder() {
  std::string config = environment_variable("XDG_CONFIG_HOME");
  // The base directory rules ignore a relative setting.
  if (!config.empty() && config[0] == '/') return fs::path(config) / "varnock";
  std::string home = environment_variable("HOME");
  if (home.empty()) return {};
  return fs::path(home) / ".config" / "varnock";
}

}  // namespace

CRegistryStore& registry_store() {
  std::unique_ptr<CRegistryStore>& store = current_store();
  if (!store) store = std::make_unique<CRegistryStore>(user_registry_folder());
  return *store;
}

void set_registry_folder(const fs::path& folder) {
  current_store() = std::make_unique<CRegistryStore>(folder);
}

bool read_secure_mode_preference() {
  const std::string key =
      registry_key_path(kCurrentUser, "Software\\Varnock\\Version 8\\Preferences");
  CRegistryStore& store = registry_store();
  std::optional<RRegistryValue> warning = store.read(key, "Warning");
  if (!warning || !registry_value_truth(*warning)) return false;
  std::optional<RRegistryValue> running = store.read(key, "VarnockRunning");
  return !running || registry_value_truth(*running);
}

}  // namespace vn
