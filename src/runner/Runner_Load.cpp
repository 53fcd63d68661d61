#include "runner/Runner_Load.h"

#include <algorithm>
#include <cmath>

#include "platform/Platform_Font.h"
#include "platform/Platform_Video.h"
#include "runner/Support_Message.h"

namespace vn {
namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

struct RRect {
  int left = 0;
  int top = 0;
  int right = 0;  // exclusive
  int bottom = 0;
};

RRect intersect(const RRect& a, const RRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

RRect bounds(const RControl& control) {
  return {control.left, control.top, control.left + control.width, control.top + control.height};
}

// Nearest-neighbour scaling of the picture onto the target rectangle, cut to the clip.
void draw_stretched(RImage& frame, const RImage& picture, const RRect& target, const RRect& clip) {
  const int target_width = target.right - target.left;
  const int target_height = target.bottom - target.top;
  if (picture.empty() || target_width <= 0 || target_height <= 0) {
    return;
  }
  const RRect area = intersect(intersect(target, clip), {0, 0, frame.width, frame.height});
  for (int y = area.top; y < area.bottom; ++y) {
    const int source_y = int(int64_t(y - target.top) * picture.height / target_height);
    for (int x = area.left; x < area.right; ++x) {
      const int source_x = int(int64_t(x - target.left) * picture.width / target_width);
      frame.at(x, y) = picture.at(source_x, source_y) | kOpaque;
    }
  }
}

void draw_natural(RImage& frame, const RImage& picture, int left, int top, const RRect& clip) {
  draw_stretched(frame, picture, {left, top, left + picture.width, top + picture.height}, clip);
}

uint32_t blend(uint32_t under, uint32_t colour, int coverage) {
  uint32_t result = kOpaque;
  for (int shift = 0; shift < 24; shift += 8) {
    const int below = int((under >> shift) & 0xFF);
    const int above = int((colour >> shift) & 0xFF);
    result |= uint32_t(below + (above - below) * coverage / 255) << shift;
  }
  return result;
}

void draw_text(RImage& frame, const RTextMask& text, int left, int top, uint32_t colour,
               const RRect& clip) {
  const RRect area = intersect(intersect({left, top, left + text.width, top + text.height}, clip),
                               {0, 0, frame.width, frame.height});
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const int coverage = text.at(x - left, y - top);
      if (coverage != 0) {
        frame.at(x, y) = blend(frame.at(x, y), colour, coverage);
      }
    }
  }
}

// Light text with a soft shadow reads on the dark default panel and on most game pictures.
void draw_shadowed_text(RImage& frame, const RTextMask& text, int left, int top, uint32_t colour,
                        const RRect& clip) {
  RTextMask shadow = text;
  for (uint8_t& value : shadow.alpha) {
    value = uint8_t(value * 3 / 5);
  }
  draw_text(frame, shadow, left + 1, top + 1, 0x000000, clip);
  draw_text(frame, text, left, top, colour, clip);
}

uint32_t mix(uint32_t from, uint32_t to, int step, int steps) {
  return blend(from, to, steps <= 1 ? 0 : step * 255 / (steps - 1));
}

RImage filled(int width, int height, uint32_t colour) {
  return {width, height, std::vector<uint32_t>(size_t(width) * size_t(height), colour | kOpaque)};
}

void fill_row(RImage& image, int y, uint32_t colour) {
  for (int x = 0; x < image.width; ++x) {
    image.at(x, y) = colour | kOpaque;
  }
}

void fill_column(RImage& image, int x, uint32_t colour) {
  for (int y = 0; y < image.height; ++y) {
    image.at(x, y) = colour | kOpaque;
  }
}

const RFontRequest kLabelFont{"", 11, false, false};
const RFontRequest kTitleFont{"", 24, true, false};

}  // namespace

RImage default_loading_image() {
  constexpr int kWidth = 332;
  constexpr int kHeight = 92;
  RImage image = filled(kWidth, kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    fill_row(image, y, mix(0x2F3645, 0x181B24, y, kHeight));
  }
  fill_row(image, 0, 0x5A6478);
  fill_row(image, kHeight - 1, 0x0E1016);
  fill_column(image, 0, 0x4A5366);
  fill_column(image, kWidth - 1, 0x0E1016);
  for (int x = 1; x < kWidth - 1; ++x) {
    image.at(x, 1) = 0x3C4456 | kOpaque;
  }
  // The word sits in the band above the bar, which starts 32 rows from the bottom.
  const RTextMask title = render_text_line("Loading", kTitleFont);
  if (!title.empty()) {
    const int band = kHeight - 32;
    draw_shadowed_text(image, title, (kWidth - title.width) / 2, (band - title.height) / 2 + 2,
                       0xE8ECF4, {0, 0, kWidth, band});
  }
  return image;
}

