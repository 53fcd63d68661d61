#include "platform/Platform_Gui.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <imgui_freetype.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/Platform_Font.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_GlAttributes.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Video.h"
#include "support/Support_Text.h"

namespace vn {
namespace {

std::string& failure() {
  static std::string reason;
  return reason;
}

FormObserver& observer() {
  static FormObserver watcher;
  return watcher;
}

RFormPicture read_back_buffer(int width, int height) {
  RFormPicture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(size_t(width) * size_t(height) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
  // OpenGL's rows run bottom up.
  const size_t row = size_t(width) * 4;
  std::vector<uint8_t> line(row);
  for (int y = 0; y < height / 2; ++y) {
    uint8_t* top = picture.pixels.data() + size_t(y) * row;
    uint8_t* bottom = picture.pixels.data() + size_t(height - 1 - y) * row;
    std::copy(top, top + row, line.data());
    std::copy(bottom, bottom + row, top);
    std::copy(line.data(), line.data() + row, bottom);
  }
  return picture;
}

// Every character Windows-1252 can hold, as ImGui's zero-ended list of ranges.
const ImWchar kCp1252Ranges[] = {
    0x0020, 0x00FF, 0x0152, 0x0153, 0x0160, 0x0161, 0x0178, 0x0178, 0x017D, 0x017E, 0x0192, 0x0192,
    0x02C6, 0x02C6, 0x02DC, 0x02DC, 0x2013, 0x2014, 0x2018, 0x201A, 0x201C, 0x201E, 0x2020, 0x2022,
    0x2026, 0x2026, 0x2030, 0x2030, 0x2039, 0x203A, 0x20AC, 0x20AC, 0x2122, 0x2122, 0};

bool read_font_file(const std::string& path, std::vector<char>& data) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !data.empty();
}

uint32_t event_window(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return event.key.windowID;
    case SDL_TEXTEDITING:
      return event.edit.windowID;
    case SDL_TEXTINPUT:
      return event.text.windowID;
    case SDL_MOUSEMOTION:
      return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return event.button.windowID;
    case SDL_MOUSEWHEEL:
      return event.wheel.windowID;
    default:
      return 0;
  }
}

// Saves what the game's OpenGL context has that the form's drawing changes and ImGui's
// renderer does not put back itself.
class CGlStateKept {
 public:
  CGlStateKept() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_framebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer_);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack_row_length_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack_alignment_);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment_);
    glGetIntegerv(GL_READ_BUFFER, &read_buffer_);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear_color_);
  }
  ~CGlStateKept() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw_framebuffer_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read_framebuffer_));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpack_row_length_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack_alignment_);
    glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment_);
    glReadBuffer(GLenum(read_buffer_));
    glClearColor(clear_color_[0], clear_color_[1], clear_color_[2], clear_color_[3]);
  }
  CGlStateKept(const CGlStateKept&) = delete;
  CGlStateKept& operator=(const CGlStateKept&) = delete;

 private:
  GLint draw_framebuffer_ = 0;
  GLint read_framebuffer_ = 0;
  GLint unpack_row_length_ = 0;
  GLint unpack_alignment_ = 4;
  GLint pack_alignment_ = 4;
  GLint read_buffer_ = GL_BACK;
  GLfloat clear_color_[4] = {};
};

// One showing of a form: its window (or the one it is drawn over), GL context and ImGui
// context, released at the end, with whatever was current before made current again.
class CFormSession {
 public:
  CFormSession() { remember_current(); }
  ~CFormSession();
  CFormSession(const CFormSession&) = delete;
  CFormSession& operator=(const CFormSession&) = delete;

  // In a window of its own.
  bool open(const RFormSetup& setup);
  // Over the client area of another window, with that window's context.
  bool open_over(SDL_Window* host, SDL_GLContext context, const RFormSetup& setup);
  // Modal: until the drawing, the player or the observer closes it.
  std::optional<int> run(const FormDraw& draw);
  // Modeless: one frame when something changed, from the events gathered since the last.
  // A value closes it; so does the close box (with `closed` set and no value).
  std::optional<int> tick(const FormDraw& draw, bool& closed);
  void raise();
  void request_frame() { settle_ = std::max(settle_, 1); }
  uint32_t window_id() const { return window_id_; }

  // The contexts current now are the ones put back at the end.
  void remember_current();
  void restore_current();

