#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "graphics/Background_Class.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

constexpr int kStep = 3;
constexpr int kStepNormal = 0;
constexpr int kStepBegin = 1;

class ResourceWorld : public WorldTest {
 protected:
  // The programs share one instance, so that their variables carry over.
  void run(const std::string& program) { exec(program, &holder_); }
  double number(const std::string& expression) { return eval(expression, &holder_).real; }
  std::string text(const std::string& expression) {
    return eval(expression, &holder_).string.str();
  }

  // How many shown errors end with the message; none may be fatal.
  int shown(const std::string& message) {
    int count = 0;
    for (const std::string& line : display_.shown) {
      EXPECT_NE(line.rfind("FATAL", 0), 0u) << line;
      if (line.size() >= message.size() &&
          line.compare(line.size() - message.size(), message.size(), message) == 0) {
        ++count;
      }
    }
    return count;
  }

  int add_path(const std::string& name) {
    game_.paths.add(name, std::make_unique<CPath>());
    return int(game_.paths.size()) - 1;
  }

  CInstance holder_{0, -1, 0, 0};
};

TEST_F(ResourceWorld, PathsBuiltAtRunTimeGivePositionsAlongTheirCurve) {
  add_path("existing");
  add_room("rm");
  ASSERT_TRUE(start());
  run("p = path_add(); path_add_point(p, 0, 0, 100); path_add_point(p, 100, 0, 50);"
      "path_add_point(p, 100, 100, 100);");
  EXPECT_EQ(number("p"), 1);
  EXPECT_EQ(text("path_get_name(p)"), "__newpath1");
  EXPECT_EQ(text("path_name(0)"), "existing");
  // Closed by default: back along the diagonal.
  const double diagonal = std::sqrt(20000.0);
  EXPECT_DOUBLE_EQ(number("path_get_length(p)"), 200 + diagonal);
  EXPECT_EQ(number("path_get_number(p) * 10 + path_get_closed(p)"), 31);
  // Half the length lies on the second side, 70.71 below its start.
  double half = (200 + diagonal) / 2;
  EXPECT_DOUBLE_EQ(number("path_get_x(p, 0.5)"), 100);
  EXPECT_DOUBLE_EQ(number("path_get_y(p, 0.5)"), half - 100);
  // Speeds are interpolated like the places: 50 at the corner, back to 100 below it.
  EXPECT_DOUBLE_EQ(number("path_get_speed(p, 0.5)"), 50 + 50 * (half - 100) / 100);

  run("path_set_closed(p, false)");
  EXPECT_DOUBLE_EQ(number("path_get_length(p)"), 200);
  EXPECT_NEAR(number("path_get_y(p, 0.75)"), 50, 1e-9);
  EXPECT_DOUBLE_EQ(number("path_get_x(p, 2)"), 100);  // positions are clamped
  EXPECT_DOUBLE_EQ(number("path_get_y(p, 2)"), 100);

  // Straight lines through the defined points, until the path is made smooth.
  run("path_set_kind(p, 1); path_set_precision(p, 12)");
  EXPECT_EQ(number("path_get_kind(p) * 10 + path_get_precision(p)"), 18);
  EXPECT_LT(number("path_get_length(p)"), 200);
  run("path_set_kind(p, 7)");  // any other kind is straight
  EXPECT_EQ(number("path_get_kind(p)"), 0);

  // A path that does not exist answers -1 and takes no points.
  EXPECT_EQ(number("path_get_length(9)"), -1);
  EXPECT_EQ(number("path_get_x(9, 0.5)"), -1);
  EXPECT_EQ(number("path_get_point_speed(9, 0)"), -1);
  EXPECT_EQ(text("path_get_name(9)"), "<undefined>");
  run("path_add_point(9, 1, 1, 1); path_set_kind(9, 1)");
  EXPECT_EQ(number("path_exists(9)"), 0);
  // A point outside the list reads as (0, 0) at speed 100.
  EXPECT_EQ(number("path_get_point_x(p, 3) + path_get_point_speed(p, -1)"), 100);
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(ResourceWorld, PointEditsAndWholePathChanges) {
  add_room("rm");
  ASSERT_TRUE(start());
  run("p = path_add(); path_add_point(p, 0, 0, 100); path_add_point(p, 40, 0, 100);"
      "path_add_point(p, 40, 20, 100);");
  auto points = [this] {
    std::string out;
    int count = int(number("path_get_number(p)"));
    for (int i = 0; i < count; ++i) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "(%g,%g)",
                    number("path_get_point_x(p, " + std::to_string(i) + ")"),
                    number("path_get_point_y(p, " + std::to_string(i) + ")"));
      out += buffer;
    }
    return out;
  };
  // About the centre of the box around the points, (20, 10).
  run("path_mirror(p)");
  EXPECT_EQ(points(), "(40,0)(0,0)(0,20)");
  run("path_flip(p)");
  EXPECT_EQ(points(), "(40,20)(0,20)(0,0)");
  run("path_scale(p, 0.5, 2)");
  EXPECT_EQ(points(), "(30,30)(10,30)(10,-10)");
  run("path_shift(p, -10, 10)");
  EXPECT_EQ(points(), "(20,40)(0,40)(0,0)");
  // A quarter turn counter-clockwise on the screen about (10, 20): right goes up.
  run("path_rotate(p, 90)");
  EXPECT_EQ(points(), "(30,10)(30,30)(-10,30)");
  run("path_reverse(p)");
  EXPECT_EQ(points(), "(-10,30)(30,30)(30,10)");

  run("path_insert_point(p, 1, 5, 6, 7); path_change_point(p, 0, 1, 2, 3);"
      "path_delete_point(p, 3); path_insert_point(p, 9, 0, 0, 0); path_delete_point(p, -1)");
  EXPECT_EQ(points(), "(1,2)(5,6)(30,30)");
  EXPECT_EQ(number("path_get_point_speed(p, 0) * 10 + path_get_point_speed(p, 1)"), 37);
  // Appending a path to itself doubles it.
  run("path_append(p, p)");
  EXPECT_EQ(points(), "(1,2)(5,6)(30,30)(1,2)(5,6)(30,30)");
  run("q = path_duplicate(p); path_clear_points(p)");
  EXPECT_EQ(number("path_get_number(p) * 10 + path_get_number(q)"), 6);
  EXPECT_EQ(number("path_get_length(p)"), 0);
  EXPECT_EQ(text("path_get_name(q)"), "__newpath1");
}

