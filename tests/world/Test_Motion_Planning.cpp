// Motion planning: grid searches checked against a plain search of their own on random
// grids, the diagonal rules, the straight and potential-field steppers moving instances
// of a small game step by step, instances entered into grids, and planned paths written
// into path resources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "graphics/Device_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "world/Function_Planning.h"
#include "world/Motion_Grid.h"
#include "world/Motion_Potential.h"
#include "world/Path_Class.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

// --- The grid search against a plain one ---

// The fewest moves from cell to cell, found by relaxing every cell until nothing changes;
// a diagonal move needs both cells beside it free. -1 when the goal cannot be reached.
int fewest_moves(const CGrid& grid, int from_h, int from_v, int to_h, int to_v, bool diagonal) {
  const int columns = grid.horizontal_cells(), rows = grid.vertical_cells();
  const int far = columns * rows + 1;
  std::vector<int> moves(size_t(columns * rows), far);
  auto at = [&](int h, int v) -> int& { return moves[size_t(h * rows + v)]; };
  at(from_h, from_v) = 0;
  for (bool changed = true; changed;) {
    changed = false;
    for (int h = 0; h < columns; ++h) {
      for (int v = 0; v < rows; ++v) {
        if (grid.cell(h, v) != kCellFree) continue;
        for (int dh = -1; dh <= 1; ++dh) {
          for (int dv = -1; dv <= 1; ++dv) {
            if ((dh == 0) == (dv == 0) && !(dh != 0 && dv != 0 && diagonal)) continue;
            int nh = h + dh, nv = v + dv;
            if (!grid.contains(nh, nv) || grid.cell(nh, nv) != kCellFree) continue;
            if (dh != 0 && dv != 0 &&
                (grid.cell(h + dh, v) != kCellFree || grid.cell(h, v + dv) != kCellFree)) {
              continue;
            }
            if (at(nh, nv) + 1 < at(h, v)) {
              at(h, v) = at(nh, nv) + 1;
              changed = true;
            }
          }
        }
      }
    }
  }
  return at(to_h, to_v) == far ? -1 : at(to_h, to_v);
}

struct RCell {
  int h, v;
};
RCell cell_of(const CGrid& grid, double x, double y) {
  return {int(std::floor((x - grid.left()) / grid.cell_width())),
          int(std::floor((y - grid.top()) / grid.cell_height()))};
}

// Every point lies in a free cell, each move goes to a neighbouring cell, and no diagonal
// move passes a forbidden cell (nor is there one at all without diagonals).
void expect_valid_path(const CGrid& grid, const std::vector<RGridPoint>& points, bool diagonal) {
  for (size_t i = 0; i < points.size(); ++i) {
    RCell c = cell_of(grid, points[i].x, points[i].y);
    ASSERT_EQ(grid.cell(c.h, c.v), kCellFree) << "point " << i;
    if (i == 0) continue;
    RCell b = cell_of(grid, points[i - 1].x, points[i - 1].y);
    int dh = c.h - b.h, dv = c.v - b.v;
    ASSERT_LE(std::abs(dh), 1) << "point " << i;
    ASSERT_LE(std::abs(dv), 1) << "point " << i;
    if (dh != 0 && dv != 0) {
      ASSERT_TRUE(diagonal) << "point " << i;
      ASSERT_EQ(grid.cell(b.h + dh, b.v), kCellFree) << "corner cut at point " << i;
      ASSERT_EQ(grid.cell(b.h, b.v + dv), kCellFree) << "corner cut at point " << i;
    }
  }
}

