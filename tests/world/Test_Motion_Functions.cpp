// The motion, collision and path functions, and the actions that forward to them, on
// rooms built in code with 8 × 8 boxes unless a test says otherwise.
#include <gtest/gtest.h>

#include <cmath>

#include "world/Collision_Main.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

class MotionFunctions : public WorldTest {
 protected:
  // A sprite whose mask is the disk inscribed in its square.
  int add_disk_sprite(int size) {
    int sprite = add_sprite(1, size, size);
    TMask& mask = game_.sprites.items[size_t(sprite)]->masks[0];
    double r = size / 2.0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        double dx = x + 0.5 - r, dy = y + 0.5 - r;
        mask.cells[size_t(y * size + x)] = dx * dx + dy * dy <= r * r ? 1 : 0;
      }
    }
    return sprite;
  }
  int add_path(std::initializer_list<std::pair<double, double>> points, bool closed = false) {
    auto path = std::make_unique<CPath>();
    path->closed = closed;
    for (const auto& [x, y] : points) path->add_point(x, y, 100);
    game_.paths.add("path" + std::to_string(game_.paths.size()), std::move(path));
    return int(game_.paths.size()) - 1;
  }
  double number(const std::string& expression, CInstance* self) {
    return eval(expression, self).real;
  }

  // A mover at (0, 0), a solid wall at (40, 0) and a ghost that is not solid at (0, 40),
  // all 8 × 8; the instance ids.
  struct RWallRoom {
    int mover, wall, ghost;
  };
  RWallRoom start_wall_room() {
    box_ = add_sprite(1);
    int mover = add_object("mover", -1, box_);
    int wall = add_object("wall", -1, box_);
    int ghost = add_object("ghost", -1, box_);
    object(wall).solid = true;
    add_room("rm");
    RWallRoom ids{place(0, mover, 0, 0), place(0, wall, 40, 0), place(0, ghost, 0, 40)};
    EXPECT_TRUE(start());
    return ids;
  }

  int box_ = -1;
};

TEST_F(MotionFunctions, ContactAndOutsideMovesStopAtTheFirstMeeting) {
  RWallRoom ids = start_wall_room();
  CInstance* self = instance(ids.mover);

  exec("move_contact_solid(0, 0);", self);
  EXPECT_EQ(self->x, 32);  // 33 would touch the wall's first column
  exec("x = 0; move_contact_solid(0, 10);", self);
  EXPECT_EQ(self->x, 10);
  exec("x = 36; move_contact_solid(0, 0);", self);
  EXPECT_EQ(self->x, 36) << "a mover already meeting a wall stays";
  exec("move_outside_solid(180, 0);", self);
  EXPECT_EQ(self->x, 32);
  exec("x = 36; move_outside_solid(180, 2);", self);
  EXPECT_EQ(self->x, 34) << "the limit counts steps";
  exec("x = 36; move_contact(180);", self);
  EXPECT_EQ(self->x, 32) << "inside a wall, move_contact moves outside";

  // Only solid instances stop the solid variant; the ghost below is not solid.
  exec("x = 0; y = 0; move_contact_solid(270, 100);", self);
  EXPECT_EQ(self->y, 100);
  exec("y = 0; move_contact_all(270, 100);", self);
  EXPECT_EQ(self->y, 32);

  // With nothing in the way and no limit, a thousand steps.
  instance(ids.wall)->set_position(5000, 5000);
  exec("x = 0; y = 0; move_contact_solid(0, 0);", self);
  EXPECT_EQ(self->x, 1000);
}

