#include "graphics/Function_3D.h"

#include "graphics/Graphics_3D.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;

using Self = CInstanceBase*;
using Args = const RValue*;

void set_bool(RValue& result, bool value) { result.real = value ? 1 : 0; }

RVector3 vector_at(Args args, int first) {
  return {number(args[first]), number(args[first + 1]), number(args[first + 2])};
}

RBox3 box_at(Args args) {
  return {number(args[0]), number(args[1]), number(args[2]),
          number(args[3]), number(args[4]), number(args[5])};
}

// --- Mode and states ---

void fn_start(Self, Self, int, Args, RValue& result) { set_bool(result, d3d_start()); }
void fn_end(Self, Self, int, Args, RValue& result) { set_bool(result, d3d_end()); }
void fn_set_perspective(Self, Self, int, Args args, RValue&) {
  d3d_set_perspective(boolean(args[0]));
}
void fn_set_hidden(Self, Self, int, Args args, RValue&) { d3d_set_hidden(boolean(args[0])); }
void fn_set_depth(Self, Self, int, Args args, RValue&) { d3d_set_depth(number(args[0])); }
void fn_set_lighting(Self, Self, int, Args args, RValue&) { d3d_set_lighting(boolean(args[0])); }
void fn_set_shading(Self, Self, int, Args args, RValue&) { d3d_set_shading(boolean(args[0])); }
void fn_set_culling(Self, Self, int, Args args, RValue&) { d3d_set_culling(boolean(args[0])); }
void fn_set_fog(Self, Self, int, Args args, RValue&) {
  d3d_set_fog(boolean(args[0]), integer(args[1]), number(args[2]), number(args[3]));
}

// --- Primitives ---

void fn_primitive_begin(Self, Self, int, Args args, RValue&) {
  d3d_primitive_begin(integer(args[0]), -1);
}
void fn_primitive_begin_texture(Self, Self, int, Args args, RValue&) {
  d3d_primitive_begin(integer(args[0]), integer(args[1]));
}
void fn_primitive_end(Self, Self, int, Args, RValue&) { d3d_primitive_end(); }

// Vertex arguments: x, y, z, then the normal, the texture coordinates and the colour with
// alpha where the function's name has them.
template <bool kNormal, bool kTexture, bool kColor>
void fn_vertex(Self, Self, int, Args args, RValue&) {
  int at = 3;
  double nx = 0, ny = 0, nz = 0, u = 0, v = 0;
  if (kNormal) {
    nx = number(args[at]);
    ny = number(args[at + 1]);
    nz = number(args[at + 2]);
    at += 3;
  }
  if (kTexture) {
    u = number(args[at]);
    v = number(args[at + 1]);
    at += 2;
  }
  const double x = number(args[0]), y = number(args[1]), z = number(args[2]);
  if (kColor) {
    d3d_vertex(x, y, z, nx, ny, nz, u, v, integer(args[at]), number(args[at + 1]));
  } else {
    d3d_vertex_draw_color(x, y, z, nx, ny, nz, u, v);
  }
}

// --- Shapes: the box, the texture, its repeats, then what the shape has besides ---

void fn_draw_block(Self, Self, int, Args args, RValue&) {
  d3d_draw_block(box_at(args), integer(args[6]), number(args[7]), number(args[8]));
}
void fn_draw_cylinder(Self, Self, int, Args args, RValue&) {
  d3d_draw_cylinder(box_at(args), integer(args[6]), number(args[7]), number(args[8]),
                    boolean(args[9]), integer(args[10]));
}
void fn_draw_cone(Self, Self, int, Args args, RValue&) {
  d3d_draw_cone(box_at(args), integer(args[6]), number(args[7]), number(args[8]), boolean(args[9]),
                integer(args[10]));
}
void fn_draw_ellipsoid(Self, Self, int, Args args, RValue&) {
  d3d_draw_ellipsoid(box_at(args), integer(args[6]), number(args[7]), number(args[8]),
                     integer(args[9]));
}
void fn_draw_wall(Self, Self, int, Args args, RValue&) {
  d3d_draw_wall(box_at(args), integer(args[6]), number(args[7]), number(args[8]));
}
void fn_draw_floor(Self, Self, int, Args args, RValue&) {
  d3d_draw_floor(box_at(args), integer(args[6]), number(args[7]), number(args[8]));
}