TEST_F(ResourceWorld, DeletedIdsStayFreeAndAssignFillsThemAgain) {
  add_path("first");
  add_room("rm");
  ASSERT_TRUE(start());
  run("path_add_point(0, 0, 0, 100); path_add_point(0, 30, 40, 100); path_set_closed(0, 0);"
      "a = path_add(); path_delete(a); b = path_add()");
  EXPECT_EQ(number("a"), 1);
  EXPECT_EQ(number("b"), 2);
  EXPECT_EQ(number("path_exists(a)"), 0);
  EXPECT_EQ(text("path_get_name(a)"), "<undefined>");
  EXPECT_EQ(text("path_get_name(b)"), "__newpath2");

  run("path_delete(a); path_duplicate(a); path_assign(7, 0); path_append(a, 0);"
      "path_append(0, a)");
  EXPECT_EQ(shown("Trying to delete non-existing path."), 1);
  EXPECT_EQ(shown("Trying to duplicate non-existing path."), 1);
  EXPECT_EQ(shown("Error assigning a path."), 1);
  EXPECT_EQ(shown("Appending to non-existing path."), 1);
  EXPECT_EQ(shown("Appending a non-existing path."), 1);
  EXPECT_EQ(number("path_duplicate(a)"), -1);

  run("path_assign(a, 0)");
  EXPECT_EQ(number("path_exists(a)"), 1);
  EXPECT_EQ(number("path_get_length(a)"), 50);
  // The copy is a copy: changing it leaves the source alone.
  run("path_shift(a, 5, 5)");
  EXPECT_EQ(number("path_get_point_x(0, 0) * 10 + path_get_point_x(a, 0)"), 5);
  EXPECT_EQ(number("path_add()"), 3);
}

TEST_F(ResourceWorld, FollowersOfAChangedOrDeletedPathGoOnSafely) {
  int path = add_path("track");
  game_.paths.items[0]->points = {{0, 0, 100}, {100, 0, 100}};
  game_.paths.items[0]->closed = false;
  int walker = add_object("walker");
  on(walker, 0, 0, "path_start(track, 10, 1, true)");
  add_room("rm");
  int id = place(0, walker, 0, 0);
  ASSERT_EQ(path, 0);
  ASSERT_TRUE(start());
  run_steps(2);
  EXPECT_DOUBLE_EQ(instance(id)->x, 20);
  // Longer path: the same speed covers less of it.
  run("path_change_point(track, 1, 400, 0, 100)");
  run_steps(1);
  EXPECT_DOUBLE_EQ(instance(id)->path_position, 0.2 + 10.0 / 400);
  EXPECT_DOUBLE_EQ(instance(id)->x, 90);
  run("path_clear_points(track)");
  run_steps(2);
  run("path_add_point(track, 0, 0, 100); path_delete(track)");
  run_steps(2);
  ASSERT_NE(instance(id), nullptr);
  EXPECT_DOUBLE_EQ(instance(id)->x, 90);
  EXPECT_EQ(instance(id)->path_index, 0);
}

