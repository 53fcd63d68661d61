#include "library/Function_File.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#include "library/DataNew_Class.h"
#include "library/Support_Ini.h"
#include "library/Support_Registry.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Files.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Spawn.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

namespace vn {

namespace fs = std::filesystem;

namespace {

// --- Arguments and shared rules ---

// An argument of the other kind reads as real 0 or the empty string.
const RString kNoText;
double number(const RValue& value) { return value.kind == kReal ? value.real : 0.0; }
const RString& text(const RValue& value) { return value.kind == kString ? value.string : kNoText; }
std::string str(const RValue& value) { return text(value).str(); }
int32_t integer(const RValue& value) { return round_to_int32(number(value)); }

void report(const std::string& message) { report_runtime_error(message, false); }

bool has_path(std::string_view name) { return name.find_first_of("\\/") != std::string::npos; }

// A write the secure mode lets through: a plain name that stays inside the current folder
// once its links are followed. A link that is itself deleted or renamed is not followed.
bool write_allowed(std::string_view name, bool follow_last = true) {
  if (!run_state().secure_mode) return true;
  if (has_path(name)) return false;
  std::error_code error;
  fs::path folder = fs::current_path(error);
  return !error && path_inside(folder, game_path(name), follow_last);
}

bool exists_no_follow(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// --- Binary files ---

constexpr int kSlots = 32;
constexpr size_t kReadAhead = 65536;

// Any write through any slot makes every read-ahead buffer stale, since two slots may hold
// the same file.
uint64_t write_generation = 0;

struct RBinarySlot {
  CFileHandle file;
  bool in_use = false;
  int64_t position = 0;
  std::vector<uint8_t> buffer;
  int64_t buffer_start = 0;
  uint64_t buffer_generation = 0;
};
std::array<RBinarySlot, kSlots + 1> binary_files;

RBinarySlot* binary_slot(const RValue& argument) {
  int32_t handle = integer(argument);
  if (handle < 1 || handle > kSlots || !binary_files[size_t(handle)].in_use) return nullptr;
  return &binary_files[size_t(handle)];
}

void fn_file_bin_open(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = -1;
  int slot = 1;
  while (slot <= kSlots && binary_files[size_t(slot)].in_use) ++slot;
  if (slot > kSlots) {
    report("Cannot open another file (maximum exceeded).");
    return;
  }
  const std::string name = str(args[0]);
  int mode = integer(args[1]);
  fs::path path = game_path(name);
  // Opening for reading creates a missing file, which is a write too.
  bool writes = mode != 0 || !exists_no_follow(path);
  if (writes && !write_allowed(name)) {
    report("In secure mode you cannot write file " + name);
    return;
  }
  RFileOpening opening;
  opening.access = mode == 0   ? FileAccess::read
                   : mode == 1 ? FileAccess::write
                               : FileAccess::read_write;
  opening.create = true;
  RBinarySlot& file = binary_files[size_t(slot)];
  std::string error;
  if (!file.file.open(path, opening, error)) {
    report("Error opening binary file.");
    return;
  }
  file.in_use = true;
  file.position = 0;
  file.buffer.clear();
  result.real = slot;
}

void fn_file_bin_rewrite(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("Trying to rewrite unopened file.");
    return;
  }
  ++write_generation;
  file->position = 0;
  if (!file->file.truncate(0)) report("Error rewriting file.");
}

void fn_file_bin_close(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("Trying to close unopened file.");
    return;
  }
  file->in_use = false;
  file->buffer.clear();
  if (!file->file.close()) report("Error closing file.");
}

void fn_file_bin_size(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("File is not opened.");
    return;
  }
  int64_t size = file->file.size();
  if (size < 0) {
    report("Error retrieving file size.");
    return;
  }
  result.real = double(size);
}

void fn_file_bin_position(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("File is not opened.");
    return;
  }
  result.real = double(file->position);
}

// The position may lie past the end: reading there fails, writing there fills the gap
// with zeros.
void fn_file_bin_seek(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("File is not opened.");
    return;
  }
  int64_t position = round_to_int64(number(args[1]));
  if (position < 0 || position > (int64_t(1) << 53)) {
    report("Error seeking.");
    return;
  }
  file->position = position;
}

void fn_file_bin_read_byte(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("File is not opened.");
    return;
  }
  int64_t offset = file->position - file->buffer_start;
  if (file->buffer_generation != write_generation || offset < 0 ||
      offset >= int64_t(file->buffer.size())) {
    file->buffer.resize(kReadAhead);
    int64_t count = file->file.read_at(file->position, file->buffer.data(), kReadAhead);
    file->buffer.resize(size_t(std::max<int64_t>(count, 0)));
    file->buffer_start = file->position;
    file->buffer_generation = write_generation;
    offset = 0;
    if (count <= 0) {
      report("Error reading byte.");
      return;
    }
  }
  result.real = file->buffer[size_t(offset)];
  ++file->position;
}

void fn_file_bin_write_byte(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  RBinarySlot* file = binary_slot(args[0]);
  if (!file) {
    report("File is not opened.");
    return;
  }
  uint8_t byte = uint8_t(uint64_t(round_to_int64(number(args[1]))) & 0xFF);
  ++write_generation;
  if (!file->file.write_at(file->position, &byte, 1)) {
    report("Error writing byte.");
    return;
  }
  ++file->position;
}

