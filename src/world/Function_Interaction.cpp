#include "world/Function_Interaction.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "world/Collision_Main.h"
#include "world/Instance_Match.h"
#include "world/Object_Class.h"
#include "world/Object_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr int32_t kSelf = kMatchSelf;
constexpr int32_t kOther = kMatchOther;
constexpr int32_t kAll = kMatchAll;
constexpr double kNoOne = kNoInstance;
// instance_nearest starts from this squared distance, so nothing further is ever found.
constexpr double kNearestStart = 1e10;

void report(const std::string& message) { report_runtime_error(message, false); }

// The same rule for an instance of the deactivated list.
bool deactivated_matches(const CInstance* instance, int32_t object, Self self, Self other) {
  if (object == kAll) return true;
  if (object == kSelf) return instance == self;
  if (object == kOther) return instance == other;
  if (object >= kFirstInstanceId) return instance->id == object;
  return object >= 0 && object_is_family(object, instance->object_index);
}

// With a mask sprite the bounding box must overlap the rectangle, else the position must
// lie inside it (edges included).
bool in_region(const CInstance& instance, double left, double top, double width, double height) {
  if (sprite_at(instance.mask_sprite())) {
    return left <= instance.bbox_right && left + width >= instance.bbox_left &&
           top <= instance.bbox_bottom && top + height >= instance.bbox_top;
  }
  return left <= instance.x && instance.x <= left + width && top <= instance.y &&
         instance.y <= top + height;
}

// Marks the active instances chosen by the test, then moves them.
template <typename Test>
void deactivate_where(Test test) {
  CLiveRoom* room = current_room();
  if (!room) return;
  for (const auto& instance : room->instances()) {
    if (!instance->destroyed && test(*instance)) instance->deactivated = true;
  }
  room->apply_deactivation();
}

template <typename Test>
void activate_where(Test test) {
  CLiveRoom* room = current_room();
  if (!room) return;
  for (const auto& instance : room->deactivated()) {
    if (test(*instance)) instance->deactivated = false;
  }
  room->apply_deactivation();
}

double squared_distance(const CInstance& instance, double x, double y) {
  double dx = instance.x - x;
  double dy = instance.y - y;
  return dx * dx + dy * dy;
}

// instance_nearest and instance_furthest: the first instance strictly better than every
// earlier one wins, so ties keep the first met. An instance id finds nothing.
template <typename Better>
void closest(Self self, Self other, Args a, double start, Better better, RValue& result) {
  result = kNoOne;
  int32_t object = integer(a[2]);
  if (object >= kFirstInstanceId) return;
  double x = number(a[0]);
  double y = number(a[1]);
  double best = start;
  for_each_match(self, other, object, [&](CInstance* instance) {
    double distance = squared_distance(*instance, x, y);
    if (better(distance, best)) {
      best = distance;
      result = double(instance->id);
    }
    return true;
  });
}

// The first match whose mask holds the point.
CInstance* instance_at_point(Self self, Self other, int32_t object, double x, double y) {
  return first_match(self, other, object,
                     [&](const CInstance& b) { return instance_meets_point(b, x, y, true); });
}

// The instances whose masks hold the point, chosen before any of them is touched: what the
// events of one do to the others does not change the choice.
std::vector<CInstance*> instances_at_point(double x, double y) {
  std::vector<CInstance*> found;
  for_each_match(nullptr, nullptr, kAll, [&](CInstance* instance) {
    if (instance_meets_point(*instance, x, y, true)) found.push_back(instance);
    return true;
  });
  return found;
}

// Instances whose destroy event is running: destroying one of them again only marks it,
// so a destroy event that destroys its own instance ends.
std::vector<CInstance*> destroy_events_running;

