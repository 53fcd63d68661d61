#include "world/Function_Motion.h"

#include <cmath>
#include <iterator>
#include <numbers>

#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Function_Math.h"
#include "world/Collision_Main.h"
#include "world/Function_Interaction.h"
#include "world/Instance_Class.h"
#include "world/Instance_Match.h"
#include "world/Motion_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr int kMostContactSteps = 1000;
constexpr int kRandomPlaceTries = 100;
constexpr int kBounceTurns = 35;
constexpr double kFarAway = 1000000;
constexpr double kSnapTolerance = 0.001;

int contact_limit(double max_distance) {
  return max_distance > 0 ? int(std::min<double>(std::nearbyint(max_distance), 1e9))
                          : kMostContactSteps;
}

void move_to_contact(CInstance& instance, double direction, double max_distance, bool solid_only) {
  if (!place_is_free(instance, instance.x, instance.y, solid_only)) return;
  double dx = std::cos(direction * kRadiansPerDegree);
  double dy = -std::sin(direction * kRadiansPerDegree);
  int limit = contact_limit(max_distance);
  for (int step = 0; step < limit; ++step) {
    double x = instance.x + dx;
    double y = instance.y + dy;
    if (!place_is_free(instance, x, y, solid_only)) return;
    instance.set_position(x, y);
  }
}

void move_outside(CInstance& instance, double direction, double max_distance, bool solid_only) {
  double dx = std::cos(direction * kRadiansPerDegree);
  double dy = -std::sin(direction * kRadiansPerDegree);
  int limit = contact_limit(max_distance);
  for (int step = 0; step < limit && !place_is_free(instance, instance.x, instance.y, solid_only);
       ++step) {
    instance.set_position(instance.x + dx, instance.y + dy);
  }
}

// The first free angle from the middle one, turning by turn degrees; each blocked angle
// tried marks a change.
double first_free_angle(CInstance& instance, double middle, double turn, bool solid_only,
                        bool& changed) {
  double angle = middle;
  for (int tries = 0; tries < kBounceTurns; ++tries) {
    double a = angle * kRadiansPerDegree;
    double x = instance.x + std::cos(a) * instance.speed;
    double y = instance.y - std::sin(a) * instance.speed;
    if (place_is_free(instance, x, y, solid_only)) break;
    changed = true;
    angle += turn;
  }
  return angle;
}

void bounce(CInstance& instance, bool advanced, bool solid_only) {
  bool changed = false;
  if (!place_is_free(instance, instance.x, instance.y, solid_only)) {
    instance.set_position(instance.xprevious, instance.yprevious);
    changed = true;
  }
  if (advanced) {
    double middle = 10 * std::nearbyint(instance.direction / 10);
    double down = first_free_angle(instance, middle, -10, solid_only, changed);
    double up = first_free_angle(instance, middle, 10, solid_only, changed);
    if (changed) instance.set_direction(down + up + 180 - middle);
    return;
  }
  double x = instance.x, y = instance.y;
  bool h = place_is_free(instance, x + instance.hspeed, y, solid_only);
  bool v = place_is_free(instance, x, y + instance.vspeed, solid_only);
  bool d = place_is_free(instance, x + instance.hspeed, y + instance.vspeed, solid_only);
  if ((!h && !v) || (h && v && !d)) {
    instance.hspeed = -instance.hspeed;
    instance.vspeed = -instance.vspeed;
    instance.speeds_from_components();
  } else if (!h) {
    instance.set_hspeed(-instance.hspeed);
  } else if (!v) {
    instance.set_vspeed(-instance.vspeed);
  }
}

// An integer in [low, high), or low when the range is empty; a number is drawn either way.
double random_in(double low, double high) {
  double span = high - low;
  uint32_t n = span >= 1 ? uint32_t(std::min(span, 4294967295.0)) : 0;
  return low + double(random_below(n));
}

void move_random(CInstance& instance, double hsnap, double vsnap) {
  CLiveRoom* room = current_room();
  if (!room) return;
  bool boxed = sprite_at(instance.mask_sprite()) != nullptr;
  for (int tries = 0; tries < kRandomPlaceTries; ++tries) {
    double x, y;
    if (boxed) {
      x = random_in(std::nearbyint(instance.x - instance.bbox_left),
                    std::nearbyint(instance.x + room->width - instance.bbox_right));
      y = random_in(std::nearbyint(instance.y - instance.bbox_top),
                    std::nearbyint(instance.y + room->height - instance.bbox_bottom));
    } else {
      x = random_in(0, room->width);
      y = random_in(0, room->height);
    }
    if (hsnap > 0) x = std::floor(x / hsnap) * hsnap;
    if (vsnap > 0) y = std::floor(y / vsnap) * vsnap;
    if (place_is_free(instance, x, y, true)) {
      instance.set_position(x, y);
      return;
    }
  }
}

