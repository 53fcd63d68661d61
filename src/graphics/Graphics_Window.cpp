#include "graphics/Graphics_Window.h"

#include <algorithm>
#include <cmath>

#include "platform/Platform_Display.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The factor of a fixed scale, or of keep-aspect for that client.
double scale_factor(int client_width, int client_height, int region_width, int region_height,
                    double scale) {
  if (scale > 0) return scale;
  return std::min(double(client_width) / std::max(region_width, 1),
                  double(client_height) / std::max(region_height, 1));
}

// Halves round to even, as every rounding of the games does.
int scaled(int size, double scale) {
  const double value = std::nearbyint(size * scale);
  return value == value ? int(std::clamp(value, -1e9, 1e9)) : 0;
}

// No window system makes windows larger than this; nor should a script's typing error.
constexpr int kLargestClientSide = 8192;

int client_side(int size) { return std::clamp(size, 1, kLargestClientSide); }

}  // namespace

RRect presentation_rect(int client_width, int client_height, int region_width, int region_height,
                        double scale) {
  if (scale == 0) return {0, 0, client_width, client_height};
  const double factor =
      scale_factor(client_width, client_height, region_width, region_height, scale);
  const int width = scaled(region_width, factor);
  const int height = scaled(region_height, factor);
  // Offsets truncate towards zero, also when the region is larger than the client.
  return {(client_width - width) / 2, (client_height - height) / 2, width, height};
}

void CWindowState::attach(IGameWindow* window) {
  window_ = window;
  if (window_ == nullptr) return;
  stored_client_ = {window_->client_x(), window_->client_y(), window_->client_width(),
                    window_->client_height()};
  apply_style();
}

void CWindowState::remember_client_rect() {
  if (window_ == nullptr || style_.fullscreen) return;
  stored_client_ = {window_->client_x(), window_->client_y(), window_->client_width(),
                    window_->client_height()};
}

void CWindowState::apply_style() {
  if (window_ == nullptr) return;
  window_->set_style(style_);
  if (!style_.fullscreen) {
    window_->set_client_rect(stored_client_.x, stored_client_.y, stored_client_.width,
                             stored_client_.height);
  }
  // With a fixed scale the player cannot drag the window smaller than the scaled region.
  if (scale_ > 0) {
    window_->set_minimum_client_size(client_side(scaled(region_width_, scale_)),
                                     client_side(scaled(region_height_, scale_)));
  } else {
    window_->set_minimum_client_size(0, 0);
  }
}

void CWindowState::set_fullscreen(bool on) {
  if (on == style_.fullscreen) return;
  remember_client_rect();
  style_.fullscreen = on;
  apply_style();
  sync_fullscreen_display_mode();
}

void CWindowState::follow_display_mode() {
  if (window_ != nullptr && style_.fullscreen && !has_display()) {
    // A window nobody sees covers the desktop only as it was when it went fullscreen.
    RWindowStyle windowed = style_;
    windowed.fullscreen = false;
    window_->set_style(windowed);
    window_->set_style(style_);
  }
  sync_fullscreen_display_mode();
}

void CWindowState::set_border(bool on) {
  remember_client_rect();
  style_.border = on;
  apply_style();
}

void CWindowState::set_caption_buttons(bool on) {
  remember_client_rect();
  style_.caption_buttons = on;
  apply_style();
}

void CWindowState::set_sizeable(bool on) {
  remember_client_rect();
  style_.sizeable = on;
  apply_style();
}

void CWindowState::set_stay_on_top(bool on) {
  style_.stay_on_top = on;
  if (window_ != nullptr) window_->set_style(style_);
}

void CWindowState::set_caption(const std::string& caption) {
  caption_ = caption;
  if (window_ != nullptr) window_->set_title(caption);
}

std::string CWindowState::caption() const {
  return window_ != nullptr ? window_->title() : caption_;
}

void CWindowState::set_cursor(int cursor) {
  cursor_ = cursor;
  if (window_ != nullptr) window_->set_cursor(cursor);
}

void CWindowState::set_visible(bool on) {
  visible_ = on;
  if (window_ == nullptr) return;
  if (on) {
    window_->show();
  } else {
    window_->hide();
  }
}

bool CWindowState::visible() const { return window_ != nullptr ? window_->visible() : visible_; }

