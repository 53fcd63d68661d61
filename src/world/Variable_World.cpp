#include "world/Variable_World.h"

#include "graphics/Sprite_Class.h"
#include "script/Code_Value.h"
#include "script/Variable_Main.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

// Setters follow the shared conversions: integers round half to even, booleans are true
// from a rounded 1, and no setter checks the kind of the value it receives. An instance
// that is only the language's own (no world behind it) reads 0 and ignores writes.
int32_t as_integer(const RValue& value) { return round_to_int32(value.real); }
bool as_boolean(const RValue& value) { return round_to_int64(value.real) >= 1; }

template <double CInstance::*Field>
bool get_real(CInstanceBase* base, int32_t, RValue& out) {
  CInstance* instance = as_instance(base);
  out = RValue(instance ? instance->*Field : 0.0);
  return true;
}
template <double CInstance::*Field>
bool set_real(CInstanceBase* base, int32_t, const RValue& value) {
  if (CInstance* instance = as_instance(base)) instance->*Field = value.real;
  return true;
}
template <void (CInstance::*Setter)(double)>
bool set_real_through(CInstanceBase* base, int32_t, const RValue& value) {
  if (CInstance* instance = as_instance(base)) (instance->*Setter)(value.real);
  return true;
}

template <int32_t CInstance::*Field>
bool get_integer(CInstanceBase* base, int32_t, RValue& out) {
  CInstance* instance = as_instance(base);
  out = RValue(instance ? double(instance->*Field) : 0.0);
  return true;
}
template <int32_t CInstance::*Field>
bool set_integer(CInstanceBase* base, int32_t, const RValue& value) {
  if (CInstance* instance = as_instance(base)) instance->*Field = as_integer(value);
  return true;
}
template <void (CInstance::*Setter)(int32_t)>
bool set_integer_through(CInstanceBase* base, int32_t, const RValue& value) {
  if (CInstance* instance = as_instance(base)) (instance->*Setter)(as_integer(value));
  return true;
}

template <bool CInstance::*Field>
bool get_boolean(CInstanceBase* base, int32_t, RValue& out) {
  CInstance* instance = as_instance(base);
  out = RValue(instance && instance->*Field ? 1.0 : 0.0);
  return true;
}
template <bool CInstance::*Field>
bool set_boolean(CInstanceBase* base, int32_t, const RValue& value) {
  if (CInstance* instance = as_instance(base)) instance->*Field = as_boolean(value);
  return true;
}

int alarm_index(int32_t index) { return index >= 0 && index < kAlarmCount ? index : 0; }

// Sizes of the instance's sprite: frame 0 (1 by 1 without frames) and its origin, scaled
// by the instance; 0 without a sprite.
enum SpriteMeasure { kSpriteWidth, kSpriteHeight, kSpriteXOffset, kSpriteYOffset };

template <SpriteMeasure Measure>
bool get_sprite_measure(CInstanceBase* base, int32_t, RValue& out) {
  CInstance* instance = as_instance(base);
  const CSprite* sprite = instance ? sprite_at(instance->sprite_index) : nullptr;
  if (!sprite) {
    out = RValue(0.0);
    return true;
  }
  double value = 0;
  switch (Measure) {
    case kSpriteWidth:
      value = sprite->width() * instance->image_xscale;
      break;
    case kSpriteHeight:
      value = sprite->height() * instance->image_yscale;
      break;
    case kSpriteXOffset:
      value = sprite->xorigin * instance->image_xscale;
      break;
    case kSpriteYOffset:
      value = sprite->yorigin * instance->image_yscale;
      break;
  }
  out = RValue(value);
  return true;
}

