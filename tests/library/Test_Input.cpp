// The input state as the window's handlers fill it and the input functions and variables
// read it, and the translation of platform keys to virtual-key codes.
#include <gtest/gtest.h>

#include <string>

#include "../script/Script_Test_Support.h"
#include "library/Input_Main.h"
#include "platform/Platform_Input.h"
#include "platform/Platform_Video.h"

namespace vn {
namespace {

class Input : public test::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    set_headless(true);
    register_input_functions();
    reset_input();
    set_input_captured(false);
  }
  void TearDown() override {
    set_input_pump(nullptr);
    set_input_wait(nullptr);
    reset_input();
    ScriptTest::TearDown();
  }

  // The value of a script expression.
  double value(const std::string& expression) {
    test::RScriptRun result = run(expression, true);
    EXPECT_TRUE(result.ok) << expression << ": " << result.error;
    return result.result.real;
  }
  std::string text(const std::string& expression) {
    test::RScriptRun result = run(expression, true);
    EXPECT_TRUE(result.ok) << expression << ": " << result.error;
    return result.result.string.str();
  }
};

TEST_F(Input, AKeyHeldWithAutoRepeatIsPressedOnceAndHeldUntilItGoesUp) {
  input_key_down(65);
  input_key_down(65);  // auto-repeat
  EXPECT_EQ(value("keyboard_check_pressed(ord('A'))"), 1);
  EXPECT_EQ(value("keyboard_check(vk_anykey)"), 1);
  EXPECT_EQ(value("keyboard_check(vk_nokey)"), 0);
  end_step_input();
  input_key_down(65);
  EXPECT_EQ(value("keyboard_check_pressed(65)"), 0);
  EXPECT_EQ(value("keyboard_check(65)"), 1);
  end_step_input();
  input_key_up(65);
  EXPECT_EQ(value("keyboard_check(65)"), 0);
  EXPECT_EQ(value("keyboard_check_released(65)"), 1);
  EXPECT_EQ(value("keyboard_check(vk_nokey)"), 1);
  end_step_input();
  EXPECT_EQ(value("keyboard_check_released(65)"), 0);
  // Codes outside the table are never down.
  EXPECT_EQ(value("keyboard_check(256) + keyboard_check(-3)"), 0);
}

TEST_F(Input, ReleasingTheLaterOfTwoKeysLeavesNoCurrentKey) {
  input_key_down(37);
  input_key_down(38);
  input_key_up(38);
  EXPECT_EQ(value("keyboard_key"), 0);
  EXPECT_EQ(value("keyboard_lastkey"), 38);
  EXPECT_EQ(value("keyboard_check(vk_left)"), 1);
  // Releasing a key that is not the current one leaves the current key alone.
  input_key_down(40);
  input_key_up(37);
  EXPECT_EQ(value("keyboard_key"), 40);
}

TEST_F(Input, TheKeyMapRedirectsAndHidesKeys) {
  run("keyboard_set_map(vk_left, ord('A')); keyboard_set_map(vk_right, 300);"
      "keyboard_set_map(400, 1)");
  EXPECT_EQ(value("keyboard_get_map(vk_left)"), 65);
  EXPECT_EQ(value("keyboard_get_map(500)"), 500);
  input_key_down(37);
  EXPECT_EQ(value("keyboard_check(ord('A'))"), 1);
  EXPECT_EQ(value("keyboard_check(vk_left)"), 0);
  EXPECT_EQ(value("keyboard_key"), 65);
  input_key_up(37);
  end_step_input();
  // Mapped beyond 255, the key is gone for the state and its events.
  input_key_down(39);
  EXPECT_EQ(value("keyboard_check(vk_anykey)"), 0);
  EXPECT_EQ(value("keyboard_key"), 0);
  run("keyboard_unset_map()");
  input_key_down(39);
  EXPECT_EQ(value("keyboard_check(vk_right)"), 1);
}

TEST_F(Input, TypedTextKeepsTheLastCharactersAndHonoursBackspace) {
  for (int i = 0; i < 1100; ++i) input_character(char('a' + i % 26));
  const size_t kept = input_state().typed.size();
  EXPECT_GE(kept, 1024u);
  EXPECT_LE(kept, 1025u);
  EXPECT_EQ(input_state().typed.back(), char('a' + 1099 % 26));
  run("keyboard_string = 'ab'");
  input_character(8);
  input_character(8);
  input_character(8);  // nothing left to delete
  input_character(9);  // control characters are not typed
  input_character('\xE9');
  EXPECT_EQ(text("keyboard_string"), "\xE9");
  EXPECT_EQ(text("keyboard_lastchar"), "\xE9");
  run("keyboard_lastchar = 'xyz'; keyboard_lastchar = ''");
  EXPECT_EQ(text("keyboard_lastchar"), "x");
}

