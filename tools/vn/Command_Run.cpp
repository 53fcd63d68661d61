// vn run: play a standalone game, a bare game file or a project folder, windowed or
// headless, with the step count, the random seed, the clock and the input under control.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "graphics/BM32_File.h"
#include "graphics/Sound_Device.h"
#include "library/Function_File.h"
#include "library/Input_Main.h"
#include "platform/Platform_Clock.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"
#include "runner/Form_Answer.h"
#include "runner/Input_Record.h"
#include "runner/Runner_Form.h"
#include "runner/Runner_Library.h"
#include "runner/Support_File.h"
#include "script/Code_Constant.h"
#include "script/Code_Value.h"
#include "script/Function_Misc.h"
#include "support/Support_Console.h"
#include "support/Support_Text.h"
#include "support/Support_Wav.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace vn::tool {

namespace fs = std::filesystem;

namespace {

// A fatal error stopped the game (1 is a game that could not start, 2 a usage problem).
constexpr int kExitStopped = 3;

// The fixed clock starts at 2000-01-01 00:00:00 UTC, whatever the day of the run.
constexpr double kFixedClockStart = 946684800.0;

void complain(const std::string& problem) { std::fprintf(stderr, "vn run: %s\n", problem.c_str()); }

enum class InputKind {
  key_down,
  key_up,
  text,
  mouse_move,
  mouse_down,
  mouse_up,
  wheel_up,
  wheel_down,
  close,
  answer,
};

struct RScriptedInput {
  int64_t step = 1;  // reaches the game just before this step (the first is 1)
  InputKind kind = InputKind::key_down;
  int32_t code = 0;  // key or button
  int x = 0;
  int y = 0;
  std::string text;  // Windows-1252
};

std::vector<std::string> words_of(const std::string& line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos) break;
    size_t end = line.find_first_of(" \t", at);
    if (end == std::string::npos) end = line.size();
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

bool whole_number(const std::string& word, int64_t low, int64_t high, int64_t& number) {
  if (word.empty() || word.size() > 18) return false;
  size_t start = word[0] == '-' ? 1 : 0;
  if (start == word.size()) return false;
  for (size_t i = start; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
  }
  number = std::stoll(word);
  return number >= low && number <= high;
}

// A code, a letter or digit (as its key), or a key constant such as vk_left.
bool key_code(const std::string& word, int32_t& code) {
  int64_t number = 0;
  if (whole_number(word, 0, 255, number)) {
    code = int32_t(number);
    return true;
  }
  if (word.size() == 1 && std::isalnum(static_cast<unsigned char>(word[0]))) {
    code = std::toupper(static_cast<unsigned char>(word[0]));
    return true;
  }
  RValue value;
  if (word.rfind("vk_", 0) == 0 && find_constant(word, value) && value.kind == kReal) {
    code = round_to_int32(value.real);
    return code >= 0 && code <= 255;
  }
  return false;
}

// 1 2 3, left right middle, or mb_left mb_right mb_middle.
bool button_code(const std::string& word, int32_t& button) {
  const std::string name = word.rfind("mb_", 0) == 0 ? word.substr(3) : word;
  if (name == "1" || name == "left")
    button = 1;
  else if (name == "2" || name == "right")
    button = 2;
  else if (name == "3" || name == "middle")
    button = 3;
  else
    return false;
  return true;
}

// The rest of the line after the command, with \b (backspace), \r (return), \t, \\ and
// \xHH (the Windows-1252 character HH, for the control characters a key types).
bool typed_text(const std::string& rest, std::string& text, std::string& problem) {
  std::string raw;  // UTF-8 still
  text.clear();
  auto hex_digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '\\') {
      raw += rest[i];
      continue;
    }
    if (++i == rest.size()) {
      problem = "a lone \\ at the end of the text";
      return false;
    }
    switch (rest[i]) {
      case 'b':
        raw += '\b';
        break;
      case 'r':
        raw += '\r';
        break;
      case 't':
        raw += '\t';
        break;
      case '\\':
        raw += '\\';
        break;
      case 'x': {
        const int high = i + 1 < rest.size() ? hex_digit(rest[i + 1]) : -1;
        const int low = i + 2 < rest.size() ? hex_digit(rest[i + 2]) : -1;
        if (high < 0 || low < 0) {
          problem = "\\x takes two hexadecimal digits";
          return false;
        }
        text += utf8_to_cp1252_lossy(raw);
        raw.clear();
        text += char(high * 16 + low);
        i += 2;
        break;
      }
      default:
        problem = std::string("unknown escape \\") + rest[i];
        return false;
    }
  }
  text += utf8_to_cp1252_lossy(raw);
  return true;
}

