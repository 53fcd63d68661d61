#include "world/Motion_Potential.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "world/Collision_Main.h"
#include "world/Function_Interaction.h"
#include "world/Instance_Class.h"
#include "world/Instance_Match.h"
#include "world/Path_Class.h"

namespace vn {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// A path planned with a tiny step towards a far goal would otherwise grow without bound.
constexpr size_t kMostPathPoints = 1000000;

RPotentialSettings& settings() {
  static RPotentialSettings value;
  return value;
}

// Degrees counter-clockwise on a screen whose y grows downwards, in [0, 360).
double direction_to(double x1, double y1, double x2, double y2) {
  double dx = x2 - x1, dy = y2 - y1;
  if (dx == 0) return dy > 0 ? 270.0 : dy == 0 ? 0.0 : 90.0;
  double angle = std::atan2(dy, dx) / kRadiansPerDegree;
  return angle > 0 ? 360.0 - angle : -angle;
}

// The smaller angle between two directions, 0 ... 180.
double turn_between(double a, double b) {
  double difference = std::fmod(std::abs(a - b), 360.0);
  return difference > 180 ? 360 - difference : difference;
}

void move_to(CInstance& instance, double x, double y) {
  instance.set_direction(direction_to(instance.x, instance.y, x, y));
  instance.set_position(x, y);
}

// What a planned path changes on the instance, put back afterwards.
class CSavedMotion {
 public:
  explicit CSavedMotion(CInstance& instance)
      : instance_(instance),
        x_(instance.x),
        y_(instance.y),
        direction_(instance.direction),
        speed_(instance.speed),
        hspeed_(instance.hspeed),
        vspeed_(instance.vspeed) {}
  ~CSavedMotion() {
    instance_.set_position(x_, y_);
    instance_.direction = direction_;
    instance_.speed = speed_;
    instance_.hspeed = hspeed_;
    instance_.vspeed = vspeed_;
  }
  CSavedMotion(const CSavedMotion&) = delete;
  CSavedMotion& operator=(const CSavedMotion&) = delete;

 private:
  CInstance& instance_;
  double x_, y_, direction_, speed_, hspeed_, vspeed_;
};

void start_open_path(CPath& path) {
  path.clear_points();
  path.set_kind(kPathStraight);
  path.set_closed(false);
}

}  // namespace

const RPotentialSettings& potential_settings() { return settings(); }

void set_potential_settings(double max_rotation, double rotation_step, double ahead,
                            bool rotate_on_spot) {
  RPotentialSettings& value = settings();
  value.max_rotation = std::max(max_rotation, 1.0);
  value.rotation_step = std::max(rotation_step, 1.0);
  value.ahead = std::max(ahead, 1.0);
  value.rotate_on_spot = rotate_on_spot;
}

void reset_potential_settings() { settings() = RPotentialSettings(); }

bool planner_place_free(CInstance& instance, const RObstacles& obstacles, double x, double y) {
  if (obstacles.object == kMatchAll) return place_is_free(instance, x, y, !obstacles.check_all);
  return instance_at_place(instance, obstacles.other, obstacles.object, x, y) == nullptr;
}

bool linear_step(CInstance& instance, double goal_x, double goal_y, double step_size,
                 const RObstacles& obstacles) {
  if (instance.x == goal_x && instance.y == goal_y) return true;
  double dx = goal_x - instance.x, dy = goal_y - instance.y;
  double distance = std::sqrt(dx * dx + dy * dy);
  double x = goal_x, y = goal_y;
  bool reached = distance <= step_size;
  if (!reached) {
    x = instance.x + dx * step_size / distance;
    y = instance.y + dy * step_size / distance;
  }
  if (planner_place_free(instance, obstacles, x, y)) move_to(instance, x, y);
  return reached;
}

bool potential_step(CInstance& instance, double goal_x, double goal_y, double step_size,
                    const RObstacles& obstacles) {
  if (instance.x == goal_x && instance.y == goal_y) return true;
  double dx = goal_x - instance.x, dy = goal_y - instance.y;
  if (std::sqrt(dx * dx + dy * dy) <= step_size) {
    if (planner_place_free(instance, obstacles, goal_x, goal_y)) move_to(instance, goal_x, goal_y);
    return true;
  }
  const RPotentialSettings& value = settings();
  double towards = direction_to(instance.x, instance.y, goal_x, goal_y);
  auto try_direction = [&](double direction) {
    if (turn_between(direction, instance.direction) > value.max_rotation) return false;
    double cos_d = std::cos(direction * kRadiansPerDegree);
    double sin_d = std::sin(direction * kRadiansPerDegree);
    double ahead = step_size * value.ahead;
    if (!planner_place_free(instance, obstacles, instance.x + cos_d * ahead,
                            instance.y - sin_d * ahead)) {
      return false;
    }
    double x = instance.x + cos_d * step_size, y = instance.y - sin_d * step_size;
    if (!planner_place_free(instance, obstacles, x, y)) return false;
    instance.set_direction(direction);
    instance.set_position(x, y);
    return true;
  };
  for (double turn = 0; turn < 180; turn += value.rotation_step) {
    if (try_direction(towards - turn)) return false;
    if (turn > 0 && try_direction(towards + turn)) return false;
  }
  if (value.rotate_on_spot) instance.set_direction(instance.direction + value.max_rotation);
  return false;
}

bool linear_path(CInstance& instance, CPath& path, double goal_x, double goal_y, double step_size,
                 const RObstacles& obstacles) {
  if (step_size <= 0) return false;
  CSavedMotion saved(instance);
  start_open_path(path);
  while (path.points.size() < kMostPathPoints) {
    double x = instance.x, y = instance.y;
    path.add_point(x, y, 100);
    if (linear_step(instance, goal_x, goal_y, step_size, obstacles)) {
      path.add_point(goal_x, goal_y, 100);
      return true;
    }
    if (instance.x == x && instance.y == y) return false;
  }
  return false;
}

bool potential_path(CInstance& instance, CPath& path, double goal_x, double goal_y,
                    double step_size, double factor, const RObstacles& obstacles) {
  if (factor < 1 || step_size <= 0) return false;
  double dx = goal_x - instance.x, dy = goal_y - instance.y;
  const double longest = factor * std::sqrt(dx * dx + dy * dy);
  CSavedMotion saved(instance);
  start_open_path(path);
  path.add_point(instance.x, instance.y, 100);
  // The path is straight and open, so its length grows by each new segment; kept here
  // instead of asking the path, which would build its curve again at every point.
  double length = 0;
  // An instance that cannot move keeps turning on the spot (or stays as it is); once it
  // has faced every way it will never move again.
  const int most_still_steps = 2 * int(std::ceil(360.0 / settings().max_rotation)) + 2;
  int still_steps = 0;
  while (path.points.size() < kMostPathPoints && still_steps <= most_still_steps) {
    double x = instance.x, y = instance.y;
    if (potential_step(instance, goal_x, goal_y, step_size, obstacles)) {
      path.add_point(goal_x, goal_y, 100);
      return true;
    }
    path.add_point(instance.x, instance.y, 100);
    double moved = std::hypot(instance.x - x, instance.y - y);
    still_steps = moved == 0 ? still_steps + 1 : 0;
    length += moved;
    if (length > longest) return false;
  }
  return false;
}

}  // namespace vn
