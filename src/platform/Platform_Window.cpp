#include "platform/Platform_Window.h"

#include <SDL.h>
#include <SDL_shape.h>

#include <algorithm>

#include "platform/Platform_Video.h"
#include "support/Support_Text.h"

namespace vn {
namespace {

RDisplaySize& headless_display() {
  static RDisplaySize size{1024, 768};
  return size;
}

class CSdlWindow final : public IPlainWindow {
 public:
  explicit CSdlWindow(RWindowSetup setup) : setup_(std::move(setup)) {}
  ~CSdlWindow() override;

  bool open();
  void set_opacity(int alpha) override;
  void present(const RImage& frame) override;
  void show() override;
  void hide() override;
  const RWindowSetup& setup() const override { return setup_; }
  bool visible() const override { return visible_; }
  bool shaped() const override { return shaped_; }

 private:
  void draw();

  RWindowSetup setup_;
  SDL_Window* window_ = nullptr;
  SDL_Cursor* wait_cursor_ = nullptr;
  bool shaped_ = false;
  bool visible_ = false;
  bool position_fixed_ = false;
  RImage frame_;  // kept opaque, for redraws after exposure
};

CSdlWindow::~CSdlWindow() {
  if (window_ != nullptr) {
    unwatch_exposure(SDL_GetWindowID(window_));
    hide();
    SDL_DestroyWindow(window_);
  }
  if (wait_cursor_ != nullptr) {
    SDL_FreeCursor(wait_cursor_);
  }
}

bool CSdlWindow::open() {
  const std::string title = cp1252_to_utf8(setup_.title);
  const int width = std::max(setup_.width, 1);
  const int height = std::max(setup_.height, 1);
  const Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
  if (setup_.transparent_color) {
    // The position parameters are unsigned here; the real position is set below.
    window_ = SDL_CreateShapedWindow(title.c_str(), 0, 0, unsigned(width), unsigned(height), flags);
    shaped_ = window_ != nullptr;
  }
  if (window_ == nullptr) {
    window_ = SDL_CreateWindow(title.c_str(), setup_.left, setup_.top, width, height, flags);
  }
  if (window_ == nullptr) {
    return false;
  }
  // Left to itself, SDL may back the window surface with a renderer, and on X11 that
  // re-creates the window, dropping its position and shape. So the surface is made first,
  // by the window system's own framebuffer where the hint is honoured.
  const char* acceleration = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  const std::string previous = acceleration != nullptr ? acceleration : "";
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_GetWindowSurface(window_);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION,
              acceleration != nullptr ? previous.c_str() : nullptr);
  SDL_SetWindowPosition(window_, setup_.left, setup_.top);
  wait_cursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  set_opacity(setup_.opacity);
  watch_exposure(SDL_GetWindowID(window_), [this] { draw(); });
  return true;
}

void CSdlWindow::set_opacity(int alpha) {
  setup_.opacity = std::clamp(alpha, 0, 255);
  // Window managers without compositing cannot blend; the window then stays opaque.
  SDL_SetWindowOpacity(window_, float(setup_.opacity) / 255.0f);
}

void CSdlWindow::present(const RImage& frame) {
  frame_ = frame;
  for (uint32_t& pixel : frame_.pixels) {
    pixel |= 0xFF000000u;
  }
  draw();
}

void CSdlWindow::draw() {
  if (frame_.empty()) {
    return;
  }
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(frame_.pixels.data(), frame_.width, frame_.height, 32,
                                         frame_.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (source == nullptr) {
    return;
  }
  if (shaped_ && frame_.width == setup_.width && frame_.height == setup_.height) {
    SDL_WindowShapeMode mode{};
    mode.mode = ShapeModeColorKey;
    const uint32_t key = *setup_.transparent_color;
    mode.parameters.colorKey = {Uint8(key >> 16), Uint8(key >> 8), Uint8(key), 255};
    SDL_SetWindowShape(window_, source, &mode);
    if (!position_fixed_) {
      // Giving the first shape may move the window to where it was asked to be created.
      SDL_SetWindowPosition(window_, setup_.left, setup_.top);
      position_fixed_ = true;
    }
  }
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target != nullptr) {
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_UpdateWindowSurface(window_);
  }
  SDL_FreeSurface(source);
}

void CSdlWindow::show() {
  if (!visible_) {
    SDL_ShowWindow(window_);
    if (wait_cursor_ != nullptr) {
      SDL_SetCursor(wait_cursor_);
    }
    visible_ = true;
  }
  // What was drawn while the window was unmapped is gone.
  draw();
}

void CSdlWindow::hide() {
  if (visible_) {
    SDL_HideWindow(window_);
    SDL_SetCursor(SDL_GetDefaultCursor());
    visible_ = false;
  }
}

}  // namespace

void CHeadlessWindow::set_opacity(int alpha) { setup_.opacity = std::clamp(alpha, 0, 255); }

std::unique_ptr<IPlainWindow> create_plain_window(const RWindowSetup& setup) {
  if (video_available()) {
    auto window = std::make_unique<CSdlWindow>(setup);
    if (window->open()) {
      return window;
    }
  }
  return std::make_unique<CHeadlessWindow>(setup);
}

RDisplaySize display_size() {
  if (video_available()) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      return {mode.w, mode.h};
    }
  }
  return headless_display();
}

void set_headless_display_size(int width, int height) { headless_display() = {width, height}; }

}  // namespace vn
