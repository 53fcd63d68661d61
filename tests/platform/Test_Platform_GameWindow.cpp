#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Platform_Clipboard.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {
namespace {

// A headless game window lives on the offscreen driver and draws real frames, while the
// rest of the platform layer still sees no video at all.
TEST(GameWindow, HeadlessWindowDrawsOnTheOffscreenDriver) {
  set_headless(true);
  set_headless_display_size(1024, 768);
  RGameWindowSetup setup;
  setup.title = "caf\xE9";
  setup.width = 200;
  setup.height = 100;
  auto window = create_game_window(setup);
  EXPECT_EQ(window->title(), "caf\xE9");
  EXPECT_FALSE(window->visible());
  EXPECT_EQ(window->client_x(), 412);  // centred on the desktop
  EXPECT_EQ(window->client_y(), 334);
  EXPECT_EQ(window->client_width(), 200);
  EXPECT_EQ(window->client_height(), 100);
  IRenderer* renderer = window->renderer();
  ASSERT_NE(renderer, nullptr);
  EXPECT_NE(renderer->description().find("OpenGL"), std::string::npos);
  EXPECT_TRUE(offscreen_video_only());
  EXPECT_FALSE(video_available());
  EXPECT_FALSE(has_display());
  clipboard_set_text("kept in memory");
  EXPECT_EQ(clipboard_get_text(), "kept in memory");

  window->show();
  EXPECT_TRUE(window->visible());
  window->set_cursor(-21);
  window->set_cursor_shown(false);
  window->handle_events({});
  EXPECT_TRUE(window->active());

  // A frame presented at the client's new size.
  window->set_client_rect(10, 20, 40, 30);
  EXPECT_EQ(window->client_x(), 10);
  EXPECT_EQ(window->client_width(), 40);
  renderer->set_back_buffer_size(40, 30);
  renderer->set_viewport({0, 0, 40, 30});
  renderer->clear(0xFF336699, false);
  renderer->present(40, 30, {0, 0, 40, 30}, 0, false, true);
  std::vector<uint8_t> pixels;
  int width = 0;
  int height = 0;
  ASSERT_TRUE(renderer->read_client(pixels, width, height));
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);
  EXPECT_EQ(pixels[0], 0x99);
  EXPECT_EQ(pixels[2], 0x33);

  // Fullscreen is the desktop; leaving it puts the client back where it was.
  RWindowStyle style;
  style.fullscreen = true;
  window->set_style(style);
  EXPECT_EQ(window->style(), style);
  EXPECT_EQ(window->client_x(), 0);
  EXPECT_EQ(window->client_width(), 1024);
  EXPECT_EQ(window->client_height(), 768);
  window->set_client_rect(5, 5, 50, 50);  // kept for later
  EXPECT_EQ(window->client_width(), 1024);
  renderer->present(40, 30, {0, 0, 40, 30}, 0, false, false);
  ASSERT_TRUE(renderer->read_client(pixels, width, height));
  EXPECT_EQ(width, 1024);
  style.fullscreen = false;
  style.border = false;
  window->set_style(style);
  EXPECT_EQ(window->client_x(), 5);
  EXPECT_EQ(window->client_width(), 50);
  window->set_client_rect(0, 0, 0, -3);
  EXPECT_EQ(window->client_width(), 1);
  EXPECT_EQ(window->client_height(), 1);

  window.reset();
  shutdown_video();
  EXPECT_FALSE(offscreen_video_only());
}

// The dummy driver has no OpenGL: the window keeps its sizes and events, draws nothing, and
// says why once.
TEST(GameWindow, WithoutOpenGLTheWindowWorksAndSaysWhyOnce) {
  set_headless(false);
  request_video_driver("dummy");
  if (!video_available()) GTEST_SKIP() << "SDL video did not start: " << video_failure_reason();
  testing::internal::CaptureStderr();
  RGameWindowSetup setup;
  setup.width = 64;
  setup.height = 48;
  auto window = create_game_window(setup);
  auto second = create_game_window(setup);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(window->renderer(), nullptr);
  EXPECT_EQ(second->renderer(), nullptr);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("draws nothing"), std::string::npos) << said;
  EXPECT_EQ(window->client_width(), 64);
  window->set_client_rect(1, 2, 30, 20);
  EXPECT_EQ(window->client_height(), 20);
  window->handle_events({});
  window.reset();
  second.reset();
  shutdown_video();
  request_video_driver("");
  set_headless(true);
}

}  // namespace
}  // namespace vn
