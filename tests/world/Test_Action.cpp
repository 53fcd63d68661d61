#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "graphics/Font_Main.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Text.h"
#include "graphics/Sound_Main.h"
#include "platform/Platform_CdAudio.h"
#include "script/Code_Function.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_CD.h"
#include "world/Event_Action.h"
#include "world/Event_Main.h"
#include "world/Test_Instance_World.h"

namespace vn::test {

// Actions as the game file stores them, and a list of them run on an instance.
class ActionWorld : public InstanceWorld {
 protected:
  static CAction code(const std::string& text) {
    CAction action;
    action.kind = kActionCode;
    action.execution = kExecuteCode;
    action.argument_count = 1;
    action.argument_kinds = {1};
    action.argument_texts = {text};
    return action;
  }
  static CAction say(const std::string& word) { return code("show_debug_message('" + word + "')"); }
  static CAction control(int kind) {
    CAction action;
    action.kind = kind;
    return action;
  }
  // A function action; arguments are expressions unless kinds say otherwise.
  static CAction call(const std::string& function, std::vector<std::string> arguments,
                      std::vector<int> kinds = {}) {
    CAction action;
    action.execution = kExecuteFunction;
    action.function_name = function;
    action.argument_count = int(arguments.size());
    kinds.resize(arguments.size(), 0);
    action.argument_kinds = kinds;
    action.argument_texts = std::move(arguments);
    return action;
  }
  static CAction question(const std::string& function, std::vector<std::string> arguments,
                          bool inverted = false) {
    CAction action = call(function, std::move(arguments));
    action.is_question = true;
    action.not_flag = inverted;
    return action;
  }
  static CAction when(const std::string& expression, bool inverted = false) {
    return question("action_if", {expression}, inverted);
  }
  static CAction repeat(const std::string& times) {
    CAction action = control(kActionRepeat);
    action.argument_count = 1;
    action.argument_kinds = {0};
    action.argument_texts = {times};
    return action;
  }
  static CAction applied(CAction action, int apply_to) {
    action.uses_apply_to = true;
    action.apply_to = apply_to;
    return action;
  }
  static CAction relative(CAction action) {
    action.uses_relative = true;
    action.relative = true;
    return action;
  }

  // The debug lines the list wrote, run with the instance as self and other.
  std::vector<std::string> run_list(CInstance* self, std::vector<CAction> actions,
                                    CInstance* other = nullptr) {
    event_.actions = std::move(actions);
    output_.clear();
    display_.shown.clear();
    execute_actions(self, other ? other : self, event_);
    return output_;
  }

  CInstance* make_instance(double x = 0, double y = 0) {
    if (!room_) enter_room();
    if (thing_ < 0) thing_ = add_object();
    return room_->create_instance(thing_, x, y);
  }

  double field(CInstance* self, const std::string& expression) {
    RScriptRun run = run_as(self, "return " + expression);
    EXPECT_TRUE(run.ok) << run.error;
    return run.result.real;
  }

  void TearDown() override {
    world_state().pending_room = kRequestNone;
    InstanceWorld::TearDown();
  }