// --- Text files ---

enum TextState { kClosed = 0, kReading = 1, kWriting = 2 };

struct RTextSlot {
  CFileHandle file;
  int state = kClosed;
  std::string buffer;
  size_t next = 0;
};
// Slot 0 is the single file of file_open_read and its family.
std::array<RTextSlot, kSlots + 1> text_files;

RTextSlot* text_slot(const RValue& argument) {
  int32_t handle = integer(argument);
  if (handle < 0 || handle > kSlots) return nullptr;
  return &text_files[size_t(handle)];
}

RTextSlot* reading_slot(const RValue& argument) {
  RTextSlot* slot = text_slot(argument);
  return slot && slot->state == kReading ? slot : nullptr;
}

RTextSlot* writing_slot(const RValue& argument) {
  RTextSlot* slot = text_slot(argument);
  return slot && slot->state == kWriting ? slot : nullptr;
}

void close_text(RTextSlot& slot) {
  slot.file.close();
  slot.state = kClosed;
  slot.buffer.clear();
  slot.next = 0;
}

// The next character, or -1 at the end of the file (a read error counts as the end).
int peek(RTextSlot& slot) {
  if (slot.next >= slot.buffer.size()) {
    slot.buffer.resize(kReadAhead);
    int64_t count = slot.file.read(slot.buffer.data(), kReadAhead);
    slot.buffer.resize(size_t(std::max<int64_t>(count, 0)));
    slot.next = 0;
    if (slot.buffer.empty()) return -1;
  }
  return static_cast<unsigned char>(slot.buffer[slot.next]);
}

bool at_line_end(int c) { return c < 0 || c == '\r' || c == '\n'; }

// The rest of the line; CR LF, LF and a lone CR all end a line, and the end stays unread.
std::string read_line_rest(RTextSlot& slot) {
  std::string line;
  for (;;) {
    if (slot.next >= slot.buffer.size() && peek(slot) < 0) return line;
    size_t start = slot.next;
    size_t end = slot.buffer.find_first_of("\r\n", start);
    if (end == std::string::npos) end = slot.buffer.size();
    line.append(slot.buffer, start, end - start);
    slot.next = end;
    if (end < slot.buffer.size()) return line;
  }
}

void skip_line(RTextSlot& slot) {
  read_line_rest(slot);
  int c = peek(slot);
  if (c < 0) return;
  ++slot.next;
  if (c == '\r' && peek(slot) == '\n') ++slot.next;
}

// real = { blank | "-" }* digits [ sep { digit | sep }* ]; blanks and signs count only while
// the value is still 0, and the character that ends the number is consumed (a line end is
// not). Each separator after the first moves the following digits one place further right.
double read_text_real(RTextSlot& slot) {
  std::string integer_digits, fraction_digits;
  bool decimals = false, nonzero = false;
  double sign = 1;
  for (int c = peek(slot); !at_line_end(c); c = peek(slot)) {
    ++slot.next;
    if (!nonzero && (c == ' ' || c == '\t')) continue;
    if (!nonzero && c == '-') {
      sign = -sign;
      continue;
    }
    if (c >= '0' && c <= '9') {
      (decimals ? fraction_digits : integer_digits) += char(c);
      nonzero = nonzero || c != '0';
      continue;
    }
    if (c == '.' || c == ',') {
      if (decimals) fraction_digits += '0';
      decimals = true;
      continue;
    }
    break;
  }
  std::string digits = "0" + integer_digits + "." + fraction_digits + "0";
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error == std::errc::result_out_of_range) value = HUGE_VAL;
  return sign * value;
}

// A blank, the integer part, and "." with six digits unless they would all be zero.
std::string text_real(double value) {
  if (std::isnan(value)) return " NAN";
  if (std::isinf(value)) return value < 0 ? " -INF" : " INF";
  double magnitude = std::fabs(value);
  double whole = std::floor(magnitude);
  int64_t six = std::min<int64_t>(int64_t((magnitude - whole) * 1000000.0), 999999);
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, " %s%.0f", value < 0 ? "-" : "", whole);
  std::string result = buffer;
  if (six != 0) {
    std::snprintf(buffer, sizeof buffer, ".%06lld", static_cast<long long>(six));
    result += buffer;
  }
  return result;
}

enum class TextOpening { read, write, append };

// Opens into the slot; the result is the slot's number or -1. The secure-mode check is
// the caller's.
double open_text(int index, const std::string& name, TextOpening how) {
  RTextSlot& slot = text_files[size_t(index)];
  close_text(slot);
  fs::path path = game_path(name);
  RFileOpening opening;
  const char* failure = "Error opening file for reading.";
  if (how == TextOpening::read) {
    // A missing file is no error: the game checks for it itself.
    if (!exists_no_follow(path)) return -1;
  } else {
    opening.access = FileAccess::write;
    opening.create = true;
    opening.truncate = how == TextOpening::write;
    opening.append = how == TextOpening::append;
    failure = how == TextOpening::write ? "Error opening file for writing."
                                        : "Error opening file for appending.";
  }
  std::string error;
  if (!slot.file.open(path, opening, error)) {
    report(failure);
    return -1;
  }
  ++write_generation;
  slot.state = how == TextOpening::read ? kReading : kWriting;
  return index;
}