TEST_F(Input, MouseButtonsAndTheWheelLastOneStep) {
  input_mouse_down(1);
  input_wheel(true);
  EXPECT_EQ(value("mouse_check_button(mb_left)"), 1);
  EXPECT_EQ(value("mouse_check_button_pressed(mb_any)"), 1);
  EXPECT_EQ(value("mouse_check_button(mb_none)"), 0);
  EXPECT_EQ(value("mouse_button"), 1);
  EXPECT_EQ(value("mouse_wheel_up() + 2 * mouse_wheel_down()"), 1);
  end_step_input();
  EXPECT_EQ(value("mouse_check_button_pressed(mb_left) + mouse_wheel_up()"), 0);
  input_mouse_down(2);
  input_mouse_up(2);
  EXPECT_EQ(value("mouse_button"), 0);
  EXPECT_EQ(value("mouse_lastbutton"), 2);
  EXPECT_EQ(value("mouse_check_button_released(mb_right)"), 1);
  EXPECT_EQ(value("mouse_check_button(mb_left)"), 1);
  EXPECT_EQ(value("mouse_check_button(4)"), 0);
  input_mouse_down(7);  // not a button of the game
  EXPECT_EQ(value("mouse_lastbutton"), 2);
  // Assignments outside the range leave the variables as they are.
  input_mouse_down(1);
  input_key_down(65);
  run("mouse_button = 0; mouse_lastbutton = 4; keyboard_key = 256; keyboard_lastkey = -1");
  EXPECT_EQ(value("mouse_button"), 1);
  EXPECT_EQ(value("mouse_lastbutton"), 1);
  EXPECT_EQ(value("keyboard_key"), 65);
  EXPECT_EQ(value("keyboard_lastkey"), 65);
  run("mouse_button = 3; keyboard_key = 255");
  EXPECT_EQ(value("mouse_button"), 3);
  EXPECT_EQ(value("keyboard_key"), 255);
  EXPECT_FALSE(run("mouse_x = 3").ok);
}

TEST_F(Input, WhileAFormHasTheInputTheGameSeesNothing) {
  set_input_captured(true);
  input_key_down(65);
  input_character('a');
  input_mouse_down(1);
  input_wheel(false);
  set_input_captured(false);
  EXPECT_EQ(value("keyboard_check(vk_anykey) + mouse_check_button(mb_any) + mouse_wheel_down()"),
            0);
  EXPECT_EQ(text("keyboard_string"), "");
}

TEST_F(Input, SentKeysArriveWhenMessagesAreProcessed) {
  int pumped = 0;
  set_input_pump([&] { ++pumped; });
  run("keyboard_key_press(vk_space)");
  EXPECT_EQ(value("keyboard_check(vk_space)"), 0);
  run("io_handle()");
  EXPECT_EQ(value("keyboard_check(vk_space)"), 1);
  run("keyboard_key_release(vk_space); keyboard_clear(vk_up)");
  EXPECT_EQ(value("keyboard_check_released(vk_space)"), 1);
  run("keyboard_clear(vk_space)");
  EXPECT_EQ(value("keyboard_check_released(vk_space)"), 0);
  EXPECT_EQ(pumped, 3);
  input_mouse_down(3);
  run("mouse_clear(mb_middle)");
  EXPECT_EQ(value("mouse_check_button(mb_middle) + mouse_check_button_pressed(mb_middle)"), 0);
  input_key_down(65);
  input_character('q');
  run("io_clear()");
  EXPECT_EQ(value("keyboard_check(65) + keyboard_lastkey + mouse_lastbutton"), 0);
  EXPECT_EQ(text("keyboard_string"), "");
}

