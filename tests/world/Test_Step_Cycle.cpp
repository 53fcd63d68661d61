#include <gtest/gtest.h>

#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

class StepCycle : public WorldTest {};

TEST_F(StepCycle, PhasesRunInTheirFixedOrder) {
  int obj = add_object("obj_log");
  on(obj, kEventCreate, 0, "show_debug_message('create'); alarm[0] = 1;");
  on(obj, kEventStep, 1, "show_debug_message('begin step');");
  on(obj, kEventAlarm, 0, "show_debug_message('alarm 0');");
  on(obj, kEventKeyboard, 0, "show_debug_message('keyboard no key');");
  on(obj, kEventKeyPress, 0, "show_debug_message('press no key');");
  on(obj, kEventKeyRelease, 0, "show_debug_message('release no key');");
  on(obj, kEventMouse, 50, "show_debug_message('global left');");
  on(obj, kEventStep, 0, "show_debug_message('step');");
  on(obj, kEventStep, 2, "show_debug_message('end step');");
  on(obj, kEventOther, 7, "show_debug_message('animation end');");
  on(obj, kEventOther, 2, "show_debug_message('game start');");
  on(obj, kEventOther, 4, "show_debug_message('room start');");
  on(obj, kEventOther, 5, "show_debug_message('room end');");
  on(obj, kEventOther, 3, "show_debug_message('game end');");
  int tl = add_timeline("tl");
  moment(tl, 0, "show_debug_message('moment 0');");
  add_room("rm").creation_code = "show_debug_message('room code');";
  place(0, obj, 10, 10,
        "show_debug_message('instance code'); timeline_index = 0; "
        "timeline_running = true;");
  ASSERT_TRUE(start());
  EXPECT_EQ(take_log(),
            (Lines{"instance code", "create", "game start", "room code", "room start"}));
  ASSERT_EQ(run_steps(2), 2);
  Lines step = {"begin step", "keyboard no key", "press no key", "release no key",
                "step",       "end step",        "animation end"};
  Lines first = {"begin step", "moment 0", "alarm 0"};
  first.insert(first.end(), step.begin() + 1, step.end());
  Lines expected = first;
  expected.insert(expected.end(), step.begin(), step.end());
  EXPECT_EQ(take_log(), expected);
  end_game();
  EXPECT_EQ(take_log(), (Lines{"room end", "game end"}));
  EXPECT_EQ(world_state().step_counter, 2);
}

TEST_F(StepCycle, RequestInBeginStepSkipsTheRestOfTheStep) {
  int obj = add_object("obj");
  on(obj, kEventStep, 1, "show_debug_message('begin ' + string(room)); if room == 0 room_goto(1);");
  on(obj, kEventStep, 1, "show_debug_message('second action');");
  on(obj, kEventAlarm, 0, "show_debug_message('alarm');");
  on(obj, kEventStep, 0, "show_debug_message('step');");
  on(obj, kEventStep, 2, "show_debug_message('end step');");
  on(obj, kEventCreate, 0, "alarm[0] = 1;");
  on(obj, kEventOther, 5, "show_debug_message('room end ' + string(room));");
  on(obj, kEventOther, 4, "show_debug_message('room start ' + string(room));");
  add_room("first");
  add_room("second");
  place(0, obj);
  place(0, obj);
  place(1, obj);
  ASSERT_TRUE(start());
  take_log();
  int frames_before = frames_drawn_;
  ASSERT_EQ(run_steps(1), 1);
  // The first instance's request stops its own list and every later dispatch.
  EXPECT_EQ(take_log(), (Lines{"begin 0", "room end 0", "room end 0", "room start 1"}));
  EXPECT_EQ(world_state().room, 1);
  EXPECT_EQ(world_state().step_counter, 0);
  // The new room's first frame is drawn at its start; the interrupted step drew none.
  EXPECT_EQ(frames_drawn_, frames_before + 1);
  ASSERT_EQ(run_steps(1), 1);
  EXPECT_EQ(take_log(), (Lines{"begin 1", "second action", "alarm", "step", "end step"}));
}

TEST_F(StepCycle, AlarmsCountDownFromTheirValue) {
  int obj = add_object("obj");
  on(obj, kEventCreate, 0, "alarm[0] = 1; alarm[1] = 0; alarm[2] = 3; alarm[3] = -1;");
  for (int n = 0; n < 4; ++n) {
    on(obj, kEventAlarm, n,
       "show_debug_message('alarm " + std::to_string(n) + " at ' + string(global.step));");
  }
  on(obj, kEventStep, 2, "global.step += 1;");
  on(obj, kEventOther, 2, "global.step = 0;");
  add_room("rm");
  int id = place(0, obj);
  ASSERT_TRUE(start());
  take_log();
  run_steps(5);
  EXPECT_EQ(take_log(), (Lines{"alarm 0 at 0", "alarm 2 at 2"}));
  CInstance* inst = instance(id);
  ASSERT_NE(inst, nullptr);
  EXPECT_EQ(inst->alarm[1], -1);
  EXPECT_EQ(inst->alarm[3], -1);
}

