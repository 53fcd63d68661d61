#include "script/Code_Error.h"

#include <cstdio>
#include <string>
#include <utility>

#include "script/Code_Main.h"
#include "support/Support_Console.h"

namespace vn {

namespace {
struct ErrorState {
  RErrorSettings settings;
  bool flag = false;
  std::string last_message;
  std::string call_failure;
  bool stopping = false;
  bool first_log_write = true;
  bool occurred = false;
  std::string last;
  REventContext context;
  RContextNames names;
  IErrorDisplay* display = nullptr;
  RErrorHooks hooks;
};

ErrorState& state() {
  static ErrorState instance;
  return instance;
}

void append_log(const std::string& message) {
  ErrorState& s = state();
  std::FILE* file = std::fopen("game_errors.log", s.first_log_write ? "wb" : "ab");
  s.first_log_write = false;
  if (!file) return;
  std::fwrite(message.data(), 1, message.size(), file);
  std::fputs("\r\n\r\n\r\n", file);
  std::fclose(file);
}
}  // namespace

RErrorSettings& error_settings() { return state().settings; }

bool error_flag() { return state().flag; }
void clear_error_flag() { state().flag = false; }
const std::string& last_error_message() { return state().last_message; }
void set_last_error_message(std::string message) { state().last_message = std::move(message); }

void set_call_failure_message(std::string message) { state().call_failure = std::move(message); }
std::string take_call_failure_message() { return std::exchange(state().call_failure, {}); }

namespace {

// A CR, an LF, or the two as a pair end a line; the LF of a pair is not a line end of its
// own.
bool is_line_end(const std::string& text, size_t i) {
  return text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'));
}

}  // namespace

std::string compose_error(const std::string& source, bool program, int position,
                          const std::string& message) {
  int length = int(source.size());
  int p = position < 1 ? 1 : position;
  if (p > length) p = length;
  // A position on a line end (where the end of the code is reported) stands for the end of
  // the line it closes, not for the empty start of the next one.
  if (p >= 2 && source[size_t(p) - 1] == '\n' && source[size_t(p) - 2] == '\r') {
    p -= 2;
  } else if (p >= 1 && (source[size_t(p) - 1] == '\r' || source[size_t(p) - 1] == '\n')) {
    p -= 1;
  }
  int line = 1;
  int column = 0;
  size_t line_start = 0;
  for (int i = 0; i < p; ++i) {
    if (is_line_end(source, size_t(i))) {
      ++line;
      column = 0;
      line_start = size_t(i) + 1;
    } else {
      ++column;
    }
  }
  if (!program) {
    return "Error in expression:" + source + "\r position " + std::to_string(column) + ": " +
           message;
  }
  // The line text runs to the next line end; after a CR LF it starts with the LF, which the
  // error form drops and the log keeps.
  size_t text_start = line_start;
  if (text_start < source.size() && source[text_start] == '\n' && text_start > 0 &&
      source[text_start - 1] == '\r') {
    ++text_start;
  }
  size_t line_end = source.find_first_of("\r\n", text_start);
  if (line_end == std::string::npos) line_end = source.size();
  const std::string line_text = source.substr(line_start, line_end - line_start);
  return "Error in code at line " + std::to_string(line) + ":\r   " + line_text + "\r" +
         std::string(size_t(column) + 1, ' ') + "^\rat position " + std::to_string(column) + ": " +
         message;
}

void record_error(const CCode& code, int position, const std::string& message) {
  ErrorState& s = state();
  if (s.flag) return;
  s.flag = true;
  s.last_message = compose_error(code.source_text(), code.is_program(), position, message);
}

REventContext& event_context() { return state().context; }
void set_context_names(RContextNames names) { state().names = std::move(names); }

std::string compose_runtime_error(const std::string& message, bool fatal) {
  const ErrorState& s = state();
  if (!s.names.event_name) return message;
  const REventContext& c = s.context;
  std::string text = fatal ? "FATAL " : "";
  text += "ERROR in\r\naction number " + std::to_string(c.event_action + 1) + "\r\n";
  if (c.event_type == 100000) {
    text += "at time step " + std::to_string(c.event_number) + "\r\nof time line " +
            (s.names.timeline_name ? s.names.timeline_name(c.event_object) : std::string()) +
            ":\r\n\r\n";
  } else {
    text += "of " + s.names.event_name(c.event_type, c.event_number) + "\r\nfor object " +
            (s.names.object_name ? s.names.object_name(c.event_object) : std::string()) +
            ":\r\n\r\n";
  }
  return text + message;
}

void report_runtime_error(const std::string& message, bool fatal) {
  display_error(compose_runtime_error(message, fatal), fatal);
}

void set_error_display(IErrorDisplay* display) { state().display = display; }
IErrorDisplay* error_display() { return state().display; }
void set_error_hooks(RErrorHooks hooks) { state().hooks = std::move(hooks); }

void display_error(const std::string& message, bool fatal) {
  ErrorState& s = state();
  if (s.stopping) return;
  if (s.settings.abort_errors) fatal = true;
  if (s.settings.display_errors) {
    ErrorChoice choice;
    if (s.display) {
      choice = s.display->show(message, fatal);
    } else {
      write_console_lines(stderr, message);
      choice = ErrorChoice::Ignore;
    }
    if (!fatal && choice != ErrorChoice::Ignore) fatal = true;
  }
  // Keys held while the form was open must not act on the game.
  if (s.hooks.clear_input) s.hooks.clear_input();
  if (s.settings.write_errors) append_log(message);
  s.last = message;
  s.occurred = true;
  if (fatal) {
    s.stopping = true;
    if (s.hooks.stop_game) s.hooks.stop_game();
  }
}

bool game_stopping() { return state().stopping; }
bool& error_occurred() { return state().occurred; }
std::string& error_last() { return state().last; }

void reset_error_state() {
  ErrorState& s = state();
  s.flag = false;
  s.last_message.clear();
  s.stopping = false;
  s.first_log_write = true;
  s.occurred = false;
  s.last.clear();
  s.context = REventContext();
}

}  // namespace vn