TEST_F(ResourceWorld, ScriptsAreFoundAndRunByTheirIds) {
  game_.scripts.add("scr_join", std::make_unique<CScript>());
  game_.scripts.items[0]->source =
      "return string(argument0) + string(argument14) + string(argument15)";
  add_room("rm");
  ASSERT_TRUE(start());
  EXPECT_EQ(number("script_exists(0) * 10 + script_exists(1)"), 10);
  EXPECT_EQ(text("script_get_name(0) + script_name(0)"), "scr_joinscr_join");
  EXPECT_EQ(text("script_get_name(1)"), "<undefined>");
  EXPECT_EQ(text("script_get_text(0)"), game_.scripts.items[0]->source);
  EXPECT_EQ(text("script_get_text(-1)"), "");
  // The id and fifteen arguments: the sixteenth slot stays 0.
  EXPECT_EQ(text("script_execute(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)"), "1150");
  run("script_execute(4, 1)");
  EXPECT_EQ(shown("Trying to execute non-existing script."), 1);
}

TEST_F(ResourceWorld, TimeLineMomentsAddedAtRunTimeRun) {
  int actor = add_object("actor");
  on(actor, 0, 0,
     "t = timeline_add(); timeline_moment_add(t, 2, 'show_debug_message(\"two\")');"
     "timeline_moment_add(t, 0, 'show_debug_message(\"zero\")');"
     "timeline_moment_add(t, 2, 'show_debug_message(\"two again\")');"
     "timeline_index = t; timeline_running = true;");
  add_room("rm");
  place(0, actor);
  ASSERT_TRUE(start());
  EXPECT_EQ(text("timeline_get_name(0) + timeline_name(0)"), "__newtimeline0__newtimeline0");
  run_steps(4);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"zero", "two", "two again"}));
  run("timeline_moment_clear(0, 2); timeline_clear(5); timeline_delete(5)");
  EXPECT_EQ(shown("Trying to delete non-existing timeline."), 1);
  EXPECT_EQ(game_.timelines.items[0]->moments.size(), 1u);
  run("timeline_clear(0)");
  EXPECT_TRUE(game_.timelines.items[0]->moments.empty());
  run("timeline_delete(0)");
  EXPECT_EQ(number("timeline_exists(0)"), 0);
  run_steps(2);  // the instance's time line is gone
}

TEST_F(ResourceWorld, AMomentThatChangesItsOwnTimeLineRunsToItsEnd) {
  int line = add_timeline("line");
  moment(line, 1,
         "timeline_moment_add(line, 0, 'show_debug_message(\"inserted\")');"
         "show_debug_message('first')");
  moment(line, 1, "show_debug_message('second'); timeline_clear(line); timeline_delete(line)");
  moment(line, 1, "show_debug_message('third')");
  int actor = add_object("actor");
  on(actor, 0, 0, "timeline_index = line; timeline_running = true;");
  add_room("rm");
  place(0, actor);
  ASSERT_TRUE(start());
  run_steps(3);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"first", "second", "third"}));
  EXPECT_EQ(number("timeline_exists(line)"), 0);
}

TEST_F(ResourceWorld, ObjectEventsAddedAtRunTimeAreDispatchedFromTheNextStep) {
  int a = add_object("obj_a");
  // The first step adds a begin step event, which that step has already passed.
  on(a, kStep, kStepNormal,
     "show_debug_message('step ' + string(n)); n += 1;"
     "if (n == 1) object_event_add(obj_a, 3, 1, 'show_debug_message(\"begin\")')");
  on(a, 0, 0, "n = 0");
  add_room("rm");
  place(0, a);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"step 0"}));
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"begin", "step 1"}));
  // Cleared: the event stays but does nothing; the step event goes on.
  run("object_event_clear(obj_a, 3, 1); object_event_clear(obj_a, 3, 9); object_event_clear(7, 3, "
      "1)");
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"step 2"}));
  EXPECT_NE(game_.objects.items[size_t(a)]->find_event(kStep, kStepBegin), nullptr);
}