struct RFamilyFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RFamilyFunction kFunctions[] = {
    {"instance_find",
     [](Self self, Self other, int, Args a, RValue& r) {
       r = kNoOne;
       int32_t object = integer(a[0]);
       int64_t wanted = round_to_int64(number(a[1]));
       bool single = object == kSelf || object == kOther || object >= kFirstInstanceId;
       if (single && wanted != 0) return;
       int64_t seen = 0;
       for_each_match(self, other, object, [&](CInstance* instance) {
         if (seen++ != wanted) return true;
         r = double(instance->id);
         return false;
       });
     },
     2},
    {"instance_exists",
     [](Self self, Self other, int, Args a, RValue& r) {
       r = 0.0;
       for_each_match(self, other, integer(a[0]), [&](CInstance*) {
         r = 1.0;
         return false;
       });
     },
     1},
    {"instance_number",
     [](Self self, Self other, int, Args a, RValue& r) {
       double count = 0;
       for_each_match(self, other, integer(a[0]), [&](CInstance*) {
         ++count;
         return true;
       });
       r = count;
     },
     1},
    {"instance_nearest",
     [](Self self, Self other, int, Args a, RValue& r) {
       closest(
           self, other, a, kNearestStart, [](double d, double best) { return d < best; }, r);
     },
     3},
    {"instance_furthest",
     [](Self self, Self other, int, Args a, RValue& r) {
       closest(
           self, other, a, -1, [](double d, double best) { return d > best; }, r);
     },
     3},
    {"instance_create",
     [](Self, Self, int, Args a, RValue& r) {
       r = double(create_instance_with_event(integer(a[2]), number(a[0]), number(a[1])));
     },
     3},
    {"instance_copy",
     [](Self self, Self, int, Args a, RValue& r) {
       r = kNoOne;
       CInstance* original = as_instance(self);
       CLiveRoom* room = current_room();
       if (!original || !room) return;
       CInstance* copy = room->create_instance(original->object_index, original->x, original->y);
       int32_t id = copy->id;
       copy->copy_from(*original);
       copy->id = id;
       if (a[0].truth()) perform_event_self(copy, copy, kEventCreate, 0);
       r = double(id);
     },
     1},
    {"instance_change",
     [](Self self, Self, int, Args a, RValue&) {
       change_instance(as_instance(self), integer(a[0]), a[1].truth());
     },
     2},
    {"instance_destroy",
     [](Self self, Self, int, Args, RValue&) {
       if (CInstance* instance = as_instance(self)) {
         destroy_instance(instance);
       } else if (self) {
         self->destroyed = true;
       }
     },
     0},
    {"instance_sprite",
     [](Self self, Self, int, Args a, RValue&) {
       int32_t sprite = integer(a[0]);
       if (!sprite_at(sprite)) {
         report("Setting instance to non-existing sprite: " + std::to_string(sprite));
         return;
       }
       if (CInstance* instance = as_instance(self)) instance->set_sprite(sprite);
     },
     1},
    {"instance_deactivate_all",
     [](Self self, Self, int, Args a, RValue&) {
       bool keep_self = a[0].truth();
       deactivate_where(
           [&](const CInstance& instance) { return !(keep_self && &instance == self); });
     },
     1},
    {"instance_deactivate_object",
     [](Self self, Self other, int, Args a, RValue&) {
       CLiveRoom* room = current_room();
       if (!room) return;
       for_each_match(self, other, integer(a[0]), [](CInstance* instance) {
         instance->deactivated = true;
         return true;
       });
       room->apply_deactivation();
     },
     1},
    {"instance_deactivate_region",
     [](Self self, Self, int, Args a, RValue&) {
       double left = number(a[0]), top = number(a[1]), width = number(a[2]);
       double height = number(a[3]);
       bool inside = a[4].truth();
       bool keep_self = a[5].truth();
       deactivate_where([&](const CInstance& instance) {
         if (keep_self && &instance == self) return false;
         return in_region(instance, left, top, width, height) == inside;
       });
     },
     6},
    {"instance_activate_all",
     [](Self, Self, int, Args, RValue&) { activate_where([](const CInstance&) { return true; }); },
     0},
    {"instance_activate_object",
     [](Self self, Self other, int, Args a, RValue&) {
       int32_t object = integer(a[0]);
       activate_where([&](const CInstance& instance) {
         return deactivated_matches(&instance, object, self, other);
       });
     },
     1},
    {"instance_activate_region",
     [](Self, Self, int, Args a, RValue&) {
       double left = number(a[0]), top = number(a[1]), width = number(a[2]);
       double height = number(a[3]);
       bool inside = a[4].truth();
       activate_where([&](const CInstance& instance) {
         return in_region(instance, left, top, width, height) == inside;
       });
     },
     5},
    {"instance_position",
     [](Self self, Self other, int, Args a, RValue& r) {
       CInstance* found = instance_at_point(self, other, integer(a[2]), number(a[0]), number(a[1]));
       r = found ? double(found->id) : kNoOne;
     },
     3},
    {"instance_place",
     [](Self self, Self other, int, Args a, RValue& r) {
       CInstance* instance = as_instance(self);
       CInstance* found =
           instance ? instance_at_place(*instance, other, integer(a[2]), number(a[0]), number(a[1]))
                    : nullptr;
       r = found ? double(found->id) : kNoOne;
     },
     3},
    {"position_empty",
     [](Self self, Self other, int, Args a, RValue& r) {
       r = instance_at_point(self, other, kAll, number(a[0]), number(a[1])) ? 0.0 : 1.0;
     },
     2},
    {"position_meeting",
     [](Self self, Self other, int, Args a, RValue& r) {
       r = instance_at_point(self, other, integer(a[2]), number(a[0]), number(a[1])) ? 1.0 : 0.0;
     },
     3},
    {"position_destroy",
     [](Self, Self, int, Args a, RValue&) {
       double x = number(a[0]), y = number(a[1]);
       for (CInstance* instance : instances_at_point(x, y)) destroy_instance(instance);
     },
     2},
    {"position_change",
     [](Self, Self, int, Args a, RValue&) {
       int32_t object = integer(a[2]);
       if (!object_at(object)) {
         report("Asking to change into non-existing object: " + std::to_string(object));
         return;
       }
       double x = number(a[0]), y = number(a[1]);
       bool perform_events = a[3].truth();
       for (CInstance* instance : instances_at_point(x, y)) {
         change_instance(instance, object, perform_events);
       }
     },
     4},
};

