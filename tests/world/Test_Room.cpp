#include <gtest/gtest.h>

#include "world/Run_Room.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

class Rooms : public WorldTest {
 protected:
  // An object that logs its create, room start and room end with its id and room.
  int logging_object(const std::string& name) {
    int obj = add_object(name);
    std::string who = "'" + name + " ' + string(id) + ' in ' + string(room)";
    on(obj, kEventCreate, 0, "show_debug_message('create ' + " + who + ");");
    on(obj, kEventOther, 4, "show_debug_message('room start ' + " + who + ");");
    on(obj, kEventOther, 5, "show_debug_message('room end ' + " + who + ");");
    return obj;
  }
};

TEST_F(Rooms, RoomChangeEndsTheOldRoomThenStartsTheNew) {
  int obj = logging_object("o");
  int go = add_object("go");
  on(go, kEventStep, 0, "room_goto_next();");
  add_room("a");
  add_room("b").creation_code = "show_debug_message('room code of ' + string(room));";
  place(0, obj);
  place(0, go);
  int in_b = place(1, obj, 0, 0, "show_debug_message('instance code');");
  ASSERT_TRUE(start());
  take_log();
  run_steps(1);
  std::string b = std::to_string(in_b);
  EXPECT_EQ(take_log(), (Lines{"room end o 100001 in 0", "instance code", "create o " + b + " in 1",
                               "room code of 1", "room start o " + b + " in 1"}));
  // The room left was not persistent: its live copy is gone.
  EXPECT_EQ(world_state().live_rooms[0], nullptr);
}

TEST_F(Rooms, PersistentRoomKeepsItsInstancesAndRunsNoCreationAgain) {
  int obj = logging_object("o");
  int mover = add_object("mover");
  on(mover, kEventStep, 0, "x += 1; if x == 2 room_goto(1); ");
  CRoom& a = add_room("a");
  a.persistent = true;
  a.creation_code = "show_debug_message('code of a');";
  add_room("b").creation_code = "show_debug_message('code of b'); room_goto(0);";
  place(0, obj);
  int moving = place(0, mover);
  ASSERT_TRUE(start());
  EXPECT_EQ(take_log(), (Lines{"create o 100001 in 0", "code of a", "room start o 100001 in 0"}));
  run_steps(3);
  // b's creation code asks for a at once; a comes back as it was left.
  EXPECT_EQ(take_log(), (Lines{"room end o 100001 in 0", "code of b", "room start o 100001 in 0"}));
  EXPECT_EQ(world_state().room, 0);
  ASSERT_NE(instance(moving), nullptr);
  EXPECT_EQ(instance(moving)->x, 2);
}

TEST_F(Rooms, NonPersistentRoomStartsAgainFromItsTemplate) {
  int obj = logging_object("o");
  on(obj, kEventStep, 0, "x += 1; if x == 1 room_restart();");
  add_room("a");
  int id = place(0, obj);
  ASSERT_TRUE(start());
  take_log();
  run_steps(1);
  EXPECT_EQ(take_log(),
            (Lines{"room end o 100001 in 0", "create o 100001 in 0", "room start o 100001 in 0"}));
  EXPECT_EQ(instance(id)->x, 0);
}

TEST_F(Rooms, PersistentInstanceTravelsWithItsFields) {
  int hero = logging_object("hero");
  object(hero).persistent = true;
  on(hero, kEventStep, 0, "if room == 0 { score_of_hero = 9; x = 77; room_goto(1); }");
  add_room("a");
  add_room("b");
  int id = place(0, hero);
  ASSERT_TRUE(start());
  take_log();
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"room end hero " + std::to_string(id) + " in 0",
                               "room start hero " + std::to_string(id) + " in 1"}));
  ASSERT_NE(instance(id), nullptr);
  EXPECT_EQ(instance(id)->x, 77);
  EXPECT_EQ(eval("score_of_hero", instance(id)).real, 9);
  EXPECT_TRUE(world_state().carried.empty());
}

