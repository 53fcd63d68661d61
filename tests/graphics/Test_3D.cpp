// 3D drawing on a real device: scripts switch 3D mode on, set a camera, lights and fog and
// draw into a headless back buffer, which is read back pixel by pixel. The camera of most
// cases sits at the origin looking along +z with +y up and a 90° field of view, so a point
// (x, y, z) lands at column 32 + 24 x / z and row 24 − 24 y / z of the 64 × 48 frame.
#include <gtest/gtest.h>

#include <string>

#include "graphics/Device_Test_Support.h"
#include "graphics/Frame_Test_Support.h"
#include "graphics/Graphics_3D.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"

namespace vn::test {
namespace {

using frames::expect_golden;
using frames::shoot;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

constexpr const char* kCamera =
    "d3d_set_projection_ext(0, 0, 0, 0, 0, 1, 0, 1, 0, 90, 64 / 48, 1, 1000);";

// A square 10 wide centred on the axis at that z, facing the camera.
std::string square(double z, const std::string& vertex = "d3d_vertex_normal") {
  const std::string zs = std::to_string(z);
  std::string program = "d3d_primitive_begin(6);";
  for (const char* corner : {"-5, -5", "-5, 5", "5, 5", "5, -5"}) {
    program += vertex + "(" + corner + ", " + zs + ", 0, 0, -1);";
  }
  return program + "d3d_primitive_end();";
}

class D3DTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(kWidth, kHeight);
    install();
    set_draw_color(0xFFFFFF);
    set_draw_alpha(1);
    ASSERT_TRUE(d3d_start());
  }

  void TearDown() override {
    d3d_set_lighting(false);
    d3d_set_fog(false, 0, 0, 0);
    d3d_set_culling(false);
    d3d_set_shading(true);
    for (int i = 0; i < kRenderLights; ++i) graphics_device().set_light(i, RLight{});
    d3d_transform_set(matrix_identity());
    d3d_transform_stack_clear();
    d3d_end();
    set_draw_color(0);
    DeviceWorldTest::TearDown();
    close_device();
  }

  // The program drawn over a black frame under the room's own (2D) camera.
  TBitmap32 drawn(const std::string& program) {
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, kWidth, kHeight);
    device.set_projection(0, kHeight, kWidth, 0, 0);
    device.clear(0xFF000000u);
    exec(program);
    return back_buffer();
  }
};

TEST_F(D3DTest, ModeSwitchesDepthAlong) {
  EXPECT_TRUE(graphics_device().mode_3d());
  EXPECT_TRUE(graphics_device().states().hidden_surface_removal);
  exec("d3d_set_depth(20000);");
  EXPECT_EQ(graphics_device().current_depth(), 16000);
  exec("d3d_set_depth(-123.5);");
  EXPECT_EQ(graphics_device().current_depth(), -123.5);
  EXPECT_EQ(eval("d3d_end()").real, 1);
  EXPECT_FALSE(graphics_device().mode_3d());
  EXPECT_FALSE(graphics_device().states().hidden_surface_removal);
  EXPECT_EQ(graphics_device().current_depth(), 0);
  exec("d3d_set_depth(50);");
  EXPECT_EQ(graphics_device().current_depth(), 0);
}

// Nearer drawing hides farther drawing made after it only while hidden-surface removal is
// on; in 2D the last one drawn is on top.
TEST_F(D3DTest, DepthTestingOnAndOff) {
  const std::string program =
      "d3d_set_projection_ortho(0, 0, 64, 48, 0);"
      "draw_set_color(c_blue); d3d_set_depth(0); draw_rectangle(10, 10, 40, 30, false);"
      "draw_set_color(c_red); d3d_set_depth(100); draw_rectangle(20, 20, 50, 40, false);";
  TBitmap32 f = drawn(program);
  EXPECT_RGB(f, 30, 25, kBlue);
  EXPECT_RGB(f, 45, 35, kRed);
  EXPECT_RGB(f, 15, 15, kBlue);
  f = drawn("d3d_set_hidden(false);" + program);
  EXPECT_RGB(f, 30, 25, kRed);
  f = drawn("d3d_set_hidden(true); d3d_end();" + program);
  EXPECT_RGB(f, 30, 25, kRed);
}