TEST(GridSearch, FindsAShortestPathOnRandomGrids) {
  std::mt19937 random(7);
  int found = 0, refused = 0, longer = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    bool diagonal = trial % 2 == 1;
    int columns = 1 + int(random() % 10), rows = 1 + int(random() % 10);
    int width = 1 + int(random() % 6), height = 1 + int(random() % 6);
    CGrid grid(int(random() % 20) - 10, int(random() % 20) - 10, columns, rows, width, height);
    for (int h = 0; h < columns; ++h) {
      for (int v = 0; v < rows; ++v) {
        if (random() % 100 < 30) grid.set_cell(h, v, kCellForbidden);
      }
    }
    auto any_x = [&] { return grid.left() + int(random() % unsigned(columns * width)); };
    auto any_y = [&] { return grid.top() + int(random() % unsigned(rows * height)); };
    int sx = any_x(), sy = any_y(), gx = any_x(), gy = any_y();
    RCell start = cell_of(grid, sx, sy), goal = cell_of(grid, gx, gy);
    bool open = grid.cell(start.h, start.v) == kCellFree && grid.cell(goal.h, goal.v) == kCellFree;
    int moves = open ? fewest_moves(grid, start.h, start.v, goal.h, goal.v, diagonal) : -1;
    // The search takes a diagonal only past sides no earlier cell had marked, so with
    // diagonals it may need more moves than the fewest, never more than without them.
    int most_moves = open ? fewest_moves(grid, start.h, start.v, goal.h, goal.v, false) : -1;

    std::vector<RGridPoint> points;
    SCOPED_TRACE("trial " + std::to_string(trial));
    ASSERT_EQ(grid.find_path(sx, sy, gx, gy, diagonal, points), moves >= 0);
    for (int h = 0; h < columns; ++h) {
      for (int v = 0; v < rows; ++v) ASSERT_LE(grid.cell(h, v), 0) << "a mark was left";
    }
    if (moves < 0) {
      ++refused;
      EXPECT_TRUE(points.empty());
      continue;
    }
    ++found;
    // The start point, the centre of every cell between, the goal point.
    if (diagonal) {
      ASSERT_GE(points.size(), size_t(std::max(moves + 1, 2)));
      ASSERT_LE(points.size(), size_t(std::max(most_moves + 1, 2)));
      if (points.size() > size_t(std::max(moves + 1, 2))) ++longer;
    } else {
      ASSERT_EQ(points.size(), size_t(std::max(moves + 1, 2)));
    }
    EXPECT_EQ(points.front(), (RGridPoint{double(sx), double(sy)}));
    EXPECT_EQ(points.back(), (RGridPoint{double(gx), double(gy)}));
    expect_valid_path(grid, points, diagonal);
  }
  EXPECT_GT(found, 1000);
  EXPECT_GT(refused, 300);
  EXPECT_GT(longer, 0);
}

TEST(GridSearch, ADiagonalPastACellMarkedEarlierStaysClosed) {
  // The search marks (0, 2) from below before it takes (1, 2), whose left side is then
  // marked already: the diagonal from (1, 2) to (0, 1) stays closed although both cells
  // beside it are free, and the path goes up column 1 instead, six moves instead of five.
  const char* rows[] = {"G..",  //
                        "..#",  //
                        "...",  //
                        ".#.",  //
                        "..S",  //
                        ".##",  //
                        "...",  //
                        ".#.",  //
                        "..."};
  CGrid grid(0, 0, 3, 9, 1, 1);
  for (int v = 0; v < 9; ++v) {
    for (int h = 0; h < 3; ++h) {
      if (rows[v][h] == '#') grid.set_cell(h, v, kCellForbidden);
    }
  }
  std::vector<RGridPoint> points;
  ASSERT_TRUE(grid.find_path(2, 4, 0, 0, true, points));
  std::vector<RGridPoint> up_column_one = {{2, 4}, {2, 3}, {2, 2}, {1, 2}, {1, 1}, {1, 0}, {0, 0}};
  EXPECT_EQ(points, up_column_one);
  EXPECT_EQ(fewest_moves(grid, 2, 4, 0, 0, true), 5);
}