int free_text_slot() {
  for (int slot = 1; slot <= kSlots; ++slot) {
    if (text_files[size_t(slot)].state == kClosed) return slot;
  }
  report("Cannot open another file (maximum exceeded).");
  return -1;
}

bool text_write_allowed(const std::string& name, TextOpening how) {
  if (how == TextOpening::read || write_allowed(name)) return true;
  report((how == TextOpening::write ? "In secure mode you cannot write file "
                                    : "In secure mode you cannot append to file ") +
         name);
  return false;
}

template <TextOpening how>
void fn_file_text_open(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = -1;
  int slot = free_text_slot();
  if (slot < 0) return;
  const std::string name = str(args[0]);
  if (!text_write_allowed(name, how)) return;
  result.real = open_text(slot, name, how);
}

void fn_file_text_close(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  int32_t handle = integer(args[0]);
  if (handle < 1 || handle > kSlots) {
    report("Trying to close unexisting text file.");
    return;
  }
  close_text(text_files[size_t(handle)]);
}

void fn_file_text_eof(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RTextSlot* slot = reading_slot(args[0]);
  if (!slot) {
    report("File is not opened for reading.");
    return;
  }
  result.real = peek(*slot) < 0 ? 1 : 0;
}

void fn_file_text_eoln(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RTextSlot* slot = reading_slot(args[0]);
  if (!slot) {
    report("File is not opened for reading.");
    return;
  }
  result.real = at_line_end(peek(*slot)) ? 1 : 0;
}

void fn_file_text_read_string(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                              RValue& result) {
  result.set_string("");
  RTextSlot* slot = reading_slot(args[0]);
  if (!slot) {
    report("Error reading string.");
    return;
  }
  result.set_string(read_line_rest(*slot));
}

void fn_file_text_read_real(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                            RValue& result) {
  RTextSlot* slot = reading_slot(args[0]);
  if (!slot) {
    report("Error reading real.");
    return;
  }
  result.real = read_text_real(*slot);
}

void fn_file_text_readln(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  RTextSlot* slot = reading_slot(args[0]);
  if (!slot) {
    report("Error reading line.");
    return;
  }
  skip_line(*slot);
}

void write_text(RTextSlot* slot, std::string_view bytes) {
  if (!slot) {
    report("File not opened for writing.");
    return;
  }
  ++write_generation;
  slot->file.write(bytes.data(), bytes.size());
}

void fn_file_text_write_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_text(writing_slot(args[0]), text(args[1]).view());
}

void fn_file_text_write_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_text(writing_slot(args[0]), text_real(number(args[1])));
}

void fn_file_text_writeln(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_text(writing_slot(args[0]), "\r\n");
}

// --- The single text file (slot 0) ---

const RValue kSingleFile(0.0);

template <TextOpening how>
void fn_file_open(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  close_text(text_files[0]);
  const std::string name = str(args[0]);
  if (!text_write_allowed(name, how)) return;
  open_text(0, name, how);
}

void fn_file_close(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  RTextSlot& slot = text_files[0];
  if (slot.state == kClosed) return;
  bool closed = slot.file.close();
  close_text(slot);
  if (!closed) report("Error closing file.");
}

RTextSlot* single_reading() {
  RTextSlot* slot = reading_slot(kSingleFile);
  if (!slot) report("File not opened for reading.");
  return slot;
}

void fn_file_eof(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  if (RTextSlot* slot = single_reading()) result.real = peek(*slot) < 0 ? 1 : 0;
}

void fn_file_eoln(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  if (RTextSlot* slot = single_reading()) result.real = at_line_end(peek(*slot)) ? 1 : 0;
}

void fn_file_read_string(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_string("");
  if (RTextSlot* slot = single_reading()) result.set_string(read_line_rest(*slot));
}

void fn_file_read_real(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  if (RTextSlot* slot = single_reading()) result.real = read_text_real(*slot);
}

void fn_file_readln(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  if (RTextSlot* slot = single_reading()) skip_line(*slot);
}

void fn_file_write_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_text(writing_slot(kSingleFile), text(args[0]).view());
}

void fn_file_write_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_text(writing_slot(kSingleFile), text_real(number(args[0])));
}

void fn_file_writeln(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  write_text(writing_slot(kSingleFile), "\r\n");
}

// --- Files and folders ---

void fn_file_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::error_code error;
  fs::file_status status = fs::status(game_path(str(args[0])), error);
  result.real = fs::exists(status) && !fs::is_directory(status) ? 1 : 0;
}

void fn_file_delete(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string name = str(args[0]);
  if (!write_allowed(name, false)) {
    report("In Secure mode you cannot delete file " + name);
    return;
  }
  fs::path path = game_path(name);
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(path, error))) fs::remove(path, error);
}

void fn_file_rename(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string from = str(args[0]), to = str(args[1]);
  if (!write_allowed(from, false) || !write_allowed(to, false)) {
    report("In Secure mode you cannot rename file " + from + " into " + to);
    return;
  }
  fs::path source = game_path(from), target = game_path(to);
  std::error_code error;
  // As on Windows, an existing target is not replaced, unless it is the source itself
  // under another case.
  if (exists_no_follow(target) && !fs::equivalent(source, target, error)) return;
  fs::rename(source, target, error);
}