bool parse_input_line(const std::string& line, RScriptedInput& input, std::string& problem) {
  const std::vector<std::string> words = words_of(line);
  if (words.size() < 2) {
    problem = "expected STEP COMMAND";
    return false;
  }
  int64_t step = 0;
  if (!whole_number(words[0], 1, int64_t(1) << 53, step)) {
    problem = "the step must be a whole number of at least 1, not \"" + words[0] + "\"";
    return false;
  }
  input.step = step;
  const std::string& command = words[1];
  auto arguments = [&](size_t count) {
    if (words.size() == count + 2) return true;
    problem =
        command + " takes " + std::to_string(count) + (count == 1 ? " argument" : " arguments");
    return false;
  };
  auto key = [&] {
    if (!arguments(1)) return false;
    if (key_code(words[2], input.code)) return true;
    problem = "unknown key \"" + words[2] + "\"";
    return false;
  };
  auto button = [&] {
    if (!arguments(1)) return false;
    if (button_code(words[2], input.code)) return true;
    problem = "unknown mouse button \"" + words[2] + "\"";
    return false;
  };
  if (command == "key_down") {
    input.kind = InputKind::key_down;
    return key();
  }
  if (command == "key_up") {
    input.kind = InputKind::key_up;
    return key();
  }
  if (command == "text") {
    input.kind = InputKind::text;
    const size_t at = line.find("text");
    std::string rest = line.substr(at + 4);
    if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) rest.erase(0, 1);
    return typed_text(rest, input.text, problem);
  }
  if (command == "answer") {
    // The rest of the line exactly, blanks included, for the next form shown headless.
    input.kind = InputKind::answer;
    std::string rest = line.substr(line.find("answer") + 6);
    if (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) rest.erase(0, 1);
    input.text = utf8_to_cp1252_lossy(rest);
    return true;
  }
  if (command == "mouse_move") {
    input.kind = InputKind::mouse_move;
    if (!arguments(2)) return false;
    int64_t x = 0;
    int64_t y = 0;
    if (!whole_number(words[2], -1000000, 1000000, x) ||
        !whole_number(words[3], -1000000, 1000000, y)) {
      problem = "mouse_move takes two whole numbers of pixels";
      return false;
    }
    input.x = int(x);
    input.y = int(y);
    return true;
  }
  if (command == "mouse_down") {
    input.kind = InputKind::mouse_down;
    return button();
  }
  if (command == "mouse_up") {
    input.kind = InputKind::mouse_up;
    return button();
  }
  if (command == "wheel_up" || command == "wheel_down" || command == "close") {
    input.kind = command == "wheel_up"     ? InputKind::wheel_up
                 : command == "wheel_down" ? InputKind::wheel_down
                                           : InputKind::close;
    return arguments(0);
  }
  problem = "unknown command \"" + command + "\"";
  return false;
}

// Lines "STEP COMMAND ARGUMENTS"; blank lines and lines starting with # are skipped. The
// result is in step order, lines of one step in the order written. key_tap expands to a
// key_down and a key_up in the same step. One line "seed S" may give the random seed.
bool read_input_file(const fs::path& path, std::vector<RScriptedInput>& inputs,
                     std::optional<uint32_t>& seed) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(path, bytes, error)) {
    complain(error);
    return false;
  }
  const std::string text(bytes.begin(), bytes.end());
  size_t start = 0;
  int number = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    bool tap = false;
    std::vector<std::string> words = words_of(line);
    if (words[0] == "seed") {
      int64_t value = 0;
      std::string problem;
      if (words.size() != 2 || !whole_number(words[1], 0, UINT32_MAX, value)) {
        problem = "seed takes one whole number from 0 to 4294967295";
      } else if (seed) {
        problem = "a second seed line";
      }
      if (!problem.empty()) {
        complain(path.string() + ":" + std::to_string(number) + ": " + problem);
        return false;
      }
      seed = uint32_t(value);
      continue;
    }
    if (words.size() >= 2 && words[1] == "key_tap") {
      tap = true;
      line.replace(line.find("key_tap"), 7, "key_down");
    }
    RScriptedInput input;
    std::string problem;
    if (!parse_input_line(line, input, problem)) {
      complain(path.string() + ":" + std::to_string(number) + ": " + problem);
      return false;
    }
    inputs.push_back(input);
    if (tap) {
      input.kind = InputKind::key_up;
      inputs.push_back(input);
    }
  }
  std::stable_sort(
      inputs.begin(), inputs.end(),
      [](const RScriptedInput& a, const RScriptedInput& b) { return a.step < b.step; });
  return true;
}

