#include "graphics/Graphics_3D.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct RPrimitive3D {
  int kind = 0;
  int texture = -1;
  std::vector<RVertex3D> vertices;
};

RPrimitive3D& primitive() {
  static RPrimitive3D list;
  return list;
}

std::vector<RMatrix>& transform_stack() {
  static std::vector<RMatrix> stack;
  return stack;
}

constexpr RPrimitive kKinds[] = {RPrimitive::points,         RPrimitive::lines,
                                 RPrimitive::line_strip,     RPrimitive::triangles,
                                 RPrimitive::triangle_strip, RPrimitive::triangle_fan};

RVertex3D make_vertex(double x, double y, double z, double nx, double ny, double nz, double u,
                      double v, uint32_t color) {
  return RVertex3D{float(x),  float(y), float(z), float(nx), float(ny),
                   float(nz), color,    float(u), float(v)};
}

// A shape is drawn with texture repeat on, in the draw colour, and leaves both the repeat
// state and any open primitive list as they were.
class CShape {
 public:
  CShape() : color_(draw_device_color()) {}

  void vertex(double x, double y, double z, double nx, double ny, double nz, double u, double v) {
    vertices_.push_back(make_vertex(x, y, z, nx, ny, nz, u, v, color_));
  }
  size_t size() const { return vertices_.size(); }

  // The vertices from `first` on, as one primitive.
  void draw(RPrimitive kind, size_t first, int texture) {
    CGraphicsDevice& device = graphics_device();
    const bool repeat = device.states().texture_repeat;
    if (!repeat) device.set_texture_repeat(true);
    device.draw_3d(kind, vertices_.data() + first, vertices_.size() - first, texture);
    if (!repeat) device.set_texture_repeat(false);
  }
  void draw_all(RPrimitive kind, int texture) {
    draw(kind, 0, texture);
    vertices_.clear();
  }

  // Culling keeps triangles wound clockwise as seen from outside. When the first triangle
  // from `first` on faces the wrong way, the fan's rim (all but its first vertex) turns.
  void orient_fan(size_t first, double nx, double ny, double nz) {
    if (vertices_.size() - first < 3) return;
    if (facing(first, first + 1, first + 2, nx, ny, nz) >= 0) return;
    std::reverse(vertices_.begin() + ptrdiff_t(first) + 1, vertices_.end());
  }
  // For a strip whose vertices come in pairs: swaps the members of each pair. Either of the
  // first two triangles may be a point (a pole, an apex): the larger one judges.
  void orient_strip(size_t first, double nx, double ny, double nz) {
    if (vertices_.size() - first < 4) return;
    const double one = facing(first, first + 1, first + 2, nx, ny, nz);
    const double two = facing(first + 1, first + 3, first + 2, nx, ny, nz);
    if ((std::fabs(one) >= std::fabs(two) ? one : two) >= 0) return;
    for (size_t i = first; i + 1 < vertices_.size(); i += 2) {
      std::swap(vertices_[i], vertices_[i + 1]);
    }
  }

 private:
  double facing(size_t a, size_t b, size_t c, double nx, double ny, double nz) const {
    const RVertex3D& p = vertices_[a];
    const RVertex3D& q = vertices_[b];
    const RVertex3D& r = vertices_[c];
    const double ux = q.x - p.x, uy = q.y - p.y, uz = q.z - p.z;
    const double vx = r.x - p.x, vy = r.y - p.y, vz = r.z - p.z;
    return (uy * vz - uz * vy) * nx + (uz * vx - ux * vz) * ny + (ux * vy - uy * vx) * nz;
  }

  uint32_t color_;
  std::vector<RVertex3D> vertices_;
};

int clamp_steps(int steps) { return std::clamp(steps, 3, 128); }

RMatrix rotation(double angle, RMatrix (*make)(double)) { return make(-angle * kPi / 180); }

}  // namespace

// --- Mode ---