// The perspective of the room's camera shows depth 0 at its 2D size and twice the eye's
// distance at half of it; the orthographic one shows every depth alike.
TEST_F(D3DTest, RoomProjectionsOrthographicAndPerspective) {
  const std::string rectangle = "d3d_set_depth(64); draw_rectangle(16, 12, 47, 35, false);";
  TBitmap32 f = drawn("d3d_set_projection_perspective(0, 0, 64, 48, 0);" + rectangle);
  EXPECT_RGB(f, 32, 24, kWhite);
  EXPECT_RGB(f, 26, 20, kWhite);
  EXPECT_RGB(f, 20, 15, kBlack);
  EXPECT_RGB(f, 44, 33, kBlack);
  f = drawn("d3d_set_projection_ortho(0, 0, 64, 48, 0);" + rectangle);
  EXPECT_RGB(f, 20, 15, kWhite);
  EXPECT_RGB(f, 44, 33, kWhite);
  EXPECT_RGB(f, 14, 15, kBlack);
  // Depth 0 in perspective looks as in 2D, the room's y growing downwards.
  f = drawn(
      "d3d_set_projection_perspective(0, 0, 64, 48, 0); d3d_set_depth(0);"
      "draw_rectangle(2, 3, 20, 10, false);");
  EXPECT_RGB(f, 2, 3, kWhite);
  EXPECT_RGB(f, 20, 10, kWhite);
  EXPECT_RGB(f, 10, 40, kBlack);
  EXPECT_RGB(f, 21, 11, kBlack);
}

// A square 10 wide at z 10 spans 24 columns; at z 20 half as many.
TEST_F(D3DTest, LookAtPerspectiveDividesByDistance) {
  TBitmap32 f = drawn(kCamera + square(10));
  EXPECT_RGB(f, 32, 24, kWhite);
  EXPECT_RGB(f, 22, 15, kWhite);
  EXPECT_RGB(f, 18, 24, kBlack);
  EXPECT_RGB(f, 32, 10, kBlack);
  f = drawn(kCamera + square(20));
  EXPECT_RGB(f, 32, 24, kWhite);
  EXPECT_RGB(f, 27, 24, kWhite);
  EXPECT_RGB(f, 23, 24, kBlack);
  // Behind the camera nothing shows.
  EXPECT_RGB(drawn(kCamera + square(-10)), 32, 24, kBlack);
}

TEST_F(D3DTest, TransformsAndTheirStack) {
  exec("d3d_transform_set_translation(10, 0, 0); d3d_transform_add_scaling(2, 2, 2);");
  RVector3 p = matrix_transform_point(d3d_world(), {1, 0, 0});
  EXPECT_NEAR(p.x, 22, 1e-4);
  // Scripts turn by minus the angle: x goes to −y.
  exec("d3d_transform_set_rotation_z(90);");
  p = matrix_transform_point(d3d_world(), {1, 0, 0});
  EXPECT_NEAR(p.x, 0, 1e-5);
  EXPECT_NEAR(p.y, -1, 1e-5);

  exec("d3d_transform_set_translation(5, 6, 7);");
  const RMatrix moved = d3d_world();
  EXPECT_EQ(eval("d3d_transform_stack_pop()").real, 0);
  EXPECT_EQ(eval("d3d_transform_stack_top()").real, 0);
  EXPECT_EQ(eval("d3d_transform_stack_discard()").real, 0);
  EXPECT_EQ(d3d_world(), moved);
  EXPECT_EQ(eval("d3d_transform_stack_empty()").real, 1);

  for (int i = 0; i <= kTransformStackTop; ++i) ASSERT_TRUE(d3d_transform_stack_push()) << i;
  EXPECT_EQ(eval("d3d_transform_stack_push()").real, 0);
  exec("d3d_transform_set_identity();");
  EXPECT_EQ(eval("d3d_transform_stack_top()").real, 1);
  EXPECT_EQ(d3d_world(), moved);
  exec("d3d_transform_set_identity(); d3d_transform_stack_discard();");
  EXPECT_EQ(eval("d3d_transform_stack_push()").real, 1);
  exec("d3d_transform_stack_clear();");
  EXPECT_EQ(eval("d3d_transform_stack_empty()").real, 1);

  // The world matrix moves what is drawn: the square moved right by 5 at z 10.
  const TBitmap32 f = drawn(std::string(kCamera) + "d3d_transform_set_translation(5, 0, 0);" +
                            square(10) + "d3d_transform_set_identity();");
  EXPECT_RGB(f, 20, 24, kBlack);
  EXPECT_RGB(f, 50, 24, kWhite);
}