TEST_F(Input, WaitsEndOnlyWithANewKeyOrClick) {
  // An earlier click does not end the wait; the click that the third look brings does.
  input_mouse_down(1);
  int looks = 0;
  set_input_pump([&] {
    if (++looks == 3) input_mouse_down(2);
  });
  set_input_wait([] { return true; });
  run("mouse_wait()");
  EXPECT_EQ(looks, 3);
  EXPECT_EQ(value("mouse_lastbutton"), 2);
  looks = 0;
  set_input_pump([&] {
    if (++looks == 2) input_key_down(66);
  });
  run("keyboard_wait()");
  EXPECT_EQ(value("keyboard_lastkey"), 66);
  // When nothing more can arrive the wait gives up instead of hanging.
  set_input_pump(nullptr);
  int waits = 0;
  set_input_wait([&] { return ++waits < 4; });
  run("keyboard_wait()");
  EXPECT_EQ(waits, 4);
  EXPECT_EQ(value("keyboard_lastkey"), 0);
}

TEST_F(Input, WithoutAJoystickEveryQueryAnswersItsDefault) {
  EXPECT_EQ(value("joystick_exists(1) + joystick_exists(2)"), 0);
  EXPECT_EQ(value("joystick_direction(1)"), 101);
  EXPECT_EQ(value("joystick_pov(2)"), -1);
  EXPECT_EQ(value("joystick_xpos(1) + joystick_axes(1) + joystick_buttons(1)"), 0);
  EXPECT_EQ(value("joystick_check_button(1, 1) + joystick_has_pov(1)"), 0);
  EXPECT_EQ(text("joystick_name(1)"), "");
  EXPECT_EQ(value("keyboard_check_direct(vk_shift)"), 0);
}

TEST_F(Input, NumLockFollowsWhatTheGameSet) {
  set_input_pump(nullptr);
  const double before = value("keyboard_get_numlock()");
  run("keyboard_set_numlock(" + std::string(before > 0 ? "false" : "true") + "); io_handle()");
  EXPECT_NE(value("keyboard_get_numlock()"), before);
  // The synthetic Num Lock press went through the state like a key.
  EXPECT_EQ(value("keyboard_lastkey"), 144);
  EXPECT_EQ(value("keyboard_check_released(144)"), 1);
  run("keyboard_set_numlock(" + std::string(before > 0 ? "true" : "false") + ")");
  EXPECT_EQ(value("keyboard_get_numlock()"), before);
}

// Scan codes are the USB usage numbers SDL uses: 4 is A, 30 ... 39 the digit row, 58 F1,
// 80 the left arrow, 89 ... 98 keypad 1 ... 0, 99 the keypad point, 225 and 229 the
// shifts. Key codes of letters are their lower-case characters.
TEST(InputTranslation, PlatformKeysBecomeVirtualKeyCodes) {
  EXPECT_EQ(virtual_key_from_sdl('a', 4, true), 65);
  // A letter follows the layout: the key at the place of Q types A on some keyboards.
  EXPECT_EQ(virtual_key_from_sdl('a', 20, true), 65);
  EXPECT_EQ(virtual_key_from_sdl('1', 30, true), 49);
  EXPECT_EQ(virtual_key_from_sdl(0, 58, true), 112);
  EXPECT_EQ(virtual_key_from_sdl(0, 80, false), 37);
  EXPECT_EQ(virtual_key_from_sdl(0, 225, true), 16);
  EXPECT_EQ(virtual_key_from_sdl(0, 229, true), 16);
  // The keypad gives digits with Num Lock on and moves the cursor with it off.
  EXPECT_EQ(virtual_key_from_sdl(0, 95, true), 103);
  EXPECT_EQ(virtual_key_from_sdl(0, 95, false), 36);
  EXPECT_EQ(virtual_key_from_sdl(0, 98, false), 45);
  EXPECT_EQ(virtual_key_from_sdl(0, 99, true), 110);
  EXPECT_EQ(virtual_key_from_sdl(0, 99, false), 46);
  EXPECT_EQ(virtual_key_from_sdl(0, -1, true), 0);
  EXPECT_EQ(virtual_key_from_sdl(0, 100000, true), 0);
}

TEST(InputTranslation, TypedTextBecomesWindows1252) {
  EXPECT_EQ(typed_characters("A\xC3\xA9\xE2\x82\xAC"), "A\xE9\x80");
  EXPECT_EQ(typed_characters("\xE4\xB8\xAD"), "?");
  EXPECT_EQ(control_character_from_sdl('\r', false, false), 13);
  EXPECT_EQ(control_character_from_sdl('c', true, false), 3);
  EXPECT_EQ(control_character_from_sdl('c', true, true), 0);
  EXPECT_EQ(control_character_from_sdl('c', false, false), 0);
}

}  // namespace
}  // namespace vn