// --- Projections ---

void fn_set_projection(Self, Self, int, Args args, RValue&) {
  d3d_set_projection(vector_at(args, 0), vector_at(args, 3), vector_at(args, 6));
}
void fn_set_projection_ext(Self, Self, int, Args args, RValue&) {
  d3d_set_projection_ext(vector_at(args, 0), vector_at(args, 3), vector_at(args, 6),
                         number(args[9]), number(args[10]), number(args[11]), number(args[12]));
}
void fn_set_projection_ortho(Self, Self, int, Args args, RValue&) {
  d3d_set_projection_ortho(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                           number(args[4]));
}
void fn_set_projection_perspective(Self, Self, int, Args args, RValue&) {
  d3d_set_projection_perspective(number(args[0]), number(args[1]), number(args[2]), number(args[3]),
                                 number(args[4]));
}

// --- Transforms: set_* replace the world matrix, add_* apply after it ---

template <bool kAdd>
void apply(const RMatrix& m) {
  if (kAdd) {
    d3d_transform_add(m);
  } else {
    d3d_transform_set(m);
  }
}

void fn_set_identity(Self, Self, int, Args, RValue&) { d3d_transform_set(matrix_identity()); }
template <bool kAdd>
void fn_translation(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(matrix_translation(number(args[0]), number(args[1]), number(args[2])));
}
template <bool kAdd>
void fn_scaling(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(matrix_scaling(number(args[0]), number(args[1]), number(args[2])));
}
template <bool kAdd>
void fn_rotation_x(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(d3d_rotation_x(number(args[0])));
}
template <bool kAdd>
void fn_rotation_y(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(d3d_rotation_y(number(args[0])));
}
template <bool kAdd>
void fn_rotation_z(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(d3d_rotation_z(number(args[0])));
}
template <bool kAdd>
void fn_rotation_axis(Self, Self, int, Args args, RValue&) {
  apply<kAdd>(
      d3d_rotation_axis(number(args[0]), number(args[1]), number(args[2]), number(args[3])));
}

void fn_stack_clear(Self, Self, int, Args, RValue&) { d3d_transform_stack_clear(); }
void fn_stack_empty(Self, Self, int, Args, RValue& result) {
  set_bool(result, d3d_transform_stack_empty());
}
void fn_stack_push(Self, Self, int, Args, RValue& result) {
  set_bool(result, d3d_transform_stack_push());
}
void fn_stack_pop(Self, Self, int, Args, RValue& result) {
  set_bool(result, d3d_transform_stack_pop());
}
void fn_stack_top(Self, Self, int, Args, RValue& result) {
  set_bool(result, d3d_transform_stack_top());
}
void fn_stack_discard(Self, Self, int, Args, RValue& result) {
  set_bool(result, d3d_transform_stack_discard());
}

// --- Lights ---

void fn_light_define_direction(Self, Self, int, Args args, RValue&) {
  d3d_light_define_direction(integer(args[0]), number(args[1]), number(args[2]), number(args[3]),
                             integer(args[4]));
}
void fn_light_define_point(Self, Self, int, Args args, RValue&) {
  d3d_light_define_point(integer(args[0]), number(args[1]), number(args[2]), number(args[3]),
                         number(args[4]), integer(args[5]));
}
void fn_light_enable(Self, Self, int, Args args, RValue&) {
  d3d_light_enable(integer(args[0]), boolean(args[1]));
}

}  // namespace