 private:
  bool make_context();
  bool start_gui(const RFormSetup& setup);
  void load_fonts(const RFormSetup& setup);
  void make_textures(const RFormSetup& setup);
  void take(const SDL_Event& event, RFormFrame& frame);
  std::optional<int> draw_frame(const FormDraw& draw, RFormFrame& frame);
  static int gather(void* session, SDL_Event* event);

  SDL_Window* previous_window_ = nullptr;
  SDL_GLContext previous_context_ = nullptr;
  ImGuiContext* previous_gui_ = nullptr;

  SDL_Window* window_ = nullptr;
  uint32_t window_id_ = 0;
  SDL_GLContext context_ = nullptr;
  bool owns_window_ = true;
  bool gathering_ = false;
  std::vector<SDL_Event> gathered_;
  int previous_cursor_shown_ = SDL_ENABLE;
  ImGuiContext* gui_ = nullptr;
  bool platform_ready_ = false;
  bool renderer_ready_ = false;
  bool quit_seen_ = false;
  bool shown_ = false;
  int settle_ = 0;
  int frame_number_ = 0;
  std::vector<ImFont*> fonts_;
  std::vector<GLuint> textures_;  // of RFormSetup::pictures
  std::vector<ImTextureID> pictures_;
  bool captured_ = false;
  RFormSetup setup_;
};

// ImGui lays out a frame from the sizes measured in the one before, so a few frames are
// drawn after every change before the form waits for the next event.
constexpr int kSettleFrames = 3;

void CFormSession::remember_current() {
  SDL_GLContext current = SDL_GL_GetCurrentContext();
  if (current != nullptr && current == context_ && owns_window_) return;
  previous_window_ = SDL_GL_GetCurrentWindow();
  previous_context_ = current;
  previous_gui_ = ImGui::GetCurrentContext();
  if (previous_gui_ == gui_ && gui_ != nullptr) previous_gui_ = nullptr;
}

void CFormSession::restore_current() {
  ImGui::SetCurrentContext(previous_gui_);
  SDL_GL_MakeCurrent(previous_window_, previous_context_);
}

CFormSession::~CFormSession() {
  if (gathering_) SDL_DelEventWatch(gather, this);
  if (context_ != nullptr) SDL_GL_MakeCurrent(window_, context_);
  if (gui_ != nullptr) {
    ImGui::SetCurrentContext(gui_);
    if (!textures_.empty()) glDeleteTextures(GLsizei(textures_.size()), textures_.data());
    if (captured_) SDL_CaptureMouse(SDL_FALSE);
    if (renderer_ready_) {
      // Shutting the renderer down deletes its objects, binding nothing the game relies on
      // but the names it had bound: keep them.
      CGlStateKept kept;
      ImGui_ImplOpenGL3_Shutdown();
    }
    if (platform_ready_) ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(gui_);
  }
  if (owns_window_) {
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
  } else {
    SDL_ShowCursor(previous_cursor_shown_);
  }
  restore_current();
  // The application's request to quit belongs to the game, which has not seen it yet.
  if (quit_seen_) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }
}

bool CFormSession::make_context() {
  CGlAttributes saved;
  // 3.3 core first; then whatever context the driver makes by default.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
  context_ = SDL_GL_CreateContext(window_);
  if (context_ == nullptr) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    context_ = SDL_GL_CreateContext(window_);
  }
  if (context_ == nullptr) {
    failure() = std::string("no OpenGL context: ") + SDL_GetError();
    return false;
  }
  return SDL_GL_MakeCurrent(window_, context_) == 0;
}

