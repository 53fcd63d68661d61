#include "graphics/Graphics_Matrix.h"

#include <cmath>

namespace vn {

namespace {

float& at(RMatrix& m, int row, int column) { return m[size_t(row * 4 + column)]; }
float at(const RMatrix& m, int row, int column) { return m[size_t(row * 4 + column)]; }

RVector3 normalized(const RVector3& v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0) return v;
  return {v.x / length, v.y / length, v.z / length};
}

RVector3 cross(const RVector3& a, const RVector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const RVector3& a, const RVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

RMatrix matrix_identity() {
  RMatrix m{};
  for (int i = 0; i < 4; ++i) at(m, i, i) = 1;
  return m;
}

RMatrix matrix_multiply(const RMatrix& a, const RMatrix& b) {
  RMatrix m{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += double(at(a, row, k)) * at(b, k, column);
      at(m, row, column) = float(sum);
    }
  }
  return m;
}

RMatrix matrix_translation(double x, double y, double z) {
  RMatrix m = matrix_identity();
  at(m, 3, 0) = float(x);
  at(m, 3, 1) = float(y);
  at(m, 3, 2) = float(z);
  return m;
}

RMatrix matrix_scaling(double x, double y, double z) {
  RMatrix m{};
  at(m, 0, 0) = float(x);
  at(m, 1, 1) = float(y);
  at(m, 2, 2) = float(z);
  at(m, 3, 3) = 1;
  return m;
}

RMatrix matrix_rotation_x(double angle) {
  RMatrix m = matrix_identity();
  const float c = float(std::cos(angle));
  const float s = float(std::sin(angle));
  at(m, 1, 1) = c;
  at(m, 1, 2) = s;
  at(m, 2, 1) = -s;
  at(m, 2, 2) = c;
  return m;
}

RMatrix matrix_rotation_y(double angle) {
  RMatrix m = matrix_identity();
  const float c = float(std::cos(angle));
  const float s = float(std::sin(angle));
  at(m, 0, 0) = c;
  at(m, 0, 2) = -s;
  at(m, 2, 0) = s;
  at(m, 2, 2) = c;
  return m;
}

RMatrix matrix_rotation_z(double angle) {
  RMatrix m = matrix_identity();
  const float c = float(std::cos(angle));
  const float s = float(std::sin(angle));
  at(m, 0, 0) = c;
  at(m, 0, 1) = s;
  at(m, 1, 0) = -s;
  at(m, 1, 1) = c;
  return m;
}

RMatrix matrix_rotation_axis(const RVector3& axis, double angle) {
  const RVector3 n = normalized(axis);
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double t = 1 - c;
  RMatrix m = matrix_identity();
  at(m, 0, 0) = float(t * n.x * n.x + c);
  at(m, 0, 1) = float(t * n.x * n.y + s * n.z);
  at(m, 0, 2) = float(t * n.x * n.z - s * n.y);
  at(m, 1, 0) = float(t * n.x * n.y - s * n.z);
  at(m, 1, 1) = float(t * n.y * n.y + c);
  at(m, 1, 2) = float(t * n.y * n.z + s * n.x);
  at(m, 2, 0) = float(t * n.x * n.z + s * n.y);
  at(m, 2, 1) = float(t * n.y * n.z - s * n.x);
  at(m, 2, 2) = float(t * n.z * n.z + c);
  return m;
}

RMatrix matrix_look_at_lh(const RVector3& eye, const RVector3& target, const RVector3& up) {
  const RVector3 z = normalized({target.x - eye.x, target.y - eye.y, target.z - eye.z});
  const RVector3 x = normalized(cross(up, z));
  const RVector3 y = cross(z, x);
  RMatrix m = matrix_identity();
  at(m, 0, 0) = float(x.x);
  at(m, 1, 0) = float(x.y);
  at(m, 2, 0) = float(x.z);
  at(m, 0, 1) = float(y.x);
  at(m, 1, 1) = float(y.y);
  at(m, 2, 1) = float(y.z);
  at(m, 0, 2) = float(z.x);
  at(m, 1, 2) = float(z.y);
  at(m, 2, 2) = float(z.z);
  at(m, 3, 0) = float(-dot(x, eye));
  at(m, 3, 1) = float(-dot(y, eye));
  at(m, 3, 2) = float(-dot(z, eye));
  return m;
}

RMatrix matrix_ortho_lh(double width, double height, double near_plane, double far_plane) {
  RMatrix m{};
  at(m, 0, 0) = float(2 / width);
  at(m, 1, 1) = float(2 / height);
  at(m, 2, 2) = float(1 / (far_plane - near_plane));
  at(m, 3, 2) = float(near_plane / (near_plane - far_plane));
  at(m, 3, 3) = 1;
  return m;
}

RMatrix matrix_perspective_lh(double width, double height, double near_plane, double far_plane) {
  RMatrix m{};
  at(m, 0, 0) = float(2 * near_plane / width);
  at(m, 1, 1) = float(2 * near_plane / height);
  at(m, 2, 2) = float(far_plane / (far_plane - near_plane));
  at(m, 2, 3) = 1;
  at(m, 3, 2) = float(near_plane * far_plane / (near_plane - far_plane));
  return m;
}

RMatrix matrix_perspective_fov_lh(double fov_y, double aspect, double near_plane,
                                  double far_plane) {
  const double y_scale = 1 / std::tan(fov_y / 2);
  RMatrix m{};
  at(m, 0, 0) = float(y_scale / aspect);
  at(m, 1, 1) = float(y_scale);
  at(m, 2, 2) = float(far_plane / (far_plane - near_plane));
  at(m, 2, 3) = 1;
  at(m, 3, 2) = float(near_plane * far_plane / (near_plane - far_plane));
  return m;
}

RVector3 matrix_transform_point(const RMatrix& m, const RVector3& p) {
  double out[4];
  for (int column = 0; column < 4; ++column) {
    out[column] =
        p.x * at(m, 0, column) + p.y * at(m, 1, column) + p.z * at(m, 2, column) + at(m, 3, column);
  }
  const double w = out[3] != 0 ? out[3] : 1;
  return {out[0] / w, out[1] / w, out[2] / w};
}

}  // namespace vn