  CEvent event_;
  int thing_ = -1;
};

namespace {

using Strings = std::vector<std::string>;

TEST_F(ActionWorld, PreparationReadsArgumentsByKind) {
  CInstance* self = make_instance();
  CAction action = call("action_if_variable", {"hello", "'quoted' + ''", "plain", "1 + 2", "x"},
                        {1, 2, 2, 0, 0});
  ASSERT_TRUE(prepare_action(action));
  EXPECT_TRUE(action.argument_texts.empty());
  // Text stays text; a quoted kind-2 text and a constant expression are ready values.
  EXPECT_EQ(action.argument_kinds, (std::vector<int>{-1, -1, -1, -1, 0}));
  EXPECT_EQ(action.argument_values[0].string.str(), "hello");
  EXPECT_EQ(action.argument_values[1].string.str(), "quoted");
  EXPECT_EQ(action.argument_values[2].string.str(), "plain");
  EXPECT_EQ(action.argument_values[3].real, 3);
  ASSERT_TRUE(action.argument_codes[4]);
  self->set_x(12);
  RValue value;
  ASSERT_TRUE(evaluate_argument(self, self, action, 4, value));
  EXPECT_EQ(value.real, 12);

  // Preparing twice changes nothing.
  EXPECT_TRUE(prepare_action(action));
  EXPECT_EQ(action.argument_kinds[4], 0);
}

TEST_F(ActionWorld, VariableActionsBecomeCode) {
  CInstance* self = make_instance();
  CAction set;
  set.kind = kActionVariable;
  set.argument_count = 2;
  set.argument_kinds = {0, 0};
  set.argument_texts = {"score_here", "5"};
  CAction add = relative(set);
  add.argument_texts = {"score_here", "2"};
  run_list(self, {set, add, add, say("done")});
  EXPECT_EQ(field(self, "score_here"), 9);
  EXPECT_EQ(event_.actions[0].kind, kActionNormal);
  EXPECT_EQ(event_.actions[0].execution, kExecuteCode);
  EXPECT_EQ(event_.actions[0].argument_count, 0);
}

TEST_F(ActionWorld, CompileErrorsAreFatalAndNameWhatFailed) {
  CAction broken = code("x = = 1");
  EXPECT_FALSE(prepare_action(broken));
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("FATAL:"), std::string::npos);
  EXPECT_NE(display_.shown[0].find("COMPILATION ERROR in code action\r"), std::string::npos);

  reset_error_state();
  display_.shown.clear();
  CAction argument = call("action_if", {"1", "(2"});
  EXPECT_FALSE(prepare_action(argument));
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("COMPILATION ERROR in argument 1\r"), std::string::npos);
}

TEST_F(ActionWorld, QuestionsElseAndBlocks) {
  CInstance* self = make_instance();
  CAction begin = control(kActionBeginBlock), end = control(kActionEndBlock);
  CAction otherwise = control(kActionElse);
  // A false question skips its block; the action after the else runs.
  EXPECT_EQ(
      run_list(self, {when("0"), begin, say("a"), say("b"), end, otherwise, say("c"), say("d")}),
      (Strings{"c", "d"}));
  // A true one runs the block and skips the else part.
  EXPECT_EQ(
      run_list(self, {when("1"), begin, say("a"), say("b"), end, otherwise, say("c"), say("d")}),
      (Strings{"a", "b", "d"}));
  // Not inverts; a question before a question skips both with what follows them.
  EXPECT_EQ(run_list(self, {when("1", true), when("1"), say("a"), say("b")}), (Strings{"b"}));
  EXPECT_EQ(run_list(self, {when("0"), begin, when("1"), begin, say("a"), end, end, say("b")}),
            (Strings{"b"}));
  // A false question also skips a repeat together with its action.
  EXPECT_EQ(run_list(self, {when("0"), repeat("3"), say("a"), say("b")}), (Strings{"b"}));
  // Stray end blocks and elses do nothing.
  EXPECT_EQ(run_list(self, {end, otherwise, say("a")}), (Strings{"a"}));
}

TEST_F(ActionWorld, RepeatRoundsItsCountAndExitEndsTheEvent) {
  CInstance* self = make_instance();
  CAction begin = control(kActionBeginBlock), end = control(kActionEndBlock);
  EXPECT_EQ(run_list(self, {repeat("2.5"), say("a"), say("b")}), (Strings{"a", "a", "b"}));
  EXPECT_EQ(run_list(self, {repeat("-3"), say("a"), say("b")}), (Strings{"b"}));
  EXPECT_EQ(run_list(self, {repeat("'many'"), say("a"), say("b")}), (Strings{"b"}));
  EXPECT_EQ(run_list(self, {repeat("2"), begin, say("a"), say("b"), end, say("c")}),
            (Strings{"a", "b", "a", "b", "c"}));
  // The count is evaluated on self.
  self->set_x(3);
  EXPECT_EQ(run_list(self, {repeat("x"), say("a")}), (Strings{"a", "a", "a"}));
  // An exit inside a block (or a repeat) ends the whole list.
  EXPECT_EQ(run_list(self, {begin, say("a"), control(kActionExit), say("b"), end, say("c")}),
            (Strings{"a"}));
  EXPECT_EQ(run_list(self, {repeat("5"), begin, say("a"), control(kActionExit), end}),
            (Strings{"a"}));
}

