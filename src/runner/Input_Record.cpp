#include "runner/Input_Record.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

#include "script/Code_Constant.h"
#include "script/Code_Value.h"
#include "support/Support_Text.h"

namespace vn {

namespace fs = std::filesystem;

namespace {

CInputRecorder* g_recorder = nullptr;

// The names a recording uses for keys, where the language knows them; the first name of a
// code wins (vk_enter over vk_return).
constexpr std::array kKeyNames = {
    "vk_left",     "vk_right",       "vk_up",      "vk_down",     "vk_enter",     "vk_escape",
    "vk_space",    "vk_shift",       "vk_control", "vk_alt",      "vk_backspace", "vk_tab",
    "vk_home",     "vk_end",         "vk_delete",  "vk_insert",   "vk_pageup",    "vk_pagedown",
    "vk_pause",    "vk_printscreen", "vk_f1",      "vk_f2",       "vk_f3",        "vk_f4",
    "vk_f5",       "vk_f6",          "vk_f7",      "vk_f8",       "vk_f9",        "vk_f10",
    "vk_f11",      "vk_f12",         "vk_numpad0", "vk_numpad1",  "vk_numpad2",   "vk_numpad3",
    "vk_numpad4",  "vk_numpad5",     "vk_numpad6", "vk_numpad7",  "vk_numpad8",   "vk_numpad9",
    "vk_multiply", "vk_divide",      "vk_add",     "vk_subtract", "vk_decimal",   "vk_lshift",
    "vk_lcontrol", "vk_lalt",        "vk_rshift",  "vk_rcontrol", "vk_ralt",
};

const std::map<int32_t, std::string>& key_names() {
  static const std::map<int32_t, std::string> names = [] {
    std::map<int32_t, std::string> found;
    for (const char* name : kKeyNames) {
      RValue value;
      if (!find_constant(name, value) || value.kind != kReal) continue;
      const auto code = int32_t(value.real);
      if (code >= 2 && code <= 255 && double(code) == value.real) found.emplace(code, name);
    }
    return found;
  }();
  return names;
}

const char* button_name(int32_t button) {
  switch (button) {
    case 1:
      return "left";
    case 2:
      return "right";
    case 3:
      return "middle";
    default:
      return nullptr;
  }
}

std::string hex_escape(unsigned char byte) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
}

// A form answer stands on one line; a line break in it (no form gives one) becomes a space.
std::string answer_text(std::string_view answer) {
  std::string line(answer);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return cp1252_to_utf8(line);
}

}  // namespace

CInputRecorder::~CInputRecorder() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  std::error_code ignored;
  fs::remove(partial_, ignored);
}

