// The 3D drawing functions of the game's scripts: mode and states, projections, the world
// transform and its stack, lights, primitives and shapes.
#pragma once

namespace vn {

void register_3d_functions();

}  // namespace vn
