#include "platform/Platform_GameWindow.h"

#include <SDL.h>

#include <algorithm>

#include "platform/Platform_Input.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

struct RClientSize {
  int width;
  int height;
};

// At least one pixel, at most the screen.
RClientSize fitted_size(int width, int height) {
  const RDisplaySize screen = display_size();
  return {std::clamp(width, 1, std::max(screen.width, 1)),
          std::clamp(height, 1, std::max(screen.height, 1))};
}

int32_t game_button(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    default:
      return 0;
  }
}

class CSdlGameWindow final : public IGameWindow {
 public:
  explicit CSdlGameWindow(RGameWindowSetup setup) : setup_(std::move(setup)) {}
  ~CSdlGameWindow() override;

  bool open();
  void show() override;
  void set_title(const std::string& title) override;
  const std::string& title() const override { return setup_.title; }
  void set_client_size(int width, int height) override;
  int client_width() const override { return setup_.width; }
  int client_height() const override { return setup_.height; }
  void present(uint32_t color) override;
  void handle_events(const RGameWindowEvents& events) override;
  bool active() const override { return active_; }
  bool visible() const override { return visible_; }
  void set_cursor_shown(bool shown) override;

 private:
  void take(const SDL_Event& event, const RGameWindowEvents& events, bool& closed);
  void fill(uint32_t color);

  RGameWindowSetup setup_;
  SDL_Window* window_ = nullptr;
  uint32_t window_id_ = 0;
  SDL_Renderer* renderer_ = nullptr;
  bool visible_ = false;
  bool active_ = true;
  uint32_t color_ = 0;
};

CSdlGameWindow::~CSdlGameWindow() {
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) {
    unwatch_exposure(window_id_);
    SDL_DestroyWindow(window_);
  }
  SDL_ShowCursor(SDL_ENABLE);
}

bool CSdlGameWindow::open() {
  const RClientSize size = fitted_size(setup_.width, setup_.height);
  setup_.width = size.width;
  setup_.height = size.height;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (!setup_.border) flags |= SDL_WINDOW_BORDERLESS;
  if (setup_.sizeable) flags |= SDL_WINDOW_RESIZABLE;
  if (setup_.stay_on_top) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  const std::string title = cp1252_to_utf8(setup_.title);
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             size.width, size.height, flags);
  if (window_ == nullptr) return false;
  window_id_ = SDL_GetWindowID(window_);
  // Without a renderer the window's own surface is filled instead.
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  watch_exposure(window_id_, [this] { fill(color_); });
  SDL_StartTextInput();
  return true;
}

void CSdlGameWindow::show() {
  if (!visible_) {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    visible_ = true;
  }
  set_cursor_shown(setup_.show_cursor);
  fill(color_);
}

void CSdlGameWindow::set_title(const std::string& title) {
  if (title == setup_.title) return;
  setup_.title = title;
  SDL_SetWindowTitle(window_, cp1252_to_utf8(title).c_str());
}

void CSdlGameWindow::set_client_size(int width, int height) {
  const RClientSize size = fitted_size(width, height);
  if (size.width == setup_.width && size.height == setup_.height) return;
  setup_.width = size.width;
  setup_.height = size.height;
  SDL_SetWindowSize(window_, size.width, size.height);
  SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void CSdlGameWindow::present(uint32_t color) {
  color_ = color;
  fill(color);
}

void CSdlGameWindow::fill(uint32_t color) {
  const Uint8 red = Uint8(color);
  const Uint8 green = Uint8(color >> 8);
  const Uint8 blue = Uint8(color >> 16);
  if (renderer_ != nullptr) {
    SDL_SetRenderDrawColor(renderer_, red, green, blue, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return;
  }
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr) return;
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, red, green, blue));
  SDL_UpdateWindowSurface(window_);
}

void CSdlGameWindow::set_cursor_shown(bool shown) {
  setup_.show_cursor = shown;
  SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void CSdlGameWindow::handle_events(const RGameWindowEvents& events) {
  // The runner's other windows repaint themselves when uncovered.
  pump_events();
  bool closed = false;
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) take(event, events, closed);
}

// One close request per call: closing the last window also makes SDL ask to quit.
void CSdlGameWindow::take(const SDL_Event& event, const RGameWindowEvents& events, bool& closed) {
  auto close = [&] {
    if (closed) return;
    closed = true;
    if (events.close) events.close();
  };
  switch (event.type) {
    case SDL_QUIT:
      close();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.windowID != window_id_) break;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          close();
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          active_ = true;
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          active_ = false;
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          setup_.width = event.window.data1;
          setup_.height = event.window.data2;
          break;
        default:
          break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (event.key.windowID != window_id_) break;
      const SDL_Keysym& key = event.key.keysym;
      const int32_t code = virtual_key_from_sdl(key.sym, key.scancode, (key.mod & KMOD_NUM) != 0);
      if (event.type == SDL_KEYUP) {
        if (code != 0 && events.key_up) events.key_up(code);
        break;
      }
      if (code != 0 && events.key_down) events.key_down(code);
      const char character = control_character_from_sdl(key.sym, (key.mod & KMOD_CTRL) != 0,
                                                        (key.mod & KMOD_ALT) != 0);
      if (character != 0 && events.character) events.character(character);
      break;
    }
    case SDL_TEXTINPUT:
      if (event.text.windowID != window_id_ || !events.character) break;
      // Control characters came with their key-down.
      for (char character : typed_characters(event.text.text)) {
        if (static_cast<unsigned char>(character) >= 32) events.character(character);
      }
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.windowID == window_id_ && events.mouse_move) {
        events.mouse_move(event.motion.x, event.motion.y);
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (event.button.windowID != window_id_) break;
      const int32_t button = game_button(event.button.button);
      if (button == 0) break;
      if (events.mouse_move) events.mouse_move(event.button.x, event.button.y);
      if (event.type == SDL_MOUSEBUTTONDOWN) {
        if (events.mouse_down) events.mouse_down(button);
      } else if (events.mouse_up) {
        events.mouse_up(button);
      }
      break;
    }
    case SDL_MOUSEWHEEL: {
      if (event.wheel.windowID != window_id_ || !events.wheel) break;
      const int32_t turned =
          event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      if (turned != 0) events.wheel(turned > 0);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void CHeadlessGameWindow::set_client_size(int width, int height) {
  const RClientSize size = fitted_size(width, height);
  setup_.width = size.width;
  setup_.height = size.height;
}

void CHeadlessGameWindow::present(uint32_t color) {
  last_color_ = color;
  ++frames_;
}

std::unique_ptr<IGameWindow> create_game_window(const RGameWindowSetup& setup) {
  if (!is_headless() && video_available()) {
    auto window = std::make_unique<CSdlGameWindow>(setup);
    if (window->open()) return window;
  }
  auto headless = std::make_unique<CHeadlessGameWindow>(setup);
  headless->set_client_size(setup.width, setup.height);
  return headless;
}

}  // namespace vn
