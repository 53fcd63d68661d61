// Tests of the runner's forms in real windows: the program runs its own virtual display
// (Xvfb), so the forms open, draw and close as a player would see them.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/Platform_Gui.h"

namespace vn::test {

// True when this program's virtual display runs and SDL video started on it.
bool virtual_display_ready();

// Skips the test when there is no virtual display (Xvfb is not installed).
#define REQUIRE_VIRTUAL_DISPLAY()                                             \
  do {                                                                        \
    if (!::vn::test::virtual_display_ready()) GTEST_SKIP() << "no Xvfb here"; \
  } while (0)

// Watches the next forms: once a form has drawn `frames` frames, its last picture is kept
// (and written to $VN_FORM_SHOTS/NAME.png when that folder is set, for a person to look at)
// and the form is closed with `result`, or left open for `react` to act on when it gives
// no result.
struct RFormWatch {
  std::string name;
  int frames = 4;
  std::optional<int> result;
  // Called on every frame from `frames` on; a value closes the form with it.
  std::function<std::optional<int>(int frame_number)> react;
};
void watch_forms(RFormWatch watch);
void stop_watching_forms();
// The picture kept from the last watched form; empty before one was seen.
const RFormPicture& last_form_picture();
// The colour (0xRRGGBB) at a pixel of the kept picture.
uint32_t form_pixel(int x, int y);

}  // namespace vn::test
