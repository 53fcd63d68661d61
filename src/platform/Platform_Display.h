// The display the game runs on: the desktop's mode (size, colour depth, refresh rate), the
// mode a game asks for and putting the desktop's back, and the mouse in desktop pixels.
//
// On a screen the desktop's own mode never changes: a mode a game asks for is what its
// window uses while it is fullscreen (the window system switches the screen for that
// window alone and back when it leaves fullscreen or goes away). While a game's mode is in
// force the queries answer with it, fullscreen or not. Without a screen (headless, or no
// display to connect to) there is a virtual desktop, 1024 × 768 at 32 bits and 60 Hz
// unless set_headless_display_size changed its size; a mode change changes it.
#pragma once

namespace vn {

struct RDisplayMode {
  int width = 0;
  int height = 0;
  int bits = 0;       // per pixel: 16 or 32 (a 24-bit desktop counts as 32)
  int frequency = 0;  // Hz; 60 where the screen does not say
  bool operator==(const RDisplayMode&) const = default;
};

// The mode as games see it: the one asked for while it is in force, else the desktop's.
RDisplayMode display_mode();

// Asks for a mode; each value of 0 or less keeps what display_mode() has. False, changing
// nothing, when the display cannot show that mode. Asking for nothing succeeds.
bool change_display_mode(int width, int height, int frequency, int bits);
// The same request without carrying it out.
bool test_display_mode(int width, int height, int frequency, int bits);
// Back to the desktop's own mode. Runs by itself when the program ends normally.
void restore_display_mode();
// A game's mode is in force.
bool display_mode_changed();

// Puts the fullscreen game window into the mode in force, or back to the desktop's mode
// when none is; called after the window went fullscreen and after every change.
void sync_fullscreen_display_mode();

// The mouse in desktop pixels. Without a screen it is a virtual pointer that only moves
// when told to.
int display_mouse_x();
int display_mouse_y();
void set_display_mouse(int x, int y);

}  // namespace vn
