// The resource functions of the world's kinds: paths, scripts, time lines, objects and
// rooms looked at, changed, added and deleted while the game runs.
#pragma once

namespace vn {

void register_resource_world_functions();

}  // namespace vn