TEST_F(StepCycle, AlarmSetAgainInsideItsEventFiresAgain) {
  int obj = add_object("obj");
  on(obj, kEventCreate, 0, "alarm[4] = 2;");
  on(obj, kEventAlarm, 4, "show_debug_message('tick'); alarm[4] = 2;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(6);
  EXPECT_EQ(take_log().size(), 3u);
}

TEST_F(StepCycle, HeldKeyRepeatsItsKeyboardEventButPressesOnce) {
  int obj = add_object("obj");
  on(obj, kEventKeyboard, 37, "show_debug_message('left held');");
  on(obj, kEventKeyboard, 1, "show_debug_message('any key');");
  on(obj, kEventKeyboard, 0, "show_debug_message('no key');");
  on(obj, kEventKeyPress, 37, "show_debug_message('left pressed');");
  on(obj, kEventKeyRelease, 37, "show_debug_message('left released');");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  RInputState& input = input_state();
  input.key_down[37] = 1;
  input.key_pressed[37] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"left held", "any key", "left pressed"}));
  input.key_down[37] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"left held", "any key"}));
  input.key_down[37] = 0;
  input.key_released[37] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"no key", "left released"}));
}

TEST_F(StepCycle, KeyAboveTheListBoundCountsAsAnyKey) {
  int obj = add_object("obj");
  on(obj, kEventKeyboard, 1, "show_debug_message('any key');");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  input_state().key_down[200] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"any key"}));
}

TEST_F(StepCycle, MouseButtonOverAnInstance) {
  int sprite = add_sprite(1, 16, 16);
  int obj = add_object("target", -1, sprite);
  int other = add_object("elsewhere", -1, sprite);
  for (int target : {obj, other}) {
    for (int number : {0, 3, 4, 12, 50, 53}) {
      on(target, kEventMouse, number,
         "show_debug_message('" + game_.objects.names[size_t(target)] + " " +
             std::to_string(number) + "');");
    }
  }
  // The corner pixel is outside the mask though inside the box.
  game_.sprites.items[size_t(sprite)]->masks[0].cells[0] = 0;
  add_room("rm");
  place(0, obj, 100, 100);
  place(0, other, 300, 300);
  ASSERT_TRUE(start());
  RInputState& input = input_state();
  input.mouse_x = 105;
  input.mouse_y = 105;
  input.button_down[1] = 1;
  input.button_pressed[1] = 1;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"target 0", "target 50", "elsewhere 50", "target 4", "target 12",
                               "elsewhere 12", "target 53", "elsewhere 53"}));
  input.button_down[1] = 0;
  run_steps(1);
  // Nothing held: the position event for no button, for the instance under the mouse.
  EXPECT_EQ(take_log(), (Lines{"target 3"}));
  input.mouse_x = 100;
  input.mouse_y = 100;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{}));
}

TEST_F(StepCycle, InstanceWithoutSpriteEndsItsAnimationEveryStep) {
  int obj = add_object("obj");
  on(obj, kEventOther, 7, "show_debug_message('end ' + string(image_index));");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"end 1", "end 2"}));
}

TEST_F(StepCycle, AnimationWrapsAtTheSpriteImageCount) {
  int sprite = add_sprite(3);
  int obj = add_object("obj", -1, sprite);
  on(obj, kEventOther, 7, "show_debug_message('wrapped to ' + string(image_index));");
  on(obj, kEventCreate, 0, "image_speed = 2;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(3);
  EXPECT_EQ(take_log(), (Lines{"wrapped to 1", "wrapped to 0"}));
}

TEST_F(StepCycle, BoundaryEventsWithAndWithoutSprite) {
  int sprite = add_sprite(1, 16, 16);
  int boxed = add_object("boxed", -1, sprite);
  int point = add_object("point");
  for (int target : {boxed, point}) {
    const std::string name = game_.objects.names[size_t(target)];
    on(target, kEventOther, 0, "show_debug_message('" + name + " outside ' + string(x));");
    on(target, kEventOther, 1, "show_debug_message('" + name + " boundary ' + string(x));");
  }
  add_room("rm");
  place(0, boxed, 632, 100);  // box 632..647: crosses the right edge
  place(0, boxed, 700, 100);  // wholly outside
  place(0, boxed, 100, 100);  // wholly inside
  place(0, point, 641, 100);
  place(0, point, 640, 100);  // on the edge counts as inside
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"boxed outside 700", "point outside 641", "boxed boundary 632",
                               "boxed boundary 700", "point boundary 641"}));
}