void fn_file_copy(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string from = str(args[0]), to = str(args[1]);
  if (run_state().secure_mode && (has_path(from) || !write_allowed(to))) {
    report("In Secure mode you cannot copy file " + from + " to " + to);
    return;
  }
  fs::path source = game_path(from), target = game_path(to);
  std::error_code error;
  if (!fs::is_regular_file(source, error) || fs::equivalent(source, target, error)) return;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
}

void fn_directory_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::error_code error;
  result.real = fs::is_directory(game_path(str(args[0])), error) ? 1 : 0;
}

void fn_directory_create(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string name = str(args[0]);
  if (!write_allowed(name)) {
    report("In Secure mode you cannot create directory " + name);
    return;
  }
  std::error_code error;
  fs::create_directories(game_path(name), error);
}

// --- File search ---

// The Windows attribute bits, as the games' constants give them.
constexpr int kReadOnly = 1, kHidden = 2, kSystem = 4, kVolumeId = 8, kDirectory = 16,
              kArchive = 32;
// Entries with one of these are found only when the search asks for it.
constexpr int kSpecial = kHidden | kSystem | kVolumeId | kDirectory;

// A file that cannot be written by its owner is read-only, a dot name is hidden, anything
// that is neither a file nor a folder is a system file, and every file has its archive bit.
int attributes_of(const fs::path& path, std::string_view name) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (error) status = fs::symlink_status(path, error);
  int bits = 0;
  if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) bits |= kReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") bits |= kHidden;
  if (fs::is_directory(status)) {
    bits |= kDirectory;
  } else if (fs::is_regular_file(status)) {
    bits |= kArchive;
  } else {
    bits |= kSystem;
  }
  return bits;
}

// Windows wildcards without regard to case: "*" any run, "?" any one character; a final
// ".*" also matches a name without an extension, and a final "." matches the end of one.
bool wildcard_match(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || lower_1252(static_cast<unsigned char>(pattern[p])) ==
                                         lower_1252(static_cast<unsigned char>(name[n])))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  if (p == pattern.size()) return true;
  std::string_view rest = pattern.substr(p);
  bool no_extension = name.find('.') == std::string_view::npos;
  return no_extension && (rest == "." || rest == ".*");
}

struct RFileSearch {
  bool open = false;
  std::vector<std::string> names;
  size_t next = 0;
};
RFileSearch file_search;

std::string next_found() {
  if (!file_search.open || file_search.next >= file_search.names.size()) return "";
  return file_search.names[file_search.next++];
}

void fn_file_find_first(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  file_search = RFileSearch();
  file_search.open = true;
  const std::string mask = str(args[0]);
  const int wanted = integer(args[1]);
  size_t split = mask.find_last_of("\\/");
  std::string folder_text = split == std::string::npos ? "" : mask.substr(0, split + 1);
  std::string pattern = split == std::string::npos ? mask : mask.substr(split + 1);
  fs::path folder = folder_text.empty() ? fs::path(".") : game_path(folder_text);
  auto wanted_entry = [&](const std::string& name, int bits) {
    return (bits & kSpecial & ~wanted) == 0 && wildcard_match(pattern, name);
  };
  std::vector<std::string>& names = file_search.names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = utf8_to_cp1252_lossy(it->path().filename().string());
    if (wanted_entry(name, attributes_of(it->path(), name))) names.push_back(name);
  }
  // The order a Windows folder lists its entries in: by name without regard to case.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return lower_1252(static_cast<unsigned char>(x)) < lower_1252(static_cast<unsigned char>(y));
    });
  });
  // A folder other than the root lists itself and its parent first, as on Windows.
  std::error_code ignored;
  if (!error && fs::is_directory(folder, ignored) &&
      fs::absolute(folder, ignored).lexically_normal() != fs::path("/")) {
    std::vector<std::string> dots;
    for (const char* dot : {".", ".."}) {
      if (wanted_entry(dot, attributes_of(folder / dot, dot))) dots.push_back(dot);
    }
    names.insert(names.begin(), dots.begin(), dots.end());
  }
  result.set_string(next_found());
}

void fn_file_find_next(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_string(next_found());
}

void fn_file_find_close(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  file_search = RFileSearch();
}

void fn_file_attributes(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const std::string name = str(args[0]);
  fs::path path = game_path(name);
  if (!exists_no_follow(path)) {
    result.real = -1;
    return;
  }
  std::string leaf = utf8_to_cp1252_lossy(path.filename().string());
  result.real = (attributes_of(path, leaf) & integer(args[1])) != 0 ? 1 : 0;
}

// --- File names ---

// Separators of the games' names: "\" and "/", and ":" after a drive letter.
bool is_delimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

// The index of the last character of the folder part (with its separator), or npos.
size_t last_delimiter(std::string_view name) {
  for (size_t i = name.size(); i-- > 0;) {
    if (is_delimiter(name[i])) return i;
  }
  return std::string_view::npos;
}

// The index of the extension's dot, or npos.
size_t extension_dot(std::string_view name) {
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == '.') return i;
    if (is_delimiter(name[i])) break;
  }
  return std::string_view::npos;
}

