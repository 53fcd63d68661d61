#include "runner/Runner_Splash.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>

#include "graphics/BM32_File.h"
#include "graphics/Graphics_Window.h"
#include "library/Input_Main.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Media.h"
#include "platform/Platform_Spawn.h"
#include "runner/Form_Answer.h"
#include "runner/Help_View.h"
#include "runner/Input_Record.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Names this long or longer were refused by the player the games were made for.
constexpr size_t kLongestVideoName = 126;
constexpr float kCloseButtonSize = 20.0f;
// A modal splash that only waits for its delay looks at the clock this often.
constexpr auto kDelayTick = std::chrono::milliseconds(10);
// A modal video form waits this long at most for the next frame.
constexpr int kVideoFrameWait = 15;

RSplashSettings& settings_store() {
  static RSplashSettings settings;
  return settings;
}

bool is_file(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

uint32_t script_to_rgb(int32_t color) {
  const auto c = uint32_t(color);
  return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

ImU32 rgb_to_imgui(uint32_t rgb) {
  return IM_COL32(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF, 255);
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         same_name_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// A page on the web rather than a file of the game's.
bool is_address(std::string_view name) {
  const size_t scheme = name.find("://");
  if (scheme != std::string_view::npos && scheme > 0) return true;
  return starts_with_ignoring_case(name, "www.") || starts_with_ignoring_case(name, "mailto:");
}

RFormPicture form_picture(const RImage& image) {
  RFormPicture picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.pixels.resize(image.pixels.size() * 4);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const uint32_t p = image.pixels[i];
    picture.pixels[i * 4] = uint8_t(p >> 16);
    picture.pixels[i * 4 + 1] = uint8_t(p >> 8);
    picture.pixels[i * 4 + 2] = uint8_t(p);
    picture.pixels[i * 4 + 3] = uint8_t(p >> 24);
  }
  return picture;
}

// One showing of a splash: what it shows and how it closes. Drawn by whichever form holds
// it, with that form's OpenGL context current.
class CSplashShowing {
 public:
  CSplashShowing(const RSplashRequest& request, const RSplashSettings& settings)
      : request_(request), settings_(settings) {}

  fs::path path;
  int picture_width = 0;  // of the image or the video
  int picture_height = 0;
  std::unique_ptr<CRichView> text;
  size_t first_text_font = 0;
  bool modal = true;
  bool own_window = true;

  std::optional<int> draw(RFormFrame& frame);

 private:
  bool update_video();
  void draw_panel(RFormFrame& frame, bool& clicked);

  RSplashRequest request_;
  RSplashSettings settings_;
  std::unique_ptr<CVideoPlayer> video_;
  bool video_tried_ = false;
  Clock::time_point started_{};
  bool closing_ = false;
};

bool CSplashShowing::update_video() {
  if (!video_tried_) {
    video_tried_ = true;
    auto player = std::make_unique<CVideoPlayer>();
    RVideoOptions options;
    options.loop = request_.loop;
    std::string error;
    // A file that cannot be played closes the splash; the game goes on.
    if (!player->open(path, options, error)) return false;
    video_ = std::move(player);
  }
  if (!video_) return false;
  if (modal) video_->wait_for_frame(kVideoFrameWait);
  video_->update();
  return !video_->ended();
}

void CSplashShowing::draw_panel(RFormFrame& frame, bool& clicked) {
  const ImVec2 size(float(frame.width), float(frame.height));
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(size);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
  ImGui::PushStyleColor(ImGuiCol_WindowBg, rgb_to_imgui(script_to_rgb(settings_.color)));
  ImGui::Begin("##splash", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollWithMouse);
  ImDrawList* list = ImGui::GetWindowDrawList();
  ImTextureID shown = nullptr;
  int shown_width = picture_width;
  int shown_height = picture_height;
  if (request_.kind == SplashKind::image && !frame.pictures.empty()) {
    shown = frame.pictures.front();
  } else if (request_.kind == SplashKind::video && video_ && video_->texture() != 0) {
    shown = reinterpret_cast<ImTextureID>(uintptr_t(video_->texture()));
    shown_width = video_->width();
    shown_height = video_->height();
  }
  if (shown != nullptr) {
    const RSplashBox box =
        place_splash_picture(shown_width, shown_height, frame.width, frame.height, settings_.scale);
    list->AddImage(shown, ImVec2(box.left, box.top),
                   ImVec2(box.left + box.width, box.top + box.height));
  }
  if (text) text->draw(frame, first_text_font, ImVec2(0, 0), request_.text_background);

  // Any button counts; the form only hears its own window.
  const bool pressed = ImGui::IsMouseClicked(ImGuiMouseButton_Left) ||
                       ImGui::IsMouseClicked(ImGuiMouseButton_Right) ||
                       ImGui::IsMouseClicked(ImGuiMouseButton_Middle);
  if (settings_.stop_mouse && pressed) clicked = true;
  if (settings_.close_button) {
    // Drawn above everything, the text's scroll bars included.
    const ImVec2 max(size.x - 4.0f, 4.0f + kCloseButtonSize);
    const ImVec2 min(max.x - kCloseButtonSize, 4.0f);
    const ImVec2 mouse = ImGui::GetMousePos();
    const bool over = mouse.x >= min.x && mouse.x < max.x && mouse.y >= min.y && mouse.y < max.y;
    ImDrawList* top = ImGui::GetForegroundDrawList();
    top->AddRectFilled(min, max, over ? IM_COL32(232, 17, 35, 255) : IM_COL32(224, 224, 224, 255));
    top->AddRect(min, max, IM_COL32(96, 96, 96, 255));
    const ImU32 ink = over ? IM_COL32(255, 255, 255, 255) : IM_COL32(32, 32, 32, 255);
    const float inset = 6.0f;
    top->AddLine(ImVec2(min.x + inset, min.y + inset), ImVec2(max.x - inset, max.y - inset), ink,
                 2.0f);
    top->AddLine(ImVec2(max.x - inset, min.y + inset), ImVec2(min.x + inset, max.y - inset), ink,
                 2.0f);
    if (over && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) clicked = true;
  }
  ImGui::End();
  ImGui::PopStyleColor();
  ImGui::PopStyleVar(2);
}

std::optional<int> CSplashShowing::draw(RFormFrame& frame) {
  if (closing_) {
    // The last frame showed the video's texture; this one shows nothing, so the player's
    // GL objects may go while the form's context is still current.
    video_.reset();
    return 0;
  }
  if (frame.first) started_ = Clock::now();
  bool close = frame.close_requested || (settings_.stop_key && frame.escape_pressed);
  bool waiting = false;
  if (request_.kind == SplashKind::video) {
    if (!update_video()) close = true;
    waiting = true;
  }
  if (request_.delay > 0 && request_.kind != SplashKind::video) {
    const auto shown_for =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_);
    if (shown_for.count() >= request_.delay) close = true;
    waiting = true;
  }
  bool clicked = false;
  draw_panel(frame, clicked);
  close = close || clicked;
  if (!settings_.cursor) ImGui::SetMouseCursor(ImGuiMouseCursor_None);
  if (close) {
    // The pointer is the whole desktop's: one more frame shows it again before the window
    // goes.
    const bool show_pointer = !settings_.cursor && own_window;
    if (!video_ && !show_pointer) return 0;
    closing_ = true;
    if (show_pointer) ImGui::SetMouseCursor(ImGuiMouseCursor_Arrow);
    keep_form_drawing();
    return std::nullopt;
  }
  if (waiting) {
    keep_form_drawing();
    if (modal && request_.kind != SplashKind::video) std::this_thread::sleep_for(kDelayTick);
  }
  return std::nullopt;
}

void answer_headless(const RSplashSettings& settings, const RSplashRequest& request) {
  // Any answer closes a splash, as no answer does.
  take_form_answer(FormKind::splash, settings.caption.empty() ? request.file : settings.caption);
}

std::string open_web_page(const RSplashRequest& request) {
  std::string target;
  if (is_address(request.file)) {
    target = cp1252_to_utf8(request.file);
    if (starts_with_ignoring_case(request.file, "www.")) target = "http://" + target;
  } else {
    const fs::path path = game_path(request.file);
    std::error_code error;
    if (request.file.empty() || !fs::exists(path, error)) return "Web page not found.";
    target = fs::absolute(path, error).string();
  }
  int64_t process = 0;
  std::string error;
  if (!spawn_program("xdg-open", {target}, process, error)) return "Web page not found.";
  // The browser lives on by itself; the game does not wait for it.
  forget_program(process);
  return {};
}

std::string read_whole_file(const fs::path& path, bool& ok) {
  std::ifstream file(path, std::ios::binary);
  ok = bool(file);
  if (!ok) return {};
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ok = !file.bad();
  return bytes;
}

}  // namespace