TEST_F(StepCycle, ViewBoundaryEventsOnlyForVisibleViewsWhileEnabled) {
  int obj = add_object("obj");
  on(obj, kEventOther, 40, "show_debug_message('outside view 0');");
  on(obj, kEventOther, 51, "show_debug_message('boundary view 1');");
  CRoom& rm = add_room("rm");
  rm.views_enabled = true;
  rm.views[0].visible = true;
  rm.views[0].view_width = 100;
  rm.views[0].view_height = 100;
  rm.views[1].view_width = 100;  // not visible
  place(0, obj, 200, 50);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"outside view 0"}));
  room().views[1].visible = true;
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"outside view 0", "boundary view 1"}));
}

TEST_F(StepCycle, InstanceCreatedInAPhaseJoinsFromTheNextPhase) {
  int spawner = add_object("spawner");
  int child = add_object("child");
  on(spawner, kEventStep, 0,
     "if global.once == 0 { global.once = 1; instance_create(0, 0, child); }");
  on(spawner, kEventOther, 2, "global.once = 0;");
  on(child, kEventStep, 0, "show_debug_message('child step');");
  on(child, kEventStep, 2, "show_debug_message('child end step');");
  on(child, kEventCreate, 0, "show_debug_message('child create');");
  add_room("rm");
  place(0, spawner);
  ASSERT_TRUE(start());
  take_log();
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"child create", "child end step", "child step", "child end step"}));
}

TEST_F(StepCycle, DestroyedInstancesAreSkippedAndPurgedAfterTheEndStep) {
  int obj = add_object("obj");
  on(obj, kEventStep, 0,
     "show_debug_message('step ' + string(id)); with (obj) if id != other.id instance_destroy();");
  on(obj, kEventStep, 2, "show_debug_message('end ' + string(id));");
  add_room("rm");
  int first = place(0, obj);
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"step " + std::to_string(first), "end " + std::to_string(first)}));
  EXPECT_EQ(room().instances().size(), 1u);
}

TEST_F(StepCycle, DispatchGoesByObjectIndexThenRoomOrder) {
  int a = add_object("a");
  int b = add_object("b");
  for (int target : {a, b}) {
    on(target, kEventStep, 0,
       "show_debug_message('" + game_.objects.names[size_t(target)] + "' + string(x));");
  }
  add_room("rm");
  place(0, b, 1);
  place(0, a, 2);
  place(0, b, 3);
  place(0, a, 4);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"a2", "a4", "b1", "b3"}));
  // Events for every instance go over the array in order.
  perform_event_all(kEventStep, 0);
  EXPECT_EQ(take_log(), (Lines{"b1", "a2", "b3", "a4"}));
}

TEST_F(StepCycle, DeactivatedInstancesTakePartInNothing) {
  int obj = add_object("obj");
  on(obj, kEventStep, 0, "show_debug_message('step ' + string(x));");
  on(obj, kEventCreate, 0, "alarm[0] = 1;");
  on(obj, kEventAlarm, 0, "show_debug_message('alarm ' + string(x));");
  int keeper = add_object("keeper");
  on(keeper, kEventStep, 1,
     "if global.steps == 0 instance_deactivate_object(obj); "
     "if global.steps == 2 instance_activate_all(); global.steps += 1;");
  on(keeper, kEventOther, 2, "global.steps = 0;");
  add_room("rm");
  place(0, obj, 1);
  place(0, keeper);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), Lines{});
  run_steps(1);
  // The alarm waited while deactivated.
  EXPECT_EQ(take_log(), (Lines{"alarm 1", "step 1"}));
}

TEST_F(StepCycle, PreviousPositionsAreTakenAtTheStartOfTheStep) {
  int obj = add_object("obj");
  on(obj, kEventStep, 0, "x += 5; show_debug_message(string(xprevious) + ' ' + string(x));");
  add_room("rm");
  place(0, obj, 10);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"10 15", "15 20"}));
}

TEST_F(StepCycle, BackgroundLayersScrollOncePerStep) {
  CRoom& rm = add_room("rm");
  rm.backgrounds[2].hspeed = 2;
  rm.backgrounds[2].vspeed = -1;
  ASSERT_TRUE(start());
  run_steps(3);
  EXPECT_EQ(room().backgrounds[2].x, 6);
  EXPECT_EQ(room().backgrounds[2].y, -3);
}

TEST_F(StepCycle, FixedClockMovesOneStepTimePerStepAndCountsFps) {
  add_room("rm").speed = 40;
  ASSERT_TRUE(start());
  int64_t before = clock_microseconds();
  run_steps(100);
  EXPECT_EQ(clock_microseconds() - before, 100 * 25000);
  EXPECT_EQ(world_state().fps, 40);
}

