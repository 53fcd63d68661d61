// How errors of the language and of the built-in functions reach the player: recorded
// inside the compiler and interpreter (the first one wins), given the event context, then
// displayed in the error form and/or written to "game_errors.log" according to the game's
// settings. A fatal error stops the game.
#pragma once

#include <functional>
#include <string>

namespace vn {

class CCode;

// The error policy of the game settings.
struct RErrorSettings {
  bool display_errors = true;
  bool write_errors = false;
  bool abort_errors = false;
};
RErrorSettings& error_settings();

// --- Recording (compiler and interpreter) ---

// While set, further recorded errors are ignored. Cleared at the start of every
// compilation and of every top-level run.
bool error_flag();
void clear_error_flag();
// The composed text of the recorded error; callers prefix their context to it.
const std::string& last_error_message();
void set_last_error_message(std::string message);
// A function that fails without an error of its own (an extension call refused in secure
// mode) leaves the message its caller reports at the call.
void set_call_failure_message(std::string message);
std::string take_call_failure_message();

// Sets the flag and composes the message with line, column and caret from the code
// piece's source (a program) or the whole source (an expression). Ignored while the flag
// is set.
void record_error(const CCode& code, int position, const std::string& message);
// The composition alone, for a source text and its kind (true: program).
std::string compose_error(const std::string& source, bool program, int position,
                          const std::string& message);

// --- The event context ---

// Kept by the step cycle for error reports; also the built-in variables event_type,
// event_number, event_object and event_action.
struct REventContext {
  int event_type = 0;    // 100000 inside a time line
  int event_number = 0;  // the time step inside a time line
  int event_object = 0;  // object index, or time line index
  int event_action = 0;  // 0-based action number
};
REventContext& event_context();

// Names the context needs; the world supplies them. Unset, the report has no context.
struct RContextNames {
  std::function<std::string(int type, int number)> event_name;
  std::function<std::string(int object)> object_name;
  std::function<std::string(int timeline)> timeline_name;
};
void set_context_names(RContextNames names);

// "FATAL " for fatal errors, then the context lines, then the message. Without names the
// message alone (with the prefix).
std::string compose_runtime_error(const std::string& message, bool fatal);

// report_runtime_error: compose_runtime_error, then display_error.
void report_runtime_error(const std::string& message, bool fatal);

// --- Display ---

enum class ErrorChoice { Ignore, Abort };

// Where displayed errors are shown. The form appends the message to its memo and waits
// for the player; headless runs write it to standard error and ignore non-fatal errors.
class IErrorDisplay {
 public:
  virtual ~IErrorDisplay() = default;
  virtual ErrorChoice show(const std::string& message, bool fatal) = 0;
};
// The display in use (not owned); null writes to standard error as headless runs do.
void set_error_display(IErrorDisplay* display);
IErrorDisplay* error_display();

// What a fatal error asks of the rest of the game (the step cycle sets the stop request)
// and the clearing of the input state after the form closes.
struct RErrorHooks {
  std::function<void()> stop_game;
  std::function<void()> clear_input;
};
void set_error_hooks(RErrorHooks hooks);

// Shows, logs and remembers the message; a fatal one (or one the player aborts) stops the
// game, after which every further display request is dropped.
void display_error(const std::string& message, bool fatal);

// The game is stopping after a fatal error.
bool game_stopping();

// error_occurred and error_last, which scripts may reset.
bool& error_occurred();
std::string& error_last();

// Back to the state of a fresh run: flags, last messages, the log's first-write flag.
void reset_error_state();

}  // namespace vn
