// The matrix operations of the device, for row vectors (p' = p × M) in a left-handed space,
// as the games' drawing was defined: the 2D camera, the 3D projections and the world
// transforms. Stored row by row, so a matrix goes to the renderer as it is.
#pragma once

#include "platform/Platform_Render.h"

namespace vn {

struct RVector3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

RMatrix matrix_identity();
// a × b: first a, then b.
RMatrix matrix_multiply(const RMatrix& a, const RMatrix& b);
RMatrix matrix_translation(double x, double y, double z);
RMatrix matrix_scaling(double x, double y, double z);
// Angles in radians, turning y towards z, z towards x and x towards y.
RMatrix matrix_rotation_x(double angle);
RMatrix matrix_rotation_y(double angle);
RMatrix matrix_rotation_z(double angle);
RMatrix matrix_rotation_axis(const RVector3& axis, double angle);
// The camera at eye looking at target, with up as near to up as the view allows.
RMatrix matrix_look_at_lh(const RVector3& eye, const RVector3& target, const RVector3& up);
// Orthographic: the box width × height around the axis, depth near ... far to 0 ... 1.
RMatrix matrix_ortho_lh(double width, double height, double near_plane, double far_plane);
// Perspective: width × height is the view's size at the near plane.
RMatrix matrix_perspective_lh(double width, double height, double near_plane, double far_plane);
// Perspective from the vertical field of view (radians) and the aspect width / height.
RMatrix matrix_perspective_fov_lh(double fov_y, double aspect, double near_plane, double far_plane);

// The point p × m, divided by its w.
RVector3 matrix_transform_point(const RMatrix& m, const RVector3& p);

}  // namespace vn
