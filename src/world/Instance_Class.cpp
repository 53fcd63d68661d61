#include "world/Instance_Class.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/Sprite_Class.h"
#include "graphics/Sprite_Collision.h"
#include "script/Code_Value.h"
#include "world/Object_Class.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

constexpr double kSnapDistance = 0.0001;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

double reduce_direction(double value) { return value - std::floor(value / 360.0) * 360.0; }

size_t image_count(int32_t sprite) {
  const CSprite* found = sprite_at(sprite);
  return found ? found->frames.size() : 0;
}

}  // namespace

double snap_to_integer(double value) {
  double nearest = std::round(value);
  return std::fabs(value - nearest) < kSnapDistance ? nearest : value;
}

CInstance::CInstance(int32_t instance_id, int32_t object_index_value, double start_x,
                     double start_y)
    : CInstanceBase(instance_id, object_index_value),
      x(start_x),
      y(start_y),
      xstart(start_x),
      ystart(start_y),
      xprevious(start_x),
      yprevious(start_y) {
  alarm.fill(-1);
  set_object(object_index_value);
}

void CInstance::copy_from(const CInstance& other) {
  if (&other == this) return;
  variables.assign(other.variables);
  id = other.id;
  object_index = other.object_index;
  destroyed = other.destroyed;
  sprite_index = other.sprite_index;
  image_index = other.image_index;
  image_speed = other.image_speed;
  image_xscale = other.image_xscale;
  image_yscale = other.image_yscale;
  image_angle = other.image_angle;
  image_alpha = other.image_alpha;
  image_blend = other.image_blend;
  mask_index = other.mask_index;
  depth = other.depth;
  x = other.x;
  y = other.y;
  xstart = other.xstart;
  ystart = other.ystart;
  xprevious = other.xprevious;
  yprevious = other.yprevious;
  direction = other.direction;
  speed = other.speed;
  friction = other.friction;
  gravity_direction = other.gravity_direction;
  gravity = other.gravity;
  hspeed = other.hspeed;
  vspeed = other.vspeed;
  ++box_changes_;
  bbox_left = other.bbox_left;
  bbox_top = other.bbox_top;
  bbox_right = other.bbox_right;
  bbox_bottom = other.bbox_bottom;
  visible = other.visible;
  solid = other.solid;
  persistent = other.persistent;
  object = other.object;
  alarm = other.alarm;
  deactivated = other.deactivated;
  path_index = other.path_index;
  path_position = other.path_position;
  path_positionprevious = other.path_positionprevious;
  path_speed = other.path_speed;
  path_scale = other.path_scale;
  path_orientation = other.path_orientation;
  path_endaction = other.path_endaction;
  path_xstart = other.path_xstart;
  path_ystart = other.path_ystart;
  timeline_index = other.timeline_index;
  timeline_position = other.timeline_position;
  timeline_speed = other.timeline_speed;
  timeline_running = other.timeline_running;
  timeline_loop = other.timeline_loop;
  creation_code = other.creation_code;
}

void CInstance::set_position(double new_x, double new_y) {
  if (new_x == x && new_y == y) return;
  x = new_x;
  y = new_y;
  update_bounding_box();
}

void CInstance::set_direction(double value) {
  if (value == direction) return;
  direction = reduce_direction(value);
  components_from_speed();
}

void CInstance::set_speed(double value) {
  if (value == speed) return;
  speed = value;
  components_from_speed();
}

void CInstance::set_hspeed(double value) {
  if (value == hspeed) return;
  hspeed = value;
  speeds_from_components();
}

void CInstance::set_vspeed(double value) {
  if (value == vspeed) return;
  vspeed = value;
  speeds_from_components();
}

void CInstance::set_sprite(int32_t sprite) {
  sprite_index = sprite;
  if (std::trunc(image_index) >= double(image_count(sprite))) image_index = 0;
  update_bounding_box();
}

void CInstance::set_mask(int32_t mask) {
  mask_index = mask;
  update_bounding_box();
}

void CInstance::set_xscale(double value) {
  if (value == image_xscale) return;
  image_xscale = value;
  update_bounding_box();
}

void CInstance::set_yscale(double value) {
  if (value == image_yscale) return;
  image_yscale = value;
  update_bounding_box();
}

void CInstance::set_angle(double value) {
  if (value == image_angle) return;
  image_angle = value;
  update_bounding_box();
}

void CInstance::set_path_position(double value) { path_position = std::clamp(value, 0.0, 1.0); }

void CInstance::set_path_position_previous(double value) {
  path_positionprevious = std::clamp(value, 0.0, 1.0);
}

void CInstance::set_object(int32_t new_object) {
  object_index = new_object;
  object = object_at(new_object);
  if (object) {
    sprite_index = object->sprite_index;
    if (std::trunc(image_index) >= double(image_count(sprite_index))) image_index = 0;
    mask_index = object->mask_index;
    depth = object->depth;
    solid = object->solid;
    visible = object->visible;
    persistent = object->persistent;
  }
  update_bounding_box();
}

void CInstance::update_bounding_box() {
  ++box_changes_;
  const CSprite* sprite = sprite_at(mask_sprite());
  if (!sprite) {
    bbox_left = bbox_top = bbox_right = bbox_bottom = kNoBox;
    return;
  }
  RPixelBox box = placed_box(*sprite, x, y, image_xscale, image_yscale, image_angle);
  bbox_left = box.left;
  bbox_top = box.top;
  bbox_right = box.right;
  bbox_bottom = box.bottom;
}

// Directions count counter-clockwise with y growing downwards, so an upward vspeed
// (negative) is a positive angle.
void CInstance::speeds_from_components() {
  if (hspeed != 0) {
    double a = std::atan2(vspeed, hspeed) / kRadiansPerDegree;
    direction = a > 0 ? 360 - a : -a;
  } else if (vspeed > 0) {
    direction = 270;
  } else if (vspeed < 0) {
    direction = 90;
  } else {
    direction = 0;
  }
  direction = reduce_direction(snap_to_integer(direction));
  speed = snap_to_integer(std::sqrt(hspeed * hspeed + vspeed * vspeed));
}

void CInstance::components_from_speed() {
  double radians = direction * kRadiansPerDegree;
  hspeed = snap_to_integer(std::cos(radians) * speed);
  vspeed = snap_to_integer(-std::sin(radians) * speed);
}

}  // namespace vn
