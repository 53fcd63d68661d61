#include "graphics/Graphics_Display.h"

#include <array>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Surface.h"
#include "graphics/Graphics_Window.h"
#include "platform/Platform_Display.h"

namespace vn {

namespace {

struct RResolution {
  int width;
  int height;
};

constexpr std::array<RResolution, 6> kResolutions = {
    {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}}};
constexpr std::array<int, 5> kFrequencies = {60, 70, 85, 100, 120};

// What a reset does to the device: the back buffer is the region clipped to the (new)
// desktop, drawn with a fresh viewport, projection and every remembered state.
void reset_device() {
  // Render targets do not outlive a reset: a game must make its surfaces again.
  free_all_surfaces();
  CGraphicsDevice& device = graphics_device();
  const CWindowState& window = window_state();
  const RDisplayMode mode = display_mode();
  device.set_desktop_size(mode.width, mode.height);
  device.set_back_buffer_region(window.region_width(), window.region_height());
  IRenderer* renderer = device.renderer();
  if (renderer == nullptr || renderer->target() == 0) {
    device.set_viewport(0, 0, device.back_buffer_width(), device.back_buffer_height());
    device.set_projection(0, device.back_buffer_height(), device.back_buffer_width(), 0, 0);
  }
  device.restore_states();
}

}  // namespace

RModeRequest start_mode_request(const RDisplaySettings& settings) {
  RModeRequest request;
  if (!settings.set_resolution) return request;
  if (settings.color_depth == 1) request.bits = 16;
  if (settings.color_depth == 2) request.bits = 32;
  if (settings.resolution >= 1 && settings.resolution <= int(kResolutions.size())) {
    const RResolution& size = kResolutions[size_t(settings.resolution - 1)];
    request.width = size.width;
    request.height = size.height;
  }
  if (settings.frequency >= 1 && settings.frequency <= int(kFrequencies.size())) {
    request.frequency = kFrequencies[size_t(settings.frequency - 1)];
  }
  return request;
}

bool apply_display_settings(const RDisplaySettings& settings, const RAskYesNo& ask) {
  RModeRequest request = start_mode_request(settings);
  const int bits = display_mode().bits;
  if (request.bits == 0 && bits != 16 && bits != 32) {
    if (ask && !ask(kColorModeQuestion)) return false;
    request.bits = 16;
  }
  // A mode the display cannot show leaves the desktop as it is; the game still starts.
  if (request.any()) {
    change_display_mode(request.width, request.height, request.frequency, request.bits);
  }
  return true;
}

bool change_game_display_mode(int width, int height, int frequency, int bits) {
  const bool changed = change_display_mode(width, height, frequency, bits);
  window_state().follow_display_mode();
  reset_device();
  return changed;
}

void restore_game_display_mode() {
  restore_display_mode();
  window_state().follow_display_mode();
  reset_device();
}

void toggle_fullscreen() {
  CWindowState& window = window_state();
  window.set_fullscreen(!window.style().fullscreen);
}

}  // namespace vn