void CFormSession::load_fonts(const RFormSetup& setup) {
  std::vector<RFormFont> wanted = setup.fonts;
  if (wanted.empty()) wanted.emplace_back();
  ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  atlas->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
  for (const RFormFont& font : wanted) {
    RFontRequest request;
    request.family = font.family;
    request.pixel_size = std::clamp(font.pixel_size, 6, 96);
    request.bold = font.bold;
    request.italic = font.italic;
    ImFont* loaded = nullptr;
    std::vector<char> data;
    const std::string path = matched_font_file(request);
    if (!path.empty() && read_font_file(path, data)) {
      // The atlas frees the data with ImGui's allocator.
      void* owned = IM_ALLOC(data.size());
      std::copy(data.begin(), data.end(), static_cast<char*>(owned));
      ImFontConfig config;
      // A face without a bold or italic file is made bold or slanted by the rasteriser.
      if (font.bold) config.FontBuilderFlags |= ImGuiFreeTypeBuilderFlags_Bold;
      if (font.italic) config.FontBuilderFlags |= ImGuiFreeTypeBuilderFlags_Oblique;
      loaded = atlas->AddFontFromMemoryTTF(owned, int(data.size()), float(request.pixel_size),
                                           &config, kCp1252Ranges);
    }
    if (loaded == nullptr) loaded = atlas->AddFontDefault();
    fonts_.push_back(loaded);
  }
  if (!atlas->Build()) {
    // A face the rasteriser cannot read: every font becomes ImGui's own fixed-pitch one.
    atlas->Clear();
    ImFont* fallback = atlas->AddFontDefault();
    std::fill(fonts_.begin(), fonts_.end(), fallback);
    atlas->Build();
  }
}

bool CFormSession::open(const RFormSetup& setup) {
  setup_ = setup;
  const std::string title = cp1252_to_utf8(setup.caption);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (!setup.border) flags |= SDL_WINDOW_BORDERLESS;
  if (setup.resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (setup.stay_on_top) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  if (setup.popup) {
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
  }
  const int left = setup.left < 0 ? int(SDL_WINDOWPOS_CENTERED) : setup.left;
  const int top = setup.top < 0 ? int(SDL_WINDOWPOS_CENTERED) : setup.top;
  window_ = SDL_CreateWindow(title.c_str(), left, top, std::max(setup.width, 1),
                             std::max(setup.height, 1), flags);
  if (window_ == nullptr) {
    failure() = std::string("no window: ") + SDL_GetError();
    return false;
  }
  window_id_ = SDL_GetWindowID(window_);
  // Not every window manager blends windows; the form then stays opaque.
  if (setup.opacity < 1.0f) {
    SDL_SetWindowOpacity(window_, std::clamp(setup.opacity, 0.0f, 1.0f));
  }
  if (!make_context()) return false;
  // Waiting for the vertical blank keeps an idle form from spinning; not every driver can.
  SDL_GL_SetSwapInterval(1);
  return start_gui(setup);
}

bool CFormSession::open_over(SDL_Window* host, SDL_GLContext context, const RFormSetup& setup) {
  setup_ = setup;
  owns_window_ = false;
  window_ = host;
  window_id_ = SDL_GetWindowID(host);
  context_ = context;
  shown_ = true;
  if (SDL_GL_MakeCurrent(window_, context_) != 0) {
    failure() = std::string("the window's OpenGL context cannot be used: ") + SDL_GetError();
    return false;
  }
  // The game may hide the pointer; the form needs it.
  previous_cursor_shown_ = SDL_ShowCursor(SDL_QUERY);
  SDL_ShowCursor(SDL_ENABLE);
  CGlStateKept kept;
  if (!start_gui(setup)) return false;
  // The font texture is made on the first frame; make it now, while the state is kept.
  ImGui_ImplOpenGL3_NewFrame();
  return true;
}

bool CFormSession::start_gui(const RFormSetup& setup) {
  gui_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(gui_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // a form remembers nothing between showings
  io.LogFilename = nullptr;
  // The pointer over another's window is that window's business.
  if (!owns_window_) io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
  if (setup.light_style) {
    ImGui::StyleColorsLight();
    // Grey push buttons, as on the system's own dialogs.
    ImVec4* colors = ImGui::GetStyle().Colors;
    colors[ImGuiCol_Button] = ImVec4(0.88f, 0.88f, 0.88f, 1.0f);
    colors[ImGuiCol_ButtonHovered] = ImVec4(0.82f, 0.89f, 0.98f, 1.0f);
    colors[ImGuiCol_ButtonActive] = ImVec4(0.71f, 0.82f, 0.96f, 1.0f);
  } else {
    ImGui::StyleColorsDark();
  }
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 0.0f;
  style.WindowBorderSize = 0.0f;
  style.FrameRounding = 2.0f;
  style.FrameBorderSize = 1.0f;
  load_fonts(setup);

  platform_ready_ = ImGui_ImplSDL2_InitForOpenGL(window_, context_);
  const int version = epoxy_gl_version();
  const char* shading = version >= 32   ? "#version 150"
                        : version >= 30 ? "#version 130"
                                        : "#version 120";
  renderer_ready_ = platform_ready_ && ImGui_ImplOpenGL3_Init(shading);
  if (!renderer_ready_) {
    failure() = "the form could not be drawn with OpenGL " + std::to_string(version / 10) + "." +
                std::to_string(version % 10);
    return false;
  }
  make_textures(setup);
  settle_ = kSettleFrames;
  return true;
}

void CFormSession::make_textures(const RFormSetup& setup) {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (const RFormPicture& picture : setup.pictures) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool whole = picture.width > 0 && picture.height > 0 &&
                       picture.pixels.size() >= size_t(picture.width) * size_t(picture.height) * 4;
    // A picture without pixels draws as one clear pixel.
    const uint8_t clear[4] = {0, 0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, whole ? picture.width : 1, whole ? picture.height : 1,
                 0, GL_RGBA, GL_UNSIGNED_BYTE, whole ? picture.pixels.data() : clear);
    textures_.push_back(texture);
    pictures_.push_back(reinterpret_cast<ImTextureID>(uintptr_t(texture)));
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  glBindTexture(GL_TEXTURE_2D, GLuint(bound));
}

void CFormSession::take(const SDL_Event& event, RFormFrame& frame) {
  if (event.type == SDL_QUIT) {
    // Over the game window the quit SDL sends when its close box is clicked is that close
    // box's, which closes the form instead of reaching the game.
    if (owns_window_) quit_seen_ = true;
    frame.close_requested = true;
    return;
  }
  // The form is modal: input meant for other windows is dropped, as a disabled window
  // would never have received it.
  if (event_window(event) != window_id_) return;
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
    frame.close_requested = true;
    return;
  }
  if (setup_.popup) {
    // A pop-up goes away when the player turns to anything else.
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
      frame.close_requested = true;
      return;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN) {
      int width = 0;
      int height = 0;
      SDL_GetWindowSize(window_, &width, &height);
      if (event.button.x < 0 || event.button.y < 0 || event.button.x >= width ||
          event.button.y >= height) {
        frame.close_requested = true;
        return;
      }
    }
  }
  if (event.type == SDL_KEYDOWN) {
    const SDL_Keycode key = event.key.keysym.sym;
    const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
    if (alt && ((key >= SDLK_a && key <= SDLK_z) || (key >= SDLK_0 && key <= SDLK_9))) {
      frame.access_key = char(key);
    } else if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
      frame.return_pressed = true;
    } else if (key == SDLK_ESCAPE) {
      frame.escape_pressed = true;
    }
  }
  ImGui_ImplSDL2_ProcessEvent(&event);
}

