// The instances of the running room as the language reaches them: through a scope
// (all, an object index, an instance id) and in with statements. The world supplies the
// real one; without it there are no instances at all.
#pragma once

#include <cstdint>
#include <vector>

#include "script/Instance_Base.h"

namespace vn {

class IScriptWorld {
 public:
  virtual ~IScriptWorld() = default;
  // The instance with that id that is not marked destroyed, or null.
  virtual CInstanceBase* find_instance(int32_t id) = 0;
  // The first instance that is not marked destroyed: of the room for all (-3), of the
  // object and its descendants for an object index; null when there is none.
  virtual CInstanceBase* first_instance(int32_t scope) = 0;
  // Appends what a with statement over all (-3) or an object index visits, in order, as
  // the room holds them now (destroyed ones included: the visitor checks when it gets
  // there).
  virtual void collect_instances(int32_t scope, std::vector<CInstanceBase*>& out) = 0;
};

// The world in use; never null (an empty one when none is set).
IScriptWorld& script_world();
void set_script_world(IScriptWorld* world);

}  // namespace vn