TEST_F(MotionFunctions, BouncesTurnTheMoverAwayFromWhatIsInTheWay) {
  box_ = add_sprite(1);
  int wide = add_sprite(1, 64, 8);
  int mover = add_object("mover", -1, box_);
  int wall = add_object("wall", -1, box_);
  int ceiling = add_object("ceiling", -1, wide);
  object(wall).solid = true;
  object(ceiling).solid = true;
  add_room("rm");
  int m = place(0, mover, 20, 20);
  place(0, wall, 28, 16);
  int c = place(0, ceiling, 0, 200);
  ASSERT_TRUE(start());
  CInstance* self = instance(m);

  // Moved into the wall: put back, and only the horizontal speed turns.
  exec(
      "xprevious = 20; yprevious = 20; x = 24; hspeed = 4; vspeed = 0;"
      "move_bounce_solid(false);",
      self);
  EXPECT_EQ(self->x, 20);
  EXPECT_EQ(self->hspeed, -4);
  EXPECT_EQ(self->vspeed, 0);

  // Free sideways and downwards but not diagonally: both speeds turn.
  instance(m + 1)->set_position(28, 28);
  exec("x = 20; y = 20; hspeed = 4; vspeed = 4; move_bounce_solid(false);", self);
  EXPECT_EQ(self->hspeed, -4);
  EXPECT_EQ(self->vspeed, -4);
  exec("hspeed = 4; vspeed = 4; move_bounce_all(0);", self);
  EXPECT_EQ(self->hspeed, -4);

  // Advanced, under a ceiling at 45 degrees: blocked from 40 up to 140, free at 30 and
  // 150, so the direction becomes 30 + 150 + 180 - 40.
  instance(m + 1)->set_position(5000, 5000);
  instance(c)->set_position(0, 0);
  exec("x = 20; y = 10; motion_set(45, 4); move_bounce_solid(true);", self);
  EXPECT_NEAR(self->direction, 320, 1e-9);
  EXPECT_NEAR(self->speed, 4, 1e-9);
  // Nothing in the way: nothing changes.
  exec("y = 100; motion_set(45, 4); move_bounce_solid(true);", self);
  EXPECT_NEAR(self->direction, 45, 1e-9);
}

TEST_F(MotionFunctions, SearchesFindTheFirstMatchAndHonourPrecisionAndNotMe) {
  box_ = add_sprite(1);
  int disk = add_disk_sprite(16);
  int square = add_object("square", -1, box_);
  int ball = add_object("ball", -1, disk);
  add_object("none", -1, box_);  // named in the code below
  add_room("rm");
  int a = place(0, square, 10, 10);
  int b = place(0, ball, 50, 50);
  ASSERT_TRUE(start());
  CInstance* self = instance(a);

  std::string ids = std::to_string(a) + " " + std::to_string(b);
  EXPECT_EQ(number("collision_point(12, 12, square, false, false)", self), a);
  EXPECT_EQ(number("collision_point(12, 12, square, false, true)", self), -4);
  // The disk's corner is inside its box but outside its mask.
  EXPECT_EQ(number("collision_point(50, 50, ball, true, false)", self), -4);
  EXPECT_EQ(number("collision_point(50, 50, ball, false, false)", self), b);
  EXPECT_EQ(number("collision_point(58, 58, ball, true, false)", self), b);
  EXPECT_EQ(number("collision_circle(14, 14, 3, all, true, true)", self), -4);
  EXPECT_EQ(number("collision_circle(14, 14, 3, all, true, false)", self), a);
  EXPECT_EQ(number("collision_line(0, 0, 100, 100, all, true, false)", self), a);
  EXPECT_EQ(number("collision_line(0, 0, 100, 100, all, true, true)", self), b);
  EXPECT_EQ(number("collision_line(0, 100, 100, 100, all, true, false)", self), -4);
  EXPECT_EQ(number("collision_rectangle(60, 60, 90, 90, all, false, false)", self), b);
  EXPECT_EQ(number("collision_rectangle(64, 64, 90, 90, all, true, false)", self), -4);
  EXPECT_EQ(number("collision_ellipse(40, 40, 70, 70, ball, true, false)", self), b);

  EXPECT_EQ(number("instance_position(51, 51, all)", self), -4);
  EXPECT_EQ(number("instance_position(58, 58, all)", self), b);
  EXPECT_EQ(number("position_empty(51, 51)", self), 1);
  EXPECT_EQ(number("position_meeting(12, 12, square)", self), 1);
  EXPECT_EQ(number("position_meeting(12, 12, ball)", self), 0);

  // The box spans 10 ... 17; the ball's 50 ... 65.
  EXPECT_EQ(number("distance_to_point(20, 21)", self), 5);
  EXPECT_EQ(number("distance_to_point(12, 12)", self), 0);
  EXPECT_NEAR(number("distance_to_object(ball)", self), std::hypot(33, 33), 1e-9);
  EXPECT_EQ(number("distance_to_object(none)", self), 1000000);
  EXPECT_EQ(number("distance_to_object(self)", self), 1000000);
}

