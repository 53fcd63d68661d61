// The debug form's model: watches evaluated after every step without touching the game,
// the instance list with the variables of one instance, and the run, pause, step, restart
// and end commands over the step cycle.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runner/Debug_Form.h"
#include "script/Code_Error.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

class DebugFormTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    probe_ = add_object("obj_probe");
    on(probe_, kEventCreate, 0, "n = 0; label = 'start'; cells[3] = 7;");
    on(probe_, kEventStep, 0, "n += 1;");
    add_room("rm_debug");
    const int room = int(game_.rooms.size()) - 1;
    first_ = place(room, probe_, 10, 20);
    second_ = place(room, probe_, 30, 40);
    run_state().debug_mode = true;
    RRunHooks hooks = run_hooks();
    hooks.refresh_debug = [this] { model_.refresh_watches(); };
    set_run_hooks(hooks);
    // The loop is left by the model's commands, not by a count of steps.
    steps_wanted_ = 1000;
  }
  void TearDown() override {
    run_state().debug_mode = false;
    WorldTest::TearDown();
  }

  std::vector<std::string> values() const {
    std::vector<std::string> list;
    for (const RWatchRow& row : model_.watches()) list.push_back(row.value.text);
    return list;
  }
  std::string variable(const std::string& name) const {
    for (const RVariableRow& row : model_.variables()) {
      if (row.name == name) return row.value;
    }
    return "<none>";
  }
  // Plays paused, giving one command each time the paused loop waits.
  void play(std::vector<DebugCommand> commands) {
    size_t next = 0;
    model_.play([&] {
      ASSERT_LT(next, commands.size()) << "the game waits for more commands";
      model_.command(commands[next++]);
    });
  }

  CDebugModel model_;
  int probe_ = 0;
  int first_ = 0;
  int second_ = 0;
};

TEST_F(DebugFormTest, WatchesFollowTheStepsWithTheChosenInstance) {
  ASSERT_TRUE(start());
  model_.add_watch("  room_speed * 2 ");
  model_.add_watch("n");
  model_.choose_instance(first_);
  model_.add_watch("label + string(n)");
  EXPECT_EQ(model_.watches()[0].expression, "room_speed * 2");
  // Without an instance there is no n to read: the row says so.
  EXPECT_FALSE(model_.watches()[1].value.ok);
  EXPECT_NE(model_.watches()[1].value.text.find("n"), std::string::npos);
  EXPECT_EQ(model_.watches()[2].value.text, "\"start0\"");

  model_.command(DebugCommand::pause);
  play({DebugCommand::step, DebugCommand::step, DebugCommand::step, DebugCommand::end});
  EXPECT_EQ(steps_run_, 3);
  EXPECT_EQ(values(), (std::vector<std::string>{"60", "3", "\"start3\""}));
  model_.remove_watch(0);
  model_.remove_watch(7);  // nothing there
  EXPECT_EQ(values(), (std::vector<std::string>{"3", "\"start3\""}));
}