void move_wrap(CInstance& instance, bool horizontal, bool vertical, double margin) {
  CLiveRoom* room = current_room();
  if (!room) return;
  double x = instance.x, y = instance.y;
  if (horizontal) {
    if (x < -margin) {
      x += room->width + 2 * margin;
    } else if (x > room->width + margin) {
      x -= room->width + 2 * margin;
    }
  }
  if (vertical) {
    if (y < -margin) {
      y += room->height + 2 * margin;
    } else if (y > room->height + margin) {
      y -= room->height + 2 * margin;
    }
  }
  instance.set_position(x, y);
}

bool near_multiple(double value, double snap) {
  double rest = value - snap * std::nearbyint(value / snap);
  return std::abs(rest) < kSnapTolerance;
}

// The gap between the box and a value along one axis: 0 inside.
double gap(double value, double low, double high) {
  if (value > high) return value - high;
  if (value < low) return value - low;
  return 0;
}

double box_distance(const CInstance& a, const CInstance& b) {
  double dx = 0, dy = 0;
  if (b.bbox_left > a.bbox_right) {
    dx = b.bbox_left - a.bbox_right;
  } else if (a.bbox_left > b.bbox_right) {
    dx = a.bbox_left - b.bbox_right;
  }
  if (b.bbox_top > a.bbox_bottom) {
    dy = b.bbox_top - a.bbox_bottom;
  } else if (a.bbox_top > b.bbox_bottom) {
    dy = a.bbox_top - b.bbox_bottom;
  }
  return std::sqrt(dx * dx + dy * dy);
}

// The collision searches: the first match, not destroyed and not self when not_me is
// set, that the test accepts; its id or -4.
template <typename Test>
void search(Self self, Self other, const RValue& object, const RValue& not_me, Test test,
            RValue& result) {
  bool skip_self = not_me.truth();
  CInstance* found = first_match(self, other, integer(object), [&](const CInstance& instance) {
    return !(skip_self && &instance == self) && test(instance);
  });
  result = found ? double(found->id) : kNoInstance;
}

// A handler run on self when self is a world instance. The bodies are written in
// parentheses, as GCC takes a '>' inside a lambda body for the end of the argument list.
template <void (*Body)(CInstance&, Args, RValue&)>
void on_self(Self self, Self, int, Args a, RValue& r) {
  if (CInstance* instance = as_instance(self)) Body(*instance, a, r);
}

