// The motion-planning functions: straight and potential-field steps and paths towards a
// goal, and grids of cells searched for paths.
#pragma once

namespace vn {

// Registers mp_linear_step ... mp_grid_draw.
void register_planning_functions();

// Destroys every grid and puts the potential-field settings back to their defaults, as
// a new game starts with.
void reset_motion_planning();

}  // namespace vn
