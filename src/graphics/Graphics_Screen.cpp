#include "graphics/Graphics_Screen.h"

#include <cmath>
#include <string>

#include "graphics/BM32_File.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Clock.h"
#include "platform/Platform_Display.h"
#include "world/Run_Main.h"

namespace vn {

std::optional<TBitmap32> screen_picture(int x, int y, int width, int height) {
  std::optional<TBitmap32> picture = graphics_device().read_back(x, y, width, height);
  if (!picture) return std::nullopt;
  // The screen has no alpha of its own: what blending left there is not part of the picture.
  for (uint32_t& pixel : picture->image().pixels) pixel |= 0xFF000000u;
  return picture;
}

std::optional<TBitmap32> screen_picture() {
  const CGraphicsDevice& device = graphics_device();
  return screen_picture(0, 0, device.back_buffer_width(), device.back_buffer_height());
}

bool save_screen(const std::filesystem::path& path, int x, int y, int width, int height) {
  std::optional<TBitmap32> picture = screen_picture(x, y, width, height);
  std::string error;
  return picture && save_image_file(path, *picture, error);
}

bool save_screen(const std::filesystem::path& path) {
  const CGraphicsDevice& device = graphics_device();
  return save_screen(path, 0, 0, device.back_buffer_width(), device.back_buffer_height());
}

int32_t screen_pixel_at_room_point(double x, double y) {
  const RPointD point = window_state().room_to_region_through(world_state().view_current, x, y);
  const uint32_t pixel =
      graphics_device().get_pixel(int(std::floor(point.x)), int(std::floor(point.y)));
  return int32_t((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

void wait_for_refresh() {
  if (fixed_clock()) return;
  const int frequency = display_mode().frequency;
  const int64_t period = 1000000 / (frequency > 0 ? frequency : 60);
  frame_wait(period - clock_microseconds() % period);
}

}  // namespace vn
