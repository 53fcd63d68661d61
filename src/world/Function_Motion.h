// The motion and collision functions: setting motion, snapping and wrapping, free-place
// tests, moving to contact and out of collision, bouncing, distances, the collision
// searches with a point, rectangle, ellipse, circle or line, and starting and ending paths.
#pragma once

namespace vn {

// Registers motion_set ... path_end.
void register_motion_functions();

}  // namespace vn