TEST(GridSearch, DiagonalsNeedBothCellsBesideThemFree) {
  // . # .      The goal (2, 2) lies past the corner of the wall in column 1; with one
  // . # .      side of a diagonal blocked the search goes round.
  // . . .
  CGrid grid(0, 0, 3, 3, 10, 10);
  grid.set_cell(1, 0, kCellForbidden);
  grid.set_cell(1, 1, kCellForbidden);
  std::vector<RGridPoint> points;
  ASSERT_TRUE(grid.find_path(5, 5, 25, 5, true, points));
  std::vector<RGridPoint> around = {{5, 5},   {5, 15},  {5, 25}, {15, 25},
                                    {25, 25}, {25, 15}, {25, 5}};
  EXPECT_EQ(points, around);
  CGrid open(0, 0, 3, 3, 10, 10);
  std::vector<RGridPoint> straight;
  ASSERT_TRUE(open.find_path(5, 5, 25, 25, true, straight));
  EXPECT_EQ(straight, (std::vector<RGridPoint>{{5, 5}, {15, 15}, {25, 25}}));

  // Two forbidden cells meeting at a corner: never crossed.
  CGrid chequer(0, 0, 2, 2, 10, 10);
  chequer.set_cell(1, 0, kCellForbidden);
  chequer.set_cell(0, 1, kCellForbidden);
  EXPECT_FALSE(chequer.find_path(5, 5, 15, 15, true, points));
  EXPECT_EQ(points, around) << "a failed search leaves the points alone";
  chequer.set_cell(0, 1, kCellFree);
  EXPECT_FALSE(grid.find_path(5, 5, 15, 5, true, points)) << "the goal is forbidden";
  EXPECT_TRUE(chequer.find_path(5, 5, 15, 15, true, points));
  EXPECT_EQ(points.size(), 3u);
}

TEST(GridSearch, TheWayBackCutsNoCorner) {
  // The goal G is marked from (1, 0) diagonally. (1, 2) has the value one less too, and
  // is tried first on the way back, but the diagonal from it passes the forbidden (0, 2).
  const char* rows[] = {"....",  //
                        "G.#S",  //
                        "#..."};
  CGrid grid(0, 0, 4, 3, 1, 1);
  for (int v = 0; v < 3; ++v) {
    for (int h = 0; h < 4; ++h) {
      if (rows[v][h] == '#') grid.set_cell(h, v, kCellForbidden);
    }
  }
  std::vector<RGridPoint> points;
  ASSERT_TRUE(grid.find_path(3, 1, 0, 1, true, points));
  expect_valid_path(grid, points, true);
  EXPECT_EQ(points, (std::vector<RGridPoint>{{3, 1}, {3, 0}, {2, 0}, {1, 0}, {0, 1}}));
}

TEST(GridSearch, RectanglesCountCellsByTruncatedDivision) {
  CGrid grid(100, 100, 4, 3, 16, 16);
  // Right edge 10 pixels left of the grid: (-10) div 16 is 0, so column 0 is marked.
  grid.set_rectangle(60, 100, 90, 100, kCellForbidden);
  EXPECT_EQ(grid.cell(0, 0), kCellForbidden);
  EXPECT_EQ(grid.cell(1, 0), kCellFree);
  grid.set_all(kCellFree);
  // Further left than one cell: nothing.
  grid.set_rectangle(40, 100, 80, 140, kCellForbidden);
  for (int h = 0; h < 4; ++h) {
    for (int v = 0; v < 3; ++v) EXPECT_EQ(grid.cell(h, v), kCellFree);
  }
  // Corners in any order, limited to the grid on the far side.
  grid.set_rectangle(500, 131, 117, 120, kCellForbidden);
  for (int h = 0; h < 4; ++h) {
    for (int v = 0; v < 3; ++v) {
      EXPECT_EQ(grid.cell(h, v), h >= 1 && v == 1 ? kCellForbidden : kCellFree) << h << "," << v;
    }
  }
  EXPECT_LT(grid.columns(200, 300).last, grid.columns(200, 300).first);
  // Points outside the grid, or just left of it, are not in it for the search.
  std::vector<RGridPoint> points;
  EXPECT_FALSE(grid.find_path(95, 105, 110, 105, false, points));
  EXPECT_FALSE(grid.find_path(110, 105, 164, 105, false, points));
  EXPECT_TRUE(grid.find_path(110, 105, 163, 105, false, points));
}

// --- The functions in a game ---