TEST_F(ActionWorld, ARoomRequestStopsTheList) {
  CInstance* self = make_instance();
  EXPECT_EQ(run_list(self, {say("a"), code("game_end()"), say("b")}), (Strings{"a"}));
  world_state().pending_room = kRequestNone;
  EXPECT_EQ(run_list(self, {repeat("4"), code("show_debug_message('a'); game_end()"), say("b")}),
            (Strings{"a"}));
}

TEST_F(ActionWorld, ApplyToSelfOtherAndObjects) {
  CInstance* self = make_instance(1, 0);
  CInstance* other = make_instance(2, 0);
  int ghost = add_object();
  int child = add_object(-1, thing_);
  CInstance* young = room_->create_instance(child, 3, 0);
  CAction where = say("");
  where.argument_texts = {"show_debug_message(string(x) + ':' + string(other.x))"};

  EXPECT_EQ(run_list(self, {applied(where, -1)}, other), (Strings{"1:2"}));
  EXPECT_EQ(run_list(self, {applied(where, -2)}, other), (Strings{"2:1"}));
  // Without uses apply-to the field is ignored.
  CAction ignored = where;
  ignored.apply_to = -2;
  EXPECT_EQ(run_list(self, {ignored}, other), (Strings{"1:2"}));
  // An object's whole family, each as self with the same other; destroyed ones left out.
  young->destroyed = true;
  EXPECT_EQ(run_list(self, {applied(where, thing_)}, other), (Strings{"1:2", "2:2"}));
  young->destroyed = false;
  EXPECT_EQ(run_list(self, {applied(where, thing_)}, other), (Strings{"1:2", "2:2", "3:2"}));
  // Instances the runs create are not visited.
  CAction spawn = code("instance_create(9, 9, " + std::to_string(thing_) + ")");
  run_list(self, {applied(spawn, thing_)});
  EXPECT_EQ(room_->own_list(thing_).size(), 5u);

  // A question on an object is true only when it is true for every instance, and true
  // when there is none.
  EXPECT_EQ(run_list(self, {applied(when("x > 0"), thing_), say("all")}), (Strings{"all"}));
  EXPECT_EQ(run_list(self, {applied(when("x > 1"), thing_), say("all")}), (Strings{}));
  EXPECT_EQ(run_list(self, {applied(when("0"), ghost), say("none")}), (Strings{"none"}));
}

TEST_F(ActionWorld, CodeActionArgumentsComeBackAfterwards) {
  CInstance* self = make_instance();
  set_argument(0, RValue("mine"));
  set_argument(1, RValue(7.0));
  run_state().argument_relative = false;
  CAction action;
  action.execution = kExecuteCode;
  action.code_text =
      "show_debug_message(string(argument0) + ' ' + argument1 + ' ' +"
      " string(argument_relative)); argument0 = 99";
  action.argument_count = 2;
  action.argument_kinds = {0, 1};
  action.argument_texts = {"x + 4", "text"};
  action = relative(action);
  EXPECT_EQ(run_list(self, {action}), (Strings{"4 text 1"}));
  EXPECT_EQ(argument_value(0).string.str(), "mine");
  EXPECT_EQ(argument_value(1).real, 7);
  EXPECT_FALSE(run_state().argument_relative);
}

// Stands for the functions that add to a running event: the list moves in memory.
CEvent* g_growing = nullptr;
void grow_running_list(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  if (g_growing) g_growing->actions.resize(g_growing->actions.size() + 64);
  result.real = 0;
}

TEST_F(ActionWorld, AListThatGrowsWhileItRunsGoesOn) {
  register_function("test_grow_running_list", grow_running_list, 0);
  CInstance* self = make_instance();
  make_instance();
  g_growing = &event_;
  CAction grow = question("test_grow_running_list", {});
  grow.not_flag = true;
  CAction grow_code = say("");
  grow_code.argument_texts = {"test_grow_running_list()"};
  EXPECT_EQ(run_list(self, {grow, say("inverted"), applied(grow_code, thing_), say("end")}),
            (Strings{"inverted", "end"}));
  g_growing = nullptr;
  EXPECT_EQ(event_.actions.size(), 4u + 64 * 3);
}