// Hands the scripted input to the game as the window would, each event just before its
// step; a waiting function takes the next step's events at once.
class CInputScript {
 public:
  CInputScript(std::vector<RScriptedInput> inputs, TRunnerForm& form, CInputRecorder* recorder)
      : inputs_(std::move(inputs)),
        taken_(inputs_.size(), false),
        form_(form),
        recorder_(recorder) {}

  // The answers of step 1 are there from the start, for forms the game shows before its
  // first step (in creation code, say).
  void start() {
    for (size_t i = 0; i < inputs_.size() && inputs_[i].step == 1; ++i) {
      if (inputs_[i].kind == InputKind::answer) deliver(i);
    }
  }

  void feed(int64_t steps_run) {
    while (next_ < inputs_.size() && inputs_[next_].step <= steps_run + 1) deliver(next_++);
  }

  // False when nothing more can come: the script is used up and no player is there.
  bool wait() {
    if (next_ < inputs_.size()) {
      const int64_t step = inputs_[next_].step;
      while (next_ < inputs_.size() && inputs_[next_].step == step) deliver(next_++);
      return true;
    }
    // Nobody looks at a headless or offscreen window, so nobody will press anything.
    if (!has_display()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return true;
  }

 private:
  void deliver(size_t index) {
    if (taken_[index]) return;
    taken_[index] = true;
    const RScriptedInput& input = inputs_[index];
    if (recorder_ != nullptr) record(input);
    switch (input.kind) {
      case InputKind::key_down:
        input_key_down(input.code);
        break;
      case InputKind::key_up:
        input_key_up(input.code);
        break;
      case InputKind::text:
        for (char character : input.text) input_character(character);
        break;
      case InputKind::mouse_move:
        form_.mouse_moved(input.x, input.y);
        break;
      case InputKind::mouse_down:
        input_mouse_down(input.code);
        break;
      case InputKind::mouse_up:
        input_mouse_up(input.code);
        break;
      case InputKind::wheel_up:
        input_wheel(true);
        break;
      case InputKind::wheel_down:
        input_wheel(false);
        break;
      case InputKind::close:
        form_.close_button();
        break;
      case InputKind::answer:
        queue_form_answer(input.text);
        break;
    }
  }

  // A recording made with an input file holds its events too, at the steps they had.
  void record(const RScriptedInput& input) {
    CInputRecorder& recorder = *recorder_;
    switch (input.kind) {
      case InputKind::key_down:
      case InputKind::key_up:
        recorder.key(input.step, input.kind == InputKind::key_down, input.code);
        break;
      case InputKind::text:
        for (char character : input.text) recorder.character(input.step, character);
        break;
      case InputKind::mouse_move:
        recorder.mouse_move(input.step, input.x, input.y);
        break;
      case InputKind::mouse_down:
      case InputKind::mouse_up:
        recorder.mouse_button(input.step, input.kind == InputKind::mouse_down, input.code);
        break;
      case InputKind::wheel_up:
      case InputKind::wheel_down:
        recorder.wheel(input.step, input.kind == InputKind::wheel_up);
        break;
      case InputKind::close:
        recorder.close_button(input.step);
        break;
      case InputKind::answer:
        // Recorded when a form takes it, at that form's step.
        break;
    }
  }

  std::vector<RScriptedInput> inputs_;
  std::vector<bool> taken_;
  size_t next_ = 0;
  TRunnerForm& form_;
  CInputRecorder* recorder_;
};

// A person plays a recorded run under the fixed clock in a window, so its steps keep to
// real time (the game's own clock still moves one step time per step). The window's
// messages that come during the wait are handled before the next step, as in the frame
// wait of a run without the fixed clock.
class CStepPacer {
 public:
  void after(int64_t steps_run) {
    if (steps_run <= paced_) return;
    paced_ = steps_run;
    const CLiveRoom* room = world_state().current;
    const int speed = room != nullptr && room->speed > 0 ? room->speed : 30;
    const auto now = std::chrono::steady_clock::now();
    deadline_ += std::chrono::microseconds(1000000 / speed);
    // Far behind (a slow step, a form that was open): start again from now.
    if (deadline_ < now - std::chrono::milliseconds(100)) deadline_ = now;
    while (std::chrono::steady_clock::now() < deadline_ && !stop_requested()) {
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          deadline_ - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
    }
    process_input_messages();
  }