struct RMotionFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RMotionFunction kFunctions[] = {
    {"motion_set", on_self<([](CInstance& i, Args a, RValue&) {
       i.set_direction(number(a[0]));
       i.set_speed(number(a[1]));
     })>,
     2},
    {"motion_add", on_self<([](CInstance& i, Args a, RValue&) {
       double angle = number(a[0]) * kRadiansPerDegree;
       i.hspeed += std::cos(angle) * number(a[1]);
       i.vspeed -= std::sin(angle) * number(a[1]);
       i.speeds_from_components();
     })>,
     2},
    {"place_free", on_self<([](CInstance& i, Args a, RValue& r) {
       r = place_is_free(i, number(a[0]), number(a[1]), true) ? 1.0 : 0.0;
     })>,
     2},
    {"place_empty", on_self<([](CInstance& i, Args a, RValue& r) {
       r = place_is_free(i, number(a[0]), number(a[1]), false) ? 1.0 : 0.0;
     })>,
     2},
    {"place_meeting",
     [](Self self, Self other, int, Args a, RValue& r) {
       CInstance* instance = as_instance(self);
       bool met = instance &&
                  instance_at_place(*instance, other, integer(a[2]), number(a[0]), number(a[1]));
       r = met ? 1.0 : 0.0;
     },
     3},
    {"place_snapped", on_self<([](CInstance& i, Args a, RValue& r) {
       double hsnap = number(a[0]), vsnap = number(a[1]);
       bool snapped =
           (hsnap <= 0 || near_multiple(i.x, hsnap)) && (vsnap <= 0 || near_multiple(i.y, vsnap));
       r = snapped ? 1.0 : 0.0;
     })>,
     2},
    {"move_random",
     on_self<([](CInstance& i, Args a, RValue&) { move_random(i, number(a[0]), number(a[1])); })>,
     2},
    {"move_snap", on_self<([](CInstance& i, Args a, RValue&) {
       double hsnap = number(a[0]), vsnap = number(a[1]);
       double x = hsnap > 0 ? hsnap * std::nearbyint(i.x / hsnap) : i.x;
       double y = vsnap > 0 ? vsnap * std::nearbyint(i.y / vsnap) : i.y;
       i.set_position(x, y);
     })>,
     2},
    {"move_wrap", on_self<([](CInstance& i, Args a, RValue&) {
       move_wrap(i, a[0].truth(), a[1].truth(), number(a[2]));
     })>,
     3},
    {"move_towards_point", on_self<([](CInstance& i, Args a, RValue&) {
       i.hspeed = number(a[0]) - i.x;
       i.vspeed = number(a[1]) - i.y;
       i.speeds_from_components();
       i.set_speed(number(a[2]));
     })>,
     3},
    {"move_contact_solid", on_self<([](CInstance& i, Args a, RValue&) {
       move_to_contact(i, number(a[0]), number(a[1]), true);
     })>,
     2},
    {"move_contact_all", on_self<([](CInstance& i, Args a, RValue&) {
       move_to_contact(i, number(a[0]), number(a[1]), false);
     })>,
     2},
    {"move_outside_solid", on_self<([](CInstance& i, Args a, RValue&) {
       move_outside(i, number(a[0]), number(a[1]), true);
     })>,
     2},
    {"move_outside_all", on_self<([](CInstance& i, Args a, RValue&) {
       move_outside(i, number(a[0]), number(a[1]), false);
     })>,
     2},
    {"move_contact", on_self<([](CInstance& i, Args a, RValue&) {
       if (place_is_free(i, i.x, i.y, true)) {
         move_to_contact(i, number(a[0]), -1, true);
       } else {
         move_outside(i, number(a[0]), -1, true);
       }
     })>,
     1},
    {"move_bounce_solid",
     on_self<([](CInstance& i, Args a, RValue&) { bounce(i, a[0].truth(), true); })>, 1},
    {"move_bounce", on_self<([](CInstance& i, Args a, RValue&) { bounce(i, a[0].truth(), true); })>,
     1},
    {"move_bounce_all",
     on_self<([](CInstance& i, Args a, RValue&) { bounce(i, a[0].truth(), false); })>, 1},
    {"distance_to_point", on_self<([](CInstance& i, Args a, RValue& r) {
       double dx = gap(number(a[0]), i.bbox_left, i.bbox_right);
       double dy = gap(number(a[1]), i.bbox_top, i.bbox_bottom);
       r = std::sqrt(dx * dx + dy * dy);
     })>,
     2},
    {"distance_to_object",
     [](Self self, Self other, int, Args a, RValue& r) {
       double best = kFarAway;
       CInstance* instance = as_instance(self);
       if (instance) {
         for_each_match(self, other, integer(a[0]), [&](CInstance* b) {
           if (b != instance) best = std::min(best, box_distance(*instance, *b));
           return true;
         });
       }
       r = best;
     },
     1},
    {"collision_point",
     [](Self self, Self other, int, Args a, RValue& r) {
       double x = number(a[0]), y = number(a[1]);
       bool precise = a[3].truth();
       search(
           self, other, a[2], a[4],
           [&](const CInstance& b) { return instance_meets_point(b, x, y, precise); }, r);
     },
     5},
    {"collision_rectangle",
     [](Self self, Self other, int, Args a, RValue& r) {
       double x1 = number(a[0]), y1 = number(a[1]), x2 = number(a[2]), y2 = number(a[3]);
       bool precise = a[5].truth();
       search(
           self, other, a[4], a[6],
           [&](const CInstance& b) { return instance_meets_rectangle(b, x1, y1, x2, y2, precise); },
           r);
     },
     7},
    {"collision_ellipse",
     [](Self self, Self other, int, Args a, RValue& r) {
       double x1 = number(a[0]), y1 = number(a[1]), x2 = number(a[2]), y2 = number(a[3]);
       bool precise = a[5].truth();
       search(
           self, other, a[4], a[6],
           [&](const CInstance& b) { return instance_meets_ellipse(b, x1, y1, x2, y2, precise); },
           r);
     },
     7},
    {"collision_circle",
     [](Self self, Self other, int, Args a, RValue& r) {
       double x = number(a[0]), y = number(a[1]), radius = number(a[2]);
       bool precise = a[4].truth();
       search(
           self, other, a[3], a[5],
           [&](const CInstance& b) {
             return instance_meets_ellipse(b, x - radius, y - radius, x + radius, y + radius,
                                           precise);
           },
           r);
     },
     6},
    {"collision_line",
     [](Self self, Self other, int, Args a, RValue& r) {
       double x1 = number(a[0]), y1 = number(a[1]), x2 = number(a[2]), y2 = number(a[3]);
       bool precise = a[5].truth();
       search(
           self, other, a[4], a[6],
           [&](const CInstance& b) { return instance_meets_line(b, x1, y1, x2, y2, precise); }, r);
     },
     7},
    {"path_start", on_self<([](CInstance& i, Args a, RValue&) {
       start_path(i, integer(a[0]), number(a[1]), integer(a[2]), a[3].truth());
     })>,
     4},
    {"path_end", on_self<([](CInstance& i, Args, RValue&) { i.path_index = -1; })>, 0},
};

static_assert(std::size(kFunctions) == 27, "the motion, collision and path functions");

}  // namespace

void register_motion_functions() {
  for (const RMotionFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