TEST_F(MotionFunctions, PlaceTestsPutTheInstanceBack) {
  RWallRoom ids = start_wall_room();
  CInstance* self = instance(ids.mover);
  int g = ids.ghost, w = ids.wall;

  EXPECT_EQ(number("place_free(36, 0)", self), 0);
  EXPECT_EQ(number("place_free(0, 36)", self), 1);
  EXPECT_EQ(number("place_empty(0, 36)", self), 0);
  EXPECT_EQ(number("place_meeting(36, 0, wall)", self), 1);
  EXPECT_EQ(number("place_meeting(36, 0, ghost)", self), 0);
  EXPECT_EQ(number("instance_place(0, 36, all)", self), g);
  EXPECT_EQ(number("instance_place(36, 0, all)", self), w);
  EXPECT_EQ(number("instance_place(100, 100, all)", self), -4);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(self->y, 0);
  EXPECT_EQ(self->bbox_right, 7);
}

TEST_F(MotionFunctions, MotionSnapAndWrap) {
  box_ = add_sprite(1);
  int mover = add_object("mover", -1, box_);
  add_room("rm");
  int m = place(0, mover, 0, 0);
  ASSERT_TRUE(start());
  CInstance* self = instance(m);

  exec("motion_set(0, 3); motion_add(90, 4);", self);
  EXPECT_NEAR(self->hspeed, 3, 1e-9);
  EXPECT_NEAR(self->vspeed, -4, 1e-9);
  EXPECT_NEAR(self->speed, 5, 1e-9);
  exec("x = 10; y = 10; move_towards_point(13, 14, 2);", self);
  EXPECT_NEAR(self->hspeed, 1.2, 1e-9);
  EXPECT_NEAR(self->vspeed, 1.6, 1e-9);

  exec("x = 23; y = 41; move_snap(16, 0);", self);
  EXPECT_EQ(self->x, 16);
  EXPECT_EQ(self->y, 41);
  exec("x = 24; move_snap(16, 16);", self);
  EXPECT_EQ(self->x, 32) << "halves round to even";
  EXPECT_EQ(self->y, 48);
  EXPECT_EQ(number("place_snapped(16, 16)", self), 1);
  exec("x = 32.0005;", self);
  EXPECT_EQ(number("place_snapped(16, 0)", self), 1);
  exec("x = 32.01;", self);
  EXPECT_EQ(number("place_snapped(16, 0)", self), 0);

  // The room is 640 × 480.
  exec("x = -11; y = 500; move_wrap(true, false, 10);", self);
  EXPECT_EQ(self->x, -11 + 660);
  EXPECT_EQ(self->y, 500);
  exec("x = 651; y = 491; move_wrap(true, true, 10);", self);
  EXPECT_EQ(self->x, 651 - 660);
  EXPECT_EQ(self->y, 491 - 500);
  exec("x = 650; move_wrap(true, false, 10);", self);
  EXPECT_EQ(self->x, 650) << "exactly at the margin stays";
}

TEST_F(MotionFunctions, RandomPlacesAreFreeOnTheGridAndInsideTheRoom) {
  box_ = add_sprite(1);
  int mover = add_object("mover", -1, box_);
  int wall = add_object("wall", -1, add_sprite(1, 320, 480));
  object(wall).solid = true;
  add_room("rm");
  int m = place(0, mover, 0, 0);
  place(0, wall, 0, 0);
  ASSERT_TRUE(start());
  CInstance* self = instance(m);
  for (int i = 0; i < 50; ++i) {
    exec("move_random(16, 8);", self);
    EXPECT_EQ(std::fmod(self->x, 16), 0);
    EXPECT_EQ(std::fmod(self->y, 8), 0);
    EXPECT_GE(self->x, 320);
    EXPECT_LE(self->bbox_right, 639);
    EXPECT_LE(self->bbox_bottom, 479);
  }
  // No free place at all: it stays.
  instance(m + 1)->set_xscale(2);
  exec("x = 400; y = 40; move_random(0, 0);", self);
  EXPECT_EQ(self->x, 400);
  EXPECT_EQ(self->y, 40);
}

