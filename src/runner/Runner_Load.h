// The loading form: the loading image with a progress bar, shown while the game file is
// read and the game prepared.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Platform_Window.h"
#include "runner/Option_Main.h"
#include "support/Support_Image.h"

namespace vn {

struct RControl {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool visible = true;
};

// Everything the form shows; the frame is made from this alone (compose_load_frame).
struct RLoadFormState {
  // LoadImage sizes itself to its picture; LoadEmptyShape stretches its picture to its
  // bounds; LoadFullShape stretches it when full_stretched, otherwise draws it at its own
  // size cut to its bounds; LoadLabel is transparent, text at the left, centred vertically.
  RControl load_image{0, 0, 332, 92, true};
  RControl load_empty_shape{24, 72, 289, 16, true};
  RControl load_full_shape{24, 72, 105, 16, true};
  RControl load_label{32, 72, 273, 17, false};
  RImage image_picture;
  RImage empty_picture;
  RImage full_picture;
  bool full_stretched = true;
  std::string label_text;  // Windows-1252

  int left = 0;  // desktop position and client size of the form
  int top = 0;
  int client_width = 332;
  int client_height = 92;
  std::optional<uint32_t> transparent_color;  // 0x00RRGGBB
  int opacity = 255;
};

// Opaque pixels, client size.
RImage compose_load_frame(const RLoadFormState& state);

// Our own default pictures.
RImage default_loading_image();  // 332 x 92
RImage default_bar_back();       // 284 x 16
RImage default_bar_front();      // 284 x 16

class TLoadForm {
 public:
  TLoadForm();
  ~TLoadForm();
  TLoadForm(const TLoadForm&) = delete;
  TLoadForm& operator=(const TLoadForm&) = delete;

  // Runs once, right after the settings are read: takes the game's pictures, transparency
  // and alpha, lays the form out, centres it on the screen and shows it at 0 percent.
  void setup(const CGameSettings& settings, bool debug_mode);
  // Percent 0 ... 100; redraws and lets the window system catch up.
  void progress(int percent, const std::string& text);
  // Hides the form and lets go of its pictures.
  void close();

  const RLoadFormState& state() const { return state_; }
  bool visible() const { return window_ != nullptr && window_->visible(); }
  // Null before setup and after close.
  IPlainWindow* window() const { return window_.get(); }

 private:
  RLoadFormState state_;
  std::unique_ptr<IPlainWindow> window_;
};

}  // namespace vn