TEST_F(Rooms, CarriedInstanceReplacesTheOneWithItsIdInAPersistentRoom) {
  int hero = add_object("hero");
  object(hero).persistent = true;
  on(hero, kEventStep, 0,
     "global.trips += 1; if global.trips == 1 room_goto(1); if global.trips == 2 { "
     "persistent = true; x = 5; room_goto(0); }");
  on(hero, kEventOther, 2, "global.trips = 0;");
  CRoom& a = add_room("a");
  a.persistent = true;
  add_room("b");
  int id = place(0, hero);
  ASSERT_TRUE(start());
  // Into b it goes persistent; a keeps no copy of it, since it was marked destroyed there.
  run_steps(1);
  EXPECT_EQ(world_state().room, 1);
  run_steps(1);
  EXPECT_EQ(world_state().room, 0);
  size_t with_id = 0;
  for (const auto& inst : room().instances()) {
    if (inst->id == id && !inst->destroyed) ++with_id;
  }
  EXPECT_EQ(with_id, 1u);
  EXPECT_EQ(instance(id)->x, 5);
}

TEST_F(Rooms, CreationCodeErrorsAreReportedAndTheRoomGoesOn) {
  int obj = logging_object("o");
  CRoom& rm = add_room("rm");
  rm.creation_code = "x = ;";
  place(0, obj, 0, 0, "undefined_thing += 1;");
  place(0, obj, 0, 0, "if {");
  ASSERT_TRUE(start());
  EXPECT_EQ(take_log(), (Lines{"create o 100001 in 0", "create o 100002 in 0",
                               "room start o 100001 in 0", "room start o 100002 in 0"}));
  ASSERT_EQ(display_.shown.size(), 3u);
  EXPECT_EQ(display_.shown[0].rfind(
                "EXECUTION ERROR in creation code for instance 100001 in room rm\r", 0),
            0u);
  EXPECT_EQ(display_.shown[1].rfind(
                "COMPILATION ERROR in creation code for instance 100002 in room rm\r", 0),
            0u);
  EXPECT_EQ(display_.shown[2].rfind("COMPILATION ERROR in creation code of room rm\r", 0), 0u);
}

TEST_F(Rooms, FatalErrorInRoomEndStopsInsteadOfEnteringTheRoom) {
  int obj = logging_object("o");
  on(obj, kEventStep, 0, "room_goto_next();");
  on(obj, kEventOther, 5, "room_goto(99);");
  add_room("a");
  add_room("b");
  place(0, obj);
  place(1, obj);
  ASSERT_TRUE(start());
  take_log();
  EXPECT_EQ(run_steps(5), 1);
  EXPECT_EQ(take_log(), (Lines{"room end o 100001 in 0"}));
  EXPECT_EQ(world_state().pending_room, kRequestStop);
  EXPECT_FALSE(world_state().running);
  EXPECT_EQ(world_state().current, nullptr);
}

TEST_F(Rooms, RoomOrderFunctions) {
  add_room("r0");
  add_room("r1");
  add_room("r2");
  game_.room_order = {2, 0, 1};
  ASSERT_TRUE(start());
  EXPECT_EQ(world_state().room, 2);
  EXPECT_EQ(eval("room_first").real, 2);
  EXPECT_EQ(eval("room_last").real, 1);
  EXPECT_EQ(eval("room_next(2)").real, 0);
  EXPECT_EQ(eval("room_next(1)").real, -1);
  EXPECT_EQ(eval("room_previous(0)").real, 2);
  EXPECT_EQ(eval("room_previous(2)").real, -1);
  EXPECT_EQ(eval("room_previous(9)").real, -1);
  eval("room_goto_previous()");
  EXPECT_EQ(world_state().pending_room, kRequestStop);
  EXPECT_NE(display_.shown.back().find("Moving to previous room before the first room."),
            std::string::npos);
}

