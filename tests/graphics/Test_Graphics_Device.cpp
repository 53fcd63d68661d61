// The device's camera: room rectangles onto clip space, turned views, and the matrices
// under it.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Matrix.h"

namespace vn {
namespace {

void expect_point(const RVector3& actual, double x, double y) {
  EXPECT_NEAR(actual.x, x, 1e-5);
  EXPECT_NEAR(actual.y, y, 1e-5);
}

TEST(GraphicsDevice, TheProjectionMapsTheRoomRectangleOntoClipSpaceWithYDown) {
  CGraphicsDevice device;
  device.create(nullptr, 640, 480, 1024, 768);
  EXPECT_EQ(device.back_buffer_width(), 640);
  device.set_projection(0, 480, 640, 0, 0);
  const RMatrix& m = device.transform();
  expect_point(matrix_transform_point(m, {0, 0, 0}), -1, 1);
  expect_point(matrix_transform_point(m, {640, 480, 0}), 1, -1);
  expect_point(matrix_transform_point(m, {320, 240, 0}), 0, 0);
  // Depth 0 is in the middle of the near and far planes' span, in front of the camera.
  const double z = matrix_transform_point(m, {10, 10, 0}).z;
  EXPECT_GT(z, 0);
  EXPECT_LT(z, 1);

  // A view of the room's (100, 50, 200, 100) fills clip space.
  device.set_projection(0, 100, 200, 50, 100);
  expect_point(matrix_transform_point(device.transform(), {100, 50, 0}), -1, 1);
  expect_point(matrix_transform_point(device.transform(), {300, 150, 0}), 1, -1);
}

TEST(GraphicsDevice, ATurnedViewTurnsTheRoomTheOtherWay) {
  CGraphicsDevice device;
  device.create(nullptr, 100, 100, 1024, 768);
  // Turned by 90 degrees: what lies right of the view's centre shows above it.
  device.set_projection(90, 100, 100, 0, 0);
  expect_point(matrix_transform_point(device.transform(), {100, 50, 0}), 0, 1);
  expect_point(matrix_transform_point(device.transform(), {50, 0, 0}), -1, 0);
}

TEST(GraphicsDevice, BackBufferRegionIsClippedToTheDesktop) {
  CGraphicsDevice device;
  device.create(nullptr, 2000, 300, 1024, 768);
  EXPECT_EQ(device.back_buffer_width(), 1024);
  EXPECT_EQ(device.back_buffer_height(), 300);
  device.set_back_buffer_region(0, -5);
  EXPECT_EQ(device.back_buffer_width(), 1);
  EXPECT_EQ(device.back_buffer_height(), 1);
}

TEST(GraphicsDevice, StatesAreRememberedAndDepthCountsOnlyIn3D) {
  CGraphicsDevice device;
  device.create(nullptr, 64, 64, 1024, 768);
  device.set_blend_mode(kBlendAdd);
  EXPECT_EQ(device.states().blend_source, kBlendSourceAlpha);
  EXPECT_EQ(device.states().blend_dest, kBlendOne);
  device.set_blend_mode(kBlendSubtract);
  EXPECT_EQ(device.states().blend_source, kBlendZero);
  EXPECT_EQ(device.states().blend_dest, kBlendInverseSourceColor);
  device.set_blend_mode(7);  // not a mode: normal
  EXPECT_EQ(device.states().blend_dest, kBlendInverseSourceAlpha);
  device.set_current_depth(500);
  EXPECT_EQ(device.current_depth(), 0.0f);
}

TEST(GraphicsDevice, DeviceColoursPutTheAlphaOnTopAndSwapRedAndBlue) {
  EXPECT_EQ(device_color(0x0000FF, 1), 0xFFFF0000u);
  EXPECT_EQ(device_color(0x123456, 0.5), 0x80563412u);
  EXPECT_EQ(device_color(0xFFFFFF, -3), 0x00FFFFFFu);
  EXPECT_EQ(device_color(0, 7), 0xFF000000u);
}

TEST(GraphicsMatrix, RotationsAndTheirProducts) {
  const double quarter = std::acos(0.0);
  // Row vectors: x turns towards y about z.
  expect_point(matrix_transform_point(matrix_rotation_z(quarter), {1, 0, 0}), 0, 1);
  const RMatrix moved = matrix_multiply(matrix_scaling(2, 3, 1), matrix_translation(10, 20, 0));
  expect_point(matrix_transform_point(moved, {1, 1, 0}), 12, 23);
  const RVector3 about_x =
      matrix_transform_point(matrix_rotation_axis({1, 0, 0}, quarter), {0, 1, 0});
  EXPECT_NEAR(about_x.z, 1, 1e-6);
  EXPECT_NEAR(matrix_transform_point(matrix_rotation_x(quarter), {0, 1, 0}).z, 1, 1e-6);
}

}  // namespace
}  // namespace vn
