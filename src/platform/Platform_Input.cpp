#include "platform/Platform_Input.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/Platform_Video.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

struct RKeyCode {
  SDL_Scancode scancode;
  int32_t code;
};

// Keys named by their position. Letters are missing (they follow the layout); the number
// row keeps its digits on every layout, as its virtual keys do on Windows.
constexpr RKeyCode kPositionKeys[] = {
    {SDL_SCANCODE_BACKSPACE, 8},
    {SDL_SCANCODE_TAB, 9},
    {SDL_SCANCODE_CLEAR, 12},
    {SDL_SCANCODE_RETURN, 13},
    {SDL_SCANCODE_KP_ENTER, 13},
    {SDL_SCANCODE_LSHIFT, 16},
    {SDL_SCANCODE_RSHIFT, 16},
    {SDL_SCANCODE_LCTRL, 17},
    {SDL_SCANCODE_RCTRL, 17},
    {SDL_SCANCODE_LALT, 18},
    {SDL_SCANCODE_RALT, 18},
    {SDL_SCANCODE_PAUSE, 19},
    {SDL_SCANCODE_CAPSLOCK, 20},
    {SDL_SCANCODE_ESCAPE, 27},
    {SDL_SCANCODE_SPACE, 32},
    {SDL_SCANCODE_PAGEUP, 33},
    {SDL_SCANCODE_PAGEDOWN, 34},
    {SDL_SCANCODE_END, 35},
    {SDL_SCANCODE_HOME, 36},
    {SDL_SCANCODE_LEFT, 37},
    {SDL_SCANCODE_UP, 38},
    {SDL_SCANCODE_RIGHT, 39},
    {SDL_SCANCODE_DOWN, 40},
    {SDL_SCANCODE_PRINTSCREEN, 44},
    {SDL_SCANCODE_INSERT, 45},
    {SDL_SCANCODE_DELETE, 46},
    {SDL_SCANCODE_0, 48},
    {SDL_SCANCODE_1, 49},
    {SDL_SCANCODE_2, 50},
    {SDL_SCANCODE_3, 51},
    {SDL_SCANCODE_4, 52},
    {SDL_SCANCODE_5, 53},
    {SDL_SCANCODE_6, 54},
    {SDL_SCANCODE_7, 55},
    {SDL_SCANCODE_8, 56},
    {SDL_SCANCODE_9, 57},
    {SDL_SCANCODE_LGUI, 91},
    {SDL_SCANCODE_RGUI, 92},
    {SDL_SCANCODE_APPLICATION, 93},
    {SDL_SCANCODE_KP_0, 96},
    {SDL_SCANCODE_KP_1, 97},
    {SDL_SCANCODE_KP_2, 98},
    {SDL_SCANCODE_KP_3, 99},
    {SDL_SCANCODE_KP_4, 100},
    {SDL_SCANCODE_KP_5, 101},
    {SDL_SCANCODE_KP_6, 102},
    {SDL_SCANCODE_KP_7, 103},
    {SDL_SCANCODE_KP_8, 104},
    {SDL_SCANCODE_KP_9, 105},
    {SDL_SCANCODE_KP_MULTIPLY, 106},
    {SDL_SCANCODE_KP_PLUS, 107},
    {SDL_SCANCODE_KP_MINUS, 109},
    {SDL_SCANCODE_KP_PERIOD, 110},
    {SDL_SCANCODE_KP_DIVIDE, 111},
    {SDL_SCANCODE_F1, 112},
    {SDL_SCANCODE_F2, 113},
    {SDL_SCANCODE_F3, 114},
    {SDL_SCANCODE_F4, 115},
    {SDL_SCANCODE_F5, 116},
    {SDL_SCANCODE_F6, 117},
    {SDL_SCANCODE_F7, 118},
    {SDL_SCANCODE_F8, 119},
    {SDL_SCANCODE_F9, 120},
    {SDL_SCANCODE_F10, 121},
    {SDL_SCANCODE_F11, 122},
    {SDL_SCANCODE_F12, 123},
    {SDL_SCANCODE_F13, 124},
    {SDL_SCANCODE_F14, 125},
    {SDL_SCANCODE_F15, 126},
    {SDL_SCANCODE_F16, 127},
    {SDL_SCANCODE_F17, 128},
    {SDL_SCANCODE_F18, 129},
    {SDL_SCANCODE_F19, 130},
    {SDL_SCANCODE_F20, 131},
    {SDL_SCANCODE_F21, 132},
    {SDL_SCANCODE_F22, 133},
    {SDL_SCANCODE_F23, 134},
    {SDL_SCANCODE_F24, 135},
    {SDL_SCANCODE_NUMLOCKCLEAR, 144},
    {SDL_SCANCODE_SCROLLLOCK, 145},
    {SDL_SCANCODE_SEMICOLON, 0xBA},
    {SDL_SCANCODE_EQUALS, 0xBB},
    {SDL_SCANCODE_COMMA, 0xBC},
    {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},
    {SDL_SCANCODE_GRAVE, 0xC0},
    {SDL_SCANCODE_LEFTBRACKET, 0xDB},
    {SDL_SCANCODE_BACKSLASH, 0xDC},
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},
};