TEST_F(ActionWorld, DeepNestingEndsInsteadOfOverflowing) {
  CInstance* self = make_instance();
  std::vector<CAction> actions(30000, control(kActionBeginBlock));
  actions.push_back(say("deep"));
  run_list(self, actions);
  std::vector<CAction> questions(30000, when("0"));
  questions.push_back(say("after"));
  EXPECT_EQ(run_list(self, questions), (Strings{}));
  SUCCEED();
}

TEST_F(ActionWorld, LibraryInitialisationRunsOnATemporaryInstance) {
  std::vector<std::string> init = {"", "global.seen = id + 5", "x = = 2", "global.more = 1"};
  world_resources().library_init_code = &init;
  run_library_init_code();
  Strings shown = display_.shown;
  RScriptRun seen = run("return global.seen");
  EXPECT_EQ(seen.result.real, 5);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("FATAL:COMPILATION ERROR in library initialization code\r", 0), 0u);
}

TEST_F(ActionWorld, PreparingObjectsAndTimeLinesStopsAtTheFirstFailure) {
  int good = add_object();
  object(good).event(kEventCreate, 0).actions.push_back(say("fine"));
  EXPECT_TRUE(prepare_all_objects());
  EXPECT_TRUE(object(good).event(kEventCreate, 0).actions[0].prepared);

  int bad = add_object();
  object(bad).event(kEventStep, 0).actions = {say("ok"), code("(")};
  event_context().event_type = 5;
  EXPECT_FALSE(prepare_all_objects());
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("COMPILATION ERROR in code action"), std::string::npos);
  // The context the reports used is put back afterwards.
  EXPECT_EQ(event_context().event_type, 5);
}

// --- The action functions, called as their actions call them ---

using ActionFunctions = ActionWorld;

TEST_F(ActionFunctions, ActionsOfEveryFamilyAreRegistered) {
  int32_t id;
  for (const char* name : {"action_another_room",  "action_end_game",     "action_inherited",
                           "action_if_number",     "action_set_timeline", "action_sprite_set",
                           "action_if_empty",      "action_path",         "action_bounce",
                           "action_draw_text",     "action_draw_health",  "action_font",
                           "action_sound",         "action_end_sound",    "action_if_sound",
                           "action_replace_sound", "action_linear_step",  "action_potential_step",
                           "action_save_game",     "action_load_game",    "action_partsyst_create",
                           "action_effect",        "action_path_old",     "action_set_sprite"}) {
    EXPECT_TRUE(find_function(name, id)) << name;
  }
}

// The older sprite action: a still image of the sprite, or animation for a negative one.
TEST_F(ActionFunctions, OldSpriteActionShowsOneImageOrAnimates) {
  CInstance* self = make_instance();
  self->image_speed = 0.5;
  run_list(self, {call("action_set_sprite", {"-1", "2"})});
  EXPECT_EQ(self->image_index, 2);
  EXPECT_EQ(self->image_speed, 0);
  run_list(self, {call("action_set_sprite", {"-1", "-1"})});
  EXPECT_EQ(self->image_speed, 1);
}

TEST_F(ActionFunctions, AlarmsAddOnlyToRunningOnes) {
  CInstance* self = make_instance();
  run_list(self,
           {relative(call("action_set_alarm", {"4.6", "2"})), call("action_set_alarm", {"3", "5"}),
            relative(call("action_set_alarm", {"10", "5"})), call("action_set_alarm", {"1", "12"}),
            call("action_set_alarm", {"1", "-1"})});
  EXPECT_EQ(self->alarm[2], 5);
  EXPECT_EQ(self->alarm[5], 13);
  EXPECT_EQ(self->alarm[0], -1);
  EXPECT_EQ(self->alarm[11], -1);
}