void fn_filename_name(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string name = str(args[0]);
  size_t last = last_delimiter(name);
  result.set_string(last == std::string::npos ? name : name.substr(last + 1));
}

void fn_filename_path(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string name = str(args[0]);
  size_t last = last_delimiter(name);
  result.set_string(last == std::string::npos ? "" : name.substr(0, last + 1));
}

// The folder loses its final separator, except where that separator is the root's
// ("C:\", "\").
void fn_filename_dir(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string name = str(args[0]);
  size_t last = last_delimiter(name);
  if (last == std::string::npos) {
    result.set_string("");
    return;
  }
  size_t length = last + 1;
  if (last > 0 && name[last] != ':' && !is_delimiter(name[last - 1])) length = last;
  result.set_string(name.substr(0, length));
}

// "C:" for a drive letter; "\\server\share" for a network name.
void fn_filename_drive(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string name = str(args[0]);
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (name.size() >= 2 && name[1] == ':') {
    result.set_string(name.substr(0, 2));
  } else if (name.size() >= 2 && separator(name[0]) && separator(name[1])) {
    size_t i = 2;
    int separators = 0;
    while (i < name.size()) {
      if (separator(name[i]) && ++separators == 2) break;
      ++i;
    }
    result.set_string(name.substr(0, i));
  } else {
    result.set_string("");
  }
}

void fn_filename_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string name = str(args[0]);
  size_t dot = extension_dot(name);
  result.set_string(dot == std::string::npos ? "" : name.substr(dot));
}

void fn_filename_change_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                            RValue& result) {
  std::string name = str(args[0]);
  size_t dot = extension_dot(name);
  result.set_string((dot == std::string::npos ? name : name.substr(0, dot)) + str(args[1]));
}

// --- Included files ---

std::vector<CDataFile>* included_files = nullptr;

CDataFile* find_included(const std::string& name) {
  if (!included_files) return nullptr;
  for (CDataFile& file : *included_files) {
    if (file.file_name == name) return &file;
  }
  return nullptr;
}

void fn_export_include_file(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  CDataFile* file = find_included(str(args[0]));
  if (!file) {
    report("Trying to export non-existing file.");
    return;
  }
  RExportContext context;
  context.temp_folder = game_path(run_state().temp_directory);
  context.secure_mode = run_state().secure_mode;
  context.report_error = [](const std::string& message) { report(message); };
  file->export_file(context);
}

void fn_export_include_file_location(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                     RValue&) {
  CDataFile* file = find_included(str(args[0]));
  if (!file) {
    report("Trying to export non-existing file.");
    return;
  }
  if (run_state().secure_mode) {
    report("In secure mode you cannot export a file to a location.");
    return;
  }
  if (!(file->stored && file->data_follows)) return;
  fs::path target = game_path(str(args[1]));
  if (exists_no_follow(target) && !file->overwrite) return;
  std::string error;
  write_file_atomic(target, file->data, error);
}

void fn_discard_include_file(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  CDataFile* file = find_included(str(args[0]));
  if (!file) {
    report("Trying to discard non-existing file.");
    return;
  }
  file->data.clear();
  file->data.shrink_to_fit();
  file->stored = false;
}

// --- Disks ---

// Drive letters mean nothing here: a letter (or nothing) names the current folder's file
// system; a path names its own.
void disk_space(int argc, const RValue* args, RValue& result, bool free_space) {
  result.real = -1;
  std::string drive = argc > 0 ? str(args[0]) : "";
  bool letter = drive.empty() || (std::isalpha(static_cast<unsigned char>(drive[0])) &&
                                  (drive.size() == 1 || drive[1] == ':'));
  fs::path where = letter ? fs::path(".") : game_path(drive);
  std::error_code error;
  fs::space_info space = fs::space(where, error);
  if (error) return;
  result.real = double(free_space ? space.available : space.capacity);
}

void fn_disk_free(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  disk_space(argc, args, result, true);
}

void fn_disk_size(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  disk_space(argc, args, result, false);
}

// --- Programs, command line, environment ---

std::vector<std::string> program_parameters;
bool parameters_set = false;
std::function<void()> wait_hook;

// Splits a command line the way Windows programs split theirs: blanks separate words,
// double quotes group (a doubled quote inside them is a quote), and a backslash before a
// quote makes it a plain quote.
std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
      word += '"';
      in_word = true;
      ++i;
    } else if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        word += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

// An argument in the games' form of a path whose folder exists is passed as this system's
// path (so that both existing files and files to be made are found); every other argument
// is passed as text.
std::string program_argument(const std::string& argument) {
  if (has_path(argument)) {
    fs::path path = game_path(argument);
    fs::path folder = path.parent_path();
    std::error_code error;
    if (exists_no_follow(path) || folder.empty() || fs::is_directory(folder, error)) {
      return path.string();
    }
  }
  return cp1252_to_utf8(argument);
}

bool ends_with_exe(std::string_view name) {
  return name.size() > 4 && same_name_ignoring_case(name.substr(name.size() - 4), ".exe");
}