TEST_F(StepCycle, RoomSpeedBelowOneIsTreatedAsOne) {
  add_room("rm");
  ASSERT_TRUE(start());
  room().speed = 0;
  int64_t before = clock_microseconds();
  run_steps(1);
  EXPECT_EQ(clock_microseconds() - before, 1000000);
  EXPECT_EQ(room().speed, 1);
}

TEST_F(StepCycle, SettingRoomSpeedToZeroIsRefused) {
  int obj = add_object("obj");
  on(obj, kEventCreate, 0, "room_speed = 0;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  EXPECT_EQ(room().speed, 30);
  ASSERT_FALSE(display_.shown.empty());
  EXPECT_NE(display_.shown.front().find("Trying to set the room speed to a value <= 0."),
            std::string::npos);
}

TEST_F(StepCycle, EscapeEndsTheGameWhenAllowed) {
  add_room("rm");
  ASSERT_TRUE(start());
  input_state().last_key = 27;
  EXPECT_EQ(run_steps(5), 1);
  EXPECT_FALSE(world_state().running);
  EXPECT_EQ(input_state().last_key, 0);
}

TEST_F(StepCycle, GameEndEndsTheLoopAfterTheStep) {
  int obj = add_object("obj");
  on(obj, kEventStep, 0, "if global.n == 1 game_end(); global.n += 1;");
  on(obj, kEventStep, 2, "show_debug_message('end step');");
  on(obj, kEventOther, 2, "global.n = 0;");
  on(obj, kEventOther, 3, "show_debug_message('game end');");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  EXPECT_EQ(run_steps(10), 2);
  EXPECT_EQ(take_log(), (Lines{"end step"}));
  EXPECT_FALSE(world_state().running);
  end_game();
  EXPECT_EQ(take_log(), (Lines{"game end"}));
}

TEST_F(StepCycle, FatalErrorStopsTheGame) {
  int obj = add_object("obj");
  // The rest of the running code goes on; no further event runs.
  on(obj, kEventStep, 0, "room_goto(55); show_debug_message('same code');");
  on(obj, kEventStep, 0, "show_debug_message('next action');");
  on(obj, kEventStep, 2, "show_debug_message('end step');");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  EXPECT_EQ(run_steps(10), 1);
  EXPECT_EQ(take_log(), Lines{"same code"});
  EXPECT_EQ(world_state().pending_room, kRequestStop);
  ASSERT_FALSE(display_.shown.empty());
  EXPECT_NE(display_.shown.back().find("Unexisting room number: 55"), std::string::npos);
}

TEST_F(StepCycle, GameRestartStartsAgainFromTheFirstRoom) {
  int obj = add_object("obj");
  on(obj, kEventOther, 2, "show_debug_message('game start ' + string(score)); score = 7;");
  on(obj, kEventOther, 3, "show_debug_message('game end');");
  on(obj, kEventStep, 0, "if room == 1 game_restart(); else room_goto_next();");
  add_room("one");
  add_room("two");
  place(0, obj);
  place(1, obj);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"game start 0", "game end", "game start 0"}));
  EXPECT_EQ(world_state().room, 0);
  EXPECT_EQ(run_steps(1), 1);
}

TEST_F(StepCycle, LivesAndHealthRunOutOnce) {
  int obj = add_object("obj");
  on(obj, kEventOther, 6, "show_debug_message('no more lives');");
  on(obj, kEventOther, 9, "show_debug_message('no more health');");
  on(obj, kEventCreate, 0, "lives = 3; lives = 0; lives = -1; health = 5; health = 0;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  EXPECT_EQ(take_log(), (Lines{"no more lives", "no more health"}));
}

TEST_F(StepCycle, StartResetsTheGameState) {
  add_room("rm");
  game_.library_init_code = {"global.from_library = 4;"};
  ASSERT_TRUE(start());
  EXPECT_EQ(eval("global.from_library").real, 4);
  EXPECT_EQ(eval("lives").real, -1);
  EXPECT_EQ(eval("score").real, 0);
  EXPECT_EQ(eval("cursor_sprite").real, -1);
}

TEST_F(StepCycle, GameWithoutRoomsDoesNotStart) {
  EXPECT_FALSE(start());
  EXPECT_EQ(run_steps(3), 0);
}

TEST_F(StepCycle, SleepWaitsOnTheClock) {
  int obj = add_object("obj");
  on(obj, kEventCreate, 0, "sleep(250);");
  add_room("rm");
  place(0, obj);
  int64_t before = clock_microseconds();
  ASSERT_TRUE(start());
  EXPECT_EQ(clock_microseconds() - before, 250000);
}

}  // namespace
}  // namespace vn::test