 private:
  int64_t paced_ = 0;
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now();
};

// A whole number from low up, said in words a person can act on (the parser's own range
// check prints the largest double).
CLI::Validator whole_number_check(int64_t low) {
  return CLI::Validator(
      [low](std::string& text) -> std::string {
        int64_t number = 0;
        const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (problem == std::errc() && end == text.data() + text.size() && number >= low) return {};
        return low == 0 ? "expected a whole number from 0 up, not \"" + text + "\""
                        : "expected a whole number, not \"" + text + "\"";
      },
      low == 0 ? "N >= 0" : "");
}

// STEP:FILE.png, the step a whole number from 1 up, the file's name ending in ".png" (any
// case); the file is made absolute now, against the folder vn was started in.
bool parse_shot(const std::string& text, RShot& shot, std::string& problem) {
  const size_t colon = text.find(':');
  int64_t step = 0;
  const std::string file = colon == std::string::npos ? std::string() : text.substr(colon + 1);
  std::string extension = file.size() >= 4 ? file.substr(file.size() - 4) : std::string();
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (colon == std::string::npos ||
      !whole_number(text.substr(0, colon), 1, int64_t(1) << 53, step) || file.size() <= 4 ||
      extension != ".png") {
    problem = "expected STEP:FILE.png with STEP a whole number from 1 up, not \"" + text + "\"";
    return false;
  }
  std::error_code ignored;
  shot.step = step;
  shot.file = fs::absolute(fs::path(file), ignored);
  if (shot.file.empty()) shot.file = file;
  return true;
}

// WxH, each from 1 to 16384.
bool parse_desktop(const std::string& text, int& width, int& height, std::string& problem) {
  const size_t x = text.find_first_of("xX");
  int64_t w = 0;
  int64_t h = 0;
  if (x == std::string::npos || !whole_number(text.substr(0, x), 1, 16384, w) ||
      !whole_number(text.substr(x + 1), 1, 16384, h)) {
    problem = "expected WIDTHxHEIGHT, each from 1 to 16384, not \"" + text + "\"";
    return false;
  }
  width = int(w);
  height = int(h);
  return true;
}

// The frames the shots ask for, each taken once the step it names has run: by then that
// step's frame (or the last frame of the transition it ended with) has been presented.
class CShots {
 public:
  CShots(std::vector<RShot> shots, TRunnerForm& form) : shots_(std::move(shots)), form_(form) {}

  // Told the number of steps run, possibly more than once for the same number.
  void after(int64_t steps_run) {
    if (steps_run <= last_step_) return;
    last_step_ = steps_run;
    for (const RShot& shot : shots_) {
      if (shot.step == steps_run) take(shot);
    }
  }

  // Says which shots named a step the game never reached.
  void report_missed() const {
    for (const RShot& shot : shots_) {
      if (shot.step > last_step_) {
        complain("--shot " + std::to_string(shot.step) + ":" + shot.file.string() +
                 ": the game ended after step " + std::to_string(last_step_) +
                 "; nothing was written");
      }
    }
  }

 private:
  void take(const RShot& shot) {
    IGameWindow* window = form_.window();
    IRenderer* renderer = window != nullptr ? window->renderer() : nullptr;
    RImage frame;
    std::vector<uint8_t> pixels;
    if (renderer == nullptr || !renderer->read_client(pixels, frame.width, frame.height)) {
      complain("--shot " + std::to_string(shot.step) + ":" + shot.file.string() +
               ": no frame has been shown yet; nothing was written");
      return;
    }
    frame.pixels.resize(size_t(frame.width) * size_t(frame.height));
    std::memcpy(frame.pixels.data(), pixels.data(), frame.pixels.size() * 4);
    std::string error;
    if (!save_png_file(shot.file, TBitmap32(std::move(frame)), error)) {
      complain("--shot " + std::to_string(shot.step) + ":" + shot.file.string() + ": " + error);
    }
  }

  std::vector<RShot> shots_;
  TRunnerForm& form_;
  int64_t last_step_ = 0;
};

// Everything the game played, mixed, as one block of samples a step (--audio-out). Under
// the fixed clock a block is one step's time at the room's speed, the fraction carried to
// the next step, so step k's samples start at round((k - 1) × rate / speed); otherwise a
// block is the time that passed since the last.
class CAudioOut {
 public:
  static constexpr int kRate = 44100;

