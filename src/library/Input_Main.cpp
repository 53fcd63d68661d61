#include "library/Input_Main.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace vn {

namespace {

constexpr size_t kTypedKept = 1024;
constexpr int32_t kEscape = 27;

struct RPostedKey {
  int32_t code;
  bool down;
};

struct RInputUnit {
  RInputState state;
  bool captured = false;
  std::function<void()> pump;
  std::function<bool()> wait;
  std::vector<RPostedKey> posted;
};

RInputUnit& unit() {
  static RInputUnit instance;
  return instance;
}

// The code a key message stands for after the map; -1 when it is dropped.
int32_t mapped_key(const RInputState& state, int32_t code) {
  if (code < 0 || code > 255) return -1;
  int32_t mapped = state.key_map[size_t(code)];
  return mapped >= 0 && mapped <= 255 ? mapped : -1;
}

bool valid_button(int32_t button) { return button >= 1 && button <= 3; }

}  // namespace

RInputState& input_state() { return unit().state; }

void input_key_down(int32_t code) {
  RInputUnit& u = unit();
  if (u.captured) return;
  RInputState& state = u.state;
  int32_t key = mapped_key(state, code);
  if (key < 0) return;
  state.current_key = key;
  state.last_key = key;
  // Auto-repeat sends more key-downs while the key is held: only the first one presses it.
  if (state.key_down[size_t(key)] == 0) state.key_pressed[size_t(key)] = 1;
  state.key_down[size_t(key)] = 1;
}

void input_key_up(int32_t code) {
  RInputUnit& u = unit();
  if (u.captured) return;
  RInputState& state = u.state;
  int32_t key = mapped_key(state, code);
  if (key < 0) return;
  if (key == state.current_key) state.current_key = 0;
  state.key_down[size_t(key)] = 0;
  state.key_released[size_t(key)] = 1;
}

void input_character(char character) {
  RInputUnit& u = unit();
  if (u.captured) return;
  RInputState& state = u.state;
  state.last_char = character;
  // Trimmed before the append, so the string may hold one character more than it keeps.
  if (state.typed.size() > kTypedKept) state.typed.erase(0, state.typed.size() - kTypedKept);
  const unsigned char code = static_cast<unsigned char>(character);
  if (code == 8) {
    if (!state.typed.empty()) state.typed.pop_back();
  } else if (code > 31) {
    state.typed.push_back(character);
  }
}

void input_mouse_down(int32_t button) {
  RInputUnit& u = unit();
  if (u.captured || !valid_button(button)) return;
  RInputState& state = u.state;
  state.current_button = button;
  state.last_button = button;
  state.button_down[size_t(button)] = 1;
  state.button_pressed[size_t(button)] = 1;
}

void input_mouse_up(int32_t button) {
  RInputUnit& u = unit();
  if (u.captured || !valid_button(button)) return;
  RInputState& state = u.state;
  state.current_button = 0;
  state.button_down[size_t(button)] = 0;
  state.button_released[size_t(button)] = 1;
}

void input_wheel(bool up) {
  RInputUnit& u = unit();
  if (u.captured) return;
  (up ? u.state.wheel_up : u.state.wheel_down) = true;
}

void input_mouse_move(double x, double y) {
  RInputState& state = unit().state;
  state.mouse_x = x;
  state.mouse_y = y;
}

void input_close_as_escape() {
  RInputState& state = unit().state;
  state.key_down[kEscape] = 1;
  state.current_key = kEscape;
  state.last_key = kEscape;
}

void clear_input() {
  RInputState& state = unit().state;
  state.typed.clear();
  state.current_key = 0;
  state.last_key = 0;
  state.last_char = 0;
  state.key_down.fill(0);
  state.key_pressed.fill(0);
  state.key_released.fill(0);
  state.current_button = 0;
  state.last_button = 0;
  state.button_down.fill(0);
  state.button_pressed.fill(0);
  state.button_released.fill(0);
  state.wheel_up = false;
  state.wheel_down = false;
}

void reset_input() {
  clear_input();
  RInputState& state = unit().state;
  for (size_t code = 0; code < state.key_map.size(); ++code) state.key_map[code] = int32_t(code);
  unit().posted.clear();
}

void end_step_input() {
  RInputState& state = unit().state;
  state.key_pressed.fill(0);
  state.key_released.fill(0);
  state.button_pressed.fill(0);
  state.button_released.fill(0);
  state.wheel_up = false;
  state.wheel_down = false;
}

void set_input_captured(bool captured) { unit().captured = captured; }
bool input_captured() { return unit().captured; }

void set_input_pump(std::function<void()> pump) { unit().pump = std::move(pump); }

void process_input_messages() {
  RInputUnit& u = unit();
  if (u.pump) u.pump();
  // A posted key may make a handler post again (through a game callback); those wait
  // for the next round, as messages posted while handling one do.
  std::vector<RPostedKey> posted = std::move(u.posted);
  u.posted.clear();
  for (const RPostedKey& key : posted) {
    if (key.down) {
      input_key_down(key.code);
    } else {
      input_key_up(key.code);
    }
  }
}

void post_key_event(int32_t code, bool down) { unit().posted.push_back({code, down}); }

void set_input_wait(std::function<bool()> wait) { unit().wait = std::move(wait); }

bool input_wait() {
  RInputUnit& u = unit();
  if (u.wait) return u.wait();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return true;
}

}  // namespace vn