// Lit, a white square facing the light takes the light's colour; turned 60° away, half of
// it; a point light dims with 1 / (1 + 4 d / range) and stops at its range. Light is worked
// out at the corners: the point light's centre shows the corners' 0.816 × 1 / 1.49.
TEST_F(D3DTest, LightsOnAPlane) {
  const std::string lit = std::string(kCamera) + "d3d_set_lighting(true);";
  EXPECT_RGB(drawn(lit + square(10)), 32, 24, kBlack);
  const std::string light = "d3d_light_define_direction(1, 0, 0, 1, make_color_rgb(200, 100, 50));";
  EXPECT_RGB(drawn(lit + light + square(10)), 32, 24, kBlack);
  EXPECT_RGB(drawn(lit + light + "d3d_light_enable(1, true);" + square(10)), 32, 24, 0xC86432);
  EXPECT_RGB(drawn(lit +
                   "d3d_light_define_direction(1, sqrt(3), 0, 1, make_color_rgb(200, 100, "
                   "50));" +
                   square(10)),
             32, 24, 0x643219);
  // The vertex colour is the material.
  EXPECT_RGB(drawn(lit + "d3d_light_define_direction(1, 0, 0, 1, c_white);" +
                   "d3d_primitive_begin(6);"
                   "d3d_vertex_normal_color(-5, -5, 10, 0, 0, -1, c_red, 1);"
                   "d3d_vertex_normal_color(-5, 5, 10, 0, 0, -1, c_red, 1);"
                   "d3d_vertex_normal_color(5, 5, 10, 0, 0, -1, c_red, 1);"
                   "d3d_vertex_normal_color(5, -5, 10, 0, 0, -1, c_red, 1);"
                   "d3d_primitive_end();"),
             32, 24, kRed);
  exec("d3d_light_enable(1, false);");
  EXPECT_RGB(drawn(lit +
                   "d3d_light_define_point(3, 0, 0, 0, 100, c_white);"
                   "d3d_light_enable(3, true);" +
                   square(10)),
             32, 24, 0x8C8C8C);
  EXPECT_RGB(drawn(lit + "d3d_light_define_point(3, 0, 0, 0, 5, c_white);" + square(10)), 32, 24,
             kBlack);
  // Unlit again, the square shows its own colour.
  EXPECT_RGB(drawn(std::string(kCamera) + "d3d_set_lighting(false);" + square(10)), 32, 24, kWhite);
}

// Linear fog from 10 to 30 along the view: half way at 20, all fog beyond 30.
TEST_F(D3DTest, FogByDistance) {
  const std::string fog = std::string(kCamera) + "d3d_set_fog(true, c_blue, 10, 30);";
  EXPECT_RGB(drawn(fog + square(5)), 32, 24, kWhite);
  EXPECT_RGB(drawn(fog + square(20)), 32, 24, 0x8080FF);
  EXPECT_RGB(drawn(fog + square(40)), 32, 24, kBlue);
  EXPECT_RGB(drawn(std::string(kCamera) + "d3d_set_fog(false, c_blue, 10, 30);" + square(40)), 32,
             24, kWhite);
}

// Culling drops triangles wound counter-clockwise on the screen; every face of a block and
// a closed cylinder is wound to show from outside and vanish from inside.
TEST_F(D3DTest, Culling) {
  const std::string on = std::string(kCamera) + "d3d_set_culling(true);";
  // The corners of square() run clockwise on the screen.
  EXPECT_RGB(drawn(on + square(10)), 32, 24, kWhite);
  EXPECT_RGB(drawn(on + "d3d_primitive_begin(6); d3d_vertex(5, -5, 10); d3d_vertex(5, 5, 10);"
                        "d3d_vertex(-5, 5, 10); d3d_vertex(-5, -5, 10); d3d_primitive_end();"),
             32, 24, kBlack);
  EXPECT_RGB(drawn(on + "d3d_draw_block(-5, -5, 10, 5, 5, 20, -1, 1, 1);"), 32, 24, kWhite);
  EXPECT_RGB(drawn(on + "d3d_draw_block(5, 5, 20, -5, -5, 10, -1, 1, 1);"), 32, 24, kWhite);
  EXPECT_RGB(drawn(on + "d3d_draw_block(-50, -50, -50, 50, 50, 50, -1, 1, 1);"), 32, 24, kBlack);
  EXPECT_RGB(drawn(on + "d3d_draw_cylinder(-50, -50, -50, 50, 50, 50, -1, 1, 1, true, 12);"), 32,
             24, kBlack);
  // A cone with its base towards the camera shows the base only when closed; turned round,
  // its side.
  EXPECT_RGB(drawn(on + "d3d_draw_cone(-5, -5, 10, 5, 5, 20, -1, 1, 1, false, 12);"), 32, 24,
             kBlack);
  EXPECT_RGB(drawn(on + "d3d_draw_cone(-5, -5, 10, 5, 5, 20, -1, 1, 1, true, 12);"), 32, 24,
             kWhite);
  EXPECT_RGB(drawn(on + "d3d_draw_cone(-5, -5, 20, 5, 5, 10, -1, 1, 1, false, 12);"), 32, 24,
             kWhite);
  EXPECT_RGB(drawn(on + "d3d_draw_ellipsoid(-50, -50, -50, 50, 50, 50, -1, 1, 1, 12);"), 32, 24,
             kBlack);
  EXPECT_RGB(drawn(on + "d3d_draw_ellipsoid(-5, -5, 10, 5, 5, 20, -1, 1, 1, 12);"), 32, 24, kWhite);
  EXPECT_RGB(drawn(std::string(kCamera) + "d3d_set_culling(false);" +
                   "d3d_draw_block(-50, -50, -50, 50, 50, 50, -1, 1, 1);"),
             32, 24, kWhite);
}