TEST_F(MotionFunctions, PathsStartAbsoluteOrRelativeAndEnd) {
  int mover = add_object("mover");
  int line = add_path({{100, 100}, {200, 100}});
  int dot = add_path({{5, 5}});
  on(mover, kEventOther, 8, "show_debug_message('end at ' + string(x) + ',' + string(y));");
  add_room("rm");
  int m = place(0, mover, 10, 10);
  ASSERT_TRUE(start());
  CInstance* self = instance(m);

  exec("path_start(" + std::to_string(line) + ", 50, 0, true);", self);
  EXPECT_EQ(self->x, 100);
  EXPECT_EQ(self->path_xstart, 100);
  run_steps(1);
  EXPECT_NEAR(self->x, 150, 1e-9);
  run_steps(1);
  EXPECT_NEAR(self->x, 200, 1e-9);
  EXPECT_EQ(self->path_index, -1);
  EXPECT_EQ(self->speed, 0);
  EXPECT_EQ(take_log(), std::vector<std::string>{"end at 200,100"});

  // A negative speed runs from the far end back along the same places.
  exec("x = 0; y = 0; path_start(" + std::to_string(line) + ", -50, 0, true);", self);
  EXPECT_EQ(self->x, 200);
  EXPECT_EQ(self->path_position, 1);
  run_steps(1);
  EXPECT_NEAR(self->x, 150, 1e-9);
  EXPECT_NEAR(self->y, 100, 1e-9);

  // Relative: the path's first point is where the instance stands.
  exec("x = 10; y = 10; path_start(" + std::to_string(line) + ", 25, 1, false);", self);
  run_steps(1);
  EXPECT_NEAR(self->x, 35, 1e-9);
  EXPECT_NEAR(self->y, 10, 1e-9);
  exec("path_end();", self);
  run_steps(1);
  EXPECT_NEAR(self->x, 35, 1e-9) << "path_end leaves it where it is, without speed";
  EXPECT_EQ(self->path_index, -1);

  exec("path_start(" + std::to_string(dot) + ", 10, 0, true);", self);
  EXPECT_EQ(self->path_index, -1) << "a path of length 0 is not followed";
  exec("path_start(99, 10, 0, true);", self);
  EXPECT_EQ(self->path_index, -1);
}

TEST_F(MotionFunctions, PositionDestroyAndChangeTakeEveryInstanceAtThePoint) {
  box_ = add_sprite(1);
  int target = add_object("target", -1, box_);
  int other = add_object("other", -1, box_);
  on(target, kEventDestroy, 0, "show_debug_message('destroyed ' + string(id));");
  on(other, kEventCreate, 0, "show_debug_message('created as other');");
  add_room("rm");
  int a = place(0, target, 0, 0);
  int b = place(0, target, 4, 4);
  int c = place(0, target, 40, 40);
  ASSERT_TRUE(start());
  take_log();
  exec("position_destroy(5, 5);");
  EXPECT_EQ(take_log(), (std::vector<std::string>{"destroyed " + std::to_string(a),
                                                  "destroyed " + std::to_string(b)}));
  EXPECT_FALSE(instance(c)->destroyed);

  exec("position_change(41, 41, 99, true);");
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Asking to change into non-existing object: 99"),
            std::string::npos);
  exec("position_change(41, 41, other, true);");
  EXPECT_EQ(take_log(),
            (std::vector<std::string>{"destroyed " + std::to_string(c), "created as other"}));
}

TEST_F(MotionFunctions, ActionsForwardWithTheirRelativeRule) {
  box_ = add_sprite(1, 10, 10);
  int mover = add_object("mover", -1, box_);
  int wall = add_object("wall", -1, box_);
  object(wall).solid = true;
  add_room("rm");
  int m = place(0, mover, 0, 0);
  place(0, wall, 40, 0);
  ASSERT_TRUE(start());
  CInstance* self = instance(m);

  EXPECT_EQ(number("action_if_empty(35, 0, 0)", self), 0);
  EXPECT_EQ(number("action_if_collision(35, 0, 0)", self), 1);
  EXPECT_EQ(number("action_if_object(wall, 35, 0)", self), 1);
  run_state().argument_relative = true;
  exec("x = 20;", self);
  EXPECT_EQ(number("action_if_empty(15, 0, 0)", self), 0) << "15 from x = 20";
  EXPECT_EQ(number("action_if_object(wall, 0, 0)", self), 0);
  run_state().argument_relative = false;

  exec("x = 0; action_move_contact(0, 0, 0);", self);
  EXPECT_EQ(self->x, 30);

  // The wrap action brings a mover out on the right back by the room and sprite sizes.
  exec("x = 641; hspeed = 2; action_wrap(0);", self);
  EXPECT_EQ(self->x, 641 - 650);
  exec("x = -1; hspeed = 2; action_wrap(0);", self);
  EXPECT_EQ(self->x, -1) << "moving in, it stays";
  exec("x = -1; y = -5; hspeed = -2; vspeed = -1; action_wrap(2);", self);
  EXPECT_EQ(self->x, -1 + 650);
  EXPECT_EQ(self->y, -5 + 490);
}

}  // namespace
}  // namespace vn::test
