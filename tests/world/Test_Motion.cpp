#include <gtest/gtest.h>

#include <memory>

#include "world/Instance_Class.h"
#include "world/Motion_Main.h"
#include "world/Path_Class.h"
#include "world/Run_Global.h"

namespace vn {
namespace {

TEST(Motion, FrictionStopsWithoutTurningRound) {
  CInstance a(100001, -1, 0, 0);
  a.friction = 0.5;
  a.set_speed(0.3);
  move_instance(a);
  EXPECT_EQ(a.speed, 0);
  CInstance b(100002, -1, 0, 0);
  b.friction = 0.5;
  b.set_speed(-2);
  move_instance(b);
  EXPECT_DOUBLE_EQ(b.speed, -1.5);
  EXPECT_NEAR(b.x, -1.5, 1e-9);
}

TEST(Motion, GravityFromRestThenMove) {
  CInstance a(100001, -1, 10, 10);
  a.gravity = 0.5;
  move_instance(a);
  EXPECT_NEAR(a.vspeed, 0.5, 1e-9);
  EXPECT_NEAR(a.direction, 270, 1e-9);
  EXPECT_NEAR(a.speed, 0.5, 1e-9);
  EXPECT_NEAR(a.y, 10.5, 1e-9);
}

class PathFollowing : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = world_resources().paths;
    auto path = std::make_unique<CPath>();
    path->closed = false;
    path->add_point(0, 0, 100);
    path->add_point(100, 0, 100);
    paths_.add("p", std::move(path));
    world_resources().paths = &paths_;
  }
  void TearDown() override { world_resources().paths = saved_; }
  std::unique_ptr<CInstance> start(int32_t endaction) {
    auto a = std::make_unique<CInstance>(100001, -1, 50, 50);
    a->path_index = 0;
    a->path_speed = 40;
    a->path_endaction = endaction;
    a->path_xstart = 50;
    a->path_ystart = 50;
    return a;
  }
  TResourceList<CPath> paths_;
  TResourceList<CPath>* saved_ = nullptr;
};

TEST_F(PathFollowing, StepsAndEndActions) {
  auto a_owner = start(0);
  CInstance& a = *a_owner;
  EXPECT_FALSE(advance_path(a));
  EXPECT_NEAR(a.x, 90, 1e-9);
  EXPECT_EQ(a.speed, 0);
  advance_path(a);
  EXPECT_TRUE(advance_path(a));  // stop: at the last point, path left
  EXPECT_NEAR(a.x, 150, 1e-9);
  EXPECT_EQ(a.path_index, -1);

  auto r_owner = start(1);
  CInstance& r = *r_owner;
  for (int i = 0; i < 3; ++i) advance_path(r);
  EXPECT_NEAR(r.path_position, 0.2, 1e-9);
  EXPECT_NEAR(r.x, 70, 1e-9);

  auto c_owner = start(2);
  CInstance& c = *c_owner;
  for (int i = 0; i < 3; ++i) advance_path(c);
  EXPECT_NEAR(c.x, 170, 1e-9);
  EXPECT_NEAR(c.path_xstart, 150, 1e-9);

  auto v_owner = start(3);
  CInstance& v = *v_owner;
  for (int i = 0; i < 3; ++i) advance_path(v);
  EXPECT_NEAR(v.path_position, 0.8, 1e-9);
  EXPECT_LT(v.path_speed, 0);
  EXPECT_NEAR(v.x, 130, 1e-9);
}

}  // namespace
}  // namespace vn