static_assert(std::size(kFunctions) == 22, "the instance and deactivation functions");

}  // namespace

int32_t create_instance_with_event(int32_t object, double x, double y) {
  if (!object_at(object)) {
    report("Creating instance for non-existing object: " + std::to_string(object));
    return int32_t(kNoOne);
  }
  CLiveRoom* room = current_room();
  if (!room) return int32_t(kNoOne);
  CInstance* instance = room->create_instance(object, x, y);
  int32_t id = instance->id;
  perform_event_self(instance, instance, kEventCreate, 0);
  return id;
}

namespace {

bool destroy_event_running(const CInstance* instance) {
  return std::find(destroy_events_running.begin(), destroy_events_running.end(), instance) !=
         destroy_events_running.end();
}

void perform_destroy_event(CInstance* instance) {
  destroy_events_running.push_back(instance);
  perform_event_self(instance, instance, kEventDestroy, 0);
  destroy_events_running.pop_back();
}

}  // namespace

CInstance* instance_at_place(CInstance& instance, CInstanceBase* other, int32_t object, double x,
                             double y) {
  CTestPlace place(instance, x, y);
  return first_match(&instance, other, object,
                     [&](const CInstance& b) { return instances_meet(instance, b); });
}

void destroy_instance(CInstance* instance) {
  if (!instance || instance->destroyed) return;
  if (!destroy_event_running(instance)) perform_destroy_event(instance);
  instance->destroyed = true;
}

void change_instance(CInstance* instance, int32_t object, bool perform_events) {
  if (!object_at(object)) {
    report("Asking to change into non-existing object: " + std::to_string(object));
    return;
  }
  CLiveRoom* room = current_room();
  if (!instance || !room || instance->destroyed) return;
  if (perform_events && !destroy_event_running(instance)) perform_destroy_event(instance);
  // Its destroy event may have destroyed it; what it would become would be born destroyed.
  if (instance->destroyed) return;
  CInstance* changed = room->create_instance(object, instance->x, instance->y);
  changed->copy_from(*instance);
  changed->set_object(object);
  instance->destroyed = true;
  if (perform_events) perform_event_self(changed, changed, kEventCreate, 0);
}

void register_interaction_functions() {
  for (const RFamilyFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