class MotionPlanning : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    reset_motion_planning();
  }
  void TearDown() override {
    reset_motion_planning();
    WorldTest::TearDown();
  }

  int add_path() {
    auto path = std::make_unique<CPath>();
    path->add_point(-1, -1, 50);
    game_.paths.add("path" + std::to_string(game_.paths.size()), std::move(path));
    return int(game_.paths.size()) - 1;
  }
  const CPath& path(int index) { return *game_.paths.items[size_t(index)]; }
  std::vector<std::string> points_of(int index) {
    std::vector<std::string> lines;
    for (const RPathPoint& point : path(index).points) {
      char line[64];
      std::snprintf(line, sizeof line, "%.2f %.2f %g", point.x, point.y, point.speed);
      lines.push_back(line);
    }
    return lines;
  }

  // A walker (8 × 8) and a solid wall object of the given sprite size, in a room whose
  // instances the test places; the object indices.
  struct RObjects {
    int walker, wall;
  };
  RObjects walker_and_wall(int wall_width, int wall_height) {
    RObjects objects{add_object("walker", -1, add_sprite(1)),
                     add_object("wall", -1, add_sprite(1, wall_width, wall_height))};
    object(objects.wall).solid = true;
    add_room("rm");
    return objects;
  }
};

constexpr const char* kShowPlace =
    "show_debug_message(string(round(x * 100) / 100) + ' ' + string(round(y * 100) / 100) + ' ' "
    "+ string(round(direction)) + ' ' + string(r));";

TEST_F(MotionPlanning, LinearStepsWalkStraightAndStopBeforeAWall) {
  RObjects o = walker_and_wall(32, 8);
  on(o.walker, kEventStep, 0, std::string("r = mp_linear_step(100, 0, 25, false);") + kShowPlace);
  int walker = place(0, o.walker, 0, 0);
  place(0, o.wall, 60, 0);
  ASSERT_TRUE(start());
  run_steps(3);
  std::vector<std::string> expected = {"25 0 0 0", "50 0 0 0", "50 0 0 0"};
  EXPECT_EQ(take_log(), expected);

  // The goal within a step is reached in one move, and reported reached from then on.
  CInstance* self = instance(walker);
  EXPECT_EQ(eval("mp_linear_step(47, 0, 5, false)", self).real, 1);
  EXPECT_EQ(self->x, 47);
  EXPECT_EQ(eval("mp_linear_step(47, 0, 5, false)", self).real, 1);
  EXPECT_EQ(eval("mp_linear_step(47, 4, 5, false)", self).real, 1);
  EXPECT_EQ(self->direction, 270);
  // A goal inside the wall is reached in name only: the walker stays.
  EXPECT_EQ(eval("mp_linear_step(55, 4, 20, false)", self).real, 1);
  EXPECT_EQ(self->x, 47);
}

TEST_F(MotionPlanning, LinearStepsAvoidWhatTheyAreToldTo) {
  RObjects o = walker_and_wall(8, 8);
  int ghost = add_object("ghost", -1, add_sprite(1));
  int walker = place(0, o.walker, 0, 0);
  place(0, ghost, 20, 0);
  int wall = place(0, o.wall, 0, 20);
  ASSERT_TRUE(start());
  CInstance* self = instance(walker);
  // The ghost is not solid: only checkall or its object stops the walker.
  EXPECT_EQ(eval("mp_linear_step(40, 0, 15, true)", self).real, 0);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(eval("mp_linear_step_object(40, 0, 15, ghost)", self).real, 0);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(eval("mp_linear_step_object(0, 40, 15, ghost)", self).real, 0);
  EXPECT_EQ(self->y, 15) << "the wall is not the ghost";
  exec("y = 0;", self);
  EXPECT_EQ(eval("mp_linear_step(40, 0, 15, false)", self).real, 0);
  EXPECT_EQ(self->x, 15);
  exec("x = 0;", self);
  EXPECT_EQ(eval("mp_linear_step_object(0, 40, 15, " + std::to_string(wall) + ")", self).real, 0);
  EXPECT_EQ(self->y, 0) << "an instance id";

  // The action forwards, relative to the walker when asked.
  exec("action_linear_step(0, 10, 4, false);", self);
  EXPECT_EQ(self->y, 4);
  run_state().argument_relative = true;
  exec("action_linear_step(10, 0, 4, false);", self);
  run_state().argument_relative = false;
  EXPECT_EQ(self->x, 4);
  EXPECT_EQ(self->y, 4);
}

