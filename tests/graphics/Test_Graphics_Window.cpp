// The window state: where the region is shown in the client area, the sizes the window is
// given, and the mouse mapped back through the scaling and the views, checked against the
// device's own camera.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Matrix.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {
namespace {

// A window that does what it is told, as the offscreen one does: fullscreen covers the
// desktop, windowed it takes the client rectangle it was given.
class CFakeWindow final : public IGameWindow {
 public:
  void show() override { visible_ = true; }
  void hide() override { visible_ = false; }
  bool visible() const override { return visible_; }
  void set_title(const std::string& title) override { title_ = title; }
  const std::string& title() const override { return title_; }
  void set_style(const RWindowStyle& style) override {
    style_ = style;
    client_ = style.fullscreen ? RRect{0, 0, 1024, 768} : windowed_;
  }
  const RWindowStyle& style() const override { return style_; }
  void set_client_rect(int x, int y, int width, int height) override {
    windowed_ = {x, y, std::max(width, 1), std::max(height, 1)};
    if (!style_.fullscreen) client_ = windowed_;
  }
  int client_x() const override { return client_.x; }
  int client_y() const override { return client_.y; }
  int client_width() const override { return client_.width; }
  int client_height() const override { return client_.height; }
  void set_minimum_client_size(int width, int height) override {
    minimum_width = width;
    minimum_height = height;
  }
  void on_resize(std::function<void()>) override {}
  void set_cursor(int) override {}
  void set_cursor_shown(bool) override {}
  void handle_events(const RGameWindowEvents&) override {}
  bool active() const override { return true; }
  IRenderer* renderer() override { return nullptr; }

  int minimum_width = 0;
  int minimum_height = 0;

 private:
  bool visible_ = false;
  std::string title_;
  RWindowStyle style_;
  RRect windowed_{100, 100, 640, 480};
  RRect client_{100, 100, 640, 480};
};

class GraphicsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    set_headless(true);
    set_headless_display_size(1024, 768);
  }
  void TearDown() override { set_headless(false); }

  CWindowState state_;
};

