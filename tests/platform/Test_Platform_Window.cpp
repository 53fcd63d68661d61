#include <gtest/gtest.h>

#include "platform/Platform_MessageBox.h"
#include "platform/Platform_Video.h"
#include "platform/Platform_Window.h"

namespace vn {
namespace {

RImage frame(int width, int height) {
  RImage image{width, height, std::vector<uint32_t>(size_t(width) * size_t(height), 0xFF336699)};
  image.at(0, height - 1) = 0xFF00FF00;
  return image;
}

// The SDL backend itself, on the driver that needs no screen. The dummy driver has no
// shaped windows, so the colour key falls back to a plain window.
TEST(PlainWindow, SdlWindowOnTheDummyDriver) {
  set_headless(false);
  request_video_driver("dummy");
  if (!video_available()) {
    GTEST_SKIP() << "SDL video did not start: " << video_failure_reason();
  }
  EXPECT_EQ(video_driver_name(), "dummy");
  EXPECT_FALSE(has_display());
  EXPECT_GT(display_size().width, 0);

  auto window = create_plain_window({"load", 5, 5, 64, 32, 0x00FF00, 200});
  EXPECT_EQ(dynamic_cast<CHeadlessWindow*>(window.get()), nullptr);
  EXPECT_FALSE(window->shaped());
  window->present(frame(64, 32));
  window->show();
  EXPECT_TRUE(window->visible());
  pump_events();
  window->present(frame(10, 100));  // another size is clipped, not a failure
  window->hide();
  EXPECT_FALSE(window->visible());
  window.reset();

  // A box on a driver nobody sees would wait forever; it goes to standard error.
  testing::internal::CaptureStderr();
  show_message_box("Title", "nobody sees this");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "nobody sees this\n");

  shutdown_video();
  request_video_driver("");
  set_headless(true);
}

}  // namespace
}  // namespace vn
