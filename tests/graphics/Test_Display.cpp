// Display modes on the virtual desktop of runs without a screen: the settings' codes at
// start, changes the game asks for and putting the desktop back, and the device following.
#include <gtest/gtest.h>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Display.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {
namespace {

class Display : public ::testing::Test {
 protected:
  void SetUp() override {
    set_headless(true);
    set_headless_display_size(1024, 768);
    restore_display_mode();
  }
  void TearDown() override {
    restore_display_mode();
    set_headless_display_size(1024, 768);
    set_headless(false);
  }
};

void expect_mode(int width, int height, int bits, int frequency) {
  EXPECT_EQ(display_mode(), (RDisplayMode{width, height, bits, frequency}));
}

TEST(DisplaySettings, TheCodesTranslateToAModeAndUnknownCodesChangeNothing) {
  EXPECT_EQ(start_mode_request({false, 2, 3, 1}), RModeRequest());
  EXPECT_EQ(start_mode_request({true, 1, 1, 1}), (RModeRequest{320, 240, 60, 16}));
  EXPECT_EQ(start_mode_request({true, 2, 6, 5}), (RModeRequest{1600, 1200, 120, 32}));
  EXPECT_EQ(start_mode_request({true, 0, 4, 3}), (RModeRequest{1024, 768, 85, 0}));
  EXPECT_EQ(start_mode_request({true, 3, 7, 6}), RModeRequest());
  EXPECT_FALSE(start_mode_request({true, 0, 0, 0}).any());
}

TEST_F(Display, TheVirtualDesktopChangesModeAndComesBack) {
  expect_mode(1024, 768, 32, 60);
  EXPECT_FALSE(display_mode_changed());
  EXPECT_TRUE(change_display_mode(800, 600, 0, 0));
  expect_mode(800, 600, 32, 60);
  EXPECT_EQ(display_size().width, 800);  // where windows are placed follows
  EXPECT_TRUE(change_display_mode(0, -1, 75, 16));
  expect_mode(800, 600, 16, 75);
  EXPECT_TRUE(display_mode_changed());
  // A 24-bit request is a 32-bit one; depths the games cannot draw in are refused.
  EXPECT_TRUE(change_display_mode(0, 0, 0, 24));
  expect_mode(800, 600, 32, 75);
  EXPECT_FALSE(test_display_mode(0, 0, 0, 8));
  EXPECT_FALSE(change_display_mode(640, 480, 0, 8));
  expect_mode(800, 600, 32, 75);
  EXPECT_TRUE(test_display_mode(640, 480, 60, 16));
  expect_mode(800, 600, 32, 75);  // only a test
  // Asking for nothing is no change and no failure.
  EXPECT_TRUE(change_display_mode(0, 0, 0, 0));
  restore_display_mode();
  expect_mode(1024, 768, 32, 60);
  EXPECT_EQ(display_size().width, 1024);
  EXPECT_FALSE(display_mode_changed());

  // The desktop set for the run is the one that comes back.
  set_headless_display_size(1280, 720);
  EXPECT_TRUE(change_display_mode(640, 480, 0, 0));
  restore_display_mode();
  expect_mode(1280, 720, 32, 60);
}

TEST_F(Display, TheStartSettingsChangeTheModeWithoutAskingOnA32BitDesktop) {
  int asked = 0;
  const RAskYesNo ask = [&asked](const std::string&) {
    ++asked;
    return false;
  };
  EXPECT_TRUE(apply_display_settings({false, 0, 0, 0}, ask));
  EXPECT_FALSE(display_mode_changed());
  EXPECT_TRUE(apply_display_settings({true, 1, 2, 3}, ask));
  expect_mode(640, 480, 16, 85);
  EXPECT_EQ(asked, 0);
}

TEST_F(Display, TheDeviceDrawsForTheNewDesktop) {
  CGraphicsDevice& device = graphics_device();
  CWindowState& window = window_state();
  device.create(nullptr, 8, 8, 1024, 768);
  window.set_region(1200, 700, true);
  device.set_back_buffer_region(1200, 700);
  EXPECT_EQ(device.back_buffer_width(), 1024);
  EXPECT_TRUE(change_game_display_mode(1600, 1200, 0, 0));
  EXPECT_EQ(device.back_buffer_width(), 1200);
  EXPECT_EQ(device.viewport().width, 1200);
  EXPECT_FALSE(change_game_display_mode(0, 0, 0, 12));
  restore_game_display_mode();
  EXPECT_EQ(device.back_buffer_width(), 1024);
  EXPECT_EQ(device.viewport().width, 1024);
  window.set_region(8, 8, true);
  device.release();
}

TEST_F(Display, TheVirtualMouseStaysWhereItWasPut) {
  set_display_mouse(300, 200);
  EXPECT_EQ(display_mouse_x(), 300);
  EXPECT_EQ(display_mouse_y(), 200);
}

}  // namespace
}  // namespace vn
