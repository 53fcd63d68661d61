#include <gtest/gtest.h>

#include "world/TimeLine_Class.h"
#include "world/TimeLine_Main.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

class TimeLines : public WorldTest {
 protected:
  // A time line with a logging moment at each time, and one instance running it.
  int run_line(const std::vector<int>& times, const std::string& setup) {
    int line = add_timeline("tl");
    for (int time : times) {
      moment(
          line, time,
          "show_debug_message('moment " + std::to_string(time) + " at ' + string(global.step));");
    }
    int obj = add_object("runner");
    on(obj, kEventCreate, 0, "timeline_index = 0; timeline_running = true; " + setup);
    on(obj, kEventStep, 2, "global.step += 1;");
    on(obj, kEventOther, 2, "global.step = 0;");
    add_room("rm");
    int id = place(0, obj);
    EXPECT_TRUE(start());
    return id;
  }
};

TEST_F(TimeLines, MomentsRunWhenThePositionPassesThem) {
  run_line({0, 10, 20}, "");
  run_steps(22);
  EXPECT_EQ(take_log(), (Lines{"moment 0 at 0", "moment 10 at 10", "moment 20 at 20"}));
}

TEST_F(TimeLines, LoopReturnsToZeroInTheStepOfTheLastMoment) {
  int id = run_line({0, 10, 20}, "timeline_loop = true;");
  run_steps(21);
  EXPECT_EQ(instance(id)->timeline_position, 0);
  run_steps(1);
  EXPECT_EQ(take_log(),
            (Lines{"moment 0 at 0", "moment 10 at 10", "moment 20 at 20", "moment 0 at 21"}));
}

TEST_F(TimeLines, FractionalSpeedRunsEveryMomentPassed) {
  int id = run_line({0, 1, 2, 3}, "timeline_speed = 2.5;");
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"moment 0 at 0", "moment 1 at 0", "moment 2 at 0"}));
  EXPECT_EQ(instance(id)->timeline_position, 2.5);
}

TEST_F(TimeLines, NegativeSpeedRunsBackwards) {
  int id = run_line({2, 4, 5}, "timeline_speed = -1; timeline_position = 5; timeline_loop = true;");
  run_steps(6);
  EXPECT_EQ(take_log(), (Lines{"moment 5 at 0", "moment 4 at 1", "moment 2 at 3"}));
  // Below 0 with loop set: back to the last moment's time.
  EXPECT_EQ(instance(id)->timeline_position, 5);
}

TEST_F(TimeLines, StoppedOrEmptyLinesDoNotMove) {
  int id = run_line({}, "");
  run_steps(3);
  EXPECT_EQ(instance(id)->timeline_position, 0);
  exec("timeline_index = 7;", instance(id));
  run_steps(1);
  EXPECT_EQ(instance(id)->timeline_position, 0);
}

TEST_F(TimeLines, MomentContextAndPositionChangesApplyNextStep) {
  int line = add_timeline("tl");
  moment(line, 0,
         "show_debug_message(string(event_type) + ' ' + string(event_number) + ' ' + "
         "string(event_object)); timeline_position = 3;");
  moment(line, 1, "show_debug_message('moment 1');");
  moment(line, 3, "show_debug_message('moment 3');");
  int obj = add_object("runner");
  on(obj, kEventCreate, 0, "timeline_index = 0; timeline_running = true;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"100000 0 0", "moment 3"}));
}

TEST_F(TimeLines, MomentLookupsAndEditing) {
  CTimeLine line;
  EXPECT_EQ(first_at_or_after(line, 0), -1);
  EXPECT_EQ(last_at_or_before(line, 0), -1);
  moment_add(line, 10);
  moment_add(line, 2);
  moment_add(line, 5).actions.push_back(code_action("x = 1;"));
  EXPECT_EQ(moment_add(line, 5).actions.size(), 1u);
  ASSERT_EQ(line.moments.size(), 3u);
  EXPECT_EQ(line.moments[0].step, 2);
  EXPECT_EQ(line.moments[2].step, 10);
  EXPECT_EQ(first_at_or_after(line, 5), 1);
  EXPECT_EQ(first_at_or_after(line, 5.5), 2);
  EXPECT_EQ(first_at_or_after(line, 11), 3);
  EXPECT_EQ(last_at_or_before(line, 4.9), 0);
  EXPECT_EQ(last_at_or_before(line, 1), -1);
  moment_clear(line, 5);
  moment_clear(line, 6);
  EXPECT_EQ(line.moments.size(), 2u);
}

TEST_F(TimeLines, PerformMomentOfAMissingLineDoesNothing) {
  add_room("rm");
  ASSERT_TRUE(start());
  perform_moment(nullptr, nullptr, 3, 0);
  EXPECT_EQ(take_log(), Lines{});
}

class Triggers : public WorldTest {};

TEST_F(Triggers, FireAtTheirMomentWhileTheConditionHolds) {
  int begin = add_trigger("low", "x < 2", 1);
  int end = add_trigger("always", "true", 2);
  int obj = add_object("obj");
  on(obj, kEventTrigger, begin, "show_debug_message('low ' + string(x));");
  on(obj, kEventTrigger, end, "show_debug_message('always');");
  on(obj, kEventStep, 1, "show_debug_message('begin step');");
  on(obj, kEventStep, 2, "show_debug_message('end step'); x += 1;");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(3);
  EXPECT_EQ(take_log(), (Lines{"low 0", "begin step", "always", "end step", "low 1", "begin step",
                               "always", "end step", "begin step", "always", "end step"}));
}

TEST_F(Triggers, StringResultNeverFiresAndErrorsAreReportedEachStep) {
  int text = add_trigger("text", "'yes'", 0);
  int broken = add_trigger("broken", "no_such_variable > 1", 0);
  int obj = add_object("obj");
  on(obj, kEventTrigger, text, "show_debug_message('text fired');");
  on(obj, kEventTrigger, broken, "show_debug_message('broken fired');");
  on(obj, kEventStep, 0, "show_debug_message('step');");
  add_room("rm");
  place(0, obj);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_EQ(take_log(), (Lines{"step", "step"}));
  ASSERT_EQ(display_.shown.size(), 2u);
  EXPECT_EQ(display_.shown[0].rfind("ERROR in trigger broken\r\n", 0), 0u);
}

TEST_F(Triggers, BadConditionFailsPreparation) {
  add_trigger("bad", "x = = 1", 0);
  add_room("rm");
  EXPECT_FALSE(start());
  ASSERT_FALSE(display_.shown.empty());
  EXPECT_EQ(display_.shown[0].rfind("FATAL:COMPILATION ERROR in condition of trigger bad\r", 0),
            0u);
}

TEST_F(Triggers, InheritedTriggerEventAndEmptySlots) {
  game_.triggers.push_back(nullptr);
  int trigger = add_trigger("on", "1", 1);
  int parent = add_object("parent");
  int child = add_object("child", parent);
  on(parent, kEventTrigger, trigger, "show_debug_message('trigger for ' + string(object_index));");
  add_room("rm");
  place(0, child);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"trigger for " + std::to_string(child)}));
}

}  // namespace
}  // namespace vn::test