bool CInputRecorder::open(const fs::path& target, std::string& error) {
  std::error_code status;
  if (fs::is_directory(target, status)) {
    error = "is a folder";
    return false;
  }
  target_ = target;
  partial_ = target;
  partial_ += ".part";
  file_ = std::fopen(partial_.c_str(), "wb");
  if (file_ == nullptr) {
    error = "cannot write " + partial_.string() + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void CInputRecorder::header(const std::string& game, uint32_t seed, bool fixed_clock) {
  write("# recorded by vn run from " + game +
        (fixed_clock ? " with --fixed-clock"
                     : " (replays exactly only when recorded with "
                       "--fixed-clock)"));
  write("seed " + std::to_string(seed));
}

void CInputRecorder::set_steps(int64_t event_step, int64_t form_step) {
  event_step_ = event_step;
  form_step_ = form_step;
}

void CInputRecorder::key(int64_t step, bool down, int32_t code) {
  add(step, std::string(down ? "key_down " : "key_up ") + key_name(code));
}

void CInputRecorder::character(int64_t step, char character) {
  add(step, "text " + escaped_text(std::string_view(&character, 1)));
}

void CInputRecorder::mouse_move(int64_t step, int x, int y) {
  if (pending_move_step_ != step) flush_pending_move();
  pending_move_step_ = step;
  pending_move_ = "mouse_move " + std::to_string(x) + " " + std::to_string(y);
}

void CInputRecorder::mouse_button(int64_t step, bool down, int32_t button) {
  const char* name = button_name(button);
  if (name == nullptr) return;
  add(step, std::string(down ? "mouse_down " : "mouse_up ") + name);
}

void CInputRecorder::wheel(int64_t step, bool up) { add(step, up ? "wheel_up" : "wheel_down"); }

void CInputRecorder::close_button(int64_t step) { add(step, "close"); }

void CInputRecorder::answer(int64_t step, std::string_view answer) {
  const std::string text = answer_text(answer);
  add(step, text.empty() ? std::string("answer") : "answer " + text);
}

bool CInputRecorder::finish(const std::string& comment, std::string& error) {
  if (file_ == nullptr) {
    error = "the recording is not open";
    return false;
  }
  flush_pending_move();
  if (!comment.empty()) write("# " + comment);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (write_failed_ || !closed) {
    error = "cannot write " + partial_.string();
    return false;
  }
  std::error_code status;
  fs::rename(partial_, target_, status);
  if (status) {
    error = "cannot put " + partial_.string() + " in place: " + status.message();
    return false;
  }
  return true;
}

void CInputRecorder::add(int64_t step, std::string command) {
  flush_pending_move();
  write(std::to_string(step) + " " + command);
}

void CInputRecorder::flush_pending_move() {
  if (pending_move_step_ == 0) return;
  const int64_t step = pending_move_step_;
  pending_move_step_ = 0;
  write(std::to_string(step) + " " + pending_move_);
}

// Each line goes out whole, so that whatever stops the process leaves no half line.
void CInputRecorder::write(const std::string& line) {
  if (file_ == nullptr || write_failed_) return;
  const std::string whole = line + "\n";
  if (std::fwrite(whole.data(), 1, whole.size(), file_) != whole.size() ||
      std::fflush(file_) != 0) {
    write_failed_ = true;
  }
}

void set_input_recorder(CInputRecorder* recorder) { g_recorder = recorder; }

CInputRecorder* input_recorder() { return g_recorder; }

void record_key(bool down, int32_t code) {
  if (g_recorder != nullptr) g_recorder->key(g_recorder->event_step(), down, code);
}

void record_character(char character) {
  if (g_recorder != nullptr) g_recorder->character(g_recorder->event_step(), character);
}

void record_mouse_move(int x, int y) {
  if (g_recorder != nullptr) g_recorder->mouse_move(g_recorder->event_step(), x, y);
}

void record_mouse_button(bool down, int32_t button) {
  if (g_recorder != nullptr) g_recorder->mouse_button(g_recorder->event_step(), down, button);
}

void record_wheel(bool up) {
  if (g_recorder != nullptr) g_recorder->wheel(g_recorder->event_step(), up);
}

void record_close_button() {
  if (g_recorder != nullptr) g_recorder->close_button(g_recorder->event_step());
}

void record_form_answer(std::string_view answer) {
  if (g_recorder != nullptr) g_recorder->answer(g_recorder->form_step(), answer);
}

void set_record_steps(int64_t event_step, int64_t form_step) {
  if (g_recorder != nullptr) g_recorder->set_steps(event_step, form_step);
}

std::string key_name(int32_t code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    return std::string(1, char(code));
  const auto& names = key_names();
  if (const auto found = names.find(code); found != names.end()) return found->second;
  return std::to_string(code);
}

std::string escaped_text(std::string_view text) {
  std::string escaped;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool at_end = i == 0 || i + 1 == text.size();
    if (byte == '\b') {
      escaped += "\\b";
    } else if (byte == '\r') {
      escaped += "\\r";
    } else if (byte == '\t') {
      escaped += "\\t";
    } else if (byte == '\\') {
      escaped += "\\\\";
    } else if (byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
               byte == 0x90 || byte == 0x9D || (byte == ' ' && at_end)) {
      // Control characters, the bytes Windows-1252 leaves undefined, and blanks a reader
      // of the line could lose.
      escaped += hex_escape(byte);
    } else {
      escaped += cp1252_to_utf8(text.substr(i, 1));
    }
  }
  return escaped;
}

}  // namespace vn