void register_3d_functions() {
  register_function("d3d_start", fn_start, 0);
  register_function("d3d_end", fn_end, 0);
  register_function("d3d_set_perspective", fn_set_perspective, 1);
  register_function("d3d_set_hidden", fn_set_hidden, 1);
  register_function("d3d_set_depth", fn_set_depth, 1);
  register_function("d3d_set_lighting", fn_set_lighting, 1);
  register_function("d3d_set_shading", fn_set_shading, 1);
  register_function("d3d_set_fog", fn_set_fog, 4);
  register_function("d3d_set_culling", fn_set_culling, 1);
  register_function("d3d_primitive_begin", fn_primitive_begin, 1);
  register_function("d3d_primitive_begin_texture", fn_primitive_begin_texture, 2);
  register_function("d3d_primitive_end", fn_primitive_end, 0);
  register_function("d3d_vertex", fn_vertex<false, false, false>, 3);
  register_function("d3d_vertex_color", fn_vertex<false, false, true>, 5);
  register_function("d3d_vertex_texture", fn_vertex<false, true, false>, 5);
  register_function("d3d_vertex_texture_color", fn_vertex<false, true, true>, 7);
  register_function("d3d_vertex_normal", fn_vertex<true, false, false>, 6);
  register_function("d3d_vertex_normal_color", fn_vertex<true, false, true>, 8);
  register_function("d3d_vertex_normal_texture", fn_vertex<true, true, false>, 8);
  register_function("d3d_vertex_normal_texture_color", fn_vertex<true, true, true>, 10);
  register_function("d3d_draw_block", fn_draw_block, 9);
  register_function("d3d_draw_cylinder", fn_draw_cylinder, 11);
  register_function("d3d_draw_cone", fn_draw_cone, 11);
  register_function("d3d_draw_ellipsoid", fn_draw_ellipsoid, 10);
  register_function("d3d_draw_wall", fn_draw_wall, 9);
  register_function("d3d_draw_floor", fn_draw_floor, 9);
  register_function("d3d_set_projection", fn_set_projection, 9);
  register_function("d3d_set_projection_ext", fn_set_projection_ext, 13);
  register_function("d3d_set_projection_ortho", fn_set_projection_ortho, 5);
  register_function("d3d_set_projection_perspective", fn_set_projection_perspective, 5);
  register_function("d3d_transform_set_identity", fn_set_identity, 0);
  register_function("d3d_transform_set_translation", fn_translation<false>, 3);
  register_function("d3d_transform_set_scaling", fn_scaling<false>, 3);
  register_function("d3d_transform_set_rotation_x", fn_rotation_x<false>, 1);
  register_function("d3d_transform_set_rotation_y", fn_rotation_y<false>, 1);
  register_function("d3d_transform_set_rotation_z", fn_rotation_z<false>, 1);
  register_function("d3d_transform_set_rotation_axis", fn_rotation_axis<false>, 4);
  register_function("d3d_transform_add_translation", fn_translation<true>, 3);
  register_function("d3d_transform_add_scaling", fn_scaling<true>, 3);
  register_function("d3d_transform_add_rotation_x", fn_rotation_x<true>, 1);
  register_function("d3d_transform_add_rotation_y", fn_rotation_y<true>, 1);
  register_function("d3d_transform_add_rotation_z", fn_rotation_z<true>, 1);
  register_function("d3d_transform_add_rotation_axis", fn_rotation_axis<true>, 4);
  register_function("d3d_transform_stack_clear", fn_stack_clear, 0);
  register_function("d3d_transform_stack_empty", fn_stack_empty, 0);
  register_function("d3d_transform_stack_push", fn_stack_push, 0);
  register_function("d3d_transform_stack_pop", fn_stack_pop, 0);
  register_function("d3d_transform_stack_top", fn_stack_top, 0);
  register_function("d3d_transform_stack_discard", fn_stack_discard, 0);
  register_function("d3d_light_define_direction", fn_light_define_direction, 5);
  register_function("d3d_light_define_point", fn_light_define_point, 6);
  register_function("d3d_light_enable", fn_light_enable, 2);
}

}  // namespace vn