TEST_F(MotionPlanning, PotentialStepsTurnAroundAWall) {
  RObjects o = walker_and_wall(8, 8);
  on(o.walker, kEventStep, 0,
     std::string("r = mp_potential_step(100, 0, 10, false);") + kShowPlace +
         "if (!place_free(x, y)) show_debug_message('in the wall');");
  place(0, o.walker, 0, 0);
  place(0, o.wall, 30, 0);
  ASSERT_TRUE(start());
  run_steps(12);
  // Straight on, 350 and 10 are blocked three steps ahead; 340 is the first direction
  // free both three steps and one step ahead. Then it turns back towards the goal, at
  // most 30 degrees a step, as the wall allows.
  // Once past it, straight for the goal, reached at the eleventh step.
  std::vector<std::string> expected = {"9.40 3.42 340 0",  "19.39 3.04 2 0", "28.23 7.71 332 0",
                                       "38.21 8.39 356 0", "48.12 7.04 8 0", "58.03 5.70 8 0",
                                       "67.94 4.35 8 0",   "77.85 3.01 8 0", "87.76 1.66 8 0",
                                       "97.66 0.32 8 0",   "100 0 8 1",      "100 0 8 1"};
  EXPECT_EQ(take_log(), expected);
}

TEST_F(MotionPlanning, PotentialStepsFollowTheSettings) {
  RObjects o = walker_and_wall(8, 200);
  int walker = place(0, o.walker, 0, 0);
  place(0, o.wall, 30, -100);  // a long wall straight ahead
  ASSERT_TRUE(start());
  CInstance* self = instance(walker);
  // No direction within 30 degrees is free 3 steps ahead: the walker turns on the spot.
  EXPECT_EQ(eval("mp_potential_step(200, 0, 10, false)", self).real, 0);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(self->direction, 30);
  // Without turning on the spot it stays as it is; the values below 1 become 1.
  exec("direction = 0; mp_potential_settings(0, -5, 0.5, false);", self);
  EXPECT_EQ(potential_settings().max_rotation, 1);
  EXPECT_EQ(potential_settings().rotation_step, 1);
  EXPECT_EQ(potential_settings().ahead, 1);
  EXPECT_EQ(eval("mp_potential_step(200, 0, 10, false)", self).real, 0);
  EXPECT_EQ(self->direction, 0);
  EXPECT_EQ(self->x, 10) << "one step ahead is free now";
  // Within a step of the goal the walker goes there at once, in any direction.
  exec("mp_potential_settings(30, 10, 3, true); x = 0; y = 0; direction = 0;", self);
  EXPECT_EQ(eval("mp_potential_step(0, 8, 10, false)", self).real, 1);
  EXPECT_EQ(self->y, 8);
  EXPECT_EQ(self->direction, 270);
  exec("action_potential_step(0, 20, 10, false);", self);
  EXPECT_EQ(self->y, 18);
}