TEST_F(ActionFunctions, MotionByDirectionsAndPoints) {
  CInstance* self = make_instance(10, 10);
  run_list(self, {call("action_move", {"'0000100'", "3"})});
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Wrong argument to action_move()."), std::string::npos);

  run_list(self, {call("action_move", {"'000001000'", "3"})});
  EXPECT_EQ(self->direction, 0);
  EXPECT_EQ(self->hspeed, 3);
  run_list(self, {relative(call("action_move", {"'010000000'", "1"}))});
  EXPECT_EQ(self->direction, 270);
  EXPECT_EQ(self->vspeed, 4);
  run_list(self, {call("action_move", {"'000010000'", "5"})});
  EXPECT_EQ(self->speed, 0);
  EXPECT_EQ(self->direction, 0);
  // No "1" at all: nothing changes.
  self->set_hspeed(2);
  run_list(self, {call("action_move", {"'000000000'", "9"})});
  EXPECT_EQ(self->hspeed, 2);

  run_list(self, {call("action_set_motion", {"90", "2"}),
                  relative(call("action_set_motion", {"0", "2"}))});
  EXPECT_NEAR(self->hspeed, 2, 1e-9);
  EXPECT_NEAR(self->vspeed, -2, 1e-9);
  EXPECT_NEAR(self->direction, 45, 1e-9);

  run_list(self, {relative(call("action_move_point", {"0", "5", "3"}))});
  EXPECT_EQ(self->direction, 270);
  EXPECT_EQ(self->vspeed, 3);
  run_list(self, {call("action_move_point", {"10", "10", "1"})});
  EXPECT_EQ(self->direction, 0);
  EXPECT_EQ(self->hspeed, 1);
  run_list(self, {relative(call("action_move_to", {"-4", "2"})),
                  relative(call("action_set_hspeed", {"1"}))});
  EXPECT_EQ(self->x, 6);
  EXPECT_EQ(self->y, 12);
  EXPECT_EQ(self->hspeed, 2);
}

TEST_F(ActionFunctions, CreatingInstances) {
  CInstance* self = make_instance(100, 50);
  int ball = add_object();
  on_event(ball, kEventCreate, 0, "born = speed");
  std::string object = std::to_string(ball);
  run_list(self, {relative(call("action_create_object", {object, "5", "-5"})),
                  call("action_create_object_motion", {object, "1", "2", "4", "90"}),
                  call("action_create_object", {"42", "0", "0"})});
  Strings shown = display_.shown;
  const auto& balls = room_->own_list(ball);
  ASSERT_EQ(balls.size(), 2u);
  EXPECT_EQ(balls[0]->x, 105);
  EXPECT_EQ(balls[0]->y, 45);
  EXPECT_EQ(field(balls[0], "born"), 0);
  // Speed and direction are set before the create event.
  EXPECT_EQ(field(balls[1], "born"), 4);
  EXPECT_EQ(balls[1]->vspeed, -4);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("Creating instance for non-existing object: 42"), std::string::npos);

  // Only existing objects are chosen; none existing creates nothing.
  run_list(self, {call("action_create_object_random", {"-1", object, "77", "-1", "0", "0"}),
                  call("action_create_object_random", {"-1", "-1", "77", "-1", "0", "0"})});
  EXPECT_EQ(room_->own_list(ball).size(), 3u);
  EXPECT_TRUE(display_.shown.empty());

  // Counting them.
  EXPECT_EQ(run_list(self, {question("action_if_number", {object, "3", "0"}), say("three"),
                            question("action_if_number", {object, "3", "1"}), say("fewer")}),
            (Strings{"three"}));
  run_list(balls[0], {call("action_kill_object", {})});
  EXPECT_TRUE(balls[0]->destroyed);
}

TEST_F(ActionFunctions, Questions) {
  CInstance* self = make_instance();
  EXPECT_EQ(run_list(self, {question("action_if_dice", {"1"}), say("one"),
                            question("action_if_dice", {"-5"}), say("less")}),
            (Strings{"one", "less"}));
  EXPECT_EQ(run_list(self, {question("action_if_variable", {"'abc'", "'abd'", "1"}), say("lt"),
                            question("action_if_variable", {"3", "2", "2"}), say("gt"),
                            question("action_if_variable", {"2", "2", "0"}), say("eq"),
                            question("action_if_variable", {"2", "'2'", "0"}), say("mixed")}),
            (Strings{"lt", "gt", "eq"}));
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Cannot compare arguments."), std::string::npos);
  // A string result is false.
  EXPECT_EQ(run_list(self, {question("action_if", {"'yes'"}), say("string")}), (Strings{}));
}

