#include <gtest/gtest.h>

#include "world/Collision_Main.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

class Collisions : public WorldTest {};

TEST_F(Collisions, SolidInstancesThatStillOverlapEndTheStepWhereTheyWere) {
  int box = add_sprite(1, 8, 8);
  int a = add_object("a", -1, box);
  int b = add_object("b", -1, box);
  object(b).solid = true;
  on(a, kEventCollision, b, "show_debug_message('a hits b at ' + string(x));");
  on(b, kEventCollision, a, "show_debug_message('b hits a at ' + string(x));");
  on(a, kEventCreate, 0, "hspeed = 3;");
  on(b, kEventCreate, 0, "hspeed = -3;");
  add_room("rm");
  place(0, a, 0, 0);
  place(0, b, 12, 0);
  ASSERT_TRUE(start());
  EXPECT_EQ(world_state().collision_pairs.size(), 1u);
  run_steps(1);
  // Put back before the events, moved again after them, and put back once more.
  EXPECT_EQ(take_log(), (Lines{"a hits b at 0", "b hits a at 12"}));
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"a hits b at 0", "b hits a at 12"}));
}

TEST_F(Collisions, TheGridFindsTheSameEventsInTheSameOrderAsThePairWalk) {
  int box = add_sprite(1, 8, 8);
  int a = add_object("a", -1, box);
  int b = add_object("b", -1, box);
  on(a, kEventCollision, b, "show_debug_message(string(id) + ' a-b ' + string(other.id));");
  on(b, kEventCollision, b, "show_debug_message(string(id) + ' b-b ' + string(other.id));");
  add_room("rm");
  for (int i = 0; i < 40; ++i) {
    place(0, a, (i * 37) % 200, (i * 53) % 120);
    place(0, b, (i * 29) % 200, (i * 61) % 120);
  }
  ASSERT_TRUE(start());
  take_log();
  perform_collision_phase(CollisionSearch::kWalk);
  Lines walked = take_log();
  perform_collision_phase(CollisionSearch::kGrid);
  Lines gridded = take_log();
  EXPECT_GT(walked.size(), 10u);
  EXPECT_EQ(walked, gridded);
}

// Put-backs move instances while the phase runs, so the grid must follow them.
TEST_F(Collisions, TheGridFollowsSolidPutBacksAsThePairWalkDoes) {
  int box = add_sprite(1, 8, 8);
  int a = add_object("a", -1, box);
  int b = add_object("b", -1, box);
  object(a).solid = true;
  on(a, kEventCollision, a, "show_debug_message(string(id) + ' a-a ' + string(other.id));");
  on(a, kEventCollision, b, "show_debug_message(string(id) + ' a-b ' + string(other.id));");
  on(b, kEventCollision, b, "show_debug_message(string(id) + ' b-b ' + string(other.id));");
  add_room("rm");
  for (int i = 0; i < 40; ++i) {
    place(0, a, (i * 37) % 160, (i * 53) % 100);
    place(0, b, (i * 29) % 160, (i * 61) % 100);
  }
  ASSERT_TRUE(start());
  take_log();
  struct RPlace {
    double x, y, xprevious, yprevious;
  };
  std::vector<RPlace> before;
  for (const auto& instance : room().instances()) {
    instance->xprevious = instance->x;
    instance->yprevious = instance->y;
    // Far enough that a put-back often lands in another cell of the grid.
    instance->set_position(instance->x + (instance->id % 7 - 3) * 12.0,
                           instance->y + (instance->id % 5 - 2) * 15.0);
    before.push_back({instance->x, instance->y, instance->xprevious, instance->yprevious});
  }
  auto run = [&](CollisionSearch search) {
    for (size_t k = 0; k < before.size(); ++k) {
      CInstance& instance = *room().instances()[k];
      instance.xprevious = before[k].xprevious;
      instance.yprevious = before[k].yprevious;
      instance.set_position(before[k].x, before[k].y);
    }
    perform_collision_phase(search);
    Lines lines = take_log();
    for (const auto& instance : room().instances()) {
      lines.push_back(std::to_string(instance->x) + "," + std::to_string(instance->y));
    }
    return lines;
  };
  Lines walked = run(CollisionSearch::kWalk);
  Lines gridded = run(CollisionSearch::kGrid);
  EXPECT_GT(walked.size(), before.size() + 10);
  EXPECT_EQ(walked, gridded);
}

}  // namespace
}  // namespace vn::test
