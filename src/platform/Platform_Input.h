// Keys, typed text and joysticks as the operating system reports them, translated at this
// edge into what the games were written for: Windows virtual-key codes, Windows-1252
// characters, and joystick positions in 0 ... 65535.
//
// Key messages name shift, control and alt by their generic codes 16, 17 and 18, whichever
// side was pressed, as Windows key messages do; only keyboard_key_state tells the sides
// apart (160 ... 165).
#pragma once

#include <cstdint>
#include <string>

namespace vn {

// The virtual-key code of an SDL key event (its keycode and scancode), 0 when the key has
// none. Letters follow the keyboard layout, every other key its position; with Num Lock
// off the keypad gives the navigation codes, as it does on Windows.
int32_t virtual_key_from_sdl(int32_t keycode, int32_t scancode, bool numlock);

// The characters a key-down gives besides text input: Return 13, Backspace 8, Tab 9, Esc
// 27, and control + letter 1 ... 26; 0 for none.
char control_character_from_sdl(int32_t keycode, bool control, bool alt);

// Typed text (UTF-8) as Windows-1252 characters; a character without one becomes "?".
std::string typed_characters(const char* utf8);

// Whether the key is held now, from the keyboard state of the system rather than from
// key messages; 1, 2 and 4 are the left, right and middle mouse buttons. False without
// video.
bool keyboard_key_state(int32_t code);

// The Num Lock toggle. Without video it is a flag of this process, off at start.
bool numlock_on();
void set_numlock(bool on);

struct RJoystickState {
  // Axes x, y, z, r, u, v in 0 ... 65535, centred at 32767.
  uint32_t x = 32767;
  uint32_t y = 32767;
  uint32_t z = 32767;
  uint32_t r = 32767;
  uint32_t u = 32767;
  uint32_t v = 32767;
  uint32_t buttons = 0;  // bit n - 1 for button n
  // The point-of-view hat in hundredths of a degree clockwise from forward; 65535 centred.
  uint32_t pov = 65535;
};

struct RJoystickInfo {
  std::string name;  // Windows-1252, at most 32 characters
  int axes = 0;      // at most 6
  int buttons = 0;   // at most 32
  bool has_pov = false;
};

// Joystick 2 is the second device; every other id the first. False when that device is
// not there. A headless process has no joysticks.
bool read_joystick(int id, RJoystickState& state);
bool joystick_info(int id, RJoystickInfo& info);

// Closes the devices and the joystick subsystem if this layer opened them.
void shutdown_joysticks();

}  // namespace vn