bool d3d_start() { return graphics_device().set_mode_3d(true); }
bool d3d_end() { return graphics_device().set_mode_3d(false); }
bool d3d_mode() { return graphics_device().mode_3d(); }

void d3d_reset() {
  primitive() = RPrimitive3D();
  transform_stack().clear();
  CGraphicsDevice& device = graphics_device();
  device.set_world(matrix_identity());
  for (int i = 0; i < kRenderLights; ++i) device.set_light(i, RLight());
  device.set_lighting(false);
  device.set_smooth_shading(true);
  device.set_culling(false);
  device.set_fog(false, 0, 0, 0);
  device.set_mode_3d(false);
}
void d3d_set_perspective(bool on) { graphics_device().set_perspective(on); }
void d3d_set_hidden(bool on) { graphics_device().set_hidden_surface_removal(on); }
void d3d_set_depth(double depth) { graphics_device().set_current_depth(depth); }
void d3d_set_lighting(bool on) { graphics_device().set_lighting(on); }
void d3d_set_shading(bool smooth) { graphics_device().set_smooth_shading(smooth); }
void d3d_set_culling(bool on) { graphics_device().set_culling(on); }
void d3d_set_fog(bool on, int32_t color, double start, double end) {
  graphics_device().set_fog(on, color, start, end);
}

// --- Projections ---

void d3d_set_projection(const RVector3& from, const RVector3& to, const RVector3& up) {
  CGraphicsDevice& device = graphics_device();
  device.set_camera(matrix_look_at_lh(from, to, up), device.projection());
}

void d3d_set_projection_ext(const RVector3& from, const RVector3& to, const RVector3& up,
                            double angle, double aspect, double znear, double zfar) {
  graphics_device().set_camera(matrix_look_at_lh(from, to, up),
                               matrix_perspective_fov_lh(angle * kPi / 180, aspect, znear, zfar));
}

void d3d_set_projection_ortho(double x, double y, double w, double h, double angle) {
  graphics_device().set_projection_as(false, angle, h, w, y, x);
}

void d3d_set_projection_perspective(double x, double y, double w, double h, double angle) {
  graphics_device().set_projection_as(true, angle, h, w, y, x);
}

// --- World transform ---

const RMatrix& d3d_world() { return graphics_device().world(); }
void d3d_transform_set(const RMatrix& m) { graphics_device().set_world(m); }
void d3d_transform_add(const RMatrix& m) {
  graphics_device().set_world(matrix_multiply(graphics_device().world(), m));
}
RMatrix d3d_rotation_x(double angle) { return rotation(angle, matrix_rotation_x); }
RMatrix d3d_rotation_y(double angle) { return rotation(angle, matrix_rotation_y); }
RMatrix d3d_rotation_z(double angle) { return rotation(angle, matrix_rotation_z); }
RMatrix d3d_rotation_axis(double x, double y, double z, double angle) {
  // No axis, no turn (rather than a matrix that shrinks everything by the cosine).
  if (x == 0 && y == 0 && z == 0) return matrix_identity();
  return matrix_rotation_axis({x, y, z}, -angle * kPi / 180);
}

void d3d_transform_stack_clear() { transform_stack().clear(); }
bool d3d_transform_stack_empty() { return transform_stack().empty(); }

bool d3d_transform_stack_push() {
  std::vector<RMatrix>& stack = transform_stack();
  if (int(stack.size()) > kTransformStackTop) return false;
  stack.push_back(d3d_world());
  return true;
}

bool d3d_transform_stack_pop() {
  std::vector<RMatrix>& stack = transform_stack();
  if (stack.empty()) return false;
  d3d_transform_set(stack.back());
  stack.pop_back();
  return true;
}

bool d3d_transform_stack_top() {
  std::vector<RMatrix>& stack = transform_stack();
  if (stack.empty()) return false;
  d3d_transform_set(stack.back());
  return true;
}

bool d3d_transform_stack_discard() {
  std::vector<RMatrix>& stack = transform_stack();
  if (stack.empty()) return false;
  stack.pop_back();
  return true;
}

