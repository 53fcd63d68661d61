// The game window as the games see it: its style, its region (what one frame of the room
// shows, in room pixels) scaled into the client area, the bands around the scaled region,
// and the mapping of window points back to the region and, through the views, to the room.
#pragma once

#include <array>
#include <string>

#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"

namespace vn {

// Where the region lands in the client area: scale 0 fills it, a negative scale keeps the
// aspect ratio, a positive one is a fixed factor; centred, offsets truncated.
RRect presentation_rect(int client_width, int client_height, int region_width, int region_height,
                        double scale);

// A view as the mouse mapping sees it.
struct RViewMapping {
  bool active = false;
  double view_x = 0;
  double view_y = 0;
  double view_width = 0;
  double view_height = 0;
  double port_x = 0;
  double port_y = 0;
  double port_width = 0;
  double port_height = 0;
  double angle = 0;  // degrees
};

constexpr int kViewMappings = 32;

struct RPointD {
  double x = 0;
  double y = 0;
};

class CWindowState {
 public:
  // The window frames are shown in; null detaches (nothing is shown then).
  void attach(IGameWindow* window);
  IGameWindow* window() const { return window_; }

  // --- Style; each change remembers the client rectangle first (when windowed). ---
  void set_fullscreen(bool on);
  void set_border(bool on);
  void set_caption_buttons(bool on);
  void set_sizeable(bool on);
  void set_stay_on_top(bool on);
  const RWindowStyle& style() const { return style_; }
  void set_caption(const std::string& caption);  // Windows-1252
  std::string caption() const;
  void set_cursor(int cursor);
  int cursor() const { return cursor_; }
  // The game's show-cursor setting as it stands: every cursor but none (-1) shows.
  bool cursor_shown() const { return cursor_ != -1; }
  void set_color(int32_t color) { color_ = color; }
  int32_t color() const { return color_; }
  void set_visible(bool on);
  bool visible() const;

  // --- Region and scale. ---
  // Values of 0 or less leave that side as it is. With a fixed scale the client is made
  // round(region × scale): with force exactly, without force only ever larger.
  void set_region(int width, int height, bool force);
  int region_width() const { return region_width_; }
  int region_height() const { return region_height_; }
  void set_scale(double scale, bool force);
  double scale() const { return scale_; }

  // --- Client area (windowed). Without a window the state keeps the rectangle a window
  // would have, so that the games' queries answer the same. ---
  void set_client_position(int x, int y);
  // With a fixed scale the size is the scaled region instead.
  void set_client_size(int width, int height);
  void center();
  // Centred, with the size the region and a fixed scale give (the region itself else).
  void set_default();
  int client_x() const;
  int client_y() const;
  int client_width() const;
  int client_height() const;

  // Where the region is shown in the client area now.
  RRect destination() const;

  // --- Mouse mapping. ---
  // A client point to the region; outside the scaled region it maps outside the region.
  RPointD client_to_region(double x, double y) const;
  RPointD region_to_client(double x, double y) const;
  // The view table: entries 0 ... 7 come from the room's views every frame.
  void set_view_mapping(int index, const RViewMapping& mapping);
  void clear_view_mappings();
  // A region point to the room through the topmost view holding it (the region point
  // itself when no view does).
  RPointD region_to_room(double x, double y) const;
  // Through one view only (the region point itself when that view is not active).
  RPointD region_to_view(int view, double x, double y) const;
  // The inverse of each, for moving the mouse.
  RPointD room_to_region_through(int view, double x, double y) const;
  // Through the topmost view whose rectangle holds the room point (the topmost view when
  // none does; the point itself without views).
  RPointD room_to_region(double x, double y) const;
  int active_views() const;

  // Applies the style to the window as it is now (window state restored afterwards).
  void apply_style();
  // After the display mode changed: a fullscreen window covers the new desktop.
  void follow_display_mode();

 private:
  void remember_client_rect();
  void fit_client_to_region(bool force);
  void place_centred(int width, int height);
  RRect client_rect() const;

  IGameWindow* window_ = nullptr;
  RWindowStyle style_;
  int cursor_ = 0;
  int32_t color_ = 0;
  std::string caption_;  // and visible_: what a window would say, while there is none
  bool visible_ = true;
  int region_width_ = 8;
  int region_height_ = 8;
  double scale_ = 1.0;
  // The client rectangle kept for windowed mode.
  RRect stored_client_{0, 0, 8, 8};
  std::array<RViewMapping, kViewMappings> views_{};
};

CWindowState& window_state();

}  // namespace vn