// Seen along their axis from above, cylinders show their cross-section: 3 steps make a
// triangle with a corner at +x, so the point half-way out at −x stays empty; steps are
// clamped to 3 ... 128.
TEST_F(D3DTest, CylinderStepsAreClamped) {
  auto cylinder = [&](int steps) {
    return drawn(std::string(kCamera) + "d3d_draw_cylinder(-10, -10, 20, 10, 10, 30, -1, 1, 1, " +
                 "true, " + std::to_string(steps) + ");");
  };
  // The top at z 20: radius 10 spans 12 pixels; −x at 8 is column 22.
  const TBitmap32 three = cylinder(3);
  EXPECT_RGB(three, 41, 24, kWhite);
  EXPECT_RGB(three, 23, 24, kBlack);
  const TBitmap32 two = cylinder(2);
  EXPECT_EQ(two.image().pixels, three.image().pixels);
  const TBitmap32 many = cylinder(500);
  EXPECT_RGB(many, 23, 24, kWhite);
  EXPECT_EQ(many.image().pixels, cylinder(128).image().pixels);
}

// Walls stand between their two corners from z1 to z2, here a ceiling at y 5 from z 10 to
// 20 (rows 12 ... 18); a wall of no length draws nothing. Floors lie at z1 along x1 and at
// z2 along x2.
TEST_F(D3DTest, WallsAndFloors) {
  TBitmap32 f = drawn(std::string(kCamera) + "d3d_draw_wall(-5, 5, 10, 5, 5, 20, -1, 1, 1);");
  EXPECT_RGB(f, 32, 15, kWhite);
  EXPECT_RGB(f, 32, 10, kBlack);
  EXPECT_RGB(f, 32, 24, kBlack);
  f = drawn(std::string(kCamera) + "d3d_draw_wall(3, 3, 10, 3, 3, 20, -1, 1, 1);");
  EXPECT_RGB(f, 37, 19, kBlack);
  f = drawn(std::string(kCamera) + "d3d_draw_floor(-5, -5, 10, 5, 5, 20, -1, 1, 1);");
  // The left edge at z 10 reaches column 20, the right one at z 20 only column 38.
  EXPECT_RGB(f, 32, 24, kWhite);
  EXPECT_RGB(f, 21, 24, kWhite);
  EXPECT_RGB(f, 40, 24, kBlack);
  EXPECT_RGB(f, 37, 16, kBlack);
}

// Flat shading gives a triangle its first vertex's colour; Gouraud blends towards the others.
TEST_F(D3DTest, FlatAndGouraudShading) {
  const std::string triangle = std::string(kCamera) +
                               "d3d_primitive_begin(4);"
                               "d3d_vertex_color(-5, -5, 10, c_red, 1);"
                               "d3d_vertex_color(0, 5, 10, c_blue, 1);"
                               "d3d_vertex_color(5, -5, 10, c_blue, 1);"
                               "d3d_primitive_end();";
  EXPECT_RGB(drawn("d3d_set_shading(false);" + triangle), 32, 28, kRed);
  const uint32_t smooth = drawn("d3d_set_shading(true);" + triangle).pixel(32, 28) & 0xFFFFFF;
  EXPECT_GT(smooth & 0xFF, 0x40u) << std::hex << smooth;
  EXPECT_GT(smooth >> 16, 0x40u) << std::hex << smooth;
}

