// A small world for the instance tests: sprites and objects made in the test, installed
// as the game's lists, and a live room made current, with script text run on instances.
#pragma once

#include <memory>
#include <string>

#include "graphics/Sprite_Class.h"
#include "runner/Runner_Library.h"
#include "script/Code_World.h"
#include "script/Script_Test_Support.h"
#include "world/Object_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/World_Script.h"

namespace vn::test {

class InstanceWorld : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    register_game_library();
    saved_ = world_resources();
    RWorldResources& resources = world_resources();
    resources.sprites = &sprites_;
    resources.objects = &objects_;
    resources.rooms = &rooms_;
    resources.last_instance_id = &last_instance_id_;
    world_state().pending_room = kRequestNone;
    install_script_world();
  }

  void TearDown() override {
    world_state().current = nullptr;
    room_.reset();
    world_resources() = saved_;
    set_script_world(nullptr);
    ScriptTest::TearDown();
  }

  // A sprite of that many frames of the size, with one mask whose box is given.
  int add_sprite(int frames, int width, int height, int xorigin, int yorigin, RPixelBox box) {
    auto sprite = std::make_unique<CSprite>();
    sprite->xorigin = xorigin;
    sprite->yorigin = yorigin;
    for (int i = 0; i < frames; ++i) sprite->frames.emplace_back(width, height, 0xFF000000);
    if (frames > 0) {
      TMask mask;
      mask.width = width;
      mask.height = height;
      mask.left = box.left;
      mask.top = box.top;
      mask.right = box.right;
      mask.bottom = box.bottom;
      mask.cells.assign(size_t(width) * size_t(height), 1);
      sprite->masks.push_back(mask);
    }
    sprites_.add("sprite" + std::to_string(sprites_.size()), std::move(sprite));
    return int(sprites_.size()) - 1;
  }

  int add_object(int sprite = -1, int parent = -1) {
    auto object = std::make_unique<CObject>();
    object->sprite_index = sprite;
    object->parent_index = parent;
    objects_.add("object" + std::to_string(objects_.size()), std::move(object));
    return int(objects_.size()) - 1;
  }
  CObject& object(int index) { return *objects_.items[size_t(index)]; }

  // A code action in the object's event.
  void on_event(int object_index, int type, int number, const std::string& code) {
    CAction action;
    action.kind = kActionCode;
    action.argument_count = 1;
    action.argument_kinds = {1};
    action.argument_texts = {code};
    object(object_index).event(type, number).actions.push_back(action);
  }

  CLiveRoom& enter_room(const CRoom* room_template = nullptr) {
    world_state().current = nullptr;
    room_ = std::make_unique<CLiveRoom>(0, room_template);
    world_state().current = room_.get();
    return *room_;
  }

  RScriptRun run_as(CInstance* self, const std::string& source) {
    RScriptRun run;
    output_.clear();
    display_.shown.clear();
    CCode code(source, false);
    run.compiled = code.compile();
    if (!run.compiled) {
      run.error = last_error_message();
      return run;
    }
    run.ok = run_code(self, self, code, run.result);
    if (!run.ok) run.error = last_error_message();
    run.output = output_;
    run.shown = display_.shown;
    return run;
  }

  // The debug lines of a program that must run without error.
  std::vector<std::string> lines_of(CInstance* self, const std::string& source) {
    RScriptRun run = run_as(self, source);
    EXPECT_TRUE(run.compiled && run.ok) << run.error;
    return run.output;
  }

  TResourceList<CSprite> sprites_;
  TResourceList<CObject> objects_;
  TResourceList<CRoom> rooms_;
  int32_t last_instance_id_ = 100000;
  std::unique_ptr<CLiveRoom> room_;
  RWorldResources saved_;
};

}  // namespace vn::test
