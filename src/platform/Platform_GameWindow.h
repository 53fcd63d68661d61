// The game window: the one window the game is played in. It shows the frames of the room
// and reports the player's keys, characters, mouse and wheel, the close button and focus,
// already translated to virtual-key codes, Windows-1252 characters and client pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vn {

// How the window is framed. Fullscreen covers the whole desktop without a frame; the
// others apply to the window when it is not fullscreen.
struct RWindowStyle {
  bool fullscreen = false;
  bool border = true;
  bool caption_buttons = true;  // minimise (and maximise when sizeable) and the close box
  bool sizeable = false;
  bool stay_on_top = false;
  bool operator==(const RWindowStyle&) const = default;
};

struct RGameWindowSetup {
  std::string title;  // Windows-1252
  int width = 640;    // client size
  int height = 480;
  RWindowStyle style;
  bool show_cursor = true;
};

// Unset members ignore their event. Mouse buttons: 1 left, 2 right, 3 middle.
struct RGameWindowEvents {
  std::function<void(int32_t code)> key_down;  // auto-repeat sends more of these
  std::function<void(int32_t code)> key_up;
  std::function<void(char character)> character;
  std::function<void(int x, int y)> mouse_move;  // client pixels
  std::function<void(int32_t button)> mouse_down;
  std::function<void(int32_t button)> mouse_up;
  std::function<void(bool up)> wheel;
  // The close button, or the desktop asking the program to quit. The window stays open.
  std::function<void()> close;
};

class IRenderer;

class IGameWindow {
 public:
  virtual ~IGameWindow() = default;
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual bool visible() const = 0;
  virtual void set_title(const std::string& title) = 0;  // Windows-1252
  virtual const std::string& title() const = 0;

  virtual void set_style(const RWindowStyle& style) = 0;
  virtual const RWindowStyle& style() const = 0;
  // Places the client area at (x, y) of the desktop with that size, at least 1 × 1; the
  // frame goes around it. Ignored while fullscreen (the client is then the desktop).
  virtual void set_client_rect(int x, int y, int width, int height) = 0;
  // The client area's place on the desktop and its size as they are now.
  virtual int client_x() const = 0;
  virtual int client_y() const = 0;
  virtual int client_width() const = 0;
  virtual int client_height() const = 0;
  // The smallest client size the player may drag the window to (0, 0: no limit).
  virtual void set_minimum_client_size(int width, int height) = 0;
  // Called when the player resized the window or it was uncovered; after it, the next
  // present shows the frame at the new size.
  virtual void on_resize(std::function<void()> resized) = 0;

  // Cursor kinds as games number them (cr_default 0, cr_none -1, cr_arrow -2, ...).
  virtual void set_cursor(int cursor) = 0;
  virtual void set_cursor_shown(bool shown) = 0;

  // Handles what the window system sent since the last call.
  virtual void handle_events(const RGameWindowEvents& events) = 0;
  // The window has the keyboard focus.
  virtual bool active() const = 0;

  // What frames are drawn with; null when no OpenGL context could be made (nothing is
  // drawn then, and the window shows black).
  virtual IRenderer* renderer() = 0;

  // The SDL id of the window, for forms drawn over it; 0 when there is no window.
  virtual uint32_t sdl_window_id() const { return 0; }
};

// A window on the screen when there is a display and the run is not headless; otherwise a
// window nobody sees, on the offscreen video driver, drawn all the same. Created hidden,
// centred on the desktop. When no OpenGL context can be made the window still reports
// its events and sizes, has no renderer, and one line on standard error says why.
std::unique_ptr<IGameWindow> create_game_window(const RGameWindowSetup& setup);

// The OpenGL context (an SDL_GLContext) of the game window with that SDL id, so a form can
// draw over it; null for other windows and for a game window without one.
void* game_window_gl_context(uint32_t sdl_window_id);

}  // namespace vn