// Starts prog with the words of arg: a program in the current folder or on PATH, where
// "x.exe" is also tried as "x". False when nothing could be started.
bool start_program(std::string prog, const std::string& arg, int64_t& process) {
  std::vector<std::string> words = split_command_line(arg);
  // A program name with blanks or quotes that names no file: the command line's first word
  // is the program, as when Windows is handed the whole line.
  if (!exists_no_follow(game_path(prog)) && prog.find_first_of(" \t\"") != std::string::npos) {
    std::vector<std::string> line = split_command_line(prog + " " + arg);
    if (line.empty()) return false;
    prog = line[0];
    words.assign(line.begin() + 1, line.end());
  }
  std::vector<std::string> arguments;
  for (const std::string& word : words) arguments.push_back(program_argument(word));
  std::vector<std::string> candidates;
  auto add_candidate = [&](const std::string& name) {
    if (name.empty()) return;
    fs::path local = game_path(name);
    if (has_path(name)) {
      candidates.push_back(local.string());
      return;
    }
    // Like Windows, a bare name is looked for in the current folder before PATH, where the
    // games' names may differ in case from the programs' (lower case, as a rule).
    if (is_executable_file(local)) candidates.push_back("./" + local.string());
    candidates.push_back(cp1252_to_utf8(name));
    std::string lower = name;
    for (char& c : lower) c = char(lower_1252(static_cast<unsigned char>(c)));
    if (lower != name) candidates.push_back(cp1252_to_utf8(lower));
  };
  add_candidate(prog);
  if (ends_with_exe(prog)) add_candidate(prog.substr(0, prog.size() - 4));
  std::string error;
  for (const std::string& candidate : candidates) {
    if (spawn_program(candidate, arguments, process, error)) return true;
  }
  return false;
}

void fn_execute_program(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string prog = str(args[0]);
  if (run_state().secure_mode) {
    report("In Secure mode you cannot execute program " + prog);
    return;
  }
  int64_t process = 0;
  if (!start_program(prog, str(args[1]), process)) {
    report("Cannot execute " + prog);
    return;
  }
  if (!args[2].truth()) {
    forget_program(process);
    return;
  }
  // A stop signal ends the wait; the program goes on by itself.
  while (!program_ended(process) && !stop_requested()) {
    if (wait_hook) wait_hook();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  check_abort();
}

bool looks_like_address(std::string_view name) {
  return name.find("://") != std::string_view::npos || name.rfind("mailto:", 0) == 0;
}

// Opening a program runs it; opening anything else hands it to the desktop's handler.
void fn_execute_shell(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string prog = str(args[0]);
  if (run_state().secure_mode) {
    report("In Secure mode you cannot execute program " + prog);
    return;
  }
  int64_t process = 0;
  bool started = false;
  std::string error;
  if (looks_like_address(prog)) {
    started = spawn_program("xdg-open", {cp1252_to_utf8(prog)}, process, error);
  } else {
    fs::path path = game_path(prog);
    if (is_executable_file(path)) {
      started = start_program(prog, str(args[1]), process);
    } else if (exists_no_follow(path)) {
      started = spawn_program("xdg-open", {path.string()}, process, error);
    }
  }
  if (!started) {
    report("Cannot execute " + prog);
    return;
  }
  forget_program(process);
}

const std::vector<std::string>& parameters() {
  if (!parameters_set) {
    parameters_set = true;
    program_parameters = {utf8_to_cp1252_lossy(executable_path().string())};
  }
  return program_parameters;
}

void fn_parameter_count(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.real = double(parameters().size() - 1);
}

void fn_parameter_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  int32_t index = integer(args[0]);
  const std::vector<std::string>& all = parameters();
  result.set_string(index >= 0 && size_t(index) < all.size() ? all[size_t(index)] : "");
}

void fn_environment_get_variable(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                 RValue& result) {
  std::string name = cp1252_to_utf8(text(args[0]).view());
  result.set_string(name.empty() ? "" : utf8_to_cp1252_lossy(environment_variable(name.c_str())));
}

// --- Registry ---

RegistryRoot registry_root = kCurrentUser;

std::string game_key() {
  return registry_key_path(kCurrentUser,
                           "Software\\Varnock\\" + std::to_string(run_state().game_id));
}

std::string ext_key(const RValue& key) { return registry_key_path(registry_root, str(key)); }

void write_registry(const std::string& key, const RValue& name, RRegistryValue value) {
  registry_store().write(key, str(name), value);
}

void read_registry_string(const std::string& key, const RValue& name, RValue& result) {
  std::optional<RRegistryValue> value = registry_store().read(key, str(name));
  result.set_string(value && !value->is_real ? value->string : "");
}

void read_registry_real(const std::string& key, const RValue& name, RValue& result) {
  std::optional<RRegistryValue> value = registry_store().read(key, str(name));
  result.real = value && value->is_real ? value->real : 0;
}

RRegistryValue string_value(const RValue& value) {
  RRegistryValue stored;
  stored.string = str(value);
  return stored;
}

RRegistryValue real_value(const RValue& value) {
  RRegistryValue stored;
  stored.is_real = true;
  stored.real = number(value);
  return stored;
}

void fn_registry_write_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_registry(game_key(), args[0], string_value(args[1]));
}

void fn_registry_write_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  write_registry(game_key(), args[0], real_value(args[1]));
}

