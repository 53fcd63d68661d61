// The input state: keys, characters, mouse buttons and the wheel as the window's
// handlers fill them between steps, read by the step cycle and the input functions.
// Key codes are the Windows virtual-key numbers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vn {

struct RInputState {
  std::array<uint8_t, 256> key_down{};
  std::array<uint8_t, 256> key_pressed{};
  std::array<uint8_t, 256> key_released{};
  int32_t current_key = 0;
  int32_t last_key = 0;
  char last_char = 0;
  std::string typed;  // keyboard_string, Windows-1252
  std::array<int32_t, 256> key_map{};
  std::array<uint8_t, 4> button_down{};  // index 1 left, 2 right, 3 middle
  std::array<uint8_t, 4> button_pressed{};
  std::array<uint8_t, 4> button_released{};
  bool wheel_up = false;
  bool wheel_down = false;
  int32_t current_button = 0;
  int32_t last_button = 0;
  double mouse_x = 0;  // in room coordinates
  double mouse_y = 0;
  double previous_mouse_x = 0;
  double previous_mouse_y = 0;
};
RInputState& input_state();

// The handlers the game window calls as events arrive.
void input_key_down(int32_t code);
void input_key_up(int32_t code);
void input_character(char character);  // Windows-1252
void input_mouse_down(int32_t button);
void input_mouse_up(int32_t button);
void input_wheel(bool up);

// io_clear: everything but the key map back to nothing pressed.
void clear_input();
// The state at game start: cleared, and the key map the identity.
void reset_input();
// The end of every step: the pressed, released and wheel flags.
void end_step_input();

// While the game information or a splash is shown inside the game window, input goes to
// them instead (the forms set this).
void set_input_captured(bool captured);
bool input_captured();

// The mouse moved over the game window; the position is in room coordinates.
void input_mouse_move(double x, double y);
// The window's close button when it stands for Esc: Esc held and the last key, without a
// pressed flag (no key message came).
void input_close_as_escape();

// Processing pending window messages, as the loop and the waiting and clearing functions
// do: the pump the runner sets (which feeds the handlers above), then the synthetic key
// events the game sent since the last time, in the order it sent them.
void set_input_pump(std::function<void()> pump);
void process_input_messages();
// keyboard_key_press and keyboard_key_release: like a message posted to the window, the
// key reaches the state only when messages are next processed.
void post_key_event(int32_t code, bool down);
// What keyboard_wait and mouse_wait do between two looks at the state: unset, sleep 50 ms.
// False ends the wait: nothing can arrive any more (a headless run whose scripted input
// is used up).
void set_input_wait(std::function<bool()> wait);
bool input_wait();

void register_input_functions();

}  // namespace vn
