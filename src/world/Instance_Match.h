// The object arguments of the instance, motion and collision functions: -1 self, -2 other,
// -3 every instance, 100000 or more an instance id, and any other value an object index
// that also matches the object's descendants. Destroyed and deactivated instances never
// match.
#pragma once

#include <cstdint>
#include <vector>

#include "script/Code_Value.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"

namespace vn {

constexpr int32_t kMatchSelf = -1;
constexpr int32_t kMatchOther = -2;
constexpr int32_t kMatchAll = -3;
constexpr double kNoInstance = -4;
constexpr int32_t kFirstInstanceId = 100000;

// Visits the matching instances in order (room order for -3, the family list for an
// object) until visit returns false. Lists are read by position with their length checked
// at every step, since a visit may add instances to them.
template <typename Visit>
void for_each_match(CInstanceBase* self, CInstanceBase* other, int32_t object, Visit visit) {
  // Self may have deactivated itself earlier in its event; it is then found no more.
  auto single = [&](CInstance* instance) {
    if (instance && !instance->destroyed && !instance->deactivated) visit(instance);
  };
  if (object == kMatchSelf) return single(as_instance(self));
  if (object == kMatchOther) return single(as_instance(other));
  CLiveRoom* room = current_room();
  if (!room) return;
  if (object >= kFirstInstanceId) return single(room->find_instance(object));
  if (object == kMatchAll) {
    const auto& instances = room->instances();
    for (size_t i = 0; i < instances.size(); ++i) {
      CInstance* instance = instances[i].get();
      if (!instance->destroyed && !visit(instance)) return;
    }
    return;
  }
  if (object < 0) return;
  const std::vector<CInstance*>& family = room->family_list(object);
  for (size_t i = 0; i < family.size(); ++i) {
    CInstance* instance = family[i];
    if (!instance->destroyed && !visit(instance)) return;
  }
}

// The first match the test accepts, or null.
template <typename Test>
CInstance* first_match(CInstanceBase* self, CInstanceBase* other, int32_t object, Test test) {
  CInstance* found = nullptr;
  for_each_match(self, other, object, [&](CInstance* instance) {
    if (!test(*instance)) return true;
    found = instance;
    return false;
  });
  return found;
}

}  // namespace vn