TEST_F(ActionFunctions, ScoreLivesAndHealth) {
  CInstance* self = make_instance();
  int depleted = 0;
  RRunState& state = run_state();
  state.score = 10;
  state.lives = 1;
  state.lives_depleted = [&] { ++depleted; };
  run_list(self,
           {relative(call("action_set_score", {"2.6"})), relative(call("action_set_life", {"-1"})),
            relative(call("action_set_life", {"-1"}))});
  state.lives_depleted = nullptr;
  EXPECT_EQ(state.score, 13);
  EXPECT_EQ(state.lives, -1);
  EXPECT_EQ(depleted, 1);
  EXPECT_EQ(run_list(self, {question("action_if_score", {"13", "0"}), say("equal"),
                            question("action_if_life", {"0", "1"}), say("less")}),
            (Strings{"equal", "less"}));
  state.score = 0;
  state.lives = -1;
}

TEST_F(ActionFunctions, TimeLines) {
  CInstance* self = make_instance();
  run_list(self, {call("action_timeline_set", {"3", "7.6", "1", "1"})});
  EXPECT_EQ(self->timeline_index, 3);
  EXPECT_EQ(self->timeline_position, 8);
  EXPECT_FALSE(self->timeline_running);
  EXPECT_TRUE(self->timeline_loop);
  run_list(self, {relative(call("action_set_timeline_position", {"2.4"})),
                  call("action_timeline_start", {})});
  EXPECT_EQ(self->timeline_position, 10);
  EXPECT_TRUE(self->timeline_running);
  run_list(self, {call("action_timeline_stop", {})});
  EXPECT_EQ(self->timeline_position, 0);
  EXPECT_FALSE(self->timeline_running);
}

TEST_F(ActionFunctions, RoomRequestsCarryTheirTransition) {
  CInstance* self = make_instance();
  rooms_.add("first", std::make_unique<CRoom>());
  rooms_.add("second", std::make_unique<CRoom>());
  world_state().transition_kind = 0;
  run_list(self, {call("action_another_room", {"1", "5"}), say("after")});
  EXPECT_EQ(world_state().pending_room, 1);
  EXPECT_EQ(world_state().transition_kind, 5);
  EXPECT_EQ(output_, (Strings{}));

  // A refused request leaves no transition behind.
  world_state().pending_room = kRequestNone;
  world_state().transition_kind = 0;
  run_list(self, {call("action_another_room", {"9", "3"})});
  EXPECT_EQ(world_state().transition_kind, 0);
  world_state().pending_room = kRequestNone;
}

TEST_F(ActionFunctions, ScriptsAndAppearance) {
  CInstance* self = make_instance();
  add_script("sum", "return argument0 + argument1 + argument4");
  EXPECT_EQ(run_list(self, {code("show_debug_message(string(action_execute_script(0, 1, 2, 0,"
                                 " 0, 3)))")}),
            (Strings{"6"}));
  run_list(self, {call("action_execute_script", {"5", "0", "0", "0", "0", "0"})});
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Trying to execute non-existing script."), std::string::npos);

  run_list(self, {call("action_sprite_transform", {"2", "3", "45", "3"}),
                  call("action_sprite_color", {"255", "0.5"})});
  EXPECT_EQ(self->image_xscale, -2);
  EXPECT_EQ(self->image_yscale, -3);
  EXPECT_EQ(self->image_angle, 45);
  EXPECT_EQ(self->image_blend, 255);
  EXPECT_EQ(self->image_alpha, 0.5);
  int strip = add_sprite(4, 8, 8, 0, 0, {0, 0, 7, 7});
  self->image_index = 2;
  run_list(self, {call("action_sprite_set", {std::to_string(strip), "-1", "0.25"})});
  EXPECT_EQ(self->sprite_index, strip);
  EXPECT_EQ(self->image_index, 2);
  EXPECT_EQ(self->image_speed, 0.25);
}

// The older font action makes its face once however often a draw event runs it, and sets
// the draw colour; a face the game deleted is made again.
TEST_F(ActionFunctions, OldFontActionMakesEachFaceOnce) {
  CInstance* self = make_instance();
  const CAction set_font = call("action_draw_font_old", {"'Arial'", "10", "c_red", "1", "0", "0"});
  run_list(self, {set_font});
  const int first = text_font_index();
  ASSERT_NE(font_at(first), nullptr);
  EXPECT_EQ(font_at(first)->size, 10);
  EXPECT_TRUE(font_at(first)->bold);
  EXPECT_EQ(draw_color(), 255);
  run_list(self, {set_font, set_font});
  EXPECT_EQ(text_font_index(), first);
  EXPECT_EQ(font_at(first + 1), nullptr);
  run_list(self, {call("action_draw_font_old", {"'Arial'", "11", "c_red", "1", "0", "0"})});
  EXPECT_EQ(text_font_index(), first + 1);
  delete_font(first);
  run_list(self, {set_font});
  EXPECT_EQ(text_font_index(), first + 2);
  EXPECT_TRUE(display_.shown.empty());
}

