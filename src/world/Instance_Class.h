// An instance: one living copy of an object in the current room, with its position,
// motion, appearance, alarms, path and time-line state and its own variables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <typeinfo>

#include "script/Instance_Base.h"

namespace vn {

class CObject;

constexpr int kAlarmCount = 12;
constexpr int kNoBox = -100000;

class CInstance final : public CInstanceBase {
 public:
  // A new instance of the object (which may not exist) at the position, with the initial
  // values of every field and its bounding box.
  CInstance(int32_t instance_id, int32_t object, double x, double y);

  // Every field of the other instance (id, variables and creation code included).
  void copy_from(const CInstance& other);

  // --- Setters that keep the dependent fields consistent ---
  void set_position(double new_x, double new_y);
  void set_x(double value) { set_position(value, y); }
  void set_y(double value) { set_position(x, value); }
  void set_direction(double value);
  void set_speed(double value);
  void set_hspeed(double value);
  void set_vspeed(double value);
  void set_sprite(int32_t sprite);
  void set_mask(int32_t mask);
  void set_xscale(double value);
  void set_yscale(double value);
  void set_angle(double value);
  void set_path_position(double value);
  void set_path_position_previous(double value);
  // The object index; when the object exists its sprite, mask, depth, solid, visible and
  // persistent are taken over.
  void set_object(int32_t object);

  // Recomputes the bounding box from the mask sprite, origin, scales and angle.
  void update_bounding_box();
  // Grows whenever any instance's bounding box may have changed, so a search structure
  // over boxes can tell it is still good.
  static uint64_t box_changes() { return box_changes_; }
  // Direction and speed from hspeed and vspeed, and the other way round.
  void speeds_from_components();
  void components_from_speed();

  // The sprite whose mask collides: mask_index when 0 or more, else sprite_index.
  int32_t mask_sprite() const { return mask_index >= 0 ? mask_index : sprite_index; }

  int32_t sprite_index = -1;
  double image_index = 0;
  double image_speed = 1;
  double image_xscale = 1;
  double image_yscale = 1;
  double image_angle = 0;
  double image_alpha = 1;
  int32_t image_blend = 0xFFFFFF;
  int32_t mask_index = -1;
  double depth = 0;
  double x = 0;
  double y = 0;
  double xstart = 0;
  double ystart = 0;
  double xprevious = 0;
  double yprevious = 0;
  double direction = 0;
  double speed = 0;
  double friction = 0;
  double gravity_direction = 270;
  double gravity = 0;
  double hspeed = 0;
  double vspeed = 0;
  int32_t bbox_left = kNoBox;
  int32_t bbox_top = kNoBox;
  int32_t bbox_right = kNoBox;
  int32_t bbox_bottom = kNoBox;
  bool visible = true;
  bool solid = false;
  bool persistent = false;
  const CObject* object = nullptr;
  std::array<int32_t, kAlarmCount> alarm;
  int32_t path_index = -1;
  double path_position = 0;
  double path_positionprevious = 0;
  double path_speed = 0;
  double path_scale = 1;
  double path_orientation = 0;
  int32_t path_endaction = 0;
  double path_xstart = 0;
  double path_ystart = 0;
  int32_t timeline_index = -1;
  double timeline_position = 0;
  double timeline_speed = 1;
  bool timeline_running = false;
  bool timeline_loop = false;
  std::string creation_code;
 private:
  static inline uint64_t box_changes_ = 0;
};

// Snaps a value within 0.0001 of an integer to that integer.
double snap_to_integer(double value);

// The world instance behind what the language passes around, or null for an instance
// that is only the language's own (tools running bare script text).
inline CInstance* as_instance(CInstanceBase* instance) {
  return instance && typeid(*instance) == typeid(CInstance) ? static_cast<CInstance*>(instance)
                                                            : nullptr;
}

}  // namespace vn
