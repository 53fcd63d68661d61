#include "platform/Platform_Display.h"

#include <SDL.h>

#include <cstdlib>
#include <string_view>

#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {

namespace {

constexpr int kVirtualBits = 32;
constexpr int kVirtualFrequency = 60;
constexpr int kLargestSide = 8192;
// SDL 2 lists no windows; the ids it has handed out are looked through instead.
constexpr Uint32 kWindowIdsLooked = 4096;

struct RDisplayState {
  bool changed = false;
  bool changed_on_screen = false;
  RDisplayMode asked;            // in force while changed
  RDisplayMode virtual_desktop;  // before the first change, without a screen
  int virtual_bits = kVirtualBits;
  int virtual_frequency = kVirtualFrequency;
  bool restore_at_exit = false;
  int mouse_x = 0;  // the virtual pointer
  int mouse_y = 0;
};

RDisplayState& state() {
  static RDisplayState instance;
  return instance;
}

bool on_screen() { return video_available(); }

// 24-bit desktops keep their pixels in 32 bits; games know only 16 and 32.
int game_bits(int bits) { return bits == 24 ? 32 : bits; }

RDisplayMode desktop_mode() {
  if (on_screen()) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      const int bits = game_bits(int(SDL_BITSPERPIXEL(mode.format)));
      return {mode.w, mode.h, bits > 0 ? bits : kVirtualBits,
              mode.refresh_rate > 0 ? mode.refresh_rate : kVirtualFrequency};
    }
  }
  const RDisplaySize size = display_size();
  return {size.width, size.height, state().virtual_bits, state().virtual_frequency};
}

RDisplayMode merged(int width, int height, int frequency, int bits) {
  RDisplayMode mode = display_mode();
  if (width > 0) mode.width = width;
  if (height > 0) mode.height = height;
  if (frequency > 0) mode.frequency = frequency;
  if (bits > 0) mode.bits = game_bits(bits);
  return mode;
}

// The screen must list the size, and the refresh rate when one was asked for; any depth
// the game can draw in is shown in the screen's own.
bool possible(const RDisplayMode& mode, int asked_frequency) {
  if (mode.bits != 16 && mode.bits != 32) return false;
  if (mode.width > kLargestSide || mode.height > kLargestSide) return false;
  if (mode.frequency > 1000) return false;
  if (!on_screen()) return true;
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode listed{};
    if (SDL_GetDisplayMode(0, i, &listed) != 0) continue;
    if (listed.w != mode.width || listed.h != mode.height) continue;
    if (asked_frequency <= 0 || listed.refresh_rate == asked_frequency ||
        listed.refresh_rate == 0) {
      return true;
    }
  }
  const RDisplayMode desktop = desktop_mode();
  return desktop.width == mode.width && desktop.height == mode.height &&
         (asked_frequency <= 0 || desktop.frequency == asked_frequency);
}

// Video already runs on a screen a person looks at. Asks nothing that would start it: this
// also runs at exit, after video may have stopped.
bool screen_running() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  const std::string_view name = driver;
  return name != "offscreen" && name != "dummy";
}

SDL_Window* fullscreen_window() {
  for (Uint32 id = 1; id < kWindowIdsLooked; ++id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0) {
      return window;
    }
  }
  return nullptr;
}

void restore_on_exit() { restore_display_mode(); }

}  // namespace

RDisplayMode display_mode() {
  const RDisplayState& current = state();
  return current.changed ? current.asked : desktop_mode();
}

bool test_display_mode(int width, int height, int frequency, int bits) {
  return possible(merged(width, height, frequency, bits), frequency);
}

bool change_display_mode(int width, int height, int frequency, int bits) {
  if (width <= 0 && height <= 0 && frequency <= 0 && bits <= 0) return true;
  const RDisplayMode mode = merged(width, height, frequency, bits);
  if (!possible(mode, frequency)) return false;
  RDisplayState& current = state();
  if (!current.changed) current.changed_on_screen = on_screen();
  if (!current.changed_on_screen) {
    if (!current.changed) current.virtual_desktop = desktop_mode();
    set_headless_display_size(mode.width, mode.height);
    current.virtual_bits = mode.bits;
    current.virtual_frequency = mode.frequency;
  }
  current.changed = true;
  current.asked = mode;
  if (!current.restore_at_exit) {
    current.restore_at_exit = true;
    std::atexit(restore_on_exit);
  }
  sync_fullscreen_display_mode();
  return true;
}

void restore_display_mode() {
  RDisplayState& current = state();
  if (!current.changed) return;
  current.changed = false;
  if (!current.changed_on_screen) {
    set_headless_display_size(current.virtual_desktop.width, current.virtual_desktop.height);
    current.virtual_bits = current.virtual_desktop.bits;
    current.virtual_frequency = current.virtual_desktop.frequency;
  }
  sync_fullscreen_display_mode();
}

bool display_mode_changed() { return state().changed; }

void sync_fullscreen_display_mode() {
  if (!screen_running()) return;
  SDL_Window* window = fullscreen_window();
  if (window == nullptr) return;
  const bool exclusive =
      (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN;
  const RDisplayState& current = state();
  if (!current.changed) {
    if (exclusive) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  SDL_DisplayMode wanted{};
  wanted.w = current.asked.width;
  wanted.h = current.asked.height;
  wanted.refresh_rate = current.asked.frequency;
  SDL_DisplayMode closest{};
  const int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetClosestDisplayMode(display >= 0 ? display : 0, &wanted, &closest) == nullptr) return;
  // Applied at once when the window already owns the screen.
  SDL_SetWindowDisplayMode(window, &closest);
  if (!exclusive) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
}

int display_mouse_x() {
  if (!on_screen()) return state().mouse_x;
  int x = 0;
  SDL_GetGlobalMouseState(&x, nullptr);
  return x;
}

int display_mouse_y() {
  if (!on_screen()) return state().mouse_y;
  int y = 0;
  SDL_GetGlobalMouseState(nullptr, &y);
  return y;
}

void set_display_mouse(int x, int y) {
  if (!on_screen()) {
    state().mouse_x = x;
    state().mouse_y = y;
    return;
  }
  SDL_WarpMouseGlobal(x, y);
}

}  // namespace vn