// Replacing a sound checks the sound, then the file, and keeps the kind and the preload
// flag; the play actions reach an unknown sound's message.
TEST_F(ActionWorld, SoundActionsCheckTheirSoundAndFile) {
  TResourceList<CSound> sounds;
  world_resources().sounds = &sounds;
  auto music = std::make_unique<CSound>();
  music->kind = 1;
  music->preload = false;
  music->file_type = ".mid";
  music->file_name = "old.mid";
  sounds.add("snd_music", std::move(music));
  ScratchDir scratch("action_sounds");
  std::ofstream(scratch / "new.wav") << "RIFF";
  CInstance* self = make_instance();

  run_list(self, {call("action_replace_sound", {"3", "'" + (scratch / "new.wav").string() + "'"})});
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Trying to replace non-existing resource."), std::string::npos);
  run_list(self,
           {call("action_replace_sound", {"0", "'" + (scratch / "none.wav").string() + "'"})});
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("File does not exist."), std::string::npos);
  EXPECT_EQ(sound_at(0)->file_name, "old.mid");

  run_list(self, {call("action_replace_sound", {"0", "'" + (scratch / "new.wav").string() + "'"})});
  EXPECT_TRUE(display_.shown.empty());
  EXPECT_EQ(sound_at(0)->file_name, "new.wav");
  EXPECT_EQ(sound_at(0)->file_type, ".wav");
  EXPECT_EQ(sound_at(0)->data, (std::vector<uint8_t>{'R', 'I', 'F', 'F'}));
  EXPECT_EQ(sound_at(0)->kind, 1);
  EXPECT_FALSE(sound_at(0)->preload);
  EXPECT_EQ(sound_name(0), "snd_music");

  run_list(self, {call("action_sound", {"5", "1"}), call("action_end_sound", {"5", "0"})});
  ASSERT_EQ(display_.shown.size(), 2u);
  EXPECT_NE(display_.shown[1].find("Sound does not exist."), std::string::npos);
  EXPECT_EQ(field(self, "action_if_sound(5)"), 0);
}

// The CD actions reach the cd_ functions: a question on the disc, a range of tracks, pause,
// resume and stop.
TEST_F(ActionFunctions, CdActionsDriveTheDisc) {
  auto drive = std::make_unique<CSimulatedCdDrive>(std::vector<int32_t>{4500, 4500, 4500});
  CSimulatedCdDrive* disc = drive.get();
  cd_device().set_drive(std::move(drive));
  struct RPutBack {
    ~RPutBack() { cd_device().set_drive(create_cd_drive()); }
  } put_back;
  CInstance* self = make_instance();

  EXPECT_EQ(run_list(self, {question("action_cd_present", {}), say("present"),
                            call("action_cd_play", {"2", "2"}), question("action_cd_playing", {}),
                            say("playing")}),
            (Strings{"present", "playing"}));
  EXPECT_EQ(disc->position(), 4500);
  EXPECT_EQ(disc->play_end(), 9000);
  run_list(self, {call("action_cd_pause", {})});
  EXPECT_EQ(disc->mode(), CdMode::paused);
  run_list(self, {call("action_cd_resume", {})});
  EXPECT_EQ(disc->mode(), CdMode::playing);
  run_list(self, {call("action_cd_stop", {})});
  EXPECT_EQ(disc->mode(), CdMode::stopped);

  disc->set_disc_inserted(false);
  EXPECT_EQ(run_list(self, {question("action_cd_present", {}, true), say("none"),
                            question("action_cd_playing", {}), say("playing")}),
            (Strings{"none"}));
  EXPECT_TRUE(display_.shown.empty());
}

}  // namespace
}  // namespace vn::test