TEST_F(DebugFormTest, WatchesNeverChangeTheGame) {
  error_settings().abort_errors = true;  // any error that got through would end the game
  ASSERT_TRUE(start());
  CInstance* probe = instance(first_);
  model_.choose_instance(first_);
  error_last() = "before";

  // "=" in an expression compares; statements, assignments and calls that act are refused.
  EXPECT_EQ(evaluate_watch("n = 5", probe).text, "0");
  for (const char* text : {"n += 5", "n = 5; x = 3", "{ n = 5 }", "instance_create(0, 0, 0)",
                           "random(10) + n", "abs(game_end())", "variable_local_set('n', 9)"}) {
    const RWatchValue value = evaluate_watch(text, probe);
    EXPECT_FALSE(value.ok) << text << " gave " << value.text;
  }
  EXPECT_EQ(evaluate_watch("instance_create(0, 0, 0)", probe).text,
            "not watched: instance_create may change the game");
  // Functions that only read are fine; their errors stay in the row.
  EXPECT_EQ(evaluate_watch("string_upper(label) + string(abs(-2))", probe).text, "\"START2\"");
  const RWatchValue root = evaluate_watch("sqrt(n - 1)", probe);
  EXPECT_FALSE(root.ok);
  EXPECT_NE(root.text.find("Cannot apply sqrt to negative number."), std::string::npos);
  EXPECT_FALSE(evaluate_watch("undefined_name + 1", probe).ok);
  EXPECT_FALSE(evaluate_watch("1 +", probe).ok);

  EXPECT_EQ(probe->x, 10);
  EXPECT_EQ(eval("n", probe).real, 0);
  EXPECT_EQ(room().instances().size(), 2u);
  EXPECT_EQ(world_state().pending_room, kRequestNone);
  EXPECT_FALSE(game_stopping());
  EXPECT_FALSE(error_occurred());
  EXPECT_EQ(error_last(), "before");
  EXPECT_TRUE(display_.shown.empty());
  EXPECT_FALSE(error_flag());
}

TEST_F(DebugFormTest, InstancesAndTheirVariables) {
  ASSERT_TRUE(start());
  EXPECT_EQ(model_.room_name(), "rm_debug");
  std::vector<RInstanceRow> rows = model_.instances();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, first_);
  EXPECT_EQ(rows[0].object, "obj_probe");
  EXPECT_EQ(rows[1].x, 30);
  EXPECT_EQ(rows[1].y, 40);

  EXPECT_TRUE(model_.variables().empty());
  model_.choose_instance(second_);
  EXPECT_EQ(variable("x"), "30");
  EXPECT_EQ(variable("id"), std::to_string(second_));
  EXPECT_EQ(variable("alarm[0]"), "-1");
  EXPECT_EQ(variable("label"), "\"start\"");
  EXPECT_EQ(variable("cells[3]"), "7");
  EXPECT_EQ(variable("cells[1]"), "0");

  exec("with (" + std::to_string(second_) + ") instance_destroy();");
  EXPECT_EQ(model_.instances().size(), 1u);
  EXPECT_TRUE(model_.variables().empty());
}

TEST_F(DebugFormTest, RunRestartAndEndFromThePause) {
  ASSERT_TRUE(start());
  model_.add_watch("instance_number(obj_probe)");
  model_.command(DebugCommand::pause);
  // Run goes on until the game pauses again: the test's own hook pauses it after 2 steps.
  RRunHooks hooks = run_hooks();
  hooks.after_step = [this, after = hooks.after_step] {
    after();
    if (steps_run_ == 2 || steps_run_ == 4) world_state().paused = true;
  };
  set_run_hooks(hooks);
  play({DebugCommand::step, DebugCommand::run, DebugCommand::restart, DebugCommand::pause,
        DebugCommand::step, DebugCommand::end});
  // One step, one more by Run, then Restart (a fresh game) runs to the pause at step 4,
  // and one more step.
  EXPECT_EQ(steps_run_, 5);
  EXPECT_EQ(world_state().step_counter, 3);
  EXPECT_EQ(eval("n", instance(first_)).real, 3);
  EXPECT_EQ(values(), (std::vector<std::string>{"2"}));
  EXPECT_FALSE(world_state().running);
  EXPECT_FALSE(world_state().paused);
}

TEST_F(DebugFormTest, EndWhileRunningLeavesTheLoop) {
  ASSERT_TRUE(start());
  RRunHooks hooks = run_hooks();
  hooks.after_step = [this, after = hooks.after_step] {
    after();
    if (steps_run_ == 3) model_.command(DebugCommand::end);
  };
  set_run_hooks(hooks);
  play({});
  EXPECT_EQ(steps_run_, 3);
  EXPECT_FALSE(world_state().running);
}

}  // namespace
}  // namespace vn::test