// A textured primitive samples its texture times the vertex colour; with repeat on,
// coordinates past 1 wrap round, clamped they keep the edge's texel.
TEST_F(D3DTest, TexturedPrimitives) {
  exec(
      "global.s = surface_create(2, 1); surface_set_target(global.s); draw_clear(c_red);"
      "draw_point_color(1, 0, c_lime); surface_reset_target();");
  EXPECT_EQ(eval("surface_getpixel(global.s, 1, 0)").real, 65280);
  EXPECT_EQ(eval("surface_getpixel(global.s, 0, 0)").real, 255);
  const std::string quad = std::string(kCamera) +
                           "d3d_primitive_begin_texture(6, surface_get_texture(global.s));"
                           "d3d_vertex_texture(-5, -5, 10, 0, 0);"
                           "d3d_vertex_texture(-5, 5, 10, 0, 1);"
                           "d3d_vertex_texture(5, 5, 10, 2, 1);"
                           "d3d_vertex_texture(5, -5, 10, 2, 0);"
                           "d3d_primitive_end();";
  // The square spans columns 20 ... 44, a quarter of it per texel with repeat.
  TBitmap32 f = drawn("texture_set_interpolation(false); texture_set_repeat(true);" + quad);
  EXPECT_RGB(f, 23, 24, kRed);
  EXPECT_RGB(f, 29, 24, 0x00FF00);
  EXPECT_RGB(f, 35, 24, kRed);
  EXPECT_RGB(f, 41, 24, 0x00FF00);
  f = drawn("texture_set_repeat(false);" + quad);
  EXPECT_RGB(f, 35, 24, 0x00FF00);
  EXPECT_RGB(f, 41, 24, 0x00FF00);
  exec("surface_free(global.s);");
}

// Shapes switch texture repeat on for themselves only.
TEST_F(D3DTest, ShapesLeaveTextureRepeatAlone) {
  exec(
      "texture_set_repeat(false); d3d_draw_block(0, 0, 0, 1, 1, 1, -1, 2, 2);"
      "d3d_draw_cylinder(0, 0, 0, 1, 1, 1, -1, 2, 2, true, 8);");
  EXPECT_FALSE(graphics_device().states().texture_repeat);
  exec("texture_set_repeat(true); d3d_draw_floor(0, 0, 0, 1, 1, 1, -1, 2, 2);");
  EXPECT_TRUE(graphics_device().states().texture_repeat);
  exec("texture_set_repeat(false);");
}

// A triangle list takes 32001 vertices: a visible triangle ending at the 32001st shows,
// one starting after it does not.
TEST_F(D3DTest, PrimitivesKeepTheirVertexLimit) {
  auto list = [&](int hidden_triangles, int extra) {
    std::string program = std::string(kCamera) + "d3d_primitive_begin(4);" + "repeat (" +
                          std::to_string(hidden_triangles * 3 + extra) +
                          ") d3d_vertex(0, 0, -10);" +
                          "d3d_vertex(-5, -5, 10); d3d_vertex(0, 5, 10); d3d_vertex(5, -5, 10);"
                          "d3d_primitive_end();";
    return drawn(program);
  };
  EXPECT_RGB(list(10666, 0), 32, 24, kWhite);
  EXPECT_RGB(list(10666, 1), 32, 24, kBlack);
}

// A lit, fogged scene: a floor, a block, a cylinder and a ball under a directional light
// and a point light, fog in the distance.
// A room without a background colour draws near red in its first frame and far blue in the
// second: the second frame's depth buffer must not remember the first.
TEST(D3DFrames, EveryFrameStartsWithAnEmptyDepthBuffer) {
  EXPECT_RGB(shoot("d3d_depth_frames", 1), 16, 12, kBlue);
}

// Two views over the same port: the second draws far blue after the first drew near red,
// and must not hide behind it.
TEST(D3DFrames, EveryViewStartsWithAnEmptyDepthBuffer) {
  EXPECT_RGB(shoot("d3d_view_depth", 1), 16, 12, kBlue);
}

TEST(D3DFrames, LitFoggedScene) { expect_golden("d3d_scene", shoot("d3d_scene", 1)); }

}  // namespace
}  // namespace vn::test