void CWindowState::fit_client_to_region(bool force) {
  if (scale_ <= 0) return;
  int width = scaled(region_width_, scale_);
  int height = scaled(region_height_, scale_);
  if (!force) {
    // Fullscreen, the windowed size is the one to grow.
    width = std::max(width, style_.fullscreen ? stored_client_.width : client_width());
    height = std::max(height, style_.fullscreen ? stored_client_.height : client_height());
  }
  width = client_side(width);
  height = client_side(height);
  if (style_.fullscreen || window_ == nullptr) {
    stored_client_.width = width;
    stored_client_.height = height;
  } else {
    window_->set_client_rect(client_x(), client_y(), width, height);
    remember_client_rect();
  }
  if (window_ != nullptr) {
    window_->set_minimum_client_size(client_side(scaled(region_width_, scale_)),
                                     client_side(scaled(region_height_, scale_)));
  }
}

void CWindowState::set_region(int width, int height, bool force) {
  if (width > 0) region_width_ = width;
  if (height > 0) region_height_ = height;
  fit_client_to_region(force);
}

void CWindowState::set_scale(double scale, bool force) {
  scale_ = scale;
  if (window_ != nullptr && scale_ <= 0) window_->set_minimum_client_size(0, 0);
  fit_client_to_region(force);
}

void CWindowState::set_client_position(int x, int y) {
  stored_client_.x = x;
  stored_client_.y = y;
  if (window_ != nullptr && !style_.fullscreen) {
    window_->set_client_rect(x, y, client_width(), client_height());
  }
}

void CWindowState::set_client_size(int width, int height) {
  if (scale_ > 0) {
    width = scaled(region_width_, scale_);
    height = scaled(region_height_, scale_);
  }
  stored_client_.width = client_side(width);
  stored_client_.height = client_side(height);
  if (window_ != nullptr && !style_.fullscreen) {
    window_->set_client_rect(client_x(), client_y(), stored_client_.width, stored_client_.height);
  }
}

void CWindowState::center() {
  int width = style_.fullscreen ? stored_client_.width : client_width();
  int height = style_.fullscreen ? stored_client_.height : client_height();
  if (scale_ > 0) {
    width = scaled(region_width_, scale_);
    height = scaled(region_height_, scale_);
  }
  place_centred(width, height);
}

void CWindowState::set_default() {
  const double factor = scale_ > 0 ? scale_ : 1.0;
  place_centred(scaled(region_width_, factor), scaled(region_height_, factor));
}

void CWindowState::place_centred(int width, int height) {
  const RDisplaySize desktop = display_size();
  width = client_side(width);
  height = client_side(height);
  stored_client_ = {(desktop.width - width) / 2, (desktop.height - height) / 2, width, height};
  if (window_ != nullptr && !style_.fullscreen) {
    window_->set_client_rect(stored_client_.x, stored_client_.y, stored_client_.width,
                             stored_client_.height);
  }
}

RRect CWindowState::client_rect() const {
  if (window_ != nullptr) {
    return {window_->client_x(), window_->client_y(), window_->client_width(),
            window_->client_height()};
  }
  // Without a window the state stands in for one: fullscreen covers the desktop.
  if (style_.fullscreen) {
    const RDisplaySize desktop = display_size();
    return {0, 0, std::max(desktop.width, 1), std::max(desktop.height, 1)};
  }
  return stored_client_;
}

int CWindowState::client_x() const { return client_rect().x; }
int CWindowState::client_y() const { return client_rect().y; }
int CWindowState::client_width() const { return client_rect().width; }
int CWindowState::client_height() const { return client_rect().height; }

RRect CWindowState::destination() const {
  return presentation_rect(client_width(), client_height(), region_width_, region_height_, scale_);
}

RPointD CWindowState::client_to_region(double x, double y) const {
  if (scale_ == 0) {
    return {std::nearbyint(x * region_width_ / std::max(client_width(), 1)),
            std::nearbyint(y * region_height_ / std::max(client_height(), 1))};
  }
  const RRect place = destination();
  const double factor =
      scale_factor(client_width(), client_height(), region_width_, region_height_, scale_);
  if (factor == 0) return {0, 0};
  return {std::nearbyint((x - place.x) / factor), std::nearbyint((y - place.y) / factor)};
}