TEST_F(MotionPlanning, PlannedPathsAreWrittenIntoPathResources) {
  RObjects o = walker_and_wall(8, 40);
  int walker = place(0, o.walker, 0, 0);
  place(0, o.wall, 50, -16);
  int straight = add_path(), field = add_path();
  ASSERT_TRUE(start());
  CInstance* self = instance(walker);
  exec("direction = 45; speed = 2;", self);

  EXPECT_EQ(eval("mp_linear_path(" + std::to_string(straight) + ", 0, 30, 12, false)", self).real,
            1);
  std::vector<std::string> down = {"0.00 0.00 100", "0.00 12.00 100", "0.00 24.00 100",
                                   "0.00 30.00 100"};
  EXPECT_EQ(points_of(straight), down);
  EXPECT_EQ(path(straight).kind, kPathStraight);
  EXPECT_FALSE(path(straight).closed);
  // The walker is where it was, moving as it was.
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(self->y, 0);
  EXPECT_EQ(self->direction, 45);
  EXPECT_EQ(self->speed, 2);

  // Into the wall: the path ends where the walker stopped.
  EXPECT_EQ(eval("mp_linear_path(" + std::to_string(straight) + ", 100, 0, 15, false)", self).real,
            0);
  std::vector<std::string> blocked = {"0.00 0.00 100", "15.00 0.00 100", "30.00 0.00 100"};
  EXPECT_EQ(points_of(straight), blocked);

  // Round the wall with the potential field; within the factor it reaches the goal.
  EXPECT_EQ(
      eval("mp_potential_path(" + std::to_string(field) + ", 100, 0, 5, 4, false)", self).real, 1);
  const CPath& round = path(field);
  ASSERT_GT(round.points.size(), 20u);
  EXPECT_EQ(points_of(field).front(), "0.00 0.00 100");
  EXPECT_EQ(points_of(field).back(), "100.00 0.00 100");
  EXPECT_GT(round.length(), 100);
  EXPECT_LE(round.length(), 4 * 100 + 5);
  // Too short a factor: it gives up once the path is longer than factor × distance.
  EXPECT_EQ(
      eval("mp_potential_path(" + std::to_string(field) + ", 100, 0, 5, 1, false)", self).real, 0);
  EXPECT_GT(path(field).length(), 100);
  EXPECT_LE(path(field).length(), 100 + 5);
  EXPECT_EQ(self->x, 0);
  EXPECT_EQ(self->direction, 45);

  // Nothing is written for a step of 0 or a factor below 1; a missing path is reported.
  std::vector<std::string> before = points_of(field);
  EXPECT_EQ(
      eval("mp_potential_path(" + std::to_string(field) + ", 100, 0, 5, 0.5, false)", self).real,
      0);
  EXPECT_EQ(eval("mp_linear_path(" + std::to_string(field) + ", 100, 0, 0, false)", self).real, 0);
  EXPECT_EQ(points_of(field), before);
  EXPECT_TRUE(display_.shown.empty());
  EXPECT_EQ(eval("mp_linear_path(99, 100, 0, 5, false)", self).real, 0);
  EXPECT_EQ(eval("mp_potential_path_object(-1, 100, 0, 5, 2, wall)", self).real, 0);
  ASSERT_EQ(display_.shown.size(), 2u);
  EXPECT_NE(display_.shown[0].find("Trying to assign to a non-existing path."), std::string::npos);
}

TEST_F(MotionPlanning, AWalkerBoxedInGivesUpItsPotentialPath) {
  RObjects o = walker_and_wall(60, 60);
  int walker = add_object("inside", -1, add_sprite(1));
  add_room("boxed");
  game_.room_order = {1};
  int id = place(1, walker, 20, 20);
  place(1, o.wall, 0, 0);
  int plan = add_path();
  ASSERT_TRUE(start());
  CInstance* self = instance(id);
  // Inside the wall nothing is free; whether it turns on the spot or not, the planner
  // gives up instead of adding points for ever.
  EXPECT_EQ(
      eval("mp_potential_path(" + std::to_string(plan) + ", 500, 20, 4, 2, false)", self).real, 0);
  exec("mp_potential_settings(7, 10, 3, false);", self);
  EXPECT_EQ(
      eval("mp_potential_path(" + std::to_string(plan) + ", 500, 20, 4, 2, false)", self).real, 0);
  EXPECT_LT(path(plan).points.size(), 200u);
}

