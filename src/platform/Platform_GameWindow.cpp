#include "platform/Platform_GameWindow.h"

#include <SDL.h>

#if defined(__SANITIZE_ADDRESS__)
#define VN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VN_LEAK_CHECKED 1
#endif
#endif
#ifdef VN_LEAK_CHECKED
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#endif

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/Platform_GlAttributes.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

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

// The closest system cursor for each kind games have (cr_default 0 down to cr_size_all -22);
// none where the kind hides the cursor.
std::optional<SDL_SystemCursor> system_cursor(int cursor) {
  switch (cursor) {
    case -1:
      return std::nullopt;
    case -3:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case -4:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case -5:
    case -22:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case -6:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case -7:
    case -14:  // a bar split horizontally is dragged up and down
      return SDL_SYSTEM_CURSOR_SIZENS;
    case -8:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case -9:
    case -15:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case -11:
      return SDL_SYSTEM_CURSOR_WAIT;
    case -17:
    case -19:
      return SDL_SYSTEM_CURSOR_WAITARROW;
    case -13:
    case -18:
      return SDL_SYSTEM_CURSOR_NO;
    case -21:
      return SDL_SYSTEM_CURSOR_HAND;
    default:  // default, arrow, up arrow, drag, multi-drag, help and unknown kinds
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

#ifdef VN_LEAK_CHECKED
// Mesa's software rasteriser leaves a few allocations behind, and its libraries are
// unloaded before the leak check runs, so nothing could name them. They stay loaded in
// builds that check for leaks, and their leaks are not ours to report.
int keep_loaded(dl_phdr_info* info, size_t /*size*/, void* /*data*/) {
  const char* name = info->dlpi_name;
  if (name != nullptr &&
      (std::strstr(name, "_dri.so") != nullptr || std::strstr(name, "libLLVM") != nullptr)) {
    dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
  return 0;
}

void keep_gl_driver_loaded() { dl_iterate_phdr(keep_loaded, nullptr); }
#else
void keep_gl_driver_loaded() {}
#endif

// Says once per process why frames are not drawn.
void tell_no_drawing(const std::string& reason) {
  static bool told = false;
  if (told) return;
  told = true;
  std::fprintf(stderr, "The game window draws nothing: %s\n", reason.c_str());
  std::fflush(stderr);
}

// Game windows by SDL id, for forms drawn with their context.
std::map<uint32_t, SDL_GLContext>& contexts_by_window() {
  static std::map<uint32_t, SDL_GLContext> contexts;
  return contexts;
}

struct RClientRect {
  int x = 0;
  int y = 0;
  int width = 1;
  int height = 1;
};

// One class for both ways of running: `seen` when the window is on a screen a person looks
// at; otherwise it lives on the offscreen driver (or, without any video, in memory alone)
// and is never shown, but draws all the same.
class CGameWindow final : public IGameWindow {
 public:
  explicit CGameWindow(RGameWindowSetup setup);
  ~CGameWindow() override;

  void open();
  void show() override;
  void hide() override;
  bool visible() const override { return visible_; }
  void set_title(const std::string& title) override;
  const std::string& title() const override { return setup_.title; }

  void set_style(const RWindowStyle& style) override;
  const RWindowStyle& style() const override { return setup_.style; }
  void set_client_rect(int x, int y, int width, int height) override;
  int client_x() const override { return client_.x; }
  int client_y() const override { return client_.y; }
  int client_width() const override { return client_.width; }
  int client_height() const override { return client_.height; }
  void set_minimum_client_size(int width, int height) override;
  void on_resize(std::function<void()> resized) override { resized_ = std::move(resized); }

  void set_cursor(int cursor) override;
  void set_cursor_shown(bool shown) override;

  void handle_events(const RGameWindowEvents& events) override;
  bool active() const override { return active_; }
  IRenderer* renderer() override { return renderer_.get(); }
  uint32_t sdl_window_id() const override { return window_id_; }

 private:
  bool make_window(Uint32 flags, std::string& failure);
  void make_renderer(std::string& failure);
  void apply_style(bool was_fullscreen);
  void place_window();
  void client_changed();
  void update_cursor();
  void repaint_exposed();
  void take(const SDL_Event& event, const RGameWindowEvents& events, bool& closed);

  RGameWindowSetup setup_;
  RClientRect client_;    // as it is now
  RClientRect windowed_;  // where the client goes when not fullscreen
  int minimum_width_ = 0;
  int minimum_height_ = 0;
  bool seen_ = false;
  bool visible_ = false;
  bool active_ = true;
  int cursor_ = 0;
  int vsync_ = -1;
  std::function<void()> resized_;

  SDL_Window* window_ = nullptr;
  uint32_t window_id_ = 0;
  SDL_GLContext context_ = nullptr;
  std::unique_ptr<IGlRenderer> renderer_;
  SDL_Cursor* cursors_[SDL_NUM_SYSTEM_CURSORS] = {};
};

CGameWindow::CGameWindow(RGameWindowSetup setup) : setup_(std::move(setup)) {
  const RDisplaySize desktop = display_size();
  windowed_.width = std::max(setup_.width, 1);
  windowed_.height = std::max(setup_.height, 1);
  windowed_.x = (desktop.width - windowed_.width) / 2;
  windowed_.y = (desktop.height - windowed_.height) / 2;
  client_ = windowed_;
}

CGameWindow::~CGameWindow() {
  if (renderer_ != nullptr) {
    SDL_GL_MakeCurrent(window_, context_);
    renderer_.reset();
  }
  if (context_ != nullptr) SDL_GL_DeleteContext(context_);
  if (window_ != nullptr) {
    contexts_by_window().erase(window_id_);
    unwatch_exposure(window_id_);
    SDL_DestroyWindow(window_);
  }
  for (SDL_Cursor* cursor : cursors_) {
    if (cursor != nullptr) SDL_FreeCursor(cursor);
  }
  if (seen_) {
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_ShowCursor(SDL_ENABLE);
  }
}

void CGameWindow::open() {
  if (!game_video_available()) {
    tell_no_drawing(video_failure_reason());
    return;
  }
  seen_ = !is_headless() && !offscreen_video_only() && has_display();
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (setup_.style.sizeable) flags |= SDL_WINDOW_RESIZABLE;
  if (!setup_.style.border) flags |= SDL_WINDOW_BORDERLESS;
  if (setup_.style.stay_on_top) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  std::string failure;
  if (!make_window(flags | SDL_WINDOW_OPENGL, failure)) {
    // Without OpenGL the window still takes the player's input.
    std::string plain_failure;
    if (!make_window(flags, plain_failure)) {
      tell_no_drawing(failure);
      return;
    }
  } else {
    make_renderer(failure);
  }
  if (renderer_ == nullptr) tell_no_drawing(failure);
  window_id_ = SDL_GetWindowID(window_);
  if (renderer_ != nullptr) contexts_by_window()[window_id_] = context_;
  watch_exposure(window_id_, [this] { repaint_exposed(); });
  SDL_StartTextInput();
  if (setup_.style.fullscreen) apply_style(false);
}

bool CGameWindow::make_window(Uint32 flags, std::string& failure) {
  CGlAttributes kept;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
  // Frames are drawn into the renderer's own buffers; the window only shows them.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  const std::string title = cp1252_to_utf8(setup_.title);
  window_ =
      SDL_CreateWindow(title.c_str(), client_.x, client_.y, client_.width, client_.height, flags);
  if (window_ == nullptr) {
    failure = std::string("no window: ") + SDL_GetError();
    return false;
  }
  if ((flags & SDL_WINDOW_OPENGL) != 0) {
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr) {
      failure = std::string("no OpenGL 3.3 context: ") + SDL_GetError();
    }
  }
  return true;
}

void CGameWindow::make_renderer(std::string& failure) {
  if (context_ == nullptr) return;
  if (SDL_GL_MakeCurrent(window_, context_) != 0) {
    failure = std::string("the OpenGL context cannot be used: ") + SDL_GetError();
    return;
  }
  RRenderScreen screen;
  screen.drawable_size = [this](int& width, int& height) {
    if (!seen_ || !visible_) {
      width = height = 0;
      return;
    }
    SDL_GL_GetDrawableSize(window_, &width, &height);
  };
  screen.swap = [this](bool vsync) {
    if (int(vsync) != vsync_) {
      // Not every driver can wait for the refresh; then frames are shown at once.
      SDL_GL_SetSwapInterval(vsync ? 1 : 0);
      vsync_ = vsync;
    }
    SDL_GL_SwapWindow(window_);
  };
  renderer_ = create_gl_renderer(std::move(screen), client_.width, client_.height, failure);
  keep_gl_driver_loaded();
}

void CGameWindow::show() {
  if (!visible_) {
    visible_ = true;
    if (seen_) {
      SDL_ShowWindow(window_);
      SDL_RaiseWindow(window_);
    }
  }
  update_cursor();
  // What was presented while the window was unmapped is shown now.
  repaint_exposed();
}

void CGameWindow::hide() {
  if (!visible_) return;
  visible_ = false;
  if (seen_) SDL_HideWindow(window_);
}

void CGameWindow::set_title(const std::string& title) {
  if (title == setup_.title) return;
  setup_.title = title;
  if (window_ != nullptr) SDL_SetWindowTitle(window_, cp1252_to_utf8(title).c_str());
}

void CGameWindow::set_style(const RWindowStyle& style) {
  if (style == setup_.style) return;
  const bool was_fullscreen = setup_.style.fullscreen;
  setup_.style = style;
  apply_style(was_fullscreen);
}

// Caption buttons follow the frame as the window manager draws it: a frame with a
// maximise box when sizeable. Hiding them alone is not something X11 or Wayland let a
// program ask for.
void CGameWindow::apply_style(bool was_fullscreen) {
  const RWindowStyle& style = setup_.style;
  if (window_ != nullptr) {
    SDL_SetWindowAlwaysOnTop(window_, style.stay_on_top ? SDL_TRUE : SDL_FALSE);
    if (!style.fullscreen) {
      SDL_SetWindowBordered(window_, style.border ? SDL_TRUE : SDL_FALSE);
      SDL_SetWindowResizable(window_, style.sizeable ? SDL_TRUE : SDL_FALSE);
    }
  }
  if (style.fullscreen) {
    const RDisplaySize desktop = display_size();
    client_ = {0, 0, std::max(desktop.width, 1), std::max(desktop.height, 1)};
    if (window_ != nullptr) {
      if (seen_) {
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
      } else {
        place_window();
      }
    }
  } else if (was_fullscreen) {
    client_ = windowed_;
    if (window_ != nullptr && seen_) SDL_SetWindowFullscreen(window_, 0);
    place_window();
  }
  client_changed();
}

void CGameWindow::set_client_rect(int x, int y, int width, int height) {
  windowed_ = {x, y, std::max(width, 1), std::max(height, 1)};
  if (setup_.style.fullscreen) return;
  const bool resized = windowed_.width != client_.width || windowed_.height != client_.height;
  client_ = windowed_;
  place_window();
  if (resized) client_changed();
}

// SDL places and sizes windows by their client area.
void CGameWindow::place_window() {
  if (window_ == nullptr) return;
  SDL_SetWindowSize(window_, client_.width, client_.height);
  SDL_SetWindowPosition(window_, client_.x, client_.y);
}

void CGameWindow::client_changed() {
  if (renderer_ != nullptr) renderer_->set_client_size(client_.width, client_.height);
}

void CGameWindow::set_minimum_client_size(int width, int height) {
  minimum_width_ = std::max(width, 0);
  minimum_height_ = std::max(height, 0);
  // SDL takes no zero: one pixel is no limit.
  if (window_ != nullptr) {
    SDL_SetWindowMinimumSize(window_, std::max(minimum_width_, 1), std::max(minimum_height_, 1));
  }
}

void CGameWindow::set_cursor(int cursor) {
  cursor_ = cursor;
  update_cursor();
}

void CGameWindow::set_cursor_shown(bool shown) {
  setup_.show_cursor = shown;
  update_cursor();
}

void CGameWindow::update_cursor() {
  if (!seen_ || !visible_) return;
  const std::optional<SDL_SystemCursor> kind = system_cursor(cursor_);
  if (!setup_.show_cursor || !kind) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_Cursor*& cursor = cursors_[*kind];
  if (cursor == nullptr) cursor = SDL_CreateSystemCursor(*kind);
  if (cursor != nullptr) SDL_SetCursor(cursor);
  SDL_ShowCursor(SDL_ENABLE);
}

// Runs inside pump_events too, while a form of the runner may have its own context current.
void CGameWindow::repaint_exposed() {
  if (renderer_ == nullptr || !seen_) return;
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous_context = SDL_GL_GetCurrentContext();
  const bool switched = previous_context != context_;
  if (switched) SDL_GL_MakeCurrent(window_, context_);
  renderer_->repaint();
  if (switched) SDL_GL_MakeCurrent(previous_window, previous_context);
}

void CGameWindow::handle_events(const RGameWindowEvents& events) {
  if (window_ == nullptr) return;
  // The runner's other windows repaint themselves when uncovered.
  pump_events();
  bool closed = false;
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) take(event, events, closed);
}

// One close request per call: closing the last window also makes SDL ask to quit.
void CGameWindow::take(const SDL_Event& event, const RGameWindowEvents& events, bool& closed) {
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
        case SDL_WINDOWEVENT_MOVED:
          if (seen_) {
            client_.x = event.window.data1;
            client_.y = event.window.data2;
            if (!setup_.style.fullscreen) windowed_ = client_;
          }
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          if (!seen_ ||
              (event.window.data1 == client_.width && event.window.data2 == client_.height)) {
            break;
          }
          client_.width = std::max(event.window.data1, 1);
          client_.height = std::max(event.window.data2, 1);
          if (!setup_.style.fullscreen) windowed_ = client_;
          client_changed();
          if (resized_) resized_();
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          // The frame itself was put back while events were pumped.
          if (resized_) resized_();
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

#ifdef VN_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() { return "leak:_dri.so\nleak:libLLVM\n"; }
#endif

std::unique_ptr<IGameWindow> create_game_window(const RGameWindowSetup& setup) {
  auto window = std::make_unique<CGameWindow>(setup);
  window->open();
  return window;
}

void* game_window_gl_context(uint32_t sdl_window_id) {
  auto found = contexts_by_window().find(sdl_window_id);
  return found != contexts_by_window().end() ? found->second : nullptr;
}

}  // namespace vn