RSplashSettings& splash_settings() { return settings_store(); }

void reset_splash_settings() { settings_store() = RSplashSettings(); }

RSplashBox place_splash_picture(int picture_width, int picture_height, int panel_width,
                                int panel_height, double scale) {
  RSplashBox box;
  if (picture_width <= 0 || picture_height <= 0) return box;
  double factor = scale;
  if (!(scale > 0)) {
    factor = std::min(double(std::max(panel_width, 0)) / picture_width,
                      double(std::max(panel_height, 0)) / picture_height);
  }
  box.width = float(picture_width * factor);
  box.height = float(picture_height * factor);
  box.left = (float(panel_width) - box.width) * 0.5f;
  box.top = (float(panel_height) - box.height) * 0.5f;
  return box;
}

RSplashWindow place_splash_window(const RSplashSettings& settings, int picture_width,
                                  int picture_height, int screen_width, int screen_height) {
  RSplashWindow window;
  if (settings.fullscreen) {
    window.left = 0;
    window.top = 0;
    window.width = std::max(screen_width, 1);
    window.height = std::max(screen_height, 1);
    window.border = false;
    return window;
  }
  double width = settings.width;
  double height = settings.height;
  if (settings.adapt && picture_width > 0 && picture_height > 0) {
    const double factor = settings.scale > 0 ? settings.scale : 1.0;
    width = std::round(picture_width * factor);
    height = std::round(picture_height * factor);
  }
  const double widest = screen_width > 0 ? screen_width : 16384;
  const double highest = screen_height > 0 ? screen_height : 16384;
  window.width = int(std::clamp(width, 1.0, widest));
  window.height = int(std::clamp(height, 1.0, highest));
  window.left = settings.left >= 0 ? settings.left : -1;
  window.top = settings.top >= 0 ? settings.top : -1;
  window.border = settings.border;
  return window;
}