TEST_F(MotionPlanning, GridFunctionsIgnoreBadIdsAndCellsOutside) {
  add_object("o");
  add_room("rm");
  int plan = add_path();
  ASSERT_TRUE(start());
  EXPECT_EQ(eval("mp_grid_create(0, 0, 4, 4, 10, 10)").real, 0);
  EXPECT_EQ(eval("mp_grid_create(0, 0, 4, 4, 10, 10)").real, 1);
  exec("mp_grid_destroy(0); mp_grid_destroy(7); mp_grid_destroy(-1);");
  EXPECT_EQ(grid_at(0), nullptr);
  EXPECT_EQ(eval("mp_grid_create(5, 5, 2, 3, 10, 10)").real, 0) << "the first empty slot";
  EXPECT_EQ(grid_at(0)->vertical_cells(), 3);

  exec(
      "mp_grid_add_cell(0, 1, 2); mp_grid_add_cell(0, 1, 3); mp_grid_add_cell(0, 2, 0);"
      "mp_grid_add_cell(0, -1, 0); mp_grid_add_cell(9, 0, 0);");
  EXPECT_EQ(grid_at(0)->cell(1, 2), kCellForbidden);
  int forbidden = 0;
  for (int h = 0; h < 2; ++h) {
    for (int v = 0; v < 3; ++v) forbidden += grid_at(0)->cell(h, v) == kCellForbidden;
  }
  EXPECT_EQ(forbidden, 1);
  exec("mp_grid_clear_cell(0, 1, 3); mp_grid_clear_cell(0, 1, 2.4);");
  EXPECT_EQ(grid_at(0)->cell(1, 2), kCellFree);
  exec("mp_grid_add_rectangle(0, 0, 0, 100, 100); mp_grid_clear_rectangle(0, 15, 15, 15, 15);");
  EXPECT_EQ(grid_at(0)->cell(1, 1), kCellFree);
  EXPECT_EQ(grid_at(0)->cell(0, 0), kCellForbidden);
  exec("mp_grid_clear_all(0); mp_grid_clear_all(5);");
  // Coordinates beyond any grid, however far, find no cell.
  exec(
      "far = power(10, 300); mp_grid_add_rectangle(0, -far, -far, -power(10, 30), far);"
      "mp_grid_add_rectangle(0, far, 0, far, 0);"
      "global.r = mp_grid_path(0, " +
      std::to_string(plan) + ", -far, 7, far, 14, true);");
  EXPECT_EQ(eval("global.r").real, 0);
  EXPECT_EQ(grid_at(0)->cell(0, 0), kCellFree);

  // The same cell: the start and the goal alone.
  std::string call = "mp_grid_path(0, " + std::to_string(plan) + ", 6, 7, 13.6, 14, true)";
  EXPECT_EQ(eval(call).real, 1);
  std::vector<std::string> two = {"6.00 7.00 100", "14.00 14.00 100"};
  EXPECT_EQ(points_of(plan), two);
  EXPECT_EQ(eval("mp_grid_path(0, " + std::to_string(plan) + ", 6, 7, 24, 34, false)").real, 1);
  // Down the first column (left and up are preferred on the way back), then right.
  std::vector<std::string> across = {"6.00 7.00 100", "10.00 20.00 100", "10.00 30.00 100",
                                     "24.00 34.00 100"};
  EXPECT_EQ(points_of(plan), across);
  EXPECT_EQ(eval("mp_grid_path(3, " + std::to_string(plan) + ", 6, 7, 20, 20, false)").real, 0);
  EXPECT_EQ(eval("mp_grid_path(0, " + std::to_string(plan) + ", 6, 7, 26, 20, false)").real, 0);
  EXPECT_EQ(points_of(plan), across) << "outside the grid: the path stays";
  EXPECT_TRUE(display_.shown.empty());
  EXPECT_EQ(eval("mp_grid_path(0, 42, 6, 7, 20, 20, false)").real, 0);
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Trying to assign to a non-existing path."), std::string::npos);

  // A grid too large to hold is refused with a message, never attempted.
  EXPECT_EQ(eval("mp_grid_create(0, 0, 100000, 100000, 1, 1)").real, -1);
  EXPECT_EQ(display_.shown.size(), 2u);
  EXPECT_EQ(eval("mp_grid_create(0, 0, -3, 4, 1, 1)").real, 2);
  EXPECT_EQ(grid_at(2)->horizontal_cells(), 0);
  exec("mp_grid_add_rectangle(2, 0, 0, 10, 10); mp_grid_draw(2); mp_grid_draw(0);");
}

