// The built-in variables of instances (every field a script reads or writes through
// self, other or a scope) and the room's instance count and ids.
#pragma once

namespace vn {

// Registers instance_count and instance_id, then the instance names in their order.
void register_world_variables();

}  // namespace vn
