// A whole game for the step-cycle tests: objects with code events, rooms with their
// instances, time lines and triggers built in memory (or read from a project folder),
// installed as the running game, and run step by step headless on the fixed clock while
// show_debug_message lines are collected.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "library/Input_Main.h"
#include "platform/Platform_Clock.h"
#include "runner/Project_Json.h"
#include "runner/Project_Read.h"
#include "runner/Runner_Game.h"
#include "runner/Runner_Install.h"
#include "runner/Runner_Library.h"
#include "runner/Runner_Names.h"
#include "script/Code_Constant.h"
#include "script/Code_World.h"
#include "script/Constant_Main.h"
#include "script/Script_Main.h"
#include "script/Script_Test_Support.h"
#include "script/Variable_BuiltIn.h"
#include "world/Event_Main.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Trigger_Main.h"
#include "world/World_Script.h"

namespace vn::test {

class WorldTest : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    register_game_library();
    saved_ = world_resources();
    use_fixed_clock(1.0e9);
    set_start_seed(12345);
    reset_input();
    world_state() = RWorldState();
    RRunHooks hooks;
    hooks.after_step = [this] {
      ++steps_run_;
      if (steps_run_ >= steps_wanted_ && world_state().running) {
        world_state().running = false;
        held_by_test_ = true;
      }
    };
    hooks.draw_room = [this] { ++frames_drawn_; };
    set_run_hooks(std::move(hooks));
  }

  void TearDown() override {
    if (world_state().current) end_game();
    world_state() = RWorldState();
    set_run_hooks(RRunHooks());
    set_start_seed(std::nullopt);
    release_triggers();
    // The names would outlive the game and turn later tests' variables into constants.
    set_resource_constants(nullptr);
    world_resources() = saved_;
    set_script_world(nullptr);
    ScriptTest::TearDown();
  }

  // --- Building the game ---

  int add_object(const std::string& name, int parent = -1, int sprite = -1) {
    auto object = std::make_unique<CObject>();
    object->parent_index = parent;
    object->sprite_index = sprite;
    game_.objects.add(name, std::move(object));
    return int(game_.objects.size()) - 1;
  }
  CObject& object(int index) { return *game_.objects.items[size_t(index)]; }

  // Appends a code action to the object's event.
  void on(int object_index, int type, int number, const std::string& code) {
    object(object_index).event(type, number).actions.push_back(code_action(code));
  }

  // A room appended to the room order.
  CRoom& add_room(const std::string& name) {
    game_.rooms.add(name, std::make_unique<CRoom>());
    game_.room_order.push_back(int(game_.rooms.size()) - 1);
    return *game_.rooms.items.back();
  }
  CRoom& room_template(int index) { return *game_.rooms.items[size_t(index)]; }

  // An instance in a room template with the next stored id.
  int place(int room, int object_index, int x = 0, int y = 0, const std::string& code = "") {
    int id = ++game_.last_instance_id;
    room_template(room).instances.push_back({x, y, object_index, id, code});
    return id;
  }

  int add_sprite(int frames, int width = 8, int height = 8) {
    auto sprite = std::make_unique<CSprite>();
    for (int i = 0; i < frames; ++i) sprite->frames.emplace_back(width, height, 0xFF000000);
    if (frames > 0) {
      TMask mask;
      mask.width = width;
      mask.height = height;
      mask.right = width - 1;
      mask.bottom = height - 1;
      mask.cells.assign(size_t(width) * size_t(height), 1);
      sprite->masks.push_back(mask);
    }
    game_.sprites.add("sprite" + std::to_string(game_.sprites.size()), std::move(sprite));
    return int(game_.sprites.size()) - 1;
  }

  int add_timeline(const std::string& name) {
    game_.timelines.add(name, std::make_unique<CTimeLine>());
    return int(game_.timelines.size()) - 1;
  }
  // Moments are kept in time order as the game file has them.
  void moment(int timeline, int step, const std::string& code) {
    CTimeLine& line = *game_.timelines.items[size_t(timeline)];
    auto at = line.moments.begin();
    while (at != line.moments.end() && at->step < step) ++at;
    if (at == line.moments.end() || at->step != step) {
      at = line.moments.insert(at, RMoment{step, CEvent()});
    }
    at->event.actions.push_back(code_action(code));
  }

  int add_trigger(const std::string& name, const std::string& condition, int moment_of_step) {
    auto trigger = std::make_unique<CTrigger>();
    trigger->name = name;
    trigger->condition = condition;
    trigger->moment = moment_of_step;
    game_.triggers.push_back(std::move(trigger));
    return int(game_.triggers.size()) - 1;
  }

  // Reads a project folder instead of building the game in code.
  bool load_project(const std::filesystem::path& folder, std::string& error) {
    return read_project(folder, game_, error);
  }

  // --- Running it ---

  // Installs the game, prepares its code as the runner does and starts it; false when a
  // preparation step or the start fails.
  bool start() {
    install();
    if (!define_game_constants(game_.constants)) return false;
    if (!prepare_triggers() || !compile_scripts()) return false;
    if (!prepare_all_timelines() || !prepare_all_objects()) return false;
    return start_game();
  }

  // Runs the loop for that many steps (fewer when the game ends); the steps run.
  int run_steps(int count) {
    steps_run_ = 0;
    steps_wanted_ = count;
    if (held_by_test_) world_state().running = true;
    held_by_test_ = false;
    if (count > 0 && world_state().running) run_game();
    return steps_run_;
  }

  // The lines written since the last take, which empties them.
  std::vector<std::string> take_log() {
    std::vector<std::string> lines = std::move(output_);
    output_.clear();
    return lines;
  }

  // Runs script text on an instance of the current room (or a temporary one).
  RValue eval(const std::string& expression, CInstance* self = nullptr) {
    CInstance temporary(0, 0, 0, 0);
    if (!self) self = &temporary;
    CCode code(expression, true);
    RValue result;
    EXPECT_TRUE(code.compile()) << last_error_message();
    EXPECT_TRUE(run_code(self, self, code, result)) << last_error_message();
    return result;
  }

  // Runs a program that must compile and run without error.
  void exec(const std::string& program, CInstance* self = nullptr) {
    CInstance temporary(0, 0, 0, 0);
    if (!self) self = &temporary;
    CCode code(program, false);
    RValue result;
    ASSERT_TRUE(code.compile()) << last_error_message();
    EXPECT_TRUE(run_code(self, self, code, result)) << last_error_message();
  }

  CLiveRoom& room() { return *world_state().current; }
  CInstance* instance(int id) { return room().find_instance(id); }

  CGameData game_;
  int steps_run_ = 0;
  int steps_wanted_ = 0;
  int frames_drawn_ = 0;
  bool held_by_test_ = false;  // the loop was left for the test, not by the game

  // Makes the game the one the world reads (start does it too).
  void install() {
    run_state().game_id = game_.game_id;
    install_game_resources(game_);
    world_resources().settings = RWorldSettings();
  }

 private:
  RWorldResources saved_;
};

}  // namespace vn::test
