// A game with a real drawing device: a headless window of the size asked for, its OpenGL
// renderer under the device, and pixels compared within the GPU's rounding.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "graphics/BM32_Class.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Video.h"
#include "world/World_Test_Support.h"

namespace vn::test {

// Red, green and blue each within the tolerance: the GPU rounds blending its own way.
inline bool near(uint32_t pixel, uint32_t expected, int tolerance = 2) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(int(pixel >> shift & 0xFF) - int(expected >> shift & 0xFF)) > tolerance) {
      return false;
    }
  }
  return true;
}

class DeviceWorldTest : public WorldTest {
 protected:
  // After WorldTest::SetUp: the window and the device drawing into it.
  void open_device(int width, int height) {
    set_headless(true);
    RGameWindowSetup setup;
    setup.width = width;
    setup.height = height;
    window_ = create_game_window(setup);
    ASSERT_NE(window_->renderer(), nullptr) << "no OpenGL renderer headless";
    window_state().attach(window_.get());
    graphics_device().create(window_->renderer(), width, height, 1024, 768);
  }
  // After WorldTest::TearDown.
  void close_device() {
    graphics_device().release();
    window_state().attach(nullptr);
    window_.reset();
  }

  // The back buffer as drawn so far.
  TBitmap32 back_buffer() {
    CGraphicsDevice& device = graphics_device();
    return device.read_back(0, 0, device.back_buffer_width(), device.back_buffer_height())
        .value_or(TBitmap32());
  }

  std::unique_ptr<IGameWindow> window_;
};

}  // namespace vn::test

#define EXPECT_PIXEL(frame, x, y, expected)                                            \
  EXPECT_TRUE(::vn::test::near((frame).pixel(x, y), expected))                         \
      << "pixel (" << (x) << ", " << (y) << ") is " << std::hex << (frame).pixel(x, y) \
      << ", expected " << (expected) << std::dec