std::optional<int> CFormSession::draw_frame(const FormDraw& draw, RFormFrame& frame) {
  SDL_GL_MakeCurrent(window_, context_);
  ImGui::SetCurrentContext(gui_);
  frame.pictures = pictures_;
  std::optional<CGlStateKept> kept;
  if (!owns_window_) kept.emplace();
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  const ImGuiIO& io = ImGui::GetIO();
  frame.width = int(io.DisplaySize.x);
  frame.height = int(io.DisplaySize.y);
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(io.DisplaySize);
  if (!setup_.padded) ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
  ImGui::Begin("##form", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
  if (!setup_.padded) ImGui::PopStyleVar();
  ImGui::PushFont(fonts_.front());
  const std::optional<int> result = draw(frame);
  ImGui::PopFont();
  ImGui::End();
  ImGui::Render();

  int drawable_width = 0;
  int drawable_height = 0;
  SDL_GL_GetDrawableSize(window_, &drawable_width, &drawable_height);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, drawable_width, drawable_height);
  const ImVec4 back = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
  glClearColor(back.x, back.y, back.z, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  std::optional<int> observed;
  if (observer()) {
    observed = observer()(setup_, frame_number_, read_back_buffer(drawable_width, drawable_height));
  }
  ++frame_number_;
  SDL_GL_SwapWindow(window_);
  if (!shown_) {
    // Shown only once there is something to see.
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    shown_ = true;
    // Clicks outside a pop-up reach it, so that they can close it.
    if (setup_.popup && owns_window_) captured_ = SDL_CaptureMouse(SDL_TRUE) == 0;
  }
  if (result) return result;
  return observed;
}

std::optional<int> CFormSession::run(const FormDraw& draw) {
  bool first = true;
  while (true) {
    RFormFrame frame;
    frame.first = first;
    first = false;
    frame.fonts = fonts_;
    // Other windows of the runner repaint themselves when uncovered.
    pump_events();
    SDL_Event event;
    const bool watched = bool(observer());
    bool have = settle_ > 0 || watched ? SDL_PollEvent(&event) == 1
                                       : SDL_WaitEventTimeout(&event, 250) == 1;
    if (have) settle_ = kSettleFrames;
    while (have) {
      take(event, frame);
      have = SDL_PollEvent(&event) == 1;
    }
    // A stop signal closes the form as its close box would; the game then ends.
    if (stop_requested()) frame.close_requested = true;
    if (!owns_window_ && (frame.escape_pressed || frame.close_requested)) return 0;
    if (settle_ > 0) --settle_;
    if (const std::optional<int> result = draw_frame(draw, frame)) return result;
  }
}

// Runs as SDL queues each event: the form's own are copied for its next frame, and stay
// queued for the game, which ignores other windows' events.
int CFormSession::gather(void* session, SDL_Event* event) {
  auto* self = static_cast<CFormSession*>(session);
  if (event_window(*event) == self->window_id_) self->gathered_.push_back(*event);
  return 1;
}

std::optional<int> CFormSession::tick(const FormDraw& draw, bool& closed) {
  closed = false;
  if (!gathering_) {
    SDL_AddEventWatch(gather, this);
    gathering_ = true;
  }
  RFormFrame frame;
  frame.first = frame_number_ == 0;
  frame.fonts = fonts_;
  const std::vector<SDL_Event> events = std::move(gathered_);
  gathered_.clear();
  if (!events.empty()) settle_ = kSettleFrames;
  // An idle form costs the game nothing.
  if (settle_ == 0 && !observer() && !frame.first) return std::nullopt;
  if (settle_ > 0) --settle_;
  remember_current();
  ImGui::SetCurrentContext(gui_);
  for (const SDL_Event& event : events) take(event, frame);
  // The application's request to quit is the game's alone.
  quit_seen_ = false;
  std::optional<int> result;
  if (frame.close_requested) {
    closed = true;
  } else {
    result = draw_frame(draw, frame);
  }
  restore_current();
  return result;
}

void CFormSession::raise() {
  if (window_ == nullptr) return;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  settle_ = kSettleFrames;
}

// A form left open while the game runs.
class CModelessSession final : public CModelessForm {
 public:
  explicit CModelessSession(FormDraw draw) : draw_(std::move(draw)) {}
  ~CModelessSession() override { close(); }

  bool start(const RFormSetup& setup) {
    session_ = std::make_unique<CFormSession>();
    const bool made = session_->open(setup);
    // A modeless form must not hold the game back waiting for the screen's refresh.
    if (made) SDL_GL_SetSwapInterval(0);
    session_->restore_current();
    if (!made) {
      session_.reset();
      return false;
    }
    const uint32_t id = session_->window_id();
    watch_pumping(id, [this] { tick(); });
    tick();
    return true;
  }

  bool open() const override { return session_ != nullptr; }
  std::optional<int> result() const override { return result_; }
  void raise() override {
    if (session_ != nullptr) session_->raise();
  }
  void redraw() override {
    if (session_ != nullptr) session_->request_frame();
  }

 private:
  void tick() {
    if (session_ == nullptr) return;
    bool closed = false;
    const std::optional<int> result = session_->tick(draw_, closed);
    if (result || closed || stop_requested()) {
      result_ = result;
      close();
    }
  }
  void close() {
    if (session_ == nullptr) return;
    unwatch_pumping(session_->window_id());
    session_->remember_current();
    session_.reset();
  }

  FormDraw draw_;
  std::unique_ptr<CFormSession> session_;
  std::optional<int> result_;
};

bool display_for_forms() {
  failure().clear();
  if (!has_display()) {
    failure() = video_available()
                    ? "no display: video runs on the " + video_driver_name() + " driver"
                    : "no display";
    return false;
  }
  return true;
}

}  // namespace