RImage default_bar_back() {
  RImage image = filled(284, 16, 0x12151C);
  fill_row(image, 0, 0x07080C);
  fill_row(image, 1, 0x0C0E13);
  fill_row(image, image.height - 1, 0x4A5366);
  fill_column(image, 0, 0x07080C);
  fill_column(image, image.width - 1, 0x3A4254);
  return image;
}

RImage default_bar_front() {
  RImage image = filled(284, 16, 0);
  for (int y = 0; y < image.height; ++y) {
    fill_row(image, y, mix(0x8CD8FF, 0x2A7FCF, y, image.height));
  }
  fill_row(image, 0, 0xC8EEFF);
  fill_row(image, image.height - 1, 0x1D5E9E);
  return image;
}

RImage compose_load_frame(const RLoadFormState& state) {
  const int width = std::max(state.client_width, 0);
  const int height = std::max(state.client_height, 0);
  RImage frame = filled(width, height, 0x000000);
  const RRect everywhere{0, 0, width, height};
  if (state.load_image.visible) {
    draw_natural(frame, state.image_picture, state.load_image.left, state.load_image.top,
                 bounds(state.load_image));
  }
  if (state.load_empty_shape.visible) {
    draw_stretched(frame, state.empty_picture, bounds(state.load_empty_shape), everywhere);
  }
  const RControl& full = state.load_full_shape;
  if (full.visible) {
    if (state.full_stretched) {
      draw_stretched(frame, state.full_picture, bounds(full), everywhere);
    } else {
      draw_natural(frame, state.full_picture, full.left, full.top, bounds(full));
    }
  }
  const RControl& label = state.load_label;
  if (label.visible && !state.label_text.empty()) {
    const RTextMask text = render_text_line(state.label_text, kLabelFont);
    if (!text.empty()) {
      draw_shadowed_text(frame, text, label.left, label.top + (label.height - text.height) / 2,
                         0xFFFFFF, bounds(label));
    }
  }
  return frame;
}

TLoadForm::TLoadForm() {
  state_.image_picture = default_loading_image();
  state_.empty_picture = default_bar_back();
  state_.full_picture = default_bar_front();
}

TLoadForm::~TLoadForm() = default;

void TLoadForm::setup(const CGameSettings& settings, bool debug_mode) {
  RLoadFormState& s = state_;
  if (settings.loading_image && !settings.loading_image->image.empty()) {
    s.image_picture = settings.loading_image->image;
  }
  s.load_image.width = s.image_picture.width;
  s.load_image.height = s.image_picture.height;

  s.transparent_color.reset();
  if (settings.loading_transparent && !s.image_picture.empty()) {
    s.transparent_color = s.image_picture.at(0, s.image_picture.height - 1) & 0xFFFFFFu;
  }
  s.opacity = settings.loading_alpha < 255 ? std::max(settings.loading_alpha, 0) : 255;

  if (settings.loading_bar) {
    if (settings.loading_back && !settings.loading_back->image.empty()) {
      s.empty_picture = settings.loading_back->image;
    }
    if (settings.loading_front && !settings.loading_front->image.empty()) {
      s.full_picture = settings.loading_front->image;
    }
  }
  s.load_empty_shape.visible = settings.loading_bar;
  s.load_full_shape.visible = settings.loading_bar;
  s.full_stretched = settings.scale_loading_bar;
  s.load_label.visible = debug_mode && settings.loading_bar;

  s.client_width = s.load_image.width;
  s.client_height = s.load_image.height;
  const RDisplaySize screen = display_size();
  s.left = (screen.width - s.client_width) / 2;
  s.top = (screen.height - s.client_height) / 2;

  const int bar_top = s.client_height - 32;
  s.load_empty_shape.top = bar_top;
  s.load_full_shape.top = bar_top;
  s.load_label.top = bar_top;
  s.load_empty_shape.width = s.client_width - 2 * s.load_empty_shape.left;

  RWindowSetup window;
  window.title = application_title();
  window.left = s.left;
  window.top = s.top;
  window.width = s.client_width;
  window.height = s.client_height;
  window.transparent_color = s.transparent_color;
  window.opacity = s.opacity;
  window_ = create_plain_window(window);

  progress(0, "Loading");
  window_->show();
  pump_events();
}

void TLoadForm::progress(int percent, const std::string& text) {
  // Ties go to the even neighbour, like every rounding of the program.
  const double width = std::nearbyint(double(percent) * state_.load_empty_shape.width / 100.0);
  state_.load_full_shape.width = std::max(int(width), 0);
  state_.label_text = text;
  if (window_ != nullptr) {
    window_->present(compose_load_frame(state_));
  }
  pump_events();
}

void TLoadForm::close() {
  if (window_ != nullptr) {
    window_->hide();
    window_.reset();
  }
  state_.image_picture = {};
  state_.empty_picture = {};
  state_.full_picture = {};
  pump_events();
}

}  // namespace vn
