// What reached the game in a run, written as an input file that vn run --input plays back
// (vn run --record): the seed first, then one line per event at the step it took effect
// in, and one answer per form the player answered in a window.
//
// Lines go to FILE.part beside the target, a whole line at a time; finishing renames that
// over the target. A run that crashes leaves the target as it was, and the lines recorded
// up to the crash in FILE.part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vn {

class CInputRecorder {
 public:
  CInputRecorder() = default;
  // A recording that was never finished takes its partial file with it: only an orderly
  // exit gets here, and that has nothing left to keep.
  ~CInputRecorder();
  CInputRecorder(const CInputRecorder&) = delete;
  CInputRecorder& operator=(const CInputRecorder&) = delete;

  // Opens the partial file beside the target; false with the reason.
  bool open(const std::filesystem::path& target, std::string& error);
  const std::filesystem::path& partial_path() const { return partial_; }

  // The first lines: what was played and the seed every start of the game used.
  void header(const std::string& game, uint32_t seed, bool fixed_clock);

  // Where the run is: an event that arrives now takes effect in `event_step`, a form
  // shown now takes the answers of `form_step`.
  void set_steps(int64_t event_step, int64_t form_step);
  int64_t event_step() const { return event_step_; }
  int64_t form_step() const { return form_step_; }

  // One event at the given step. Moves of the mouse with nothing else between them in the
  // same step are one move: only where it ended up reaches the game.
  void key(int64_t step, bool down, int32_t code);
  void character(int64_t step, char character);  // Windows-1252
  void mouse_move(int64_t step, int x, int y);
  void mouse_button(int64_t step, bool down, int32_t button);
  void wheel(int64_t step, bool up);
  void close_button(int64_t step);
  void answer(int64_t step, std::string_view answer);  // Windows-1252

  // Writes what is pending and a closing comment, and puts the file in place; false with
  // the reason (the partial file is then left as it is).
  bool finish(const std::string& comment, std::string& error);

 private:
  void add(int64_t step, std::string command);
  void write(const std::string& line);
  void flush_pending_move();

  std::filesystem::path target_;
  std::filesystem::path partial_;
  std::FILE* file_ = nullptr;
  bool write_failed_ = false;
  int64_t event_step_ = 1;
  int64_t form_step_ = 1;
  int64_t pending_move_step_ = 0;  // 0: no move waiting
  std::string pending_move_;
};

// The recorder the game window and the forms tell; null when the run records nothing.
void set_input_recorder(CInputRecorder* recorder);
CInputRecorder* input_recorder();

// What the game window hands over, recorded at the step it takes effect in (nothing
// without a recorder).
void record_key(bool down, int32_t code);
void record_character(char character);
void record_mouse_move(int x, int y);
void record_mouse_button(bool down, int32_t button);
void record_wheel(bool up);
void record_close_button();
// What a player answered in a form's window, as the answer that gives the same result
// when the form is shown headless.
void record_form_answer(std::string_view answer);
// The steps as the run moves on (see CInputRecorder::set_steps).
void set_record_steps(int64_t event_step, int64_t form_step);

// The forms a key takes in an input file: a letter or digit, a vk_ constant, or the code.
std::string key_name(int32_t code);
// Windows-1252 text as the input file's text command writes it: UTF-8 with the escapes
// \b, \r, \t, a doubled backslash, and \xHH for the other control characters and for a
// space at either end.
std::string escaped_text(std::string_view text);

}  // namespace vn
