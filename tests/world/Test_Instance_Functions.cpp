#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/Test_Instance_World.h"

namespace vn::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using InstanceFunctions = InstanceWorld;

std::vector<int32_t> ids(const std::vector<std::unique_ptr<CInstance>>& list) {
  std::vector<int32_t> out;
  for (const auto& instance : list) out.push_back(instance->id);
  return out;
}

TEST_F(InstanceFunctions, CreateRunsTheCreateEventWithItselfAsOther) {
  int ball = add_object();
  on_event(ball, kEventCreate, 0,
           "show_debug_message(string(id) + ' ' + string(other.id) + ' ' + string(x));"
           "hits = 1;");
  CLiveRoom& room = enter_room();
  CInstance* maker = room.create_instance(ball, 0, 0);
  EXPECT_THAT(lines_of(maker, "n = instance_create(7, 8, " + std::to_string(ball) +
                                  "); show_debug_message(n); show_debug_message(n.hits);"),
              ElementsAre("100002 100002 7", "100002", "1"));
  EXPECT_EQ(last_instance_id_, 100002);
  EXPECT_EQ(room.family_list(ball).size(), 2u);

  RScriptRun missing = run_as(maker, "return instance_create(0, 0, 42);");
  ASSERT_TRUE(missing.ok) << missing.error;
  EXPECT_EQ(missing.result.real, -4);
  ASSERT_EQ(missing.shown.size(), 1u);
  EXPECT_THAT(missing.shown[0], HasSubstr("Creating instance for non-existing object: 42"));
  EXPECT_EQ(room.instances().size(), 2u);
}

TEST_F(InstanceFunctions, DestroyRunsTheDestroyEventOnceThenHidesTheInstance) {
  int ball = add_object();
  // A destroy event that destroys its own instance again must not recurse.
  on_event(ball, kEventDestroy, 0, "global.destroyed += 1; instance_destroy();");
  CLiveRoom& room = enter_room();
  CInstance* first = room.create_instance(ball, 0, 0);
  CInstance* second = room.create_instance(ball, 0, 0);
  EXPECT_THAT(lines_of(first,
                       "global.destroyed = 0; instance_destroy(); instance_destroy();"
                       "show_debug_message(global.destroyed);"
                       "show_debug_message(instance_number(" + std::to_string(ball) + "));"
                       "show_debug_message(instance_exists(" + std::to_string(first->id) + "));"),
              ElementsAre("1", "1", "0"));
  EXPECT_TRUE(first->destroyed);
  EXPECT_FALSE(second->destroyed);
  EXPECT_EQ(room.find_instance(first->id), nullptr);
}

TEST_F(InstanceFunctions, ChangeKeepsTheIdAndTakesTheNewObjectsLooks) {
  int sprite = add_sprite(1, 4, 4, 0, 0, {0, 0, 3, 3});
  int caterpillar = add_object();
  int butterfly = add_object(sprite);
  object(butterfly).depth = -3;
  on_event(caterpillar, kEventDestroy, 0, "show_debug_message('bye ' + string(object_index));");
  on_event(butterfly, kEventCreate, 0, "show_debug_message('hello ' + string(object_index));");
  CLiveRoom& room = enter_room();
  CInstance* larva = room.create_instance(caterpillar, 10, 20);
  int32_t id = larva->id;
  EXPECT_THAT(lines_of(larva, "wings = 2; alarm[3] = 9; instance_change(" +
                                  std::to_string(butterfly) + ", true);"),
              ElementsAre("bye 0", "hello 1"));
  EXPECT_TRUE(larva->destroyed);
  CInstance* adult = room.find_instance(id);
  ASSERT_NE(adult, nullptr);
  EXPECT_NE(adult, larva);
  EXPECT_EQ(adult->object_index, butterfly);
  EXPECT_EQ(adult->sprite_index, sprite);
  EXPECT_EQ(adult->depth, -3);
  EXPECT_EQ(adult->alarm[3], 9);
  EXPECT_EQ(adult->bbox_right, 13);
  EXPECT_EQ(room.own_list(butterfly), (std::vector<CInstance*>{adult}));
  EXPECT_THAT(lines_of(adult, "show_debug_message(wings);"), ElementsAre("2"));

  // Without events nothing is said; a missing object changes nothing.
  EXPECT_TRUE(lines_of(adult, "instance_change(" + std::to_string(caterpillar) + ", 0);").empty());
  EXPECT_EQ(room.find_instance(id)->object_index, caterpillar);
  CInstance* now = room.find_instance(id);
  RScriptRun missing = run_as(now, "instance_change(77, 1);");
  ASSERT_EQ(missing.shown.size(), 1u);
  EXPECT_THAT(missing.shown[0], HasSubstr("Asking to change into non-existing object: 77"));
  EXPECT_FALSE(now->destroyed);
}

