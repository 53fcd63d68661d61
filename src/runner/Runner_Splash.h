// Splashes: a video, a picture, a text document or a web page shown between parts of a
// game, inside the game window or in a window of their own, as the game's splash settings
// say. A web page goes to the desktop's browser and the game does not wait for it.
#pragma once

#include <cstdint>
#include <string>

namespace vn {

// Defaults: a bordered 640 × 480 window, centred, staying on top and fitted to what it
// shows, black around the picture, shown inside the game window; the game waits; Esc, a
// click and the close button close it; the pointer stays visible.
struct RSplashSettings {
  std::string caption;  // Windows-1252
  bool fullscreen = false;
  bool border = true;
  int width = 640;  // client size
  int height = 480;
  int left = -1;  // a negative coordinate is centred
  int top = -1;
  bool adapt = true;  // the window takes the size of the picture or video
  bool stay_on_top = true;
  int32_t color = 0;  // script colour around the picture or video
  bool main = true;   // inside the game window
  double scale = 0;   // 0 or less fits the picture into the window
  bool cursor = true;
  bool interrupt = true;  // the game waits (modal); else it runs on beside the splash
  bool stop_key = true;   // Esc closes it
  bool close_button = true;
  bool stop_mouse = true;  // a click closes it
};
RSplashSettings& splash_settings();
void reset_splash_settings();

enum class SplashKind { video, image, text, web };

struct RSplashRequest {
  SplashKind kind = SplashKind::image;
  std::string file;   // as the game names it (a URL for a web page), Windows-1252
  int delay = 0;      // milliseconds after which a picture or text closes; 0 or less: never
  bool loop = false;  // a video starts again at its end
  uint32_t text_background = 0xFFFFFF;  // 0xRRGGBB behind a text document
};

// Where a picture of that size goes in a panel: fitted keeping its proportions when the
// scale is 0 or less, else multiplied by the scale; centred either way.
struct RSplashBox {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};
RSplashBox place_splash_picture(int picture_width, int picture_height, int panel_width,
                                int panel_height, double scale);

// The splash's own window for a picture of that size (0 × 0 when there is none to adapt
// to) on a screen of that size: the settings' size, or the picture's (scaled) when
// adapting, never larger than the screen; full screen covers it without a border.
struct RSplashWindow {
  int left = -1;  // -1 centres that coordinate
  int top = -1;
  int width = 0;
  int height = 0;
  bool border = true;
};
RSplashWindow place_splash_window(const RSplashSettings& settings, int picture_width,
                                  int picture_height, int screen_width, int screen_height);

class CModelessForm;

// The splash form: one splash at a time, shown with the settings in force when it starts.
class TSplashForm {
 public:
  // The message for the game when the splash cannot be shown ("Image file not found." ...),
  // else empty. Without a screen the splash is answered as a form (its caption, or the
  // file's name when there is none) and closes.
  std::string show(const RSplashRequest& request);
  // A splash left open beside the running game (interrupt off) is showing.
  bool showing() const;
  // Closes the splash left open, if any (a new splash, the end of the game).
  void close();

 private:
  // Never destroyed with the program's statics: SDL is gone by then.
  CModelessForm* modeless_ = nullptr;
};
TSplashForm& splash_form();

}  // namespace vn