void register_room_instance_variables() {
  register_variable(
      "instance_count",
      [](CInstanceBase*, int32_t, RValue& out) {
        CLiveRoom* room = current_room();
        out = RValue(room ? double(room->instances().size()) : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "instance_id",
      [](CInstanceBase*, int32_t index, RValue& out) {
        CLiveRoom* room = current_room();
        bool inside = room && index >= 0 && size_t(index) < room->instances().size();
        out = RValue(inside ? double(room->instances()[size_t(index)]->id) : -4.0);
        return true;
      },
      nullptr);
}

void register_position_and_motion() {
  register_variable("x", get_real<&CInstance::x>, set_real_through<&CInstance::set_x>);
  register_variable("y", get_real<&CInstance::y>, set_real_through<&CInstance::set_y>);
  register_variable("xprevious", get_real<&CInstance::xprevious>, set_real<&CInstance::xprevious>);
  register_variable("yprevious", get_real<&CInstance::yprevious>, set_real<&CInstance::yprevious>);
  register_variable("xstart", get_real<&CInstance::xstart>, set_real<&CInstance::xstart>);
  register_variable("ystart", get_real<&CInstance::ystart>, set_real<&CInstance::ystart>);
  register_variable("hspeed", get_real<&CInstance::hspeed>,
                    set_real_through<&CInstance::set_hspeed>);
  register_variable("vspeed", get_real<&CInstance::vspeed>,
                    set_real_through<&CInstance::set_vspeed>);
  register_variable("direction", get_real<&CInstance::direction>,
                    set_real_through<&CInstance::set_direction>);
  register_variable("speed", get_real<&CInstance::speed>, set_real_through<&CInstance::set_speed>);
  register_variable("friction", get_real<&CInstance::friction>, set_real<&CInstance::friction>);
  register_variable("gravity", get_real<&CInstance::gravity>, set_real<&CInstance::gravity>);
  register_variable("gravity_direction", get_real<&CInstance::gravity_direction>,
                    set_real<&CInstance::gravity_direction>);
}

void register_identity_and_state() {
  register_variable(
      "object_index",
      [](CInstanceBase* base, int32_t, RValue& out) {
        out = RValue(base ? double(base->object_index) : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "id",
      [](CInstanceBase* base, int32_t, RValue& out) {
        out = RValue(base ? double(base->id) : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "alarm",
      [](CInstanceBase* base, int32_t index, RValue& out) {
        CInstance* instance = as_instance(base);
        out = RValue(instance ? double(instance->alarm[size_t(alarm_index(index))]) : 0.0);
        return true;
      },
      [](CInstanceBase* base, int32_t index, const RValue& value) {
        if (CInstance* instance = as_instance(base)) {
          instance->alarm[size_t(alarm_index(index))] = as_integer(value);
        }
        return true;
      });
  register_variable("solid", get_boolean<&CInstance::solid>, set_boolean<&CInstance::solid>);
  register_variable("visible", get_boolean<&CInstance::visible>, set_boolean<&CInstance::visible>);
  register_variable("persistent", get_boolean<&CInstance::persistent>,
                    set_boolean<&CInstance::persistent>);
  register_variable("depth", get_real<&CInstance::depth>, set_real<&CInstance::depth>);
  register_variable("bbox_left", get_integer<&CInstance::bbox_left>, nullptr);
  register_variable("bbox_right", get_integer<&CInstance::bbox_right>, nullptr);
  register_variable("bbox_top", get_integer<&CInstance::bbox_top>, nullptr);
  register_variable("bbox_bottom", get_integer<&CInstance::bbox_bottom>, nullptr);
}

void register_appearance() {
  register_variable("sprite_index", get_integer<&CInstance::sprite_index>,
                    set_integer_through<&CInstance::set_sprite>);
  register_variable("image_index", get_real<&CInstance::image_index>,
                    set_real<&CInstance::image_index>);
  register_variable(
      "image_single",
      [](CInstanceBase* base, int32_t, RValue& out) {
        CInstance* instance = as_instance(base);
        double value = 0;
        if (instance) value = instance->image_speed != 0 ? -1.0 : instance->image_index;
        out = RValue(value);
        return true;
      },
      [](CInstanceBase* base, int32_t, const RValue& value) {
        CInstance* instance = as_instance(base);
        if (!instance) return true;
        if (value.real >= 0) {
          instance->image_index = value.real;
          instance->image_speed = 0;
        } else {
          instance->image_speed = 1;
        }
        return true;
      });
  register_variable(
      "image_number",
      [](CInstanceBase* base, int32_t, RValue& out) {
        CInstance* instance = as_instance(base);
        const CSprite* sprite = instance ? sprite_at(instance->sprite_index) : nullptr;
        out = RValue(sprite ? double(sprite->frames.size()) : 0.0);
        return true;
      },
      nullptr);
  register_variable("sprite_width", get_sprite_measure<kSpriteWidth>, nullptr);
  register_variable("sprite_height", get_sprite_measure<kSpriteHeight>, nullptr);
  register_variable("sprite_xoffset", get_sprite_measure<kSpriteXOffset>, nullptr);
  register_variable("sprite_yoffset", get_sprite_measure<kSpriteYOffset>, nullptr);
  register_variable("image_xscale", get_real<&CInstance::image_xscale>,
                    set_real_through<&CInstance::set_xscale>);
  register_variable("image_yscale", get_real<&CInstance::image_yscale>,
                    set_real_through<&CInstance::set_yscale>);
  register_variable("image_angle", get_real<&CInstance::image_angle>,
                    set_real_through<&CInstance::set_angle>);
  register_variable("image_alpha", get_real<&CInstance::image_alpha>,
                    set_real<&CInstance::image_alpha>);
  register_variable("image_blend", get_integer<&CInstance::image_blend>,
                    set_integer<&CInstance::image_blend>);
  register_variable("image_speed", get_real<&CInstance::image_speed>,
                    set_real<&CInstance::image_speed>);
  register_variable("mask_index", get_integer<&CInstance::mask_index>,
                    set_integer_through<&CInstance::set_mask>);
}

void register_path_and_time_line() {
  register_variable("path_index", get_integer<&CInstance::path_index>, nullptr);
  register_variable("path_position", get_real<&CInstance::path_position>,
                    set_real_through<&CInstance::set_path_position>);
  register_variable("path_positionprevious", get_real<&CInstance::path_positionprevious>,
                    set_real_through<&CInstance::set_path_position_previous>);
  register_variable("path_speed", get_real<&CInstance::path_speed>,
                    set_real<&CInstance::path_speed>);
  register_variable("path_scale", get_real<&CInstance::path_scale>,
                    set_real<&CInstance::path_scale>);
  register_variable("path_orientation", get_real<&CInstance::path_orientation>,
                    set_real<&CInstance::path_orientation>);
  register_variable("path_endaction", get_integer<&CInstance::path_endaction>,
                    set_integer<&CInstance::path_endaction>);
  register_variable("timeline_index", get_integer<&CInstance::timeline_index>,
                    set_integer<&CInstance::timeline_index>);
  register_variable("timeline_position", get_real<&CInstance::timeline_position>,
                    set_real<&CInstance::timeline_position>);
  register_variable("timeline_speed", get_real<&CInstance::timeline_speed>,
                    set_real<&CInstance::timeline_speed>);
  register_variable("timeline_running", get_boolean<&CInstance::timeline_running>,
                    set_boolean<&CInstance::timeline_running>);
  register_variable("timeline_loop", get_boolean<&CInstance::timeline_loop>,
                    set_boolean<&CInstance::timeline_loop>);
}

}  // namespace

void register_world_variables() {
  register_room_instance_variables();
  register_position_and_motion();
  register_identity_and_state();
  register_appearance();
  register_path_and_time_line();
}

}  // namespace vn