std::optional<int> run_modal_form(const RFormSetup& setup, const FormDraw& draw) {
  if (!display_for_forms()) return std::nullopt;
  CFormSession session;
  if (!session.open(setup)) return std::nullopt;
  return session.run(draw);
}

std::unique_ptr<CModelessForm> open_modeless_form(const RFormSetup& setup, FormDraw draw) {
  if (!display_for_forms()) return nullptr;
  auto form = std::make_unique<CModelessSession>(std::move(draw));
  if (!form->start(setup)) return nullptr;
  return form;
}

std::optional<int> run_form_over_window(uint32_t host_window_id, const RFormSetup& setup,
                                        const FormDraw& draw) {
  if (!display_for_forms()) return std::nullopt;
  SDL_Window* host = SDL_GetWindowFromID(host_window_id);
  auto* context = static_cast<SDL_GLContext>(game_window_gl_context(host_window_id));
  if (host == nullptr || context == nullptr) {
    failure() = "the game window has no OpenGL context to draw the form with";
    return std::nullopt;
  }
  CFormSession session;
  if (!session.open_over(host, context, setup)) return std::nullopt;
  return session.run(draw);
}

const std::string& gui_failure_reason() { return failure(); }

void set_form_observer(FormObserver watcher) { observer() = std::move(watcher); }