TEST_F(Rooms, GotoNextFromTheLastRoomStops) {
  add_room("only");
  ASSERT_TRUE(start());
  eval("room_goto_next()");
  EXPECT_EQ(world_state().pending_room, kRequestStop);
  EXPECT_NE(display_.shown.back().find("Moving to next room after the last room."),
            std::string::npos);
}

TEST_F(Rooms, AssigningRoomRequestsTheChange) {
  add_room("a");
  add_room("b");
  ASSERT_TRUE(start());
  exec("room = 1");
  EXPECT_EQ(world_state().pending_room, 1);
  EXPECT_EQ(world_state().room, 0);
  world_state().pending_room = kRequestNone;
  exec("room = -3");
  EXPECT_EQ(world_state().pending_room, kRequestStop);
  EXPECT_NE(display_.shown.back().find("Unexisting room number: -3"), std::string::npos);
}

TEST_F(Rooms, TransitionKindIsUsedByTheNextRoomAndReset) {
  int obj = add_object("obj");
  on(obj, kEventStep, 0, "transition_kind = 5; room_goto_next();");
  add_room("a");
  add_room("b");
  place(0, obj);
  std::vector<int> played;
  RRunHooks hooks = run_hooks();
  hooks.play_transition = [&played](int kind) { played.push_back(kind); };
  set_run_hooks(hooks);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(played, (std::vector<int>{0, 5}));
  EXPECT_EQ(world_state().transition_kind, 0);
}

TEST_F(Rooms, WindowFollowsTheRoomOrItsVisibleViewPorts) {
  std::vector<std::pair<int, int>> sizes;
  RRunHooks hooks = run_hooks();
  hooks.resize_window = [&sizes](int w, int h) { sizes.emplace_back(w, h); };
  set_run_hooks(hooks);
  CRoom& a = add_room("a");
  a.width = 300;
  a.height = 200;
  CRoom& b = add_room("b");
  b.views_enabled = true;
  b.views[1].visible = true;
  b.views[1].port_x = 100;
  b.views[1].port_width = 200;
  b.views[1].port_height = 150;
  b.views[2].port_width = 900;  // not visible
  ASSERT_TRUE(start());
  world_state().pending_room = 1;
  handle_request();
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{300, 200}, {300, 150}}));
}

class ViewFollowing : public Rooms {
 protected:
  CView& follow(int room_width, int instance_x, int hspeed = -1) {
    int obj = add_object("hero");
    CRoom& rm = add_room("rm");
    rm.width = room_width;
    rm.views_enabled = true;
    rm.views[0].visible = true;
    rm.views[0].follow = obj;
    rm.views[0].hspeed = hspeed;
    place(0, obj, instance_x, 100);
    EXPECT_TRUE(start());
    return room().views[0];
  }
};

TEST_F(ViewFollowing, StaysWhileInsideTheBorder) { EXPECT_EQ(follow(2000, 100).view_x, 0); }

TEST_F(ViewFollowing, MovesToKeepTheBorder) { EXPECT_EQ(follow(2000, 620).view_x, 12); }

TEST_F(ViewFollowing, MovesNoFasterThanItsSpeed) { EXPECT_EQ(follow(2000, 620, 5).view_x, 5); }

TEST_F(ViewFollowing, NarrowRoomPutsTheViewBeforeIt) { EXPECT_EQ(follow(300, 100).view_x, -340); }

TEST_F(ViewFollowing, LeftOfTheBorderMovesBack) {
  CView& view = follow(2000, 1000);
  EXPECT_EQ(view.view_x, 1000 + 32 - 640);
  room().instances()[0]->x = 300;
  follow_views(room());
  EXPECT_EQ(view.view_x, 268);
}

TEST_F(ViewFollowing, ByInstanceIdAndWideBorderCentres) {
  int obj = add_object("hero");
  CRoom& rm = add_room("rm");
  rm.width = 4000;
  rm.height = 4000;
  rm.views_enabled = true;
  rm.views[0].visible = true;
  rm.views[0].hborder = 400;  // twice is wider than the view
  place(0, obj, 10, 10);
  int id = place(0, obj, 2000, 1000);
  rm.views[0].follow = id;
  ASSERT_TRUE(start());
  EXPECT_EQ(room().views[0].view_x, 2000 - 320);
  EXPECT_EQ(room().views[0].view_y, 1000 + 32 - 480);
}