TEST_F(ResourceWorld, AnEventThatAddsEventsToItsOwnObjectRunsToItsEnd) {
  int a = add_object("obj_a");
  // New step events move the storage of the step event that is running.
  on(a, kStep, kStepNormal,
     "if (!done) { done = true; for (i = 0; i < 12; i += 1) object_event_add(obj_a, 2, i,"
     " 'show_debug_message(\"alarm\")');"
     " object_event_add(obj_a, 3, 1, 'show_debug_message(\"begin\")');"
     " object_event_add(obj_a, 3, 2, 'show_debug_message(\"end\")');"
     " object_event_add(obj_a, 3, 0, 'show_debug_message(\"appended\")'); }"
     "show_debug_message('after')");
  on(a, 0, 0, "done = false");
  add_room("rm");
  place(0, a);
  ASSERT_TRUE(start());
  run_steps(1);
  std::vector<std::string> log = take_log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "after");
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"begin", "after", "appended", "end"}));
  EXPECT_EQ(game_.objects.items[size_t(a)]->events[2].size(), 12u);
}

TEST_F(ResourceWorld, ObjectsAddedChangedAndDeleted) {
  int a = add_object("obj_a");
  add_room("rm");
  ASSERT_TRUE(start());
  run("o = object_add(); object_set_sprite(o, 4); object_set_solid(o, 0.5);"
      "object_set_visible(o, 0.4); object_set_depth(o, -7.6); object_set_persistent(o, 1);"
      "object_set_mask(o, 2)");
  EXPECT_EQ(number("o"), 1);
  EXPECT_EQ(text("object_get_name(o) + '/' + object_name(obj_a)"), "__newobject1/obj_a");
  EXPECT_EQ(number("object_get_sprite(o)"), 4);
  EXPECT_EQ(number("object_get_solid(o) * 10 + object_get_visible(o)"), 10);
  EXPECT_EQ(number("object_get_depth(o)"), -8);
  EXPECT_EQ(number("object_get_persistent(o) * 10 + object_get_mask(o)"), 12);
  EXPECT_EQ(number("object_get_parent(o)"), -1);
  EXPECT_EQ(number("object_get_sprite(9) + object_get_solid(9)"), -2);
  // An object made at run time takes events and instances like any other.
  run("object_event_add(o, 0, 0, 'show_debug_message(\"made \" + object_get_name(object_index))');"
      "instance_create(0, 0, o)");
  EXPECT_EQ(take_log(), (std::vector<std::string>{"made __newobject1"}));
  run("object_delete(o); object_delete(o)");
  EXPECT_EQ(shown("Trying to delete non-existing object."), 1);
  EXPECT_EQ(number("object_exists(o) * 10 + object_exists(obj_a)"), 1);
  EXPECT_EQ(text("object_get_name(o)"), "<undefined>");
  EXPECT_EQ(number("object_add()"), 2);
  run_steps(2);  // the orphaned instance does nothing
  (void)a;
}

TEST_F(ResourceWorld, ParentChangesRefuseCyclesAndReachTheDispatch) {
  int a = add_object("obj_a");
  int b = add_object("obj_b");
  int c = add_object("obj_c");
  on(a, kStep, kStepNormal, "show_debug_message('a step for ' + object_get_name(object_index))");
  add_room("rm");
  place(0, c);
  ASSERT_TRUE(start());
  run_steps(1);
  EXPECT_TRUE(take_log().empty());

  run("object_set_parent(obj_b, obj_a); object_set_parent(obj_c, obj_b)");
  EXPECT_EQ(number("object_is_ancestor(obj_c, obj_a) * 10 + object_is_ancestor(obj_a, obj_c)"), 10);
  EXPECT_EQ(number("object_is_ancestor(obj_a, obj_a)"), 0);
  EXPECT_EQ(number("object_is_ancestor(99, obj_a)"), -1);
  // The instance of c now belongs to a's family and inherits its step event.
  EXPECT_EQ(number("instance_number(obj_a)"), 1);
  run_steps(1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"a step for obj_c"}));

  run("object_set_parent(obj_a, obj_c); object_set_parent(obj_a, obj_a);"
      "object_set_parent(obj_b, 42); object_set_parent(42, obj_a)");
  EXPECT_EQ(shown("Creating a cycle in the parent relation."), 2);
  EXPECT_EQ(shown("Setting a non-existing parent."), 1);
  EXPECT_EQ(number("object_get_parent(obj_a) * 10 + object_get_parent(obj_b)"), -10);

  run("object_set_parent(obj_c, -3)");
  EXPECT_EQ(number("object_get_parent(obj_c)"), -1);
  EXPECT_EQ(number("instance_number(obj_a)"), 0);
  run_steps(1);
  EXPECT_TRUE(take_log().empty());
  (void)a;
  (void)b;
}