TEST_F(InstanceFunctions, AChangeFromItsOwnDestroyEventHappensOnce) {
  int first = add_object();
  int second = add_object();
  on_event(first, kEventDestroy, 0,
           "show_debug_message('destroy'); instance_change(" + std::to_string(second) + ", 1);");
  CLiveRoom& room = enter_room();
  CInstance* instance = room.create_instance(first, 0, 0);
  EXPECT_THAT(lines_of(instance, "instance_change(" + std::to_string(second) + ", 1);"),
              ElementsAre("destroy"));
  EXPECT_EQ(room.own_list(second).size(), 1u);
  EXPECT_EQ(room.instances().size(), 2u);
}

TEST_F(InstanceFunctions, CopyTakesANewIdAndTheVariables) {
  int ball = add_object();
  on_event(ball, kEventCreate, 0, "show_debug_message('created ' + string(id));");
  CLiveRoom& room = enter_room();
  CInstance* original = room.create_instance(ball, 5, 6);
  EXPECT_THAT(lines_of(original,
                       "score_of = 12; a = instance_copy(false); b = instance_copy(true);"
                       "show_debug_message(string(a) + ' ' + string(a.score_of) + ' ' +"
                       "  string(a.x));"),
              ElementsAre("created 100003", "100002 12 5"));
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100001, 100002, 100003}));
}

TEST_F(InstanceFunctions, FindingAndCountingFollowTheObjectArgument) {
  int animal = add_object();
  int dog = add_object(-1, animal);
  int cat = add_object(-1, animal);
  CLiveRoom& room = enter_room();
  CInstance* rex = room.create_instance(dog, 0, 0);
  room.create_instance(cat, 0, 0);
  CInstance* fido = room.create_instance(dog, 0, 0);
  fido->destroyed = true;
  room.create_instance(dog, 0, 0);
  std::string a = std::to_string(animal), d = std::to_string(dog);
  EXPECT_THAT(lines_of(rex,
                       "show_debug_message(instance_number(" + a + "));"
                       "show_debug_message(instance_number(" + d + "));"
                       "show_debug_message(instance_number(all));"
                       "show_debug_message(instance_find(" + d + ", 1));"
                       "show_debug_message(instance_find(" + a + ", 1));"
                       "show_debug_message(instance_find(" + d + ", 2));"
                       "show_debug_message(instance_find(all, 2));"
                       "show_debug_message(instance_find(100002, 0));"
                       "show_debug_message(instance_find(100002, 1));"
                       "show_debug_message(instance_find(self, 0));"
                       "show_debug_message(instance_exists(100003));"
                       "show_debug_message(instance_exists(" + std::to_string(cat) + "));"
                       "show_debug_message(instance_exists(99));"
                       "show_debug_message(instance_number(100003));"
                       "show_debug_message(instance_exists(noone));"),
              ElementsAre("3", "2", "3", "100004", "100002", "-4", "100004", "100002", "-4",
                          "100001", "0", "1", "0", "0", "0"));
}