TEST_F(Rooms, LayerAndViewVariablesUseTheFirstForOtherIndices) {
  CRoom& rm = add_room("rm");
  rm.views[0].view_x = 17;
  rm.backgrounds[0].x = 4;
  ASSERT_TRUE(start());
  EXPECT_EQ(eval("view_xview[9]").real, 17);
  EXPECT_EQ(eval("background_x[8]").real, 4);
  exec("background_visible[3] = 0.6");
  EXPECT_TRUE(room().backgrounds[3].visible);
  exec("background_visible[3] = 0.5");
  EXPECT_FALSE(room().backgrounds[3].visible);
  exec("view_wview[2] = 100.5");
  EXPECT_EQ(room().views[2].view_width, 100);
  EXPECT_EQ(eval("background_width[0]").real, 0);
  EXPECT_EQ(eval("room_width").real, 640);
  exec("room_caption = 'Level'");
  EXPECT_EQ(room().caption, "Level");
}

class Tiles : public Rooms {
 protected:
  void SetUp() override {
    Rooms::SetUp();
    add_room("rm");
    ASSERT_TRUE(start());
  }
  int32_t add(double x, double y, int w, int h, double depth) {
    RTile tile;
    tile.x = x;
    tile.y = y;
    tile.width = w;
    tile.height = h;
    tile.depth = depth;
    return tile_add(room(), tile);
  }
};

TEST_F(Tiles, AddGivesTheNextIdAndFindUsesTheCache) {
  int32_t first = add(0, 0, 10, 10, 0);
  int32_t second = add(20, 0, 10, 10, 5);
  int32_t first_id = room().tiles[size_t(first)].id;
  EXPECT_EQ(first_id, 10000001);
  EXPECT_EQ(room().tiles[size_t(second)].id, 10000002);
  EXPECT_EQ(game_.last_tile_id, 10000002);
  EXPECT_EQ(tile_find(room(), first_id), first);
  EXPECT_EQ(room().last_tile_found, first);
  EXPECT_EQ(tile_find(room(), 1), -1);
  tile_delete_index(room(), first);
  EXPECT_EQ(tile_find(room(), 10000002), 0);
  tile_delete_index(room(), 7);  // out of range: nothing
  EXPECT_EQ(room().tiles.size(), 1u);
}

TEST_F(Tiles, PointTestsAndLayers) {
  add(0, 0, 10, 10, -1);  // foreground
  add(0, 0, 10, 10, 0);
  add(10, 0, 10, 10, 3);
  EXPECT_EQ(tile_find_at(room(), 5, 5, true), 0);
  EXPECT_EQ(tile_find_at(room(), 5, 5, false), 1);
  EXPECT_EQ(tile_find_at(room(), 10, 5, false), 2);  // half open: 10 is the next tile's
  tile_layer_shift(room(), 3, 5, 1);
  EXPECT_EQ(room().tiles[2].x, 15);
  EXPECT_EQ(tile_layer_find(room(), 3, 16, 2), 2);
  tile_layer_hide(room(), 3);
  EXPECT_FALSE(room().tiles[2].visible);
  tile_layer_show(room(), 3);
  EXPECT_TRUE(room().tiles[2].visible);
  tile_layer_depth(room(), 3, 7);
  EXPECT_EQ(room().tiles[2].depth, 7);
  // Delete at a point includes the edges.
  tile_delete_at(room(), 10, 10, false);
  EXPECT_EQ(room().tiles.size(), 2u);
  EXPECT_EQ(room().tiles[0].depth, -1);
  tile_layer_delete(room(), 7);
  EXPECT_EQ(room().tiles.size(), 1u);
}

}  // namespace
}  // namespace vn::test