// --- Lights ---

namespace {

void set_light_color(RLight& light, int32_t color) {
  const uint32_t c = uint32_t(color);
  light.red = float(c & 0xFF) / 255.0f;
  light.green = float((c >> 8) & 0xFF) / 255.0f;
  light.blue = float((c >> 16) & 0xFF) / 255.0f;
}

// A light of that kind at that place (or in that direction), keeping whether it is on.
RLight defined_light(int index, bool point, double x, double y, double z, int32_t color) {
  RLight light;
  light.enabled = graphics_device().light(index).enabled;
  light.point = point;
  light.x = float(x);
  light.y = float(y);
  light.z = float(z);
  set_light_color(light, color);
  return light;
}

}  // namespace

void d3d_light_define_direction(int index, double dx, double dy, double dz, int32_t color) {
  if (index < 0 || index >= kRenderLights) return;
  graphics_device().set_light(index, defined_light(index, false, dx, dy, dz, color));
}

void d3d_light_define_point(int index, double x, double y, double z, double range, int32_t color) {
  if (index < 0 || index >= kRenderLights) return;
  RLight light = defined_light(index, true, x, y, z, color);
  light.range = float(range);
  light.attenuation0 = 1;
  light.attenuation1 = range > 0 ? float(4 / range) : 0.0f;
  graphics_device().set_light(index, light);
}

void d3d_light_enable(int index, bool on) {
  CGraphicsDevice& device = graphics_device();
  if (index < 0 || index >= kRenderLights) return;
  RLight light = device.light(index);
  light.enabled = on;
  device.set_light(index, light);
}

// --- Primitives ---

void d3d_primitive_begin(int kind, int texture) {
  RPrimitive3D& list = primitive();
  list.kind = kind;
  list.texture = texture;
  list.vertices.clear();
}

void d3d_vertex(double x, double y, double z, double nx, double ny, double nz, double u, double v,
                int32_t color, double alpha) {
  RPrimitive3D& list = primitive();
  if (list.vertices.size() >= kD3DMaxVertices) return;
  list.vertices.push_back(make_vertex(x, y, z, nx, ny, nz, u, v, device_color(color, alpha)));
}

void d3d_vertex_draw_color(double x, double y, double z, double nx, double ny, double nz, double u,
                           double v) {
  d3d_vertex(x, y, z, nx, ny, nz, u, v, draw_color(), draw_alpha());
}

void d3d_primitive_end() {
  RPrimitive3D& list = primitive();
  d3d_draw_primitive(list.kind, list.vertices.data(), list.vertices.size(), list.texture);
}

RVertex3D d3d_device_vertex(double x, double y, double z, double nx, double ny, double nz, double u,
                            double v, uint32_t device_color) {
  return make_vertex(x, y, z, nx, ny, nz, u, v, device_color);
}

void d3d_draw_primitive(int kind, const RVertex3D* vertices, size_t count, int texture) {
  if (kind < 1 || kind > 6) return;
  graphics_device().draw_3d(kKinds[kind - 1], vertices, count, texture);
}

// --- Shapes ---