void fn_registry_read_string(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                             RValue& result) {
  read_registry_string(game_key(), args[0], result);
}

void fn_registry_read_real(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  read_registry_real(game_key(), args[0], result);
}

// The game key is not made here: an empty key shows in no function's result, and the store
// is not rewritten for nothing.
void fn_registry_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = registry_store().read(game_key(), str(args[0])) ? 1 : 0;
}

void fn_registry_set_root(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  registry_root = registry_root_from_number(integer(args[0]));
}

bool ext_write_allowed(const RValue& key) {
  if (!run_state().secure_mode) return true;
  report("In Secure mode you cannot write registry entries in " + str(key));
  return false;
}

void fn_registry_write_string_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                  RValue&) {
  if (ext_write_allowed(args[0])) write_registry(ext_key(args[0]), args[1], string_value(args[2]));
}

void fn_registry_write_real_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  if (ext_write_allowed(args[0])) write_registry(ext_key(args[0]), args[1], real_value(args[2]));
}

void fn_registry_read_string_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                 RValue& result) {
  read_registry_string(ext_key(args[0]), args[1], result);
}

void fn_registry_read_real_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                               RValue& result) {
  read_registry_real(ext_key(args[0]), args[1], result);
}

void fn_registry_exists_ext(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                            RValue& result) {
  result.real = registry_store().read(ext_key(args[0]), str(args[1])) ? 1 : 0;
}

// --- Ini files ---

// The file is read afresh for every call and written whole after every change, as the
// profile functions do, so another program's changes are seen at once.
std::optional<fs::path> ini_path;

// The profile functions hand values over in a buffer of 2048 characters.
constexpr size_t kIniValueLimit = 2047;

bool ini_ready(const char* message) {
  if (ini_path) return true;
  report(message);
  return false;
}

constexpr const char* kIniRead = "Trying to read from undefined INI file";
constexpr const char* kIniWrite = "Trying to write to undefined INI file";
constexpr const char* kIniChange = "Trying to change undefined INI file";

void fn_ini_open(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const std::string name = str(args[0]);
  if (has_path(name)) {
    report("INI files must be located in the same directory as the program");
    return;
  }
  std::error_code error;
  // The folder is the one current at the opening, as a full path would keep it.
  ini_path = fs::absolute(game_path(name), error);
}

void fn_ini_close(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) { ini_path.reset(); }

void fn_ini_read_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.set_string("");
  if (!ini_ready(kIniRead)) return;
  std::string value = load_ini(*ini_path).read(str(args[0]), str(args[1])).value_or(str(args[2]));
  if (value.size() > kIniValueLimit) value.resize(kIniValueLimit);
  result.set_string(value);
}

void fn_ini_read_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  if (!ini_ready(kIniRead)) return;
  std::optional<std::string> value = load_ini(*ini_path).read(str(args[0]), str(args[1]));
  if (!value) value = args[2].is_string() ? str(args[2]) : ini_real_text(number(args[2]));
  result.real = ini_number(*value);
}

void ini_write(const RValue* args, const std::string& value) {
  if (!ini_ready(kIniWrite)) return;
  CIniFile ini = load_ini(*ini_path);
  ini.write(str(args[0]), str(args[1]), value);
  save_ini(*ini_path, ini);
}

void fn_ini_write_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  ini_write(args, str(args[2]));
}

void fn_ini_write_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  ini_write(args, ini_real_text(number(args[2])));
}

void fn_ini_key_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  if (!ini_ready(kIniRead)) return;
  result.real = load_ini(*ini_path).key_exists(str(args[0]), str(args[1])) ? 1 : 0;
}

void fn_ini_section_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  if (!ini_ready(kIniRead)) return;
  result.real = load_ini(*ini_path).section_exists(str(args[0])) ? 1 : 0;
}

void fn_ini_key_delete(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  if (!ini_ready(kIniChange)) return;
  CIniFile ini = load_ini(*ini_path);
  if (ini.delete_key(str(args[0]), str(args[1]))) save_ini(*ini_path, ini);
}

void fn_ini_section_delete(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  if (!ini_ready(kIniChange)) return;
  CIniFile ini = load_ini(*ini_path);
  if (ini.delete_section(str(args[0]))) save_ini(*ini_path, ini);
}

}  // namespace

