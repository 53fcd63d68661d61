// 3D drawing on the device: the mode switch with its depth buffer, projections, the world
// transform and its stack, lights, fog, primitives with normals and the ready-made shapes.
//
// For code that draws through it (models): begin a primitive, add vertices, end it; every
// vertex carries a normal, texture coordinates and a script colour with alpha; use
// d3d_vertex_draw_color for the vertices that take the draw colour and alpha. Shapes draw
// themselves whole. Coordinates are world coordinates before the world transform.
#pragma once

#include <array>
#include <cstdint>

#include "graphics/Graphics_Matrix.h"
#include "platform/Platform_Render.h"

namespace vn {

// --- Mode ---
// Switches 3D mode on or off; false when the device cannot (no renderer).
bool d3d_start();
bool d3d_end();
bool d3d_mode();
// Back to how a game starts: 2D, no lights, fog or culling, smooth shading, the identity
// world transform with an empty stack and no open primitive (a game that starts again).
void d3d_reset();
void d3d_set_perspective(bool on);
void d3d_set_hidden(bool on);
void d3d_set_depth(double depth);
void d3d_set_lighting(bool on);
void d3d_set_shading(bool smooth);
void d3d_set_culling(bool on);
void d3d_set_fog(bool on, int32_t color, double start, double end);

// --- Projections ---
void d3d_set_projection(const RVector3& from, const RVector3& to, const RVector3& up);
void d3d_set_projection_ext(const RVector3& from, const RVector3& to, const RVector3& up,
                            double angle, double aspect, double znear, double zfar);
void d3d_set_projection_ortho(double x, double y, double w, double h, double angle);
void d3d_set_projection_perspective(double x, double y, double w, double h, double angle);

// --- World transform ---
const RMatrix& d3d_world();
// Replaces the world matrix.
void d3d_transform_set(const RMatrix& m);
// Applies m after the current world matrix.
void d3d_transform_add(const RMatrix& m);
// Angles in degrees as scripts give them (turning by −angle).
RMatrix d3d_rotation_x(double angle);
RMatrix d3d_rotation_y(double angle);
RMatrix d3d_rotation_z(double angle);
RMatrix d3d_rotation_axis(double x, double y, double z, double angle);

constexpr int kTransformStackTop = 1000;  // the highest top: 1001 matrices
void d3d_transform_stack_clear();
bool d3d_transform_stack_empty();
bool d3d_transform_stack_push();
bool d3d_transform_stack_pop();
bool d3d_transform_stack_top();
bool d3d_transform_stack_discard();

// --- Lights: index 0 ... 7; others are ignored. ---
void d3d_light_define_direction(int index, double dx, double dy, double dz, int32_t color);
void d3d_light_define_point(int index, double x, double y, double z, double range, int32_t color);
void d3d_light_enable(int index, bool on);

// --- Primitives ---
// A vertex is taken while the list holds no more than 32000.
constexpr size_t kD3DMaxVertices = 32001;
// Kinds 1 point list ... 6 triangle fan (others draw nothing); texture -1 for none.
void d3d_primitive_begin(int kind, int texture);
// Vertices past the capacity are ignored.
void d3d_vertex(double x, double y, double z, double nx, double ny, double nz, double u, double v,
                int32_t color, double alpha);
void d3d_vertex_draw_color(double x, double y, double z, double nx, double ny, double nz, double u,
                           double v);
void d3d_primitive_end();
// A vertex as the device takes it, and a whole primitive (kind 1 … 6) drawn at once.
RVertex3D d3d_device_vertex(double x, double y, double z, double nx, double ny, double nz, double u,
                            double v, uint32_t device_color);
void d3d_draw_primitive(int kind, const RVertex3D* vertices, size_t count, int texture);

// --- Shapes, with texture coordinates 0 ... hrepeat and 0 ... vrepeat ---
struct RBox3 {
  double x1 = 0, y1 = 0, z1 = 0, x2 = 0, y2 = 0, z2 = 0;
};
void d3d_draw_block(const RBox3& box, int texture, double hrepeat, double vrepeat);
// Steps are clamped to 3 ... 128.
void d3d_draw_cylinder(const RBox3& box, int texture, double hrepeat, double vrepeat, bool closed,
                       int steps);
void d3d_draw_cone(const RBox3& box, int texture, double hrepeat, double vrepeat, bool closed,
                   int steps);
void d3d_draw_ellipsoid(const RBox3& box, int texture, double hrepeat, double vrepeat, int steps);
void d3d_draw_wall(const RBox3& box, int texture, double hrepeat, double vrepeat);
void d3d_draw_floor(const RBox3& box, int texture, double hrepeat, double vrepeat);

}  // namespace vn
