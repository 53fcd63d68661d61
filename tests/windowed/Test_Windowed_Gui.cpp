#include <gtest/gtest.h>

#include "Windowed_Support.h"
#include "platform/Platform_Gui.h"

namespace vn::test {
namespace {

// The observer sees what the form drew and can close it with a result of its own.
TEST(WindowedGui, ObserverSeesTheFormAndClosesIt) {
  REQUIRE_VIRTUAL_DISPLAY();
  watch_forms({"gui_observer", 3, 42, {}});
  RFormSetup setup;
  setup.caption = "Observed";
  setup.width = 120;
  setup.height = 80;
  int drawn = 0;
  const std::optional<int> result = run_modal_form(setup, [&](RFormFrame&) {
    ++drawn;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(ImVec2(10, 10), ImVec2(50, 40), IM_COL32(255, 0, 0, 255));
    return std::optional<int>();
  });
  stop_watching_forms();
  ASSERT_TRUE(result.has_value()) << gui_failure_reason();
  EXPECT_EQ(*result, 42);
  EXPECT_EQ(drawn, 3);
  EXPECT_EQ(last_form_picture().width, 120);
  EXPECT_EQ(last_form_picture().height, 80);
  EXPECT_EQ(form_pixel(30, 25), 0xFF0000u);
  EXPECT_NE(form_pixel(80, 60), 0xFF0000u);
}

}  // namespace
}  // namespace vn::test
