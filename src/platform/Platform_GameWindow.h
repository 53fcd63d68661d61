// The game window: the one window the game is played in. It shows the frames of the room
// and reports the player's keys, characters, mouse and wheel, the close button and focus,
// already translated to virtual-key codes, Windows-1252 characters and client pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vn {

struct RGameWindowSetup {
  std::string title;  // Windows-1252
  int width = 640;    // client size
  int height = 480;
  bool border = true;
  bool sizeable = false;
  bool stay_on_top = false;
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

class IGameWindow {
 public:
  virtual ~IGameWindow() = default;
  virtual void show() = 0;
  virtual void set_title(const std::string& title) = 0;  // Windows-1252
  virtual const std::string& title() const = 0;
  // Keeps the window on the screen, so the size may come out smaller than asked for.
  virtual void set_client_size(int width, int height) = 0;
  virtual int client_width() const = 0;
  virtual int client_height() const = 0;
  // Fills the client area with the colour (0x00BBGGRR, as the game gives colours) and
  // shows the result.
  virtual void present(uint32_t color) = 0;
  // Handles what the window system sent since the last call.
  virtual void handle_events(const RGameWindowEvents& events) = 0;
  // The window has the keyboard focus.
  virtual bool active() const = 0;
  virtual bool visible() const = 0;
  virtual void set_cursor_shown(bool shown) = 0;
};

// Keeps in memory what a real window would show: its setup, the last colour presented
// and how many frames were. It never reports an event and is always active.
class CHeadlessGameWindow final : public IGameWindow {
 public:
  explicit CHeadlessGameWindow(RGameWindowSetup setup) : setup_(std::move(setup)) {}
  void show() override { visible_ = true; }
  void set_title(const std::string& title) override { setup_.title = title; }
  const std::string& title() const override { return setup_.title; }
  void set_client_size(int width, int height) override;
  int client_width() const override { return setup_.width; }
  int client_height() const override { return setup_.height; }
  void present(uint32_t color) override;
  void handle_events(const RGameWindowEvents&) override {}
  bool active() const override { return true; }
  bool visible() const override { return visible_; }
  void set_cursor_shown(bool shown) override { setup_.show_cursor = shown; }

  uint32_t last_color() const { return last_color_; }
  int64_t frames() const { return frames_; }

 private:
  RGameWindowSetup setup_;
  bool visible_ = false;
  uint32_t last_color_ = 0;
  int64_t frames_ = 0;
};

// A window on the screen when video runs and the process is not headless, the headless
// twin otherwise. Created hidden, centred on the screen.
std::unique_ptr<IGameWindow> create_game_window(const RGameWindowSetup& setup);

}  // namespace vn
