#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "world/Test_Instance_World.h"

namespace vn::test {
namespace {

using InstanceStore = InstanceWorld;

std::vector<int32_t> ids(const std::vector<CInstance*>& list) {
  std::vector<int32_t> out;
  for (const CInstance* instance : list) out.push_back(instance->id);
  return out;
}
std::vector<int32_t> ids(const std::vector<std::unique_ptr<CInstance>>& list) {
  std::vector<int32_t> out;
  for (const auto& instance : list) out.push_back(instance->id);
  return out;
}

TEST_F(InstanceStore, ALiveRoomCopiesItsTemplate) {
  int ball = add_object();
  CRoom stored;
  stored.caption = "Level";
  stored.width = 800;
  stored.speed = 60;
  stored.views_enabled = true;
  stored.views[2].hborder = 7;
  stored.instances = {{10, 20, ball, 100500, "x = 3"}, {30, 40, ball, 100501, ""}};
  RRoomTile tile;
  tile.x = 5;
  tile.depth = -3;
  tile.id = 10000009;
  stored.tiles = {tile};

  CLiveRoom& room = enter_room(&stored);
  EXPECT_EQ(room.caption, "Level");
  EXPECT_EQ(room.width, 800);
  EXPECT_EQ(room.speed, 60);
  EXPECT_TRUE(room.views_enabled);
  EXPECT_EQ(room.views[2].hborder, 7);
  ASSERT_EQ(room.tiles.size(), 1u);
  EXPECT_EQ(room.tiles[0].x, 5);
  EXPECT_EQ(room.tiles[0].depth, -3);
  EXPECT_EQ(room.tiles[0].xscale, 1);
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100500, 100501}));
  EXPECT_EQ(room.instances()[0]->creation_code, "x = 3");
  EXPECT_EQ(room.instances()[1]->x, 30);
  EXPECT_EQ(room.template_instances, 2u);
  EXPECT_EQ(ids(room.own_list(ball)), (std::vector<int32_t>{100500, 100501}));
  // Stored ids do not move the game's counter; created instances take the next one.
  EXPECT_EQ(last_instance_id_, 100000);
  EXPECT_EQ(room.create_instance(ball, 0, 0)->id, 100001);
  EXPECT_EQ(last_instance_id_, 100001);
  EXPECT_EQ(room.template_instances, 2u);

  CLiveRoom empty(3, nullptr);
  EXPECT_EQ(empty.width, 640);
  EXPECT_EQ(empty.background_color, 0xC0C0C0);
  EXPECT_TRUE(empty.instances().empty());
}

TEST_F(InstanceStore, FamilyListsHoldDescendantsOwnListsDoNot) {
  int grand = add_object();
  int parent = add_object(-1, grand);
  int child = add_object(-1, parent);
  CLiveRoom& room = enter_room();
  CInstance* a = room.create_instance(child, 0, 0);
  CInstance* b = room.create_instance(parent, 0, 0);
  CInstance* c = room.create_instance(child, 0, 0);
  EXPECT_EQ(room.own_list(child), (std::vector<CInstance*>{a, c}));
  EXPECT_EQ(room.own_list(parent), (std::vector<CInstance*>{b}));
  EXPECT_TRUE(room.own_list(grand).empty());
  EXPECT_EQ(room.family_list(parent), (std::vector<CInstance*>{a, b, c}));
  EXPECT_EQ(room.family_list(grand), (std::vector<CInstance*>{a, b, c}));
  EXPECT_EQ(room.family_list(child), (std::vector<CInstance*>{a, c}));
  EXPECT_TRUE(room.own_list(-1).empty());
  EXPECT_TRUE(room.family_list(999).empty());

  // An instance of an object added later gets its lists too, and the lists handed out
  // before stay the same objects.
  const std::vector<CInstance*>& before = room.own_list(child);
  int late = add_object(-1, child);
  CInstance* d = room.create_instance(late, 0, 0);
  EXPECT_EQ(&before, &room.own_list(child));
  EXPECT_EQ(room.family_list(grand).back(), d);
  EXPECT_EQ(room.own_list(late), (std::vector<CInstance*>{d}));
}

TEST_F(InstanceStore, ACycleOfParentsEndsTheWalk) {
  int first = add_object();
  int second = add_object(-1, first);
  object(first).parent_index = second;
  CLiveRoom& room = enter_room();
  CInstance* instance = room.create_instance(first, 0, 0);
  EXPECT_EQ(room.family_list(first), (std::vector<CInstance*>{instance}));
  EXPECT_EQ(room.family_list(second), (std::vector<CInstance*>{instance}));
}

