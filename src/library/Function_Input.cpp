// The keyboard, mouse, joystick and io functions, and the input variables.
#include <array>
#include <cstdint>

#include "library/Input_Main.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Signal.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Variable_Main.h"

namespace vn {

namespace {

int64_t integer(const RValue& value) { return round_to_int64(value.real); }

// Joystick 2 is the second device; any other number the first.
int joystick_id(const RValue& value) { return integer(value) == 2 ? 2 : 1; }

// Key 0 asks whether no key is set, key 1 whether any is; codes 2 ... 255 look at their own
// flag.
double check_keys(const std::array<uint8_t, 256>& flags, const RValue& argument) {
  const int64_t code = integer(argument);
  if (code == 0 || code == 1) {
    bool any = false;
    for (uint8_t flag : flags) any = any || flag != 0;
    return (code == 1) == any ? 1.0 : 0.0;
  }
  if (code < 0 || code > 255) return 0.0;
  return flags[size_t(code)] != 0 ? 1.0 : 0.0;
}

// Button -1 asks whether any of the three is set, 0 whether none is.
double check_buttons(const std::array<uint8_t, 4>& flags, const RValue& argument) {
  const int64_t button = integer(argument);
  const bool any = flags[1] != 0 || flags[2] != 0 || flags[3] != 0;
  if (button == -1) return any ? 1.0 : 0.0;
  if (button == 0) return any ? 0.0 : 1.0;
  if (button < 1 || button > 3) return 0.0;
  return flags[size_t(button)] != 0 ? 1.0 : 0.0;
}

void fn_keyboard_get_numlock(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result = RValue(numlock_on() ? 1.0 : 0.0);
}

void fn_keyboard_set_numlock(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const bool wanted = args[0].real >= 0.5;
  if (wanted == numlock_on()) return;
  set_numlock(wanted);
  post_key_event(144, true);
  post_key_event(144, false);
}

void fn_keyboard_key_press(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  post_key_event(round_to_int32(args[0].real), true);
}

void fn_keyboard_key_release(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  post_key_event(round_to_int32(args[0].real), false);
}

void fn_keyboard_set_map(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const int64_t key = integer(args[0]);
  if (key >= 0 && key <= 255) input_state().key_map[size_t(key)] = round_to_int32(args[1].real);
}

void fn_keyboard_get_map(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const int64_t key = integer(args[0]);
  result =
      RValue(key >= 0 && key <= 255 ? double(input_state().key_map[size_t(key)]) : double(key));
}

void fn_keyboard_unset_map(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  RInputState& state = input_state();
  for (size_t code = 0; code < state.key_map.size(); ++code) state.key_map[code] = int32_t(code);
}

void fn_keyboard_check(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result = RValue(check_keys(input_state().key_down, args[0]));
}

void fn_keyboard_check_pressed(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                               RValue& result) {
  result = RValue(check_keys(input_state().key_pressed, args[0]));
}

void fn_keyboard_check_released(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                RValue& result) {
  result = RValue(check_keys(input_state().key_released, args[0]));
}

void fn_keyboard_check_direct(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                              RValue& result) {
  result = RValue(keyboard_key_state(round_to_int32(args[0].real)) ? 1.0 : 0.0);
}

void fn_mouse_check_button(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  result = RValue(check_buttons(input_state().button_down, args[0]));
}

void fn_mouse_check_button_pressed(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                   RValue& result) {
  result = RValue(check_buttons(input_state().button_pressed, args[0]));
}

void fn_mouse_check_button_released(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                    RValue& result) {
  result = RValue(check_buttons(input_state().button_released, args[0]));
}

void fn_mouse_wheel_up(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result = RValue(input_state().wheel_up ? 1.0 : 0.0);
}

void fn_mouse_wheel_down(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result = RValue(input_state().wheel_down ? 1.0 : 0.0);
}

void fn_joystick_exists(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickState state;
  result = RValue(read_joystick(joystick_id(args[0]), state) ? 1.0 : 0.0);
}

// The keypad digit of the stick's direction: 7 8 9 above 4 5 6 above 1 2 3, plus 96.
void fn_joystick_direction(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  RJoystickState state;
  if (!read_joystick(joystick_id(args[0]), state)) {
    result = RValue(101.0);
    return;
  }
  const int column = state.x < 20000 ? 1 : state.x > 44000 ? 3 : 2;
  const int row = state.y <= 19999 ? 6 : state.y < 44001 ? 3 : 0;
  result = RValue(double(96 + row + column));
}

void fn_joystick_name(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickInfo info;
  result = RValue(joystick_info(joystick_id(args[0]), info) ? info.name : std::string());
}

void fn_joystick_axes(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickInfo info;
  result = RValue(joystick_info(joystick_id(args[0]), info) ? double(info.axes) : 0.0);
}

void fn_joystick_buttons(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickInfo info;
  result = RValue(joystick_info(joystick_id(args[0]), info) ? double(info.buttons) : 0.0);
}

void fn_joystick_has_pov(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickInfo info;
  result = RValue(joystick_info(joystick_id(args[0]), info) && info.has_pov ? 1.0 : 0.0);
}

void fn_joystick_check_button(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                              RValue& result) {
  const int64_t button = integer(args[1]);
  RJoystickState state;
  if (button < 1 || button > 32 || !read_joystick(joystick_id(args[0]), state)) return;
  result = RValue((state.buttons >> (button - 1)) & 1u ? 1.0 : 0.0);
}

// An axis in 0 ... 65535 as -1 ... about 1.
template <uint32_t RJoystickState::*Axis>
void fn_joystick_axis(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickState state;
  if (!read_joystick(joystick_id(args[0]), state)) return;
  result = RValue(double(state.*Axis) / 32767.0 - 1.0);
}

void fn_joystick_pov(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  RJoystickState state;
  if (!read_joystick(joystick_id(args[0]), state)) {
    result = RValue(-1.0);
    return;
  }
  const double angle = double(state.pov) / 100.0;
  result = RValue(angle > 360.0 ? -1.0 : angle);
}

void fn_keyboard_clear(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const int64_t key = integer(args[0]);
  process_input_messages();
  if (key < 0 || key > 255) return;
  RInputState& state = input_state();
  state.key_down[size_t(key)] = 0;
  state.key_pressed[size_t(key)] = 0;
  state.key_released[size_t(key)] = 0;
}

void fn_mouse_clear(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  const int64_t button = integer(args[0]);
  process_input_messages();
  if (button < 1 || button > 3) return;
  RInputState& state = input_state();
  state.button_down[size_t(button)] = 0;
  state.button_pressed[size_t(button)] = 0;
  state.button_released[size_t(button)] = 0;
}

void fn_io_clear(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  process_input_messages();
  clear_input();
}

void fn_io_handle(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  process_input_messages();
}

// Only a key or button that arrives during the wait ends it (the last one is forgotten
// first), or a stop signal.
void fn_keyboard_wait(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  input_state().last_key = 0;
  while (true) {
    process_input_messages();
    check_abort();
    if (input_state().last_key != 0 || stop_requested() || !input_wait()) return;
  }
}

void fn_mouse_wait(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  input_state().last_button = 0;
  while (true) {
    process_input_messages();
    check_abort();
    if (input_state().last_button != 0 || stop_requested() || !input_wait()) return;
  }
}

void register_input_variables() {
  register_variable(
      "mouse_x",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(input_state().mouse_x);
        return true;
      },
      nullptr);
  register_variable(
      "mouse_y",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(input_state().mouse_y);
        return true;
      },
      nullptr);
  register_variable(
      "mouse_button",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(input_state().current_button));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        const int32_t button = round_to_int32(value.real);
        if (button >= 1 && button <= 3) input_state().current_button = button;
        return true;
      });
  register_variable(
      "mouse_lastbutton",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(input_state().last_button));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        const int32_t button = round_to_int32(value.real);
        if (button >= 1 && button <= 3) input_state().last_button = button;
        return true;
      });
  register_variable(
      "keyboard_key",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(input_state().current_key));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        const int32_t key = round_to_int32(value.real);
        if (key >= 0 && key <= 255) input_state().current_key = key;
        return true;
      });
  register_variable(
      "keyboard_lastkey",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(input_state().last_key));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        const int32_t key = round_to_int32(value.real);
        if (key >= 0 && key <= 255) input_state().last_key = key;
        return true;
      });
  register_variable(
      "keyboard_lastchar",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(std::string(1, input_state().last_char));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        const std::string_view text = value.string.view();
        if (!text.empty()) input_state().last_char = text.front();
        return true;
      });
  register_variable(
      "keyboard_string",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(input_state().typed);
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        input_state().typed = std::string(value.string.view());
        return true;
      });
}

}  // namespace