TSplashForm& splash_form() {
  static TSplashForm form;
  return form;
}

bool TSplashForm::showing() const { return modeless_ != nullptr && modeless_->open(); }

void TSplashForm::close() {
  delete modeless_;
  modeless_ = nullptr;
}

std::string TSplashForm::show(const RSplashRequest& request) {
  const RSplashSettings settings = splash_settings();
  const fs::path path = game_path(request.file);
  switch (request.kind) {
    case SplashKind::video:
      if (request.file.size() > kLongestVideoName || !is_file(path)) {
        return "Video file not found (or name too long).";
      }
      break;
    case SplashKind::image:
      if (!is_file(path)) return "Image file not found.";
      break;
    case SplashKind::text:
      if (!is_file(path)) return "Text file not found.";
      break;
    case SplashKind::web:
      if (!is_address(request.file)) {
        std::error_code error;
        if (request.file.empty() || !fs::exists(path, error)) return "Web page not found.";
      }
      break;
  }
  // A new splash takes the place of one left open.
  close();
  if (forms_answer_headless()) {
    answer_headless(settings, request);
    return {};
  }
  // Headless, this splash would have taken one answer.
  record_form_answer("ok");
  if (request.kind == SplashKind::web) return open_web_page(request);

  auto showing = std::make_shared<CSplashShowing>(request, settings);
  showing->path = path;
  RFormSetup setup;
  setup.caption = settings.caption;
  setup.fonts = {RFormFont{"sans-serif", 14}};
  setup.stay_on_top = settings.stay_on_top;
  switch (request.kind) {
    case SplashKind::image: {
      TBitmap32 picture;
      std::string error;
      if (!load_image_file(path, picture, &error) || !picture.has_pixels()) {
        return "Image file cannot be read.";
      }
      showing->picture_width = picture.width();
      showing->picture_height = picture.height();
      setup.pictures.push_back(form_picture(picture.image()));
      break;
    }
    case SplashKind::video: {
      std::string error;
      if (!probe_video(path, showing->picture_width, showing->picture_height, error)) {
        return "Video file cannot be played.";
      }
      break;
    }
    case SplashKind::text: {
      bool ok = false;
      const std::string bytes = read_whole_file(path, ok);
      if (!ok) return "Text file cannot be read.";
      showing->text = std::make_unique<CRichView>(read_rich_text(bytes));
      showing->first_text_font = setup.fonts.size();
      const std::vector<RFormFont>& fonts = showing->text->fonts();
      setup.fonts.insert(setup.fonts.end(), fonts.begin(), fonts.end());
      break;
    }
    case SplashKind::web:
      break;
  }
  const RDisplayMode screen = display_mode();
  const RSplashWindow window = place_splash_window(
      settings, showing->picture_width, showing->picture_height, screen.width, screen.height);
  setup.left = window.left;
  setup.top = window.top;
  setup.width = window.width;
  setup.height = window.height;
  setup.border = window.border;
  const FormDraw draw = [showing](RFormFrame& frame) { return showing->draw(frame); };

  // Inside the game window the game waits, whatever the interrupt setting says.
  const IGameWindow* game_window = window_state().window();
  if (settings.main && game_window != nullptr && game_window->sdl_window_id() != 0) {
    showing->own_window = false;
    if (run_form_over_window(game_window->sdl_window_id(), setup, draw)) {
      clear_input();
      return {};
    }
    showing->own_window = true;
  }
  if (settings.interrupt || settings.main) {
    if (!run_modal_form(setup, draw)) answer_headless(settings, request);
    // Keys and clicks that closed the splash are not the game's.
    clear_input();
    return {};
  }
  showing->modal = false;
  std::unique_ptr<CModelessForm> form = open_modeless_form(setup, draw);
  if (!form) {
    answer_headless(settings, request);
    return {};
  }
  modeless_ = form.release();
  return {};
}

}  // namespace vn