// The keypad without Num Lock: Insert, End, Down, Page Down, Left, Clear, Right, Home, Up,
// Page Up for 0 ... 9, and Delete for the decimal point.
constexpr int32_t kKeypadNavigation[10] = {45, 35, 40, 34, 37, 12, 39, 36, 38, 33};

// Only the system's key state tells left from right.
constexpr RKeyCode kSidedKeys[] = {
    {SDL_SCANCODE_LSHIFT, 160}, {SDL_SCANCODE_RSHIFT, 161}, {SDL_SCANCODE_LCTRL, 162},
    {SDL_SCANCODE_RCTRL, 163},  {SDL_SCANCODE_LALT, 164},   {SDL_SCANCODE_RALT, 165},
};

const std::array<int32_t, SDL_NUM_SCANCODES>& position_table() {
  static const std::array<int32_t, SDL_NUM_SCANCODES> table = [] {
    std::array<int32_t, SDL_NUM_SCANCODES> codes{};
    for (const RKeyCode& key : kPositionKeys) codes[size_t(key.scancode)] = key.code;
    for (int letter = 0; letter < 26; ++letter) {
      codes[size_t(SDL_SCANCODE_A + letter)] = 'A' + letter;
    }
    return codes;
  }();
  return table;
}

bool g_numlock = false;  // without video

struct RJoysticks {
  bool tried = false;
  bool running = false;
  std::array<SDL_Joystick*, 2> devices{};
};

RJoysticks& joysticks() {
  static RJoysticks instance;
  return instance;
}

// The open device for the id, opening it when it has appeared; null when it is not there.
SDL_Joystick* joystick(int id) {
  RJoysticks& js = joysticks();
  if (is_headless()) return nullptr;
  if (!js.tried) {
    js.tried = true;
    js.running = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    // The state is read when asked for; queued joystick events would only pile up.
    if (js.running) SDL_JoystickEventState(SDL_IGNORE);
  }
  if (!js.running) return nullptr;
  SDL_JoystickUpdate();
  const size_t slot = id == 2 ? 1 : 0;
  SDL_Joystick*& device = js.devices[slot];
  if (device != nullptr && !SDL_JoystickGetAttached(device)) {
    SDL_JoystickClose(device);
    device = nullptr;
  }
  if (device == nullptr && SDL_NumJoysticks() > int(slot)) {
    device = SDL_JoystickOpen(int(slot));
  }
  return device;
}

uint32_t axis_value(SDL_Joystick* device, int axis) {
  if (axis >= SDL_JoystickNumAxes(device)) return 32767;
  return uint32_t(int32_t(SDL_JoystickGetAxis(device, axis)) + 32768);
}

uint32_t hat_hundredths(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return 65535;
  }
}

}  // namespace

int32_t virtual_key_from_sdl(int32_t keycode, int32_t scancode, bool numlock) {
  if (keycode >= 'a' && keycode <= 'z') return keycode - 'a' + 'A';
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  if (!numlock) {
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
      return kKeypadNavigation[scancode - SDL_SCANCODE_KP_1 + 1];
    }
    if (scancode == SDL_SCANCODE_KP_0) return kKeypadNavigation[0];
    if (scancode == SDL_SCANCODE_KP_PERIOD) return 46;
  }
  return position_table()[size_t(scancode)];
}

