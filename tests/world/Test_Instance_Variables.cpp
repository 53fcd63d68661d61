#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/Code_Variable.h"
#include "world/Test_Instance_World.h"

namespace vn::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using InstanceVariables = InstanceWorld;

TEST_F(InstanceVariables, ConversionsAndIndicesOfTheFields) {
  int thing = add_object();
  CLiveRoom& room = enter_room();
  CInstance* instance = room.create_instance(thing, 0, 0);
  EXPECT_THAT(lines_of(instance,
                       "alarm[12] = 5; show_debug_message(alarm[0]);"
                       "alarm[3] = 2.5; show_debug_message(alarm[3]);"
                       "visible = 0.5; show_debug_message(visible);"
                       "visible = 0.51; show_debug_message(visible);"
                       "image_blend = 3.5; show_debug_message(image_blend);"
                       "image_single = 2; show_debug_message(string(image_index) + ' ' +"
                       "  string(image_speed) + ' ' + string(image_single));"
                       "image_single = -1; show_debug_message(string(image_speed) + ' ' +"
                       "  string(image_single));"
                       "path_position = 3; show_debug_message(path_position);"
                       "instance_create(0, 0, " + std::to_string(thing) + ");"
                       "show_debug_message(string(instance_count) + ' ' + string(instance_id[1]) +"
                       "  ' ' + string(instance_id[instance_count]));"),
              ElementsAre("5", "2", "0", "1", "4", "2 0 2", "1 -1", "1", "2 100002 -4"));
  EXPECT_EQ(instance->alarm[0], 5);
}

TEST_F(InstanceVariables, SpriteFieldsAndTheBoundingBox) {
  int sprite = add_sprite(3, 16, 8, 4, 2, {1, 0, 14, 7});
  int thing = add_object();
  CLiveRoom& room = enter_room();
  CInstance* instance = room.create_instance(thing, 50, 60);
  EXPECT_THAT(lines_of(instance,
                       "show_debug_message(string(bbox_left) + ' ' + string(sprite_width) + ' ' +"
                       "  string(image_number));"
                       "sprite_index = " + std::to_string(sprite) + "; image_xscale = 2;"
                       "show_debug_message(string(bbox_left) + ' ' + string(bbox_right) + ' ' +"
                       "  string(bbox_top) + ' ' + string(bbox_bottom));"
                       "show_debug_message(string(sprite_width) + ' ' + string(sprite_height) +"
                       "  ' ' + string(sprite_xoffset) + ' ' + string(image_number));"
                       "x = 0; show_debug_message(bbox_left);"
                       "mask_index = 99; show_debug_message(bbox_left);"),
              ElementsAre("-100000 0 0", "44 71 58 65", "32 8 8 3", "-6", "-100000"));
}

TEST_F(InstanceVariables, ReadOnlyFieldsRefuseAssignment) {
  int thing = add_object();
  CLiveRoom& room = enter_room();
  CInstance* instance = room.create_instance(thing, 0, 0);
  for (const char* name : {"id", "bbox_left", "sprite_width", "path_index", "instance_count"}) {
    RScriptRun run = run_as(instance, std::string(name) + " = 3;");
    EXPECT_FALSE(run.ok) << name;
    EXPECT_THAT(run.error, HasSubstr("Cannot assign to the variable")) << name;
  }
  EXPECT_EQ(instance->id, 100001);
}

TEST_F(InstanceVariables, ScopesReachInstancesByObjectIdAndAll) {
  int animal = add_object();
  int dog = add_object(-1, animal);
  int cat = add_object(-1, animal);
  CLiveRoom& room = enter_room();
  CInstance* first = room.create_instance(dog, 1, 0);
  CInstance* second = room.create_instance(cat, 2, 0);
  CInstance* third = room.create_instance(dog, 3, 0);
  std::string scopes = "a = " + std::to_string(animal) + "; c = " + std::to_string(cat) +
                       "; d = " + std::to_string(dog) + "; i2 = 100002; i3 = 100003;";
  // Reading through an object takes its first instance, with descendants; writing reaches
  // every one of them.
  EXPECT_THAT(lines_of(first, scopes +
                                  "show_debug_message(a.x);"
                                  "show_debug_message(c.x);"
                                  "show_debug_message(i3.x);"
                                  "show_debug_message(all.x);"
                                  "d.y = 7;"
                                  "i2.y = 8;"
                                  "all.tag = 'all';"),
              ElementsAre("1", "2", "3", "1"));
  EXPECT_EQ(first->y, 7);
  EXPECT_EQ(third->y, 7);
  EXPECT_EQ(second->y, 8);
  RValue tag;
  ASSERT_TRUE(third->variables.get(user_variable_id("tag"), 0, tag));
  EXPECT_EQ(tag.string.str(), "all");

  // A destroyed instance is passed by; reaching nothing is the interpreter's error.
  first->destroyed = true;
  EXPECT_THAT(lines_of(third, scopes + "show_debug_message(d.x);"), ElementsAre("3"));
  RScriptRun none = run_as(third, "i1 = 100001; return i1.x;");
  EXPECT_FALSE(none.ok);
  RScriptRun empty = run_as(third, "o = 123; return o.x;");
  EXPECT_FALSE(empty.ok);
}

TEST_F(InstanceVariables, WithVisitsTheFamilyInOrderWithOtherAsTheCaller) {
  int animal = add_object();
  int dog = add_object(-1, animal);
  int cat = add_object(-1, animal);
  CLiveRoom& room = enter_room();
  CInstance* caller = room.create_instance(cat, 0, 0);
  room.create_instance(dog, 0, 0);
  room.create_instance(animal, 0, 0);
  std::string a = std::to_string(animal), d = std::to_string(dog);
  EXPECT_THAT(lines_of(caller,
                       "with (" + a + ") show_debug_message(string(id) + ' ' + string(other.id));"
                       "with (" + d + ") instance_create(0, 0, " + d + ");"
                       "show_debug_message(instance_number(" + d + "));"
                       "with (noone) show_debug_message('never');"
                       "with (100002) { instance_destroy(); }"
                       "with (" + d + ") show_debug_message(id);"),
              ElementsAre("100001 100001", "100002 100001", "100003 100001", "2", "100004"));
}

}  // namespace
}  // namespace vn::test