void d3d_draw_block(const RBox3& b, int texture, double hrepeat, double vrepeat) {
  CShape shape;
  struct RFace {
    double nx, ny, nz;
    double corners[4][3];
  };
  const RFace faces[6] = {
      {0, 0, -1, {{b.x1, b.y1, b.z1}, {b.x1, b.y2, b.z1}, {b.x2, b.y2, b.z1}, {b.x2, b.y1, b.z1}}},
      {0, 0, 1, {{b.x1, b.y1, b.z2}, {b.x2, b.y1, b.z2}, {b.x2, b.y2, b.z2}, {b.x1, b.y2, b.z2}}},
      {0, -1, 0, {{b.x1, b.y1, b.z2}, {b.x1, b.y1, b.z1}, {b.x2, b.y1, b.z1}, {b.x2, b.y1, b.z2}}},
      {0, 1, 0, {{b.x2, b.y2, b.z2}, {b.x2, b.y2, b.z1}, {b.x1, b.y2, b.z1}, {b.x1, b.y2, b.z2}}},
      {-1, 0, 0, {{b.x1, b.y2, b.z2}, {b.x1, b.y2, b.z1}, {b.x1, b.y1, b.z1}, {b.x1, b.y1, b.z2}}},
      {1, 0, 0, {{b.x2, b.y1, b.z2}, {b.x2, b.y1, b.z1}, {b.x2, b.y2, b.z1}, {b.x2, b.y2, b.z2}}},
  };
  const double uv[4][2] = {{0, 0}, {0, vrepeat}, {hrepeat, vrepeat}, {hrepeat, 0}};
  // With corners given the other way round along an axis, its faces swap sides.
  const double sx = b.x2 < b.x1 ? -1 : 1;
  const double sy = b.y2 < b.y1 ? -1 : 1;
  const double sz = b.z2 < b.z1 ? -1 : 1;
  for (const RFace& face : faces) {
    const double nx = face.nx * sx, ny = face.ny * sy, nz = face.nz * sz;
    for (int i = 0; i < 4; ++i) {
      shape.vertex(face.corners[i][0], face.corners[i][1], face.corners[i][2], nx, ny, nz, uv[i][0],
                   uv[i][1]);
    }
    shape.orient_fan(0, nx, ny, nz);
    shape.draw_all(RPrimitive::triangle_fan, texture);
  }
}

namespace {

// The side of a cylinder (top ring at z2) or a cone (apex at the centre of z2), with the
// bottom (and for the cylinder the top) closed by fans.
void draw_round(const RBox3& b, int texture, double hrepeat, double vrepeat, bool closed, int steps,
                bool cone) {
  steps = clamp_steps(steps);
  const double cx = (b.x1 + b.x2) / 2;
  const double cy = (b.y1 + b.y2) / 2;
  const double rx = (b.x2 - b.x1) / 2;
  const double ry = (b.y2 - b.y1) / 2;
  CShape shape;
  for (int i = 0; i <= steps; ++i) {
    const double a = 2 * kPi * i / steps;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double u = hrepeat * i / steps;
    if (cone) {
      shape.vertex(cx, cy, b.z2, 0, 0, 1, u, 0);
    } else {
      shape.vertex(cx + rx * c, cy + ry * s, b.z2, c, s, 0, u, 0);
    }
    shape.vertex(cx + rx * c, cy + ry * s, b.z1, c, s, 0, u, vrepeat);
  }
  // Outward at the first column: its direction in the x-y plane (a radius of 0 has none).
  shape.orient_strip(0, rx != 0 ? rx : 1, 0, 0);
  shape.draw_all(RPrimitive::triangle_strip, texture);
  if (!closed) return;
  const double up = b.z2 >= b.z1 ? 1 : -1;
  for (int end = 0; end < (cone ? 1 : 2); ++end) {
    const double z = end == 0 ? b.z1 : b.z2;
    const double nz = end == 0 ? -1 : 1;
    shape.vertex(cx, cy, z, 0, 0, nz, hrepeat / 2, vrepeat / 2);
    for (int i = 0; i <= steps; ++i) {
      const double a = 2 * kPi * i / steps;
      const double c = std::cos(a);
      const double s = std::sin(a);
      shape.vertex(cx + rx * c, cy + ry * s, z, 0, 0, nz, hrepeat * (1 + c) / 2,
                   vrepeat * (1 + s) / 2);
    }
    shape.orient_fan(0, 0, 0, nz * up);
    shape.draw_all(RPrimitive::triangle_fan, texture);
  }
}

}  // namespace

void d3d_draw_cylinder(const RBox3& box, int texture, double hrepeat, double vrepeat, bool closed,
                       int steps) {
  draw_round(box, texture, hrepeat, vrepeat, closed, steps, false);
}