char control_character_from_sdl(int32_t keycode, bool control, bool alt) {
  switch (keycode) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_BACKSPACE:
      return 8;
    case SDLK_TAB:
      return 9;
    case SDLK_ESCAPE:
      return 27;
    default:
      break;
  }
  if (control && !alt && keycode >= 'a' && keycode <= 'z') return char(keycode - 'a' + 1);
  return 0;
}

std::string typed_characters(const char* utf8) { return utf8_to_cp1252_lossy(utf8); }

bool keyboard_key_state(int32_t code) {
  if (!video_available()) return false;
  if (code == 1 || code == 2 || code == 4) {
    const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
    const int button = code == 1   ? SDL_BUTTON_LEFT
                       : code == 2 ? SDL_BUTTON_RIGHT
                                   : SDL_BUTTON_MIDDLE;
    return (buttons & SDL_BUTTON(button)) != 0;
  }
  int count = 0;
  const Uint8* keys = SDL_GetKeyboardState(&count);
  auto held = [&](SDL_Scancode scancode) { return int(scancode) < count && keys[scancode] != 0; };
  if (code >= 'A' && code <= 'Z') {
    SDL_Scancode scancode = SDL_GetScancodeFromKey(SDL_Keycode('a' + (code - 'A')));
    return held(scancode != SDL_SCANCODE_UNKNOWN ? scancode
                                                 : SDL_Scancode(SDL_SCANCODE_A + (code - 'A')));
  }
  for (const RKeyCode& key : kSidedKeys) {
    if (key.code == code) return held(key.scancode);
  }
  for (const RKeyCode& key : kPositionKeys) {
    if (key.code == code && held(key.scancode)) return true;
  }
  return false;
}

bool numlock_on() {
  if (!video_available()) return g_numlock;
  return (SDL_GetModState() & KMOD_NUM) != 0;
}

void set_numlock(bool on) {
  g_numlock = on;
  if (!video_available()) return;
  // The light on the keyboard stays as it is; the program sees the state it asked for.
  const SDL_Keymod mod = SDL_GetModState();
  SDL_SetModState(SDL_Keymod(on ? (mod | KMOD_NUM) : (mod & ~KMOD_NUM)));
}

bool read_joystick(int id, RJoystickState& state) {
  SDL_Joystick* device = joystick(id);
  if (device == nullptr) return false;
  state.x = axis_value(device, 0);
  state.y = axis_value(device, 1);
  state.z = axis_value(device, 2);
  state.r = axis_value(device, 3);
  state.u = axis_value(device, 4);
  state.v = axis_value(device, 5);
  state.buttons = 0;
  const int buttons = std::min(SDL_JoystickNumButtons(device), 32);
  for (int button = 0; button < buttons; ++button) {
    if (SDL_JoystickGetButton(device, button) != 0) state.buttons |= 1u << button;
  }
  state.pov =
      SDL_JoystickNumHats(device) > 0 ? hat_hundredths(SDL_JoystickGetHat(device, 0)) : 65535;
  return true;
}

bool joystick_info(int id, RJoystickInfo& info) {
  SDL_Joystick* device = joystick(id);
  if (device == nullptr) return false;
  const char* name = SDL_JoystickName(device);
  info.name = typed_characters(name != nullptr ? name : "");
  if (info.name.size() > 32) info.name.resize(32);
  info.axes = std::clamp(SDL_JoystickNumAxes(device), 0, 6);
  info.buttons = std::clamp(SDL_JoystickNumButtons(device), 0, 32);
  info.has_pov = SDL_JoystickNumHats(device) > 0;
  return true;
}

void shutdown_joysticks() {
  RJoysticks& js = joysticks();
  for (SDL_Joystick*& device : js.devices) {
    if (device != nullptr) SDL_JoystickClose(device);
    device = nullptr;
  }
  if (js.running) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  js = RJoysticks();
}

}  // namespace vn