TEST_F(InstanceFunctions, NearestAndFurthestKeepTheFirstOfEqualDistances) {
  int thing = add_object();
  int marker = add_object();
  CLiveRoom& room = enter_room();
  CInstance* self = room.create_instance(marker, 0, 0);
  room.create_instance(thing, 10, 0);   // 100002
  room.create_instance(thing, 0, 10);   // 100003, as near as the first
  room.create_instance(thing, -20, 0);  // 100004
  room.create_instance(thing, 0, -20);  // 100005, as far as the one before
  std::string t = std::to_string(thing);
  EXPECT_THAT(lines_of(self,
                       "show_debug_message(instance_nearest(0, 0, " + t + "));"
                       "show_debug_message(instance_furthest(0, 0, " + t + "));"
                       "show_debug_message(instance_nearest(0, 0, all));"
                       "show_debug_message(instance_nearest(0, 0, 100002));"
                       "show_debug_message(instance_furthest(0, 0, 55));"
                       "show_debug_message(instance_nearest(1000000, 0, " + t + "));"),
              ElementsAre("100002", "100004", "100001", "-4", "-4", "-4"));
}

TEST_F(InstanceFunctions, DeactivatedInstancesTakePartInNothingUntilActivated) {
  int sprite = add_sprite(1, 10, 10, 0, 0, {0, 0, 9, 9});
  int boxed = add_object(sprite);
  int bare = add_object();
  CLiveRoom& room = enter_room();
  CInstance* me = room.create_instance(bare, 0, 0);       // 100001
  room.create_instance(boxed, 95, 95);                    // 100002: box 95..104 meets the region
  room.create_instance(boxed, 200, 200);                  // 100003
  room.create_instance(bare, 150, 150);                   // 100004: position on the edge
  room.create_instance(bare, 151, 100);                   // 100005: just outside
  std::string b = std::to_string(bare);
  EXPECT_THAT(lines_of(me,
                       "instance_deactivate_region(100, 100, 50, 50, true, true);"
                       "show_debug_message(instance_count);"
                       "show_debug_message(instance_exists(100002));"
                       "show_debug_message(instance_number(" + b + "));"
                       "global.n = 0; with (all) global.n += 1; show_debug_message(global.n);"),
              ElementsAre("3", "0", "2", "3"));
  EXPECT_EQ(ids(room.deactivated()), (std::vector<int32_t>{100002, 100004}));

  // Outside the region, but self stays.
  lines_of(me, "instance_deactivate_region(100, 100, 50, 50, false, true);");
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100001}));
  EXPECT_EQ(ids(room.deactivated()), (std::vector<int32_t>{100002, 100004, 100003, 100005}));

  // Activation by region, by object (with descendants) and of everything.
  lines_of(me, "instance_activate_region(190, 190, 20, 20, true);");
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100001, 100003}));
  lines_of(me, "instance_activate_object(" + b + ");");
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100001, 100003, 100004, 100005}));
  lines_of(me, "instance_activate_all();");
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100001, 100003, 100004, 100005, 100002}));

  // Deactivating by object, then everything, self included.
  lines_of(me, "instance_deactivate_object(" + std::to_string(boxed) + ");");
  EXPECT_EQ(ids(room.deactivated()), (std::vector<int32_t>{100003, 100002}));
  EXPECT_THAT(lines_of(me, "instance_deactivate_all(false);"
                           "show_debug_message(instance_exists(self));"
                           "show_debug_message(instance_number(all));"),
              ElementsAre("0", "0"));
  EXPECT_TRUE(room.instances().empty());
  EXPECT_EQ(room.deactivated().size(), 5u);

  // A with loop passes by the instances deactivated while it runs.
  std::string x = std::to_string(boxed);
  lines_of(me, "instance_activate_all();");
  EXPECT_THAT(lines_of(me, "global.n = 0;"
                           "with (" + x + ") { global.n += 1; instance_deactivate_object(" + x +
                           "); }"
                           "show_debug_message(global.n);"),
              ElementsAre("1"));
}

TEST_F(InstanceFunctions, AnInstanceOfAnObjectBeyondTheListGetsNoLists) {
  // A damaged room record may name any object index.
  CRoom stored;
  stored.instances = {{0, 0, 2000000000, 100500, ""}};
  CLiveRoom& room = enter_room(&stored);
  ASSERT_EQ(room.instances().size(), 1u);
  EXPECT_TRUE(room.family_list(2000000000).empty());
  EXPECT_EQ(room.find_instance(100500), room.instances()[0].get());
}

}  // namespace
}  // namespace vn::test