void d3d_draw_cone(const RBox3& box, int texture, double hrepeat, double vrepeat, bool closed,
                   int steps) {
  draw_round(box, texture, hrepeat, vrepeat, closed, steps, true);
}

// Bands of latitude from the top (z2, v = 0) to the bottom (z1), each a strip around the
// axis with steps + 1 columns; half as many bands as columns, at least two.
void d3d_draw_ellipsoid(const RBox3& b, int texture, double hrepeat, double vrepeat, int steps) {
  steps = clamp_steps(steps);
  const int bands = std::max(steps / 2, 2);
  const double cx = (b.x1 + b.x2) / 2;
  const double cy = (b.y1 + b.y2) / 2;
  const double cz = (b.z1 + b.z2) / 2;
  const double rx = (b.x2 - b.x1) / 2;
  const double ry = (b.y2 - b.y1) / 2;
  const double rz = (b.z2 - b.z1) / 2;
  // The surface's normal is the gradient of (x / rx)² + ...; an axis of 0 leaves it flat.
  auto inverse = [](double r) { return r != 0 ? 1 / r : 0.0; };
  const double ix = inverse(rx), iy = inverse(ry), iz = inverse(rz);
  CShape shape;
  for (int band = 0; band < bands; ++band) {
    for (int i = 0; i <= steps; ++i) {
      const double a = 2 * kPi * i / steps;
      for (int row = band; row <= band + 1; ++row) {
        const double lat = kPi / 2 - kPi * row / bands;
        const double x = std::cos(lat) * std::cos(a);
        const double y = std::cos(lat) * std::sin(a);
        const double z = std::sin(lat);
        double nx = x * ix, ny = y * iy, nz = z * iz;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length > 0) {
          nx /= length;
          ny /= length;
          nz /= length;
        }
        shape.vertex(cx + rx * x, cy + ry * y, cz + rz * z, nx, ny, nz, hrepeat * i / steps,
                     vrepeat * row / bands);
      }
    }
    // Judged at the band's first column, whose outward direction is its middle's.
    const double mid = kPi / 2 - kPi * (band + 0.5) / bands;
    shape.orient_strip(0, std::cos(mid) * (rx != 0 ? rx : 1), 0,
                       std::sin(mid) * (rz != 0 ? rz : 1));
    shape.draw_all(RPrimitive::triangle_strip, texture);
  }
}

void d3d_draw_wall(const RBox3& b, int texture, double hrepeat, double vrepeat) {
  const double length = std::sqrt((b.x2 - b.x1) * (b.x2 - b.x1) + (b.y2 - b.y1) * (b.y2 - b.y1));
  if (length == 0) return;
  const double nx = (b.y2 - b.y1) / length;
  const double ny = -(b.x2 - b.x1) / length;
  CShape shape;
  shape.vertex(b.x1, b.y1, b.z1, nx, ny, 0, 0, 0);
  shape.vertex(b.x2, b.y2, b.z1, nx, ny, 0, hrepeat, 0);
  shape.vertex(b.x2, b.y2, b.z2, nx, ny, 0, hrepeat, vrepeat);
  shape.vertex(b.x1, b.y1, b.z2, nx, ny, 0, 0, vrepeat);
  shape.draw_all(RPrimitive::triangle_fan, texture);
}

void d3d_draw_floor(const RBox3& b, int texture, double hrepeat, double vrepeat) {
  CShape shape;
  shape.vertex(b.x1, b.y1, b.z1, 0, 0, 1, 0, 0);
  shape.vertex(b.x1, b.y2, b.z1, 0, 0, 1, 0, vrepeat);
  shape.vertex(b.x2, b.y2, b.z2, 0, 0, 1, hrepeat, vrepeat);
  shape.vertex(b.x2, b.y1, b.z2, 0, 0, 1, hrepeat, 0);
  shape.draw_all(RPrimitive::triangle_fan, texture);
}

}  // namespace vn