RAccessCaption parse_access_caption(std::string_view caption) {
  RAccessCaption parsed;
  parsed.label.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      parsed.label += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      parsed.label += '&';
      ++i;
    } else if (i + 1 < caption.size()) {
      const char key = caption[i + 1];
      parsed.key = (key >= 'A' && key <= 'Z') ? char(key - 'A' + 'a') : key;
      parsed.key_offset = parsed.label.size();
    }
  }
  return parsed;
}

std::string gui_text(std::string_view text) { return cp1252_to_utf8(text); }

bool form_button(const RFormFrame& frame, std::string_view caption, std::string_view hint,
                 bool is_default, float width) {
  const RAccessCaption parsed = parse_access_caption(caption);
  const std::string label = gui_text(parsed.label);
  const ImGuiStyle& style = ImGui::GetStyle();
  // The label is drawn by hand: ImGui would treat a "##" in it as the start of an id.
  const ImVec2 text_size = ImGui::CalcTextSize(label.data(), label.data() + label.size());
  const ImVec2 size(std::max(width, text_size.x + style.FramePadding.x * 2.0f),
                    text_size.y + style.FramePadding.y * 2.0f);
  ImGui::PushID(caption.data(), caption.data() + caption.size());
  const bool clicked = ImGui::InvisibleButton("##button", size);
  ImGui::PopID();
  const bool hovered = ImGui::IsItemHovered();
  const bool held = ImGui::IsItemActive();
  const ImVec2 min = ImGui::GetItemRectMin();
  const ImVec2 max = ImGui::GetItemRectMax();

  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImU32 fill = ImGui::GetColorU32(held      ? ImGuiCol_ButtonActive
                                        : hovered ? ImGuiCol_ButtonHovered
                                                  : ImGuiCol_Button);
  draw->AddRectFilled(min, max, fill, style.FrameRounding);
  // The default button carries the stronger frame, as on the system's dialogs.
  draw->AddRect(min, max, ImGui::GetColorU32(is_default ? ImGuiCol_Text : ImGuiCol_Border),
                style.FrameRounding, 0, is_default ? 2.0f : 1.0f);
  const ImVec2 text_at(min.x + (size.x - text_size.x) * 0.5f, min.y + style.FramePadding.y);
  const ImU32 ink = ImGui::GetColorU32(ImGuiCol_Text);
  draw->AddText(text_at, ink, label.data(), label.data() + label.size());
  if (parsed.key_offset < parsed.label.size()) {
    const std::string before = gui_text(parsed.label.substr(0, parsed.key_offset));
    const std::string key = gui_text(parsed.label.substr(parsed.key_offset, 1));
    const float start = text_at.x + ImGui::CalcTextSize(before.c_str()).x;
    const float end = start + ImGui::CalcTextSize(key.c_str()).x;
    const float y = text_at.y + text_size.y - 1.0f;
    draw->AddLine(ImVec2(start, y), ImVec2(end, y), ink);
  }
  if (!hint.empty() && hovered) ImGui::SetTooltip("%s", gui_text(hint).c_str());

  return clicked || (parsed.key != 0 && frame.access_key == parsed.key) ||
         (is_default && frame.return_pressed);
}

bool set_clipboard_text(std::string_view text) {
  if (!video_available()) return false;
  return SDL_SetClipboardText(cp1252_to_utf8(text).c_str()) == 0;
}

}  // namespace vn
