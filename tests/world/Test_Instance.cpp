#include "world/Instance_Class.h"

#include <gtest/gtest.h>

#include "world/Test_Instance_World.h"

namespace vn::test {
namespace {

using InstanceFields = InstanceWorld;

struct RBox {
  int left, top, right, bottom;
  bool operator==(const RBox&) const = default;
};
RBox box_of(const CInstance& instance) {
  return {instance.bbox_left, instance.bbox_top, instance.bbox_right, instance.bbox_bottom};
}
void PrintTo(const RBox& box, std::ostream* out) {
  *out << "(" << box.left << ", " << box.top << ", " << box.right << ", " << box.bottom << ")";
}

TEST_F(InstanceFields, DirectionAndSpeedFollowTheComponents) {
  CInstance instance(100001, -1, 0, 0);
  instance.set_hspeed(0);
  instance.set_vspeed(-3);
  EXPECT_EQ(instance.direction, 90);
  EXPECT_EQ(instance.speed, 3);
  instance.set_vspeed(0);
  instance.set_hspeed(-1);
  EXPECT_EQ(instance.direction, 180);
  EXPECT_EQ(instance.speed, 1);
  instance.set_vspeed(1);
  EXPECT_EQ(instance.direction, 225);
  instance.set_hspeed(0);
  EXPECT_EQ(instance.direction, 270);

  // Components from direction and speed, snapped near integers.
  instance.set_direction(60);
  instance.set_speed(2);
  EXPECT_EQ(instance.hspeed, 1);
  EXPECT_NEAR(instance.vspeed, -1.7320508, 1e-6);
  instance.set_direction(-90);
  EXPECT_EQ(instance.direction, 270);
  EXPECT_EQ(instance.hspeed, 0);
  EXPECT_EQ(instance.vspeed, 2);
  instance.set_direction(720);
  EXPECT_EQ(instance.direction, 0);
  EXPECT_EQ(instance.hspeed, 2);
  instance.set_speed(0.99999);
  EXPECT_EQ(instance.hspeed, 1);
  EXPECT_EQ(instance.speed, 0.99999);
}

TEST_F(InstanceFields, NegativeSpeedStaysUntilAComponentChanges) {
  CInstance instance(100001, -1, 0, 0);
  instance.set_speed(-2);
  EXPECT_EQ(instance.hspeed, -2);
  EXPECT_EQ(instance.speed, -2);
  EXPECT_EQ(instance.direction, 0);
  // Setting a component to the value it has is no change at all.
  instance.set_hspeed(-2);
  EXPECT_EQ(instance.speed, -2);
  instance.set_vspeed(0.5);
  EXPECT_NEAR(instance.speed, 2.0615528, 1e-6);
  EXPECT_GT(instance.direction, 180);
}

TEST_F(InstanceFields, AnotherSpriteKeepsTheImageIndexOnlyWhenItHasThatImage) {
  int four = add_sprite(4, 8, 8, 0, 0, {0, 0, 7, 7});
  int eight = add_sprite(8, 8, 8, 0, 0, {0, 0, 7, 7});
  CInstance instance(100001, -1, 0, 0);
  instance.image_index = 5.5;
  instance.set_sprite(eight);
  EXPECT_EQ(instance.image_index, 5.5);
  instance.set_sprite(four);
  EXPECT_EQ(instance.image_index, 0);
  instance.image_index = 3.9;
  instance.set_sprite(four);
  EXPECT_EQ(instance.image_index, 3.9);
  instance.set_sprite(77);
  EXPECT_EQ(instance.image_index, 0);
}

TEST_F(InstanceFields, BoundingBoxWithScaleAndRotation) {
  int sprite = add_sprite(1, 16, 16, 8, 8, {2, 3, 13, 12});
  CInstance instance(100001, -1, 100, 50);
  EXPECT_EQ(box_of(instance), (RBox{kNoBox, kNoBox, kNoBox, kNoBox}));
  instance.set_sprite(sprite);
  EXPECT_EQ(box_of(instance), (RBox{94, 45, 105, 54}));
  instance.set_xscale(2);
  instance.set_yscale(2);
  EXPECT_EQ(box_of(instance), (RBox{88, 40, 111, 59}));
  // A mirrored sprite swaps the sides back into order.
  instance.set_xscale(-1);
  instance.set_yscale(1);
  EXPECT_EQ(box_of(instance), (RBox{93, 45, 106, 54}));
  instance.set_xscale(1);
  instance.set_angle(90);
  EXPECT_EQ(box_of(instance), (RBox{95, 45, 104, 56}));
  instance.set_angle(0);
  // Halves round to even.
  instance.set_position(100.5, 50);
  EXPECT_EQ(box_of(instance), (RBox{94, 45, 106, 54}));
}

TEST_F(InstanceFields, TheMaskSpriteDecidesTheBox) {
  int sprite = add_sprite(1, 16, 16, 0, 0, {0, 0, 15, 15});
  int mask = add_sprite(1, 4, 4, 0, 0, {1, 1, 2, 2});
  CInstance instance(100001, -1, 10, 10);
  instance.set_sprite(sprite);
  instance.set_mask(mask);
  EXPECT_EQ(box_of(instance), (RBox{11, 11, 12, 12}));
  instance.set_mask(-1);
  EXPECT_EQ(box_of(instance), (RBox{10, 10, 25, 25}));
  // A mask naming no sprite gives no box even though the sprite exists.
  instance.set_mask(9);
  EXPECT_EQ(box_of(instance), (RBox{kNoBox, kNoBox, kNoBox, kNoBox}));
}

TEST_F(InstanceFields, ANewInstanceTakesItsObjectsDefaults) {
  int sprite = add_sprite(2, 10, 10, 5, 5, {0, 0, 9, 9});
  int made = add_object(sprite);
  object(made).depth = -7;
  object(made).solid = true;
  object(made).visible = false;
  object(made).persistent = true;
  CInstance instance(100042, made, 30, 40);
  EXPECT_EQ(instance.id, 100042);
  EXPECT_EQ(instance.object_index, made);
  EXPECT_EQ(instance.sprite_index, sprite);
  EXPECT_EQ(instance.depth, -7);
  EXPECT_TRUE(instance.solid);
  EXPECT_FALSE(instance.visible);
  EXPECT_TRUE(instance.persistent);
  EXPECT_EQ(instance.xstart, 30);
  EXPECT_EQ(instance.yprevious, 40);
  EXPECT_EQ(instance.alarm[11], -1);
  EXPECT_EQ(box_of(instance), (RBox{25, 35, 34, 44}));

  // An object that does not exist leaves the defaults.
  CInstance orphan(100043, 55, 0, 0);
  EXPECT_EQ(orphan.sprite_index, -1);
  EXPECT_TRUE(orphan.visible);
  EXPECT_EQ(orphan.object, nullptr);
}

TEST_F(InstanceFields, CopyTakesEveryFieldAndTheVariables) {
  int made = add_object();
  CInstance original(100007, made, 1, 2);
  original.set_speed(3);
  original.alarm[4] = 9;
  original.path_scale = 2;
  original.timeline_loop = true;
  original.creation_code = "x = 1";
  original.variables.set(100000, 3, RValue("three"));
  CInstance copy(100008, -1, 0, 0);
  copy.copy_from(original);
  EXPECT_EQ(copy.id, 100007);
  EXPECT_EQ(copy.object_index, made);
  EXPECT_EQ(copy.x, 1);
  EXPECT_EQ(copy.hspeed, 3);
  EXPECT_EQ(copy.alarm[4], 9);
  EXPECT_EQ(copy.path_scale, 2);
  EXPECT_TRUE(copy.timeline_loop);
  EXPECT_EQ(copy.creation_code, "x = 1");
  RValue value;
  ASSERT_TRUE(copy.variables.get(100000, 3, value));
  EXPECT_EQ(value.string.str(), "three");
  // The variables are the copy's own.
  original.variables.set(100000, 3, RValue(1.0));
  ASSERT_TRUE(copy.variables.get(100000, 3, value));
  EXPECT_TRUE(value.is_string());
}

TEST_F(InstanceFields, PathPositionsAreClamped) {
  CInstance instance(100001, -1, 0, 0);
  instance.set_path_position(1.5);
  instance.set_path_position_previous(-0.25);
  EXPECT_EQ(instance.path_position, 1);
  EXPECT_EQ(instance.path_positionprevious, 0);
}

}  // namespace
}  // namespace vn::test