void register_file_functions() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  register_function("file_bin_open", fn_file_bin_open, 2);
  register_function("file_bin_rewrite", fn_file_bin_rewrite, 1);
  register_function("file_bin_close", fn_file_bin_close, 1);
  register_function("file_bin_position", fn_file_bin_position, 1);
  register_function("file_bin_size", fn_file_bin_size, 1);
  register_function("file_bin_seek", fn_file_bin_seek, 2);
  register_function("file_bin_read_byte", fn_file_bin_read_byte, 1);
  register_function("file_bin_write_byte", fn_file_bin_write_byte, 2);
  register_function("file_text_open_read", fn_file_text_open<TextOpening::read>, 1);
  register_function("file_text_open_write", fn_file_text_open<TextOpening::write>, 1);
  register_function("file_text_open_append", fn_file_text_open<TextOpening::append>, 1);
  register_function("file_text_close", fn_file_text_close, 1);
  register_function("file_text_read_string", fn_file_text_read_string, 1);
  register_function("file_text_read_real", fn_file_text_read_real, 1);
  register_function("file_text_readln", fn_file_text_readln, 1);
  register_function("file_text_eof", fn_file_text_eof, 1);
  register_function("file_text_eoln", fn_file_text_eoln, 1);
  register_function("file_text_write_string", fn_file_text_write_string, 2);
  register_function("file_text_write_real", fn_file_text_write_real, 2);
  register_function("file_text_writeln", fn_file_text_writeln, 1);
  register_function("file_open_read", fn_file_open<TextOpening::read>, 1);
  register_function("file_open_write", fn_file_open<TextOpening::write>, 1);
  register_function("file_open_append", fn_file_open<TextOpening::append>, 1);
  register_function("file_close", fn_file_close, 0);
  register_function("file_read_string", fn_file_read_string, 0);
  register_function("file_read_real", fn_file_read_real, 0);
  register_function("file_readln", fn_file_readln, 0);
  register_function("file_eof", fn_file_eof, 0);
  register_function("file_eoln", fn_file_eoln, 0);
  register_function("file_write_string", fn_file_write_string, 1);
  register_function("file_write_real", fn_file_write_real, 1);
  register_function("file_writeln", fn_file_writeln, 0);
  register_function("file_exists", fn_file_exists, 1);
  register_function("file_delete", fn_file_delete, 1);
  register_function("file_rename", fn_file_rename, 2);
  register_function("file_copy", fn_file_copy, 2);
  register_function("directory_exists", fn_directory_exists, 1);
  register_function("directory_create", fn_directory_create, 1);
  register_function("file_find_first", fn_file_find_first, 2);
  register_function("file_find_next", fn_file_find_next, 0);
  register_function("file_find_close", fn_file_find_close, 0);
  register_function("file_attributes", fn_file_attributes, 2);
  register_function("filename_name", fn_filename_name, 1);
  register_function("filename_path", fn_filename_path, 1);
  register_function("filename_dir", fn_filename_dir, 1);
  register_function("filename_drive", fn_filename_drive, 1);
  register_function("filename_ext", fn_filename_ext, 1);
  register_function("filename_change_ext", fn_filename_change_ext, 2);
  register_function("export_include_file", fn_export_include_file, 1);
  register_function("export_include_file_location", fn_export_include_file_location, 2);
  register_function("discard_include_file", fn_discard_include_file, 1);
  register_function("execute_program", fn_execute_program, 3);
  register_function("execute_shell", fn_execute_shell, 2);
  register_function("parameter_count", fn_parameter_count, 0);
  register_function("parameter_string", fn_parameter_string, 1);
  register_function("environment_get_variable", fn_environment_get_variable, 1);
  register_function("registry_write_string", fn_registry_write_string, 2);
  register_function("registry_write_real", fn_registry_write_real, 2);
  register_function("registry_read_string", fn_registry_read_string, 1);
  register_function("registry_read_real", fn_registry_read_real, 1);
  register_function("registry_exists", fn_registry_exists, 1);
  register_function("registry_write_string_ext", fn_registry_write_string_ext, 3);
  register_function("registry_write_real_ext", fn_registry_write_real_ext, 3);
  register_function("registry_read_string_ext", fn_registry_read_string_ext, 2);
  register_function("registry_read_real_ext", fn_registry_read_real_ext, 2);
  register_function("registry_exists_ext", fn_registry_exists_ext, 2);
  register_function("registry_set_root", fn_registry_set_root, 1);
  register_function("ini_open", fn_ini_open, 1);
  register_function("ini_close", fn_ini_close, 0);
  register_function("ini_read_string", fn_ini_read_string, 3);
  register_function("ini_read_real", fn_ini_read_real, 3);
  register_function("ini_write_string", fn_ini_write_string, 3);
  register_function("ini_write_real", fn_ini_write_real, 3);
  register_function("ini_key_exists", fn_ini_key_exists, 2);
  register_function("ini_section_exists", fn_ini_section_exists, 1);
  register_function("ini_key_delete", fn_ini_key_delete, 2);
  register_function("ini_section_delete", fn_ini_section_delete, 1);
  register_function("disk_free", fn_disk_free, kVariableArguments);
  register_function("disk_size", fn_disk_size, kVariableArguments);
}

void reset_file_state() {
  for (RBinarySlot& slot : binary_files) {
    slot.file.close();
    slot.in_use = false;
    slot.buffer.clear();
  }
  for (RTextSlot& slot : text_files) close_text(slot);
  file_search = RFileSearch();
  ini_path.reset();
  registry_root = kCurrentUser;
  reap_ended_programs();
}

void set_included_files(std::vector<CDataFile>* files) { included_files = files; }

void set_program_parameters(std::vector<std::string> parameters) {
  for (std::string& parameter : parameters) {
    parameter = utf8_to_cp1252(parameter).value_or(parameter);
  }
  if (parameters.empty()) parameters.push_back(utf8_to_cp1252_lossy(executable_path().string()));
  program_parameters = std::move(parameters);
  parameters_set = true;
}

void set_program_wait_hook(std::function<void()> hook) { wait_hook = std::move(hook); }

}  // namespace vn
