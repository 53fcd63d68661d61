#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>

#include "Windowed_Support.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Video.h"

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

// An idle modeless form is not drawn again until it is asked to: a form beside the game
// costs a step nothing, yet shows what moved on when the game says so.
TEST(WindowedGui, ModelessFormDrawsAgainOnlyWhenAsked) {
  REQUIRE_VIRTUAL_DISPLAY();
  RFormSetup setup;
  setup.caption = "Beside";
  setup.width = 100;
  setup.height = 60;
  int drawn = 0;
  std::unique_ptr<CModelessForm> form = open_modeless_form(setup, [&](RFormFrame&) {
    ++drawn;
    return std::optional<int>();
  });
  ASSERT_NE(form, nullptr) << gui_failure_reason();
  auto pump_a_while = [] {
    for (int i = 0; i < 30; ++i) {
      pump_events();
      SDL_Delay(2);
    }
  };
  pump_a_while();
  const int settled = drawn;
  EXPECT_GT(settled, 0);
  pump_a_while();
  // The window manager may still send it an event or two, but not one per pump.
  EXPECT_LT(drawn - settled, 10);
  const int before = drawn;
  form->redraw();
  pump_events();
  EXPECT_EQ(drawn, before + 1);
  form.reset();
}

}  // namespace
}  // namespace vn::test
