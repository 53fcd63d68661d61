// What the language needs of an instance: its variables, its id and object, and whether
// it is marked destroyed or deactivated. The world's instance class builds on it.
#pragma once

#include <cstdint>

#include "script/Variable_Class.h"

namespace vn {

class CInstanceBase {
 public:
  CInstanceBase() = default;
  CInstanceBase(int32_t instance_id, int32_t object) : id(instance_id), object_index(object) {}
  virtual ~CInstanceBase() = default;
  CInstanceBase(const CInstanceBase&) = delete;
  CInstanceBase& operator=(const CInstanceBase&) = delete;

  CVariableList variables;
  int32_t id = 0;
  int32_t object_index = 0;
  // Destroyed instances stay in the room's lists until the room purges them; every
  // access through a scope passes them by.
  bool destroyed = false;
  // Deactivated instances keep their place but no scope reaches them until activated.
  bool deactivated = false;
  bool reachable() const { return !destroyed && !deactivated; }
};

}  // namespace vn