void register_input_functions() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  register_function("keyboard_get_numlock", fn_keyboard_get_numlock, 0);
  register_function("keyboard_set_numlock", fn_keyboard_set_numlock, 1);
  register_function("keyboard_key_press", fn_keyboard_key_press, 1);
  register_function("keyboard_key_release", fn_keyboard_key_release, 1);
  register_function("keyboard_set_map", fn_keyboard_set_map, 2);
  register_function("keyboard_get_map", fn_keyboard_get_map, 1);
  register_function("keyboard_unset_map", fn_keyboard_unset_map, 0);
  register_function("keyboard_check", fn_keyboard_check, 1);
  register_function("keyboard_check_pressed", fn_keyboard_check_pressed, 1);
  register_function("keyboard_check_released", fn_keyboard_check_released, 1);
  register_function("keyboard_check_direct", fn_keyboard_check_direct, 1);
  register_function("mouse_check_button", fn_mouse_check_button, 1);
  register_function("mouse_check_button_pressed", fn_mouse_check_button_pressed, 1);
  register_function("mouse_check_button_released", fn_mouse_check_button_released, 1);
  register_function("mouse_wheel_up", fn_mouse_wheel_up, 0);
  register_function("mouse_wheel_down", fn_mouse_wheel_down, 0);
  register_function("joystick_exists", fn_joystick_exists, 1);
  register_function("joystick_direction", fn_joystick_direction, 1);
  register_function("joystick_name", fn_joystick_name, 1);
  register_function("joystick_axes", fn_joystick_axes, 1);
  register_function("joystick_buttons", fn_joystick_buttons, 1);
  register_function("joystick_has_pov", fn_joystick_has_pov, 1);
  register_function("joystick_check_button", fn_joystick_check_button, 2);
  register_function("joystick_xpos", fn_joystick_axis<&RJoystickState::x>, 1);
  register_function("joystick_ypos", fn_joystick_axis<&RJoystickState::y>, 1);
  register_function("joystick_zpos", fn_joystick_axis<&RJoystickState::z>, 1);
  register_function("joystick_rpos", fn_joystick_axis<&RJoystickState::r>, 1);
  register_function("joystick_upos", fn_joystick_axis<&RJoystickState::u>, 1);
  register_function("joystick_vpos", fn_joystick_axis<&RJoystickState::v>, 1);
  register_function("joystick_pov", fn_joystick_pov, 1);
  register_function("keyboard_clear", fn_keyboard_clear, 1);
  register_function("mouse_clear", fn_mouse_clear, 1);
  register_function("io_clear", fn_io_clear, 0);
  register_function("io_handle", fn_io_handle, 0);
  register_function("keyboard_wait", fn_keyboard_wait, 0);
  register_function("mouse_wait", fn_mouse_wait, 0);
  register_input_variables();
}

}  // namespace vn
