// Moving an instance towards a goal around obstacles: the straight stepper, the
// potential-field stepper that turns away from what blocks it, and the paths both of them
// trace when run ahead of time.
#pragma once

#include <cstdint>

namespace vn {

class CInstance;
class CInstanceBase;
class CPath;

// Game-wide; mp_potential_settings changes them.
struct RPotentialSettings {
  double max_rotation = 30;    // degrees per step
  double rotation_step = 10;   // degrees between the directions tried
  double ahead = 3;            // how many steps ahead must be free too
  bool rotate_on_spot = true;  // turn when no direction is free
};
const RPotentialSettings& potential_settings();
// The first three are raised to 1 when below 1.
void set_potential_settings(double max_rotation, double rotation_step, double ahead,
                            bool rotate_on_spot);
void reset_potential_settings();

// What the planners keep clear of: with object -3 the solid instances (every instance
// when check_all), with any other object argument the instances it matches.
struct RObstacles {
  int32_t object = -3;
  bool check_all = false;
  CInstanceBase* other = nullptr;  // for an object argument of -2
};
bool planner_place_free(CInstance& instance, const RObstacles& obstacles, double x, double y);

// One step towards the goal; true when the goal is reached (or would be, were it free).
bool linear_step(CInstance& instance, double goal_x, double goal_y, double step_size,
                 const RObstacles& obstacles);
bool potential_step(CInstance& instance, double goal_x, double goal_y, double step_size,
                    const RObstacles& obstacles);

// The steps taken ahead of time from where the instance stands, written into the path
// (straight and open) while the instance is put back as it was; true when they reach
// the goal.
bool linear_path(CInstance& instance, CPath& path, double goal_x, double goal_y, double step_size,
                 const RObstacles& obstacles);
bool potential_path(CInstance& instance, CPath& path, double goal_x, double goal_y,
                    double step_size, double factor, const RObstacles& obstacles);

}  // namespace vn