void expect_rect(const RRect& rect, int x, int y, int width, int height) {
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(PresentationRect, EachScaleModePlacesTheRegionCentred) {
  // Fixed: the region times the factor, whatever the client.
  expect_rect(presentation_rect(300, 200, 100, 50, 2.0), 50, 50, 200, 100);
  expect_rect(presentation_rect(100, 50, 100, 50, 2.0), -50, -25, 200, 100);
  expect_rect(presentation_rect(300, 200, 101, 51, 0.5), 125, 87, 50, 26);
  // Stretched: the whole client area.
  expect_rect(presentation_rect(300, 200, 100, 50, 0.0), 0, 0, 300, 200);
  // Keeping the aspect: bands left and right in a wide window, above and below in a tall
  // one; odd leftovers go to the far band.
  expect_rect(presentation_rect(401, 100, 100, 100, -1.0), 150, 0, 100, 100);
  expect_rect(presentation_rect(200, 500, 100, 100, -1.0), 0, 150, 200, 200);
  expect_rect(presentation_rect(640, 480, 320, 240, -1.0), 0, 0, 640, 480);
}

TEST_F(GraphicsWindow, TheMouseOverABandMapsOutsideTheRegion) {
  state_.set_scale(-1, true);
  state_.set_region(100, 100, true);
  state_.set_client_size(400, 100);
  expect_rect(state_.destination(), 150, 0, 100, 100);
  RPointD point = state_.client_to_region(10, 50);
  EXPECT_LT(point.x, 0);
  point = state_.client_to_region(390, 50);
  EXPECT_GE(point.x, 100);
  point = state_.client_to_region(175, 20);
  EXPECT_EQ(point.x, 25);
  EXPECT_EQ(point.y, 20);
  point = state_.region_to_client(25, 20);
  EXPECT_EQ(point.x, 175);
  EXPECT_EQ(point.y, 20);

  // Stretched, the client's pixels spread over the region.
  state_.set_scale(0, true);
  point = state_.client_to_region(200, 50);
  EXPECT_EQ(point.x, 50);
  EXPECT_EQ(point.y, 50);
  point = state_.region_to_client(50, 50);
  EXPECT_EQ(point.x, 200);
  EXPECT_EQ(point.y, 50);

  // Twice the size, the region point is half the client point.
  state_.set_scale(2, true);
  expect_rect(state_.destination(), 0, 0, 200, 200);
  // Halves round to even, as every rounding of the games does.
  point = state_.client_to_region(61, 99);
  EXPECT_EQ(point.x, 30);
  EXPECT_EQ(point.y, 50);
  point = state_.client_to_region(63, 101);
  EXPECT_EQ(point.x, 32);
  EXPECT_EQ(point.y, 50);
}

TEST_F(GraphicsWindow, WithoutAWindowTheStateAnswersAsAWindowWould) {
  state_.set_scale(1, true);
  state_.set_region(320, 240, true);
  EXPECT_EQ(state_.client_width(), 320);
  state_.set_client_position(30, 40);
  EXPECT_EQ(state_.client_x(), 30);
  EXPECT_EQ(state_.client_y(), 40);
  state_.center();
  EXPECT_EQ(state_.client_x(), (1024 - 320) / 2);
  EXPECT_EQ(state_.client_y(), (768 - 240) / 2);
  state_.set_fullscreen(true);
  EXPECT_EQ(state_.client_width(), 1024);
  state_.set_fullscreen(false);
  EXPECT_EQ(state_.client_width(), 320);
  state_.set_caption("Caption \xe9");
  EXPECT_EQ(state_.caption(), "Caption \xe9");
  state_.set_cursor(-1);
  EXPECT_FALSE(state_.cursor_shown());
  state_.set_cursor(-3);
  EXPECT_TRUE(state_.cursor_shown());
}

TEST_F(GraphicsWindow, AFixedScaleSizesTheClientFromTheRegion) {
  CFakeWindow window;
  state_.attach(&window);
  state_.set_scale(2, true);
  state_.set_region(100, 80, true);
  EXPECT_EQ(window.client_width(), 200);
  EXPECT_EQ(window.client_height(), 160);
  EXPECT_EQ(window.minimum_width, 200);
  // Without force the client only grows.
  state_.set_region(50, 100, false);
  EXPECT_EQ(window.client_width(), 200);
  EXPECT_EQ(window.client_height(), 200);
  // A size asked for is the scaled region's.
  state_.set_client_size(500, 500);
  EXPECT_EQ(window.client_width(), 100);
  state_.set_default();
  expect_rect({window.client_x(), window.client_y(), window.client_width(), window.client_height()},
              (1024 - 100) / 2, (768 - 200) / 2, 100, 200);
  // Free scaling lets the player make the window any size.
  state_.set_scale(0, true);
  EXPECT_EQ(window.minimum_width, 0);
  state_.set_client_size(500, 300);
  EXPECT_EQ(window.client_width(), 500);
  state_.attach(nullptr);
}

TEST_F(GraphicsWindow, FullscreenTheRegionGrowsTheWindowedSizeNotTheDesktop) {
  CFakeWindow window;
  state_.attach(&window);
  state_.set_scale(1, true);
  state_.set_region(100, 100, true);
  state_.set_fullscreen(true);
  EXPECT_EQ(window.client_width(), 1024);
  state_.set_region(200, 150, false);
  state_.set_fullscreen(false);
  EXPECT_EQ(window.client_width(), 200);
  EXPECT_EQ(window.client_height(), 150);
  state_.attach(nullptr);
}

RViewMapping view_of(double view_x, double view_y, double view_width, double view_height,
                     double port_x, double port_y, double port_width, double port_height,
                     double angle) {
  return {true,   view_x, view_y,     view_width,  view_height,
          port_x, port_y, port_width, port_height, angle};
}

TEST_F(GraphicsWindow, TheTopmostViewHoldingThePointIsTaken) {
  RPointD point = state_.region_to_room(12, 34);
  EXPECT_EQ(point.x, 12);  // no views: the region is the room
  // Two ports side by side; view 3 lies over view 1 where they meet.
  state_.set_view_mapping(1, view_of(0, 0, 100, 100, 0, 0, 100, 100, 0));
  state_.set_view_mapping(3, view_of(500, 0, 100, 100, 50, 0, 100, 100, 0));
  EXPECT_EQ(state_.active_views(), 2);
  point = state_.region_to_room(60, 10);
  EXPECT_EQ(point.x, 510);
  point = state_.region_to_room(20, 10);
  EXPECT_EQ(point.x, 20);
  // Each view on its own, and back.
  point = state_.region_to_view(1, 60, 10);
  EXPECT_EQ(point.x, 60);
  point = state_.room_to_region_through(3, 510, 10);
  EXPECT_EQ(point.x, 60);
  point = state_.room_to_region(20, 10);
  EXPECT_EQ(point.x, 20);
  point = state_.room_to_region(590, 10);
  EXPECT_EQ(point.x, 140);
  state_.clear_view_mappings();
  EXPECT_EQ(state_.active_views(), 0);
}

TEST_F(GraphicsWindow, AScaledViewMapsThroughItsPort) {
  // The room's (100, 50, 200, 100) shown twice as large at port (10, 20).
  state_.set_view_mapping(0, view_of(100, 50, 200, 100, 10, 20, 400, 200, 0));
  RPointD point = state_.region_to_room(10 + 100, 20 + 50);
  EXPECT_EQ(point.x, 150);
  EXPECT_EQ(point.y, 75);
  point = state_.room_to_region_through(0, 150, 75);
  EXPECT_EQ(point.x, 110);
  EXPECT_EQ(point.y, 70);
}

// Where the device's camera puts a room point in the port, in region pixels.
RPointD projected(const CGraphicsDevice& device, const RViewMapping& view, double x, double y) {
  const RVector3 clip = matrix_transform_point(device.transform(), {x, y, 0});
  return {view.port_x + (clip.x + 1) / 2 * view.port_width,
          view.port_y + (1 - clip.y) / 2 * view.port_height};
}

TEST_F(GraphicsWindow, TurnedViewsMapTheMouseAsTheCameraDraws) {
  CGraphicsDevice device;
  device.create(nullptr, 640, 480, 1024, 768);
  for (double angle : {0.0, 30.0, 90.0, 200.0, -45.0}) {
    const RViewMapping view = view_of(100, 40, 160, 120, 20, 10, 320, 180, angle);
    state_.set_view_mapping(0, view);
    device.set_projection(view.angle, view.view_height, view.view_width, view.view_y, view.view_x);
    for (const RPointD& room :
         {RPointD{180, 100}, RPointD{150, 80}, RPointD{200, 120}, RPointD{130, 95}}) {
      const RPointD region = projected(device, view, room.x, room.y);
      const RPointD back = state_.region_to_view(0, region.x, region.y);
      EXPECT_EQ(back.x, room.x) << "angle " << angle;
      EXPECT_EQ(back.y, room.y) << "angle " << angle;
      const RPointD there = state_.room_to_region_through(0, room.x, room.y);
      EXPECT_NEAR(there.x, region.x, 0.5 + 1e-4) << "angle " << angle;
      EXPECT_NEAR(there.y, region.y, 0.5 + 1e-4) << "angle " << angle;
    }
  }
}

}  // namespace
}  // namespace vn
