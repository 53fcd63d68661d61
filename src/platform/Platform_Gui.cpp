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

// One showing of a form: its window, GL context and ImGui context, all released at the
// end, with whatever was current before made current again.
class CFormSession {
 public:
  CFormSession()
      : previous_window_(SDL_GL_GetCurrentWindow()),
        previous_context_(SDL_GL_GetCurrentContext()),
        previous_gui_(ImGui::GetCurrentContext()) {}
  ~CFormSession();
  CFormSession(const CFormSession&) = delete;
  CFormSession& operator=(const CFormSession&) = delete;

  bool open(const RFormSetup& setup);
  std::optional<int> run(const FormDraw& draw);

 private:
  bool make_context();
  void load_fonts(const RFormSetup& setup);
  void take(const SDL_Event& event, RFormFrame& frame);

  SDL_Window* previous_window_;
  SDL_GLContext previous_context_;
  ImGuiContext* previous_gui_;

  SDL_Window* window_ = nullptr;
  uint32_t window_id_ = 0;
  SDL_GLContext context_ = nullptr;
  ImGuiContext* gui_ = nullptr;
  bool platform_ready_ = false;
  bool renderer_ready_ = false;
  bool quit_seen_ = false;
  std::vector<ImFont*> fonts_;
  RFormSetup setup_;
};

CFormSession::~CFormSession() {
  if (context_ != nullptr) SDL_GL_MakeCurrent(window_, context_);
  if (gui_ != nullptr) {
    ImGui::SetCurrentContext(gui_);
    if (renderer_ready_) ImGui_ImplOpenGL3_Shutdown();
    if (platform_ready_) ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(gui_);
  }
  ImGui::SetCurrentContext(previous_gui_);
  if (context_ != nullptr) SDL_GL_DeleteContext(context_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  SDL_GL_MakeCurrent(previous_window_, previous_context_);
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
  const int left = setup.left < 0 ? int(SDL_WINDOWPOS_CENTERED) : setup.left;
  const int top = setup.top < 0 ? int(SDL_WINDOWPOS_CENTERED) : setup.top;
  window_ = SDL_CreateWindow(title.c_str(), left, top, std::max(setup.width, 1),
                             std::max(setup.height, 1), flags);
  if (window_ == nullptr) {
    failure() = std::string("no window: ") + SDL_GetError();
    return false;
  }
  window_id_ = SDL_GetWindowID(window_);
  if (!make_context()) return false;
  // Waiting for the vertical blank keeps an idle form from spinning; not every driver can.
  SDL_GL_SetSwapInterval(1);

  gui_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(gui_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // a form remembers nothing between showings
  io.LogFilename = nullptr;
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
  return true;
}

void CFormSession::take(const SDL_Event& event, RFormFrame& frame) {
  if (event.type == SDL_QUIT) {
    quit_seen_ = true;
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

std::optional<int> CFormSession::run(const FormDraw& draw) {
  // ImGui lays out a frame from the sizes measured in the one before, so a few frames are
  // drawn after every change before the loop sleeps until the next event.
  constexpr int kSettleFrames = 3;
  int settle = kSettleFrames;
  bool first = true;
  int frame_number = 0;
  while (true) {
    RFormFrame frame;
    frame.first = first;
    frame.fonts = fonts_;
    // Other windows of the runner repaint themselves when uncovered.
    pump_events();
    SDL_Event event;
    const bool watched = bool(observer());
    bool have = settle > 0 || watched ? SDL_PollEvent(&event) == 1
                                      : SDL_WaitEventTimeout(&event, 250) == 1;
    if (have) settle = kSettleFrames;
    while (have) {
      take(event, frame);
      have = SDL_PollEvent(&event) == 1;
    }
    // A stop signal closes the form as its close box would; the game then ends.
    if (stop_requested()) frame.close_requested = true;
    if (settle > 0) --settle;

    SDL_GL_MakeCurrent(window_, context_);
    ImGui::SetCurrentContext(gui_);
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    const ImGuiIO& io = ImGui::GetIO();
    frame.width = int(io.DisplaySize.x);
    frame.height = int(io.DisplaySize.y);
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##form", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
    ImGui::PushFont(fonts_.front());
    const std::optional<int> result = draw(frame);
    ImGui::PopFont();
    ImGui::End();
    ImGui::Render();

    int drawable_width = 0;
    int drawable_height = 0;
    SDL_GL_GetDrawableSize(window_, &drawable_width, &drawable_height);
    glViewport(0, 0, drawable_width, drawable_height);
    const ImVec4 back = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
    glClearColor(back.x, back.y, back.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    std::optional<int> observed;
    if (observer()) {
      observed = observer()(setup_, frame_number,
                            read_back_buffer(drawable_width, drawable_height));
    }
    ++frame_number;
    SDL_GL_SwapWindow(window_);
    if (first) {
      // Shown only once there is something to see.
      SDL_ShowWindow(window_);
      SDL_RaiseWindow(window_);
      first = false;
    }
    if (result) return result;
    if (observed) return observed;
  }
}

}  // namespace

std::optional<int> run_modal_form(const RFormSetup& setup, const FormDraw& draw) {
  failure().clear();
  if (!has_display()) {
    failure() = video_available()
                    ? "no display: video runs on the " + video_driver_name() + " driver"
                    : "no display";
    return std::nullopt;
  }
  CFormSession session;
  if (!session.open(setup)) return std::nullopt;
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