  CAudioOut(fs::path path, bool fixed_clock) : path_(std::move(path)), fixed_clock_(fixed_clock) {}

  bool open() {
    std::string error;
    if (writer_.open(path_, 2, kRate, error)) {
      start_ = std::chrono::steady_clock::now();
      return true;
    }
    complain("--audio-out " + error);
    return false;
  }

  // Told the number of steps run, possibly more than once for the same number.
  void after(int64_t steps_run) {
    if (!writer_.is_open()) return;
    for (; last_step_ < steps_run; ++last_step_) {
      if (fixed_clock_) {
        const CLiveRoom* room = world_state().current;
        const int speed = room != nullptr && room->speed > 0 ? room->speed : 30;
        exact_end_ += double(kRate) / speed;
      } else {
        exact_end_ =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() *
            kRate;
      }
      const auto end = uint64_t(std::llround(exact_end_));
      uint64_t frames = end > writer_.frames_written() ? end - writer_.frames_written() : 0;
      while (frames > 0) {
        const size_t chunk = std::min<uint64_t>(frames, kChunkFrames);
        sound_device().render(buffer_.data(), chunk);
        writer_.write(buffer_.data(), chunk);
        frames -= chunk;
      }
    }
  }

  void close() {
    std::string error;
    if (!writer_.close(error)) complain("--audio-out " + error);
  }

 private:
  static constexpr size_t kChunkFrames = 4096;

  fs::path path_;
  bool fixed_clock_;
  CWavWriter writer_;
  std::array<int16_t, kChunkFrames * 2> buffer_{};
  std::chrono::steady_clock::time_point start_;
  double exact_end_ = 0;
  int64_t last_step_ = 0;
};

// The game as an absolute path without "." and ".." parts or a trailing separator.
fs::path plain_path(const fs::path& game) {
  std::error_code ignored;
  fs::path path = fs::weakly_canonical(fs::absolute(game, ignored), ignored);
  if (path.empty()) path = game.lexically_normal();
  if (!path.has_filename() && path.has_parent_path()) path = path.parent_path();
  return path;
}

}  // namespace

CLI::App* add_run_command(CLI::App& app, RunOptions& options) {
  CLI::App* command =
      app.add_subcommand("run", "Play a standalone game, a game file or a project folder");
  command->add_option("GAME", options.game, "A standalone game, a game file or a project folder")
      ->required();
  command->add_flag("--headless", options.headless, "Open no window and show no message box");
  command->add_option("--steps", options.steps, "End the game after this many steps")
      ->check(whole_number_check(0));
  command->add_option("--seed", options.seed, "Seed the random generator with this number")
      ->check(whole_number_check(INT64_MIN));
  command->add_flag("--fixed-clock", options.fixed_clock,
                    "Do not wait between steps; the clock moves one step time per step");
  command->add_option("--input", options.input, "Feed key, mouse and wheel events from this file");
  command->add_flag("--stop-on-error", options.stop_on_error,
                    "End the game with status 1 at its first error report");
  command
      ->add_option("--shot", options.shot_texts,
                   "Save the frame shown for step STEP as FILE.png (may be repeated)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            RShot shot;
            std::string problem;
            return parse_shot(text, shot, problem) ? std::string() : problem;
          },
          "STEP:FILE.png"))
      ->allow_extra_args(false);
  command
      ->add_option("--desktop", options.desktop_text,
                   "The desktop size of a run without a screen (default 1024x768)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            int width = 0;
            int height = 0;
            std::string problem;
            return parse_desktop(text, width, height, problem) ? std::string() : problem;
          },
          "WxH"));
  command->add_option("--audio-out", options.audio_out,
                      "Write what the game played, mixed, to this WAV file (16-bit stereo, "
                      "44,100 Hz; one step time a step under --fixed-clock)");
  command->add_option("--record", options.record,
                      "Write what the player did, by step, with the seed, as an --input file");
  return command;
}

