// Debug mode: a window beside the game's with run, pause, single step, restart and end;
// the room, step count and frame rate; watched expressions evaluated after every step; the
// instances of the room and the variables of one of them. The model below is apart from
// the drawing so that it works, and can be tried, without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn {

class CInstanceBase;
class CModelessForm;
struct RFormFrame;

// What a watched expression gave: its value as text (Windows-1252; strings in quotes), or
// why it could not be evaluated.
struct RWatchValue {
  bool ok = false;
  std::string text;
};

// Evaluates the text as one expression with self and other the instance given (none:
// only globals and constants are reached). Nothing it does reaches the game: the text
// must be a single expression, calls are allowed only to functions that change nothing,
// and errors come back here instead of reaching the error form, the log or error_last.
RWatchValue evaluate_watch(std::string_view expression, CInstanceBase* self);

struct RWatchRow {
  std::string expression;
  RWatchValue value;
};

struct RInstanceRow {
  int32_t id = 0;
  std::string object;  // the object's name
  double x = 0;
  double y = 0;
  double depth = 0;
};

struct RVariableRow {
  std::string name;  // "alarm[3]" for a cell of an array
  std::string value;
  bool builtin = false;
};

enum class DebugCommand { run, pause, step, restart, end };

class CDebugModel {
 public:
  // --- Watches ---
  // Adds the expression (surrounding blanks dropped; nothing for an empty one) and
  // evaluates it at once.
  void add_watch(std::string_view expression);
  void remove_watch(size_t index);
  const std::vector<RWatchRow>& watches() const { return watches_; }
  // After every step: each watch again, with the chosen instance as self.
  void refresh_watches();

  // --- The room ---
  std::string room_name() const;
  int64_t steps() const;
  int32_t fps() const;
  // The active instances of the room in their order, destroyed ones left out.
  std::vector<RInstanceRow> instances() const;
  void choose_instance(int32_t id) { chosen_ = id; }
  int32_t chosen_instance() const { return chosen_; }
  // The built-in variables of the chosen instance, then its own; empty when it is gone.
  std::vector<RVariableRow> variables() const;

  // --- Commands ---
  // Pause, and end or restart while running, act at once (the loop notices them at its
  // next check); the rest wait for the paused loop to carry them out.
  void command(DebugCommand command);
  // The loop in debug mode: run_game, and between its runs the pauses, during which wait
  // is called (it pumps the windows, whose forms give commands) and the commands given
  // meanwhile are carried out. Returns when the game stops running.
  void play(const std::function<void()>& wait);

 private:
  // Carries out the commands given while paused; true when there were any.
  bool carry_out_pending();
  CInstanceBase* chosen() const;

  std::vector<RWatchRow> watches_;
  int32_t chosen_ = -1;
  std::vector<DebugCommand> pending_;
};

// The window itself. Made only when there is a screen to show it on.
class TDebugForm {
 public:
  // None when no window can be shown (headless, or the form could not be made).
  static std::unique_ptr<TDebugForm> open(const std::string& game_title);
  ~TDebugForm();
  TDebugForm(const TDebugForm&) = delete;
  TDebugForm& operator=(const TDebugForm&) = delete;

  CDebugModel& model() { return model_; }
  // The watch list after a step.
  void refresh();
  // Plays the started game to its end, pausing and stepping as the player asks. Closing
  // the window lets the game run on without it.
  void play();

 private:
  TDebugForm() = default;
  std::optional<int> draw(RFormFrame& frame);

  CDebugModel model_;
  std::unique_ptr<CModelessForm> form_;
  std::string new_watch_;
};

}  // namespace vn
