#include "world/Motion_Main.h"

#include <cmath>
#include <numbers>

#include "world/Instance_Class.h"
#include "world/Object_Main.h"
#include "world/Path_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

void apply_friction(CInstance& instance) {
  if (instance.friction == 0) return;
  double s = instance.speed;
  double next = s > 0 ? s - instance.friction : s + instance.friction;
  // Friction stops a mover; it never turns it round.
  if ((s > 0 && next < 0) || (s < 0 && next > 0)) {
    instance.set_speed(0);
  } else if (s != 0) {
    instance.set_speed(next);
  }
}

void apply_gravity(CInstance& instance) {
  if (instance.gravity == 0) return;
  double angle = instance.gravity_direction * kRadiansPerDegree;
  instance.hspeed += std::cos(angle) * instance.gravity;
  instance.vspeed -= std::sin(angle) * instance.gravity;
  instance.speeds_from_components();
}

// The end action; the origin moves for "continue" by the turned, scaled end offset.
void end_reached(CInstance& instance, const CPath& path) {
  double& position = instance.path_position;
  switch (instance.path_endaction) {
    case 1:
      position += position >= 0 ? -1.0 : 1.0;
      break;
    case 2: {
      RPathPlace end = place_on_path(path, 1, instance.path_orientation, instance.path_scale, 0, 0);
      double sign = position >= 0 ? 1.0 : -1.0;
      instance.path_xstart += sign * end.x;
      instance.path_ystart += sign * end.y;
      position -= sign;
      break;
    }
    case 3:
      if (position >= 0) {
        position = 2 - position;
        instance.path_speed = -std::abs(instance.path_speed);
      } else {
        position = -position;
        instance.path_speed = std::abs(instance.path_speed);
      }
      break;
    default:
      position = 1;
      instance.path_index = -1;
      break;
  }
}

}  // namespace

const CPath* followed_path(const CInstance& instance) {
  const TResourceList<CPath>* paths = world_resources().paths;
  const CPath* path = paths ? paths->get(instance.path_index) : nullptr;
  return path && path->length() > 0 ? path : nullptr;
}

void start_path(CInstance& instance, int32_t path_index, double speed, int32_t end_action,
                bool absolute, double scale, double orientation) {
  instance.path_index = path_index;
  const CPath* path = followed_path(instance);
  if (!path || scale < 0) {
    instance.path_index = -1;
    return;
  }
  instance.path_speed = speed;
  double start = speed < 0 ? 1.0 : 0.0;
  instance.path_position = start;
  instance.path_positionprevious = start;
  instance.path_scale = scale;
  instance.path_orientation = orientation;
  instance.path_endaction = end_action;
  double origin_x = instance.x;
  double origin_y = instance.y;
  if (absolute) {
    // The origin is chosen so that the place at the start is the curve's own point, also
    // when a negative speed starts at the far end.
    RPathPlace at = place_on_path(*path, start, orientation, scale, 0, 0);
    RPathPoint point = path->point_at(start);
    instance.set_position(point.x, point.y);
    origin_x = point.x - at.x;
    origin_y = point.y - at.y;
  }
  instance.path_xstart = origin_x;
  instance.path_ystart = origin_y;
}

bool advance_path(CInstance& instance) {
  const CPath* path = followed_path(instance);
  if (!path || instance.path_speed == 0) return false;
  double factor = path->point_at(instance.path_position).speed;
  instance.path_position +=
      instance.path_speed * (factor / (instance.path_scale * 100)) / path->length();
  bool ended = instance.path_position >= 1 || instance.path_position <= 0;
  if (ended) end_reached(instance, *path);
  RPathPlace place = place_on_path(*path, instance.path_position, instance.path_orientation,
                                   instance.path_scale, instance.path_xstart, instance.path_ystart);
  instance.hspeed = place.x - instance.x;
  instance.vspeed = place.y - instance.y;
  instance.speeds_from_components();
  instance.set_speed(0);
  instance.set_position(place.x, place.y);
  return ended;
}

void move_instance(CInstance& instance) {
  apply_friction(instance);
  apply_gravity(instance);
  if (advance_path(instance) && !instance.destroyed) {
    perform_event_self(&instance, &instance, kEventOther, kOtherEndOfPath);
  }
  if (instance.destroyed) return;
  instance.set_position(instance.x + instance.hspeed, instance.y + instance.vspeed);
}

void move_instances() {
  CLiveRoom* room = current_room();
  if (!room) return;
  size_t count = room->instances().size();
  for (size_t i = 0; i < count && i < room->instances().size(); ++i) {
    CInstance& instance = *room->instances()[i];
    if (!instance.destroyed) move_instance(instance);
  }
}

}  // namespace vn