int run_run(const RunOptions& given) {
  RunOptions options = given;
  std::string problem;
  std::string error_text;
  for (const std::string& text : options.shot_texts) {
    RShot shot;
    if (!parse_shot(text, shot, problem)) {
      complain("--shot: " + problem);
      return kExitUsage;
    }
    options.shots.push_back(shot);
  }
  if (!options.desktop_text.empty() && !parse_desktop(options.desktop_text, options.desktop_width,
                                                      options.desktop_height, problem)) {
    complain("--desktop: " + problem);
    return kExitUsage;
  }
  // The game's output lines and its errors stay in the order they happened.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (options.headless) set_headless(true);
  if (options.desktop_width > 0) {
    set_headless_display_size(options.desktop_width, options.desktop_height);
  }
  register_game_library();

  std::vector<RScriptedInput> inputs;
  std::optional<uint32_t> seed;
  if (!options.input.empty() && !read_input_file(options.input, inputs, seed)) return kExitUsage;
  if (options.seed) seed = uint32_t(*options.seed);

  // Checked before the game starts: a session played for nothing is worse than no start.
  std::unique_ptr<CInputRecorder> recorder;
  if (!options.record.empty()) {
    recorder = std::make_unique<CInputRecorder>();
    if (!recorder->open(options.record, error_text)) {
      complain("--record " + options.record.string() + ": " + error_text);
      return kExitUsage;
    }
  }

  RLoadedGame loaded;
  std::string error;
  if (!load_game(options.game, loaded, error)) {
    complain(error);
    return kExitFailed;
  }
  for (const std::string& message : loaded.messages) write_console_lines(stderr, message);
  if (loaded.game.room_order.empty()) {
    complain(options.game.string() + ": the game has no room to start in");
    return kExitFailed;
  }

  std::shared_ptr<CAudioOut> audio;
  if (!options.audio_out.empty()) {
    audio = std::make_shared<CAudioOut>(options.audio_out, options.fixed_clock);
    if (!audio->open()) return kExitFailed;
  }

  if (options.fixed_clock) use_fixed_clock(kFixedClockStart);
  if (recorder && !seed) {
    // The seed the clock gives now serves every start of the game, so that the replay,
    // told the same seed, makes the same random choices after a restart too.
    const auto seconds =
        options.fixed_clock ? uint64_t(std::llround(system_time_seconds()))
                            : uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    seed = uint32_t(seconds ^ (seconds >> 32));
  }
  if (seed) set_start_seed(*seed);
  if (recorder) recorder->header(options.game.string(), *seed, options.fixed_clock);
  set_program_parameters({options.game.string()});
  set_debug_output([](const std::string& text) {
    const std::string lines = console_lines(text, LoneLineFeed::ends_line);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
  });
  init_temp_folder();

  RunOutcome outcome;
  bool recorded = true;
  {
    TRunnerForm form;
    auto script = std::make_shared<CInputScript>(std::move(inputs), form, recorder.get());
    set_input_recorder(recorder.get());
    script->start();
    std::shared_ptr<CStepPacer> pacer;
    if (recorder && options.fixed_clock && !options.headless && has_display()) {
      pacer = std::make_shared<CStepPacer>();
    }
    auto shots = std::make_shared<CShots>(options.shots, form);
    RPlayOptions play;
    play.max_steps = options.steps;
    play.stop_on_error = options.stop_on_error;
    play.audio_loopback = audio != nullptr;
    play.feed_input = [script, shots, audio, pacer](int64_t steps_run) {
      shots->after(steps_run);
      if (audio) audio->after(steps_run);
      if (pacer) pacer->after(steps_run);
      script->feed(steps_run);
    };
    play.wait_for_input = [script](int64_t) { return script->wait(); };
    // Named as vnrun names the game it carries: the file name without its extension.
    const fs::path game = plain_path(options.game);
    std::error_code ignored;
    const fs::path folder = fs::is_directory(game, ignored) ? game : game.parent_path();
    outcome = form.play(std::move(loaded.game), utf8_to_cp1252_lossy(game.stem().string()), folder,
                        std::move(play));
    shots->report_missed();
    if (audio) audio->close();
    set_input_recorder(nullptr);
    if (recorder &&
        !recorder->finish("the game ended after step " + std::to_string(form.steps_run()),
                          error_text)) {
      complain("--record " + options.record.string() + ": " + error_text);
      recorded = false;
    }
  }
  set_debug_output(nullptr);
  set_start_seed(std::nullopt);
  shutdown_video();
  remove_temp_folder();
  std::fflush(stdout);
  switch (outcome) {
    case RunOutcome::ended:
      return recorded ? kExitOk : kExitFailed;
    case RunOutcome::stopped:
      // Asked to stop at the first error, the run failed, whichever error it was.
      return options.stop_on_error ? kExitFailed : kExitStopped;
    case RunOutcome::interrupted:
      return stop_exit_status();
    case RunOutcome::not_started:
      break;
  }
  return kExitFailed;
}

}  // namespace vn::tool