TEST_F(MotionPlanning, InstancesForbidTheCellsUnderThemPreciselyOrNot) {
  // A 16 × 16 disk at (0, 0), its box 0 ... 15, on a grid of 2 × 2 cells.
  int disk = add_sprite(1, 16, 16);
  TMask& mask = game_.sprites.items[size_t(disk)]->masks[0];
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      double dx = x + 0.5 - 8, dy = y + 0.5 - 8;
      mask.cells[size_t(y * 16 + x)] = dx * dx + dy * dy <= 64 ? 1 : 0;
    }
  }
  int ball = add_object("ball", -1, disk);
  int other = add_object("other", -1, add_sprite(1, 2, 2));
  add_room("rm");
  int b = place(0, ball, 0, 0);
  place(0, other, 20, 20);
  ASSERT_TRUE(start());
  exec(
      "global.g = mp_grid_create(0, 0, 12, 12, 2, 2);"
      "global.h = mp_grid_create(0, 0, 12, 12, 2, 2);"
      "mp_grid_add_instances(global.g, ball, false);"
      "mp_grid_add_instances(global.h, ball, true);");
  auto count = [](const CGrid& grid) {
    int forbidden = 0;
    for (int h = 0; h < 12; ++h) {
      for (int v = 0; v < 12; ++v) forbidden += grid.cell(h, v) == kCellForbidden;
    }
    return forbidden;
  };
  EXPECT_EQ(count(*grid_at(0)), 64) << "the box covers 8 × 8 cells";
  const CGrid& precise = *grid_at(1);
  EXPECT_EQ(precise.cell(0, 0), kCellFree) << "the disk misses its box's corner";
  EXPECT_EQ(precise.cell(7, 7), kCellFree);
  EXPECT_EQ(precise.cell(3, 0), kCellForbidden);
  EXPECT_EQ(precise.cell(4, 4), kCellForbidden);
  EXPECT_LT(count(precise), 64);
  EXPECT_GT(count(precise), 40);

  // All instances, and self, and an id; destroyed ones do not count.
  exec("mp_grid_clear_all(global.g); mp_grid_add_instances(global.g, all, false);");
  EXPECT_EQ(count(*grid_at(0)), 65);
  exec("mp_grid_clear_all(global.g); mp_grid_add_instances(global.g, self, false);", instance(b));
  EXPECT_EQ(count(*grid_at(0)), 64);
  exec("mp_grid_clear_all(global.g); mp_grid_add_instances(global.g, " + std::to_string(b + 1) +
       ", false);");
  EXPECT_EQ(count(*grid_at(0)), 1);
  exec(
      "with (ball) instance_destroy(); mp_grid_clear_all(global.g);"
      "mp_grid_add_instances(global.g, all, true);");
  EXPECT_EQ(count(*grid_at(0)), 1);
}

class GridDrawing : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    reset_motion_planning();
    open_device(40, 30);
    install();
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, 40, 30);
    device.set_projection(0, 30, 40, 0, 0);
    device.clear(0xFF000000u);
  }
  void TearDown() override {
    reset_motion_planning();
    set_draw_color(0);
    DeviceWorldTest::TearDown();
    close_device();
  }
};

TEST_F(GridDrawing, CellsAreRedWhenForbiddenAndGreenOtherwise) {
  set_draw_color(0xFFFFFF);
  set_draw_alpha(1);
  exec("g = mp_grid_create(4, 4, 3, 2, 8, 6); mp_grid_add_cell(g, 1, 0); mp_grid_draw(g);");
  TBitmap32 frame = back_buffer();
  constexpr uint32_t kGreen = 0x008000, kRed = 0xFF0000, kBlack = 0;
  EXPECT_PIXEL(frame, 4, 4, kGreen);
  EXPECT_PIXEL(frame, 11, 9, kGreen);
  EXPECT_PIXEL(frame, 12, 4, kRed);
  EXPECT_PIXEL(frame, 19, 9, kRed);
  EXPECT_PIXEL(frame, 12, 10, kGreen);
  EXPECT_PIXEL(frame, 27, 15, kGreen);
  EXPECT_PIXEL(frame, 28, 15, kBlack);
  EXPECT_PIXEL(frame, 27, 16, kBlack);
  EXPECT_PIXEL(frame, 3, 3, kBlack);
  EXPECT_EQ(draw_color(), 0xFFFFFF) << "the drawing colour is left alone";
}

}  // namespace
}  // namespace vn::test