TEST_F(ResourceWorld, ARoomAddedAndFilledIsVisited) {
  game_.backgrounds.add("bg", std::make_unique<CBackground>());
  int actor = add_object("actor");
  on(actor, 0, 0, "show_debug_message('created at ' + string(x) + ',' + string(y))");
  add_room("start");
  ASSERT_TRUE(start());
  run("r = room_add(); room_set_width(r, 300); room_set_height(r, 200);"
      "room_set_caption(r, 'made'); room_set_code(r, 'show_debug_message(\"room code\")');"
      "room_set_background_color(r, c_red, false); room_set_persistent(r, 1);"
      "room_set_background(r, 2, 1, 0, 0, 5, 6, 0, 1, 2, 3, 0.5);"
      "room_set_background(r, 8, 1, 0, 0, 5, 6, 0, 1, 2, 3, 0.5);"
      "room_set_view(r, 1, 1, 10, 20, 30, 40, 1, 2, 3, 4, 5, 6, 7, 8, actor);"
      "room_set_view_enabled(r, 1);"
      "i = room_instance_add(r, 10.4, 20, actor); t = room_tile_add(r, 0, 1, 2, 3, 4, 50, 60, 7);"
      "e = room_tile_add_ext(r, 0, 0, 0, 8, 8, 0, 0, -1, 2, 3, 0.25);"
      "room_tile_add(r, 5, 0, 0, 8, 8, 0, 0, 0)");
  EXPECT_EQ(shown("Background does not exist."), 1);
  EXPECT_EQ(number("r"), 1);
  EXPECT_EQ(text("room_get_name(r) + room_name(0)"), "__newroom1start");
  EXPECT_EQ(number("i"), 100001);
  EXPECT_EQ(number("t"), 10000001);
  EXPECT_EQ(number("e"), 10000002);
  const CRoom& made = *game_.rooms.items[1];
  EXPECT_EQ(made.backgrounds[2].background_index, 0);
  EXPECT_EQ(made.backgrounds[2].alpha, 0.5);
  EXPECT_FALSE(made.backgrounds[2].tile_horizontal);
  EXPECT_EQ(made.views[1].follow, actor);
  EXPECT_EQ(made.views[1].port_height, 4);
  EXPECT_EQ(made.tiles[1].xscale, 2);
  EXPECT_EQ(made.tiles[1].alpha, 0.25);
  // Not in the room order: reached by its id only.
  EXPECT_EQ(game_.room_order.size(), 1u);

  run("room_goto(r)");
  run_steps(1);
  ASSERT_EQ(world_state().room, 1);
  EXPECT_EQ(take_log(), (std::vector<std::string>{"created at 10,20", "room code"}));
  EXPECT_EQ(room().width, 300);
  EXPECT_EQ(room().caption, "made");
  EXPECT_FALSE(room().show_background_color);
  EXPECT_TRUE(room().views_enabled);
  ASSERT_NE(instance(100001), nullptr);
  ASSERT_EQ(room().tiles.size(), 2u);
  EXPECT_EQ(room().tiles[0].id, 10000001);
  EXPECT_EQ(room().tiles[0].x, 50);
  EXPECT_EQ(room().tiles[1].yscale, 3);  // the visited room keeps the added tile's scale
  EXPECT_EQ(room().tiles[1].alpha, 0.25);
  EXPECT_EQ(number("room_previous(r) * 10 + room_next(r)"), -11);

  // The duplicate and the assigned copy carry the instances and tiles; clearing one
  // leaves the others.
  run("d = room_duplicate(r); room_assign(0, r); room_instance_clear(d); room_tile_clear(d);"
      "room_assign(9, r); room_duplicate(9); room_assign(0, 9)");
  EXPECT_EQ(shown("Error assigning a room."), 2);
  EXPECT_EQ(shown("Trying to duplicate non-existing room."), 1);
  EXPECT_EQ(text("room_get_name(d)"), "__newroom2");
  EXPECT_TRUE(game_.rooms.items[2]->instances.empty());
  EXPECT_EQ(game_.rooms.items[0]->instances.size(), 1u);
  EXPECT_EQ(game_.rooms.items[0]->tiles.size(), 2u);
  EXPECT_EQ(number("room_instance_add(9, 0, 0, actor) + room_exists(9)"), 0);
}

}  // namespace
}  // namespace vn::test