RPointD CWindowState::region_to_client(double x, double y) const {
  if (scale_ == 0) {
    return {std::nearbyint(x * client_width() / std::max(region_width_, 1)),
            std::nearbyint(y * client_height() / std::max(region_height_, 1))};
  }
  const RRect place = destination();
  const double factor =
      scale_factor(client_width(), client_height(), region_width_, region_height_, scale_);
  return {std::nearbyint(place.x + x * factor), std::nearbyint(place.y + y * factor)};
}

void CWindowState::set_view_mapping(int index, const RViewMapping& mapping) {
  if (index >= 0 && index < kViewMappings) views_[size_t(index)] = mapping;
}

void CWindowState::clear_view_mappings() { views_.fill(RViewMapping()); }

int CWindowState::active_views() const {
  return int(std::count_if(views_.begin(), views_.end(),
                           [](const RViewMapping& view) { return view.active; }));
}

namespace {

// A region point into the room through one view: the port's scale, then the view's angle
// undone about its centre (the inverse of the view's camera), rounded.
RPointD through_view(const RViewMapping& view, double x, double y) {
  double room_x = (x - view.port_x) * view.view_width / std::max(view.port_width, 1.0);
  double room_y = (y - view.port_y) * view.view_height / std::max(view.port_height, 1.0);
  if (std::fabs(view.angle) >= 0.01) {
    const double sx = room_x - view.view_width / 2;
    const double sy = room_y - view.view_height / 2;
    const double a = view.angle * kPi / 180;
    room_x = view.view_width / 2 + sx * std::cos(a) - sy * std::sin(a);
    room_y = view.view_height / 2 + sx * std::sin(a) + sy * std::cos(a);
  }
  return {std::nearbyint(view.view_x + room_x), std::nearbyint(view.view_y + room_y)};
}

RPointD into_view(const RViewMapping& view, double x, double y) {
  double dx = x - view.view_x - view.view_width / 2;
  double dy = y - view.view_y - view.view_height / 2;
  if (std::fabs(view.angle) >= 0.01) {
    const double a = view.angle * kPi / 180;
    const double sx = dx * std::cos(a) + dy * std::sin(a);
    const double sy = -dx * std::sin(a) + dy * std::cos(a);
    dx = sx;
    dy = sy;
  }
  dx += view.view_width / 2;
  dy += view.view_height / 2;
  return {std::nearbyint(view.port_x + dx * view.port_width / std::max(view.view_width, 1.0)),
          std::nearbyint(view.port_y + dy * view.port_height / std::max(view.view_height, 1.0))};
}

bool inside(const RViewMapping& view, const RPointD& point) {
  return point.x >= view.view_x && point.x < view.view_x + view.view_width &&
         point.y >= view.view_y && point.y < view.view_y + view.view_height;
}

}  // namespace

RPointD CWindowState::region_to_room(double x, double y) const {
  for (int i = kViewMappings - 1; i >= 0; --i) {
    const RViewMapping& view = views_[size_t(i)];
    if (!view.active) continue;
    const RPointD point = through_view(view, x, y);
    if (inside(view, point)) return point;
  }
  return {x, y};
}

RPointD CWindowState::region_to_view(int view, double x, double y) const {
  if (view < 0 || view >= kViewMappings || !views_[size_t(view)].active) return {x, y};
  return through_view(views_[size_t(view)], x, y);
}

RPointD CWindowState::room_to_region_through(int view, double x, double y) const {
  if (view < 0 || view >= kViewMappings || !views_[size_t(view)].active) return {x, y};
  return into_view(views_[size_t(view)], x, y);
}

RPointD CWindowState::room_to_region(double x, double y) const {
  const RViewMapping* topmost = nullptr;
  for (int i = kViewMappings - 1; i >= 0; --i) {
    const RViewMapping& view = views_[size_t(i)];
    if (!view.active) continue;
    if (inside(view, {x, y})) return into_view(view, x, y);
    if (topmost == nullptr) topmost = &view;
  }
  return topmost != nullptr ? into_view(*topmost, x, y) : RPointD{x, y};
}

CWindowState& window_state() {
  static CWindowState instance;
  return instance;
}

}  // namespace vn