TEST_F(InstanceStore, FindingByIdSkipsDestroyedAndPrefersTheLatest) {
  int thing = add_object();
  CLiveRoom& room = enter_room();
  std::vector<CInstance*> made;
  for (int i = 0; i < 5; ++i) made.push_back(room.create_instance(thing, i, 0));
  EXPECT_EQ(room.find_instance(100003), made[2]);
  EXPECT_EQ(room.find_instance(100001), made[0]);
  EXPECT_EQ(room.find_instance(100003), made[2]);
  EXPECT_EQ(room.find_instance(100009), nullptr);

  // Two instances with one id (a changed instance and what it became): the live one.
  CInstance* replacement = room.create_instance(thing, 9, 9);
  replacement->id = 100003;
  made[2]->destroyed = true;
  EXPECT_EQ(room.find_instance(100003), replacement);
  replacement->destroyed = true;
  EXPECT_EQ(room.find_instance(100003), nullptr);

  // Purging moves positions under the remembered ones.
  made[0]->destroyed = true;
  room.purge();
  EXPECT_EQ(room.find_instance(100005), made[4]);
  EXPECT_EQ(room.find_instance(100002), made[1]);
  EXPECT_EQ(room.find_instance(100001), nullptr);
}

TEST_F(InstanceStore, PurgeKeepsOrderAndRebuildsListsOnlyWhenItRemoves) {
  int thing = add_object();
  CLiveRoom& room = enter_room();
  CInstance* low = room.create_instance(thing, 0, 0);
  CInstance* high = room.create_instance(thing, 0, 0);
  CInstance* middle = room.create_instance(thing, 0, 0);
  CInstance* gone = room.create_instance(thing, 0, 0);
  low->depth = -5;
  high->depth = 10;
  middle->depth = 0;
  gone->depth = 0;
  room.sort_by_depth();
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100002, 100003, 100004, 100001}));
  // Dispatch keeps the order of creation until the lists are rebuilt.
  room.purge();
  EXPECT_EQ(room.own_list(thing), (std::vector<CInstance*>{low, high, middle, gone}));
  gone->destroyed = true;
  room.purge();
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100002, 100003, 100001}));
  EXPECT_EQ(room.own_list(thing), (std::vector<CInstance*>{high, middle, low}));
}

TEST_F(InstanceStore, DepthSortKeepsEqualDepthsInOrder) {
  int thing = add_object();
  CLiveRoom& room = enter_room();
  double depths[] = {0, 5, 0, 5, NAN, -1, 5};
  for (double depth : depths) room.create_instance(thing, 0, 0)->depth = depth;
  room.sort_by_depth();
  std::vector<double> sorted;
  for (const auto& instance : room.instances()) sorted.push_back(instance->depth);
  // The instance of unknown depth is never moved past, nor moves.
  EXPECT_EQ(ids(room.instances()),
            (std::vector<int32_t>{100002, 100004, 100001, 100003, 100005, 100007, 100006}));
}

TEST_F(InstanceStore, DeactivationMovesInstancesBetweenTheLists) {
  int thing = add_object();
  int other = add_object();
  CLiveRoom& room = enter_room();
  std::vector<CInstance*> made;
  for (int i = 0; i < 4; ++i) made.push_back(room.create_instance(i % 2 ? other : thing, 0, 0));
  made[2]->deactivated = true;
  made[0]->deactivated = true;
  room.apply_deactivation();
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100002, 100004}));
  EXPECT_EQ(ids(room.deactivated()), (std::vector<int32_t>{100001, 100003}));
  EXPECT_TRUE(room.own_list(thing).empty());
  EXPECT_EQ(room.find_instance(100001), nullptr);

  // Unmarked ones come back at the end, the newly marked go to the end of the other list.
  made[2]->deactivated = false;
  made[1]->deactivated = true;
  room.apply_deactivation();
  EXPECT_EQ(ids(room.instances()), (std::vector<int32_t>{100004, 100003}));
  EXPECT_EQ(ids(room.deactivated()), (std::vector<int32_t>{100001, 100002}));
  EXPECT_EQ(room.own_list(thing), (std::vector<CInstance*>{made[2]}));
  EXPECT_EQ(room.find_instance(100003), made[2]);
}

}  // namespace
}  // namespace vn::test
