// Particle systems stepped directly with a fixed seed: lifetimes and counts, spawning,
// emitter regions and distributions, and what attractors, destroyers, deflectors and
// changers do to a particle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "graphics/Particle_Effect.h"
#include "graphics/Particle_Main.h"
#include "script/Function_Math.h"

namespace vn::test {
namespace {

class ParticleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    particle_world_reset();
    set_random_seed(12345);
    system_id = particle_system_create();
    type_id = particle_type_create();
  }
  void TearDown() override { particle_world_reset(); }
  RParticleSystem& system() { return *particle_system_at(system_id); }
  RParticleType& type() { return *particle_type_at(type_id); }
  // One resting particle of the type at (x, y).
  RParticle& one_at(double x, double y) {
    particles_create(system(), x, y, type_id, 1);
    return system().particles.back();
  }

  int system_id = -1;
  int type_id = -1;
};

TEST_F(ParticleTest, ParticlesLiveTheirLifeAndASeededRunRepeats) {
  type().life_min = 5;
  type().life_max = 10;
  particles_create(system(), 0, 0, type_id, 200);
  std::vector<int> lives;
  for (const RParticle& p : system().particles) {
    EXPECT_GE(p.life, 5);
    EXPECT_LE(p.life, 10);
    lives.push_back(p.life);
  }
  for (int step = 1; step <= 11; ++step) {
    particle_system_update(system());
    const auto expected =
        std::count_if(lives.begin(), lives.end(), [&](int l) { return l > step; });
    EXPECT_EQ(system().particles.size(), size_t(expected)) << "step " << step;
  }
  EXPECT_TRUE(system().particles.empty());

  // The same seed gives the same particles.
  set_random_seed(777);
  particles_create(system(), 0, 0, type_id, 20);
  const std::vector<RParticle> first = system().particles;
  system().particles.clear();
  set_random_seed(777);
  particles_create(system(), 0, 0, type_id, 20);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].life, system().particles[i].life);
    EXPECT_EQ(first[i].phase, system().particles[i].phase);
  }
}

TEST_F(ParticleTest, ARangeWithoutWidthDrawsNothing) {
  const uint32_t seed = random_seed();
  EXPECT_EQ(random_in_range(4, 4, kDistrGaussian), 4);
  EXPECT_EQ(random_in_range(5, 2, kDistrLinear), 5);
  EXPECT_EQ(random_seed(), seed);
}

TEST_F(ParticleTest, DeathAndStepNumbersSpawnParticles) {
  const int spark = particle_type_create();
  particle_type_at(spark)->life_min = particle_type_at(spark)->life_max = 50;
  // Life 0 dies in the first update and leaves its death particles at once.
  type().life_min = type().life_max = 0;
  type().death_type = spark;
  type().death_number = 3;
  one_at(7, 9);
  particle_system_update(system());
  ASSERT_EQ(system().particles.size(), 3u);
  for (const RParticle& p : system().particles) {
    EXPECT_EQ(p.type, spark);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);
  }

  // A step number of -10: one particle about every tenth step of each particle.
  system().particles.clear();
  type().life_min = type().life_max = 1000;
  type().death_number = 0;
  type().step_type = spark;
  type().step_number = -10;
  particles_create(system(), 0, 0, type_id, 1000);
  particle_system_update(system());
  const size_t spawned = system().particles.size() - 1000;
  EXPECT_GT(spawned, 60u);
  EXPECT_LT(spawned, 140u);

  // A type that fires itself on death does not loop within a step.
  system().particles.clear();
  type().life_min = type().life_max = 0;
  type().step_number = 0;
  type().death_type = type_id;
  type().death_number = 2;
  one_at(0, 0);
  particle_system_update(system());
  EXPECT_EQ(system().particles.size(), 2u);
  particle_system_update(system());
  EXPECT_EQ(system().particles.size(), 4u);
}

TEST_F(ParticleTest, EmittersPlaceParticlesInTheirRegion) {
  REmitter emitter;
  emitter.used = true;
  emitter.region = {10, 50, 100, 120, kRegionEllipse};
  emitter_burst(system(), emitter, type_id, 500);
  ASSERT_EQ(system().particles.size(), 500u);
  for (const RParticle& p : system().particles) {
    const double u = (p.x - 30) / 20, v = (p.y - 110) / 10;
    EXPECT_LE(u * u + v * v, 1.0001);
  }

  system().particles.clear();
  emitter.region.shape = kRegionDiamond;
  emitter_burst(system(), emitter, type_id, 500);
  for (const RParticle& p : system().particles) {
    EXPECT_LE(std::abs(p.x - 30) / 20 + std::abs(p.y - 110) / 10, 1.0001);
  }

  // A line runs from corner to corner.
  system().particles.clear();
  emitter.region.shape = kRegionLine;
  emitter_burst(system(), emitter, type_id, 100);
  for (const RParticle& p : system().particles) {
    EXPECT_NEAR((p.x - 10) / 40, (p.y - 100) / 20, 1e-9);
  }

  // Gaussian gathers in the middle, inverse gaussian at both ends.
  int middle = 0, ends = 0;
  for (int i = 0; i < 2000; ++i) {
    const double g = random_in_range(0, 1, kDistrGaussian);
    const double inv = random_in_range(0, 1, kDistrInvGaussian);
    ASSERT_TRUE(g >= 0 && g <= 1 && inv >= 0 && inv <= 1);
    if (std::abs(g - 0.5) < 0.25) ++middle;
    if (std::abs(inv - 0.5) > 0.25) ++ends;
  }
  EXPECT_GT(middle, 1500);  // about 87%
  EXPECT_GT(ends, 1500);
}

TEST_F(ParticleTest, StreamsEmitEveryStep) {
  type().life_min = type().life_max = 1000;
  system().emitters.resize(1);
  REmitter& emitter = system().emitters[0];
  emitter.used = true;
  emitter.region = {0, 10, 0, 10, kRegionRectangle};
  emitter.stream_type = type_id;
  emitter.stream_number = 4;
  for (int i = 0; i < 5; ++i) particle_system_update(system());
  EXPECT_EQ(system().particles.size(), 20u);
  for (const RParticle& p : system().particles) {
    EXPECT_TRUE(p.x >= 0 && p.x <= 10 && p.y >= 0 && p.y <= 10);
  }
}

TEST_F(ParticleTest, AttractorsPullByTheirKind) {
  system().attractors.resize(1);
  RAttractor& a = system().attractors[0];
  a = {true, 100, 0, 2, 50, kForceLinear, false};
  // Linear at 40 of 50: a fifth of the force, for this step only.
  one_at(60, 0);
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, 60.4, 1e-9);
  EXPECT_NEAR(system().particles[0].speed, 0, 1e-9);
  // Exactly at its distance nothing; at its centre nothing either.
  system().particles.clear();
  one_at(50, 0);
  one_at(100, 0);
  particle_system_update(system());
  EXPECT_EQ(system().particles[0].x, 50);
  EXPECT_EQ(system().particles[1].x, 100);
  // Quadratic: the square of the fraction; constant: the whole force.
  system().particles.clear();
  a.kind = kForceQuadratic;
  one_at(60, 0);
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, 60.08, 1e-9);
  system().particles.clear();
  a.kind = kForceConstant;
  one_at(60, 0);
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, 62, 1e-9);
  // Additive: the pull becomes the particle's own motion.
  system().particles.clear();
  a.additive = true;
  one_at(60, 0);
  particle_system_update(system());
  const RParticle* p = &system().particles[0];
  EXPECT_NEAR(p->speed, 2, 1e-9);
  EXPECT_NEAR(p->direction, 0, 1e-9);
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, 66, 1e-9);
}

TEST_F(ParticleTest, GravityAndIncrementsShapeTheMotion) {
  type().gravity = 0.5;
  type().gravity_direction = 270;
  one_at(0, 0);
  particle_system_update(system());
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].y, 1.5, 1e-9);
  EXPECT_NEAR(system().particles[0].direction, 270, 1e-9);

  system().particles.clear();
  type().gravity = 0;
  type().speed = {2, 2};
  type().speed_increment = -1.5;  // never below 0
  one_at(0, 0);
  particle_system_update(system());
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, 0.5, 1e-9);
  EXPECT_EQ(system().particles[0].speed, 0);
}

TEST_F(ParticleTest, WigglesFollowTheirWaves) {
  type().speed_wiggle = 1;
  one_at(0, 0).phase = 5;  // (1 + 4 × 5) mod 20 = 1: a fifth into the wave, -0.8
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].x, -0.8, 1e-9);
  particle_system_update(system());  // 2 / 5 in: -0.6
  EXPECT_NEAR(system().particles[0].x, -1.4, 1e-9);
}

TEST_F(ParticleTest, DeflectorsReflectAndSlow) {
  type().speed = {3, 3};
  system().deflectors.resize(1);
  RDeflector& d = system().deflectors[0];
  d = {true, {10, 20, -5, 5, kRegionRectangle}, kDeflectHorizontal, 1};
  one_at(8, 0);
  particle_system_update(system());  // 8 -> 11 inside, bounced back to 5
  EXPECT_NEAR(system().particles[0].x, 5, 1e-9);
  EXPECT_NEAR(system().particles[0].direction, 180, 1e-9);
  EXPECT_NEAR(system().particles[0].speed, 2, 1e-9);

  // Friction above the speed stops the particle.
  system().particles.clear();
  d.friction = 10;
  d.kind = kDeflectVertical;
  d.region = {-5, 5, 10, 20, kRegionRectangle};
  type().direction = {270, 270};
  one_at(0, 8);
  particle_system_update(system());
  EXPECT_NEAR(system().particles[0].y, 5, 1e-9);
  EXPECT_NEAR(system().particles[0].direction, 90, 1e-9);
  EXPECT_EQ(system().particles[0].speed, 0);
}

TEST_F(ParticleTest, DestroyersRemoveParticlesInTheirShape) {
  type().life_min = type().life_max = 100;
  system().destroyers.resize(1);
  system().destroyers[0] = {true, {0, 20, 0, 20, kRegionEllipse}};
  one_at(10, 10);  // the centre
  one_at(1, 1);    // inside the box, outside the ellipse
  one_at(30, 10);  // outside
  particle_system_update(system());
  ASSERT_EQ(system().particles.size(), 2u);
  EXPECT_EQ(system().particles[0].x, 1);
  EXPECT_EQ(system().particles[1].x, 30);
}

TEST_F(ParticleTest, ChangersTurnParticlesIntoAnotherType) {
  const int other = particle_type_create();
  RParticleType& to = *particle_type_at(other);
  to.speed_increment = 1;
  to.color = {255, 255, 255};
  to.size_increment = 0.5;
  type().life_min = type().life_max = 100;
  system().changers.resize(1);
  RChanger& c = system().changers[0];
  c = {true, {0, 10, 0, 10, kRegionRectangle}, type_id, other, kChangeMotion};
  one_at(5, 5);
  one_at(50, 5);                     // outside: stays
  particle_system_update(system());  // changed after the motion of this step
  particle_system_update(system());
  EXPECT_EQ(system().particles[0].speed, 1);  // moves like the other type
  EXPECT_EQ(system().particles[0].size, 1);   // still looks like its own
  EXPECT_EQ(system().particles[1].speed, 0);

  system().particles.clear();
  c.kind = kChangeAll;
  one_at(5, 5);
  particle_system_update(system());
  EXPECT_EQ(system().particles[0].type, other);
  EXPECT_EQ(system().particles[0].size, 1.5);
}

TEST_F(ParticleTest, ColourAndAlphaFollowTheAge) {
  type().life_min = type().life_max = 10;
  type().color_kind = 1;
  type().color = {0x000000, 0x0000C8, 0};
  type().alpha = {1, 0.5, 0};
  one_at(0, 0);
  for (int i = 0; i < 5; ++i) particle_system_update(system());
  EXPECT_EQ(system().particles[0].color, 100);  // half way from black to red 200
  EXPECT_NEAR(system().particles[0].alpha, 0.5, 1e-9);
  for (int i = 0; i < 3; ++i) particle_system_update(system());
  EXPECT_NEAR(system().particles[0].alpha, 0.2, 1e-9);  // 8 of 10: (2 - 1.6) × 0.5 + 0.6 × 0
}

TEST_F(ParticleTest, SpriteParticlesPickTheirFrame) {
  type().life_min = type().life_max = 20;
  type().random_frame = true;
  RParticle& p = one_at(0, 0);
  EXPECT_GE(p.frame_offset, 0);
  EXPECT_LT(p.frame_offset, 10000);
  p.frame_offset = 2;
  p.age = 10;
  EXPECT_EQ(particle_frame(p, type(), 4), 12);  // animated: one frame a step
  type().stretch = true;
  EXPECT_EQ(particle_frame(p, type(), 4), 4);  // the frames spread over the life: 2 + 4 × 10 / 20
  type().animate = false;
  EXPECT_EQ(particle_frame(p, type(), 4), 2);
}

TEST_F(ParticleTest, EffectsLiveInTheirOwnSystems) {
  effect_create(false, 1, 10, 20, 0, 0x00FFFF);
  effect_create(true, 12, 10, 20, 0, 0);  // no such kind
  ASSERT_NE(effect_system_if_made(false), nullptr);
  EXPECT_EQ(effect_system_if_made(true), nullptr);
  const RParticleSystem& below = *effect_system_if_made(false);
  EXPECT_EQ(below.depth, 100000);
  ASSERT_EQ(below.particles.size(), 1u);
  EXPECT_GE(below.particles[0].life, 10);  // the small ring at 30 steps a second
  EXPECT_LE(below.particles[0].life, 12);
  EXPECT_EQ(below.particles[0].color, 0x00FFFF);
  // The scripts' own tables do not see them.
  EXPECT_EQ(particle_system_create(), system_id + 1);
  EXPECT_EQ(particle_type_create(), type_id + 1);
  update_particle_systems();
  EXPECT_EQ(below.particles[0].age, 1);
  effect_clear();
  EXPECT_TRUE(below.particles.empty());
}

TEST(ParticleEffects, TimesFollowTheRoomSpeed) {
  EXPECT_EQ(effect_time_factor(30, 60), 1);
  EXPECT_EQ(effect_time_factor(60, 20), 1);
  EXPECT_DOUBLE_EQ(effect_time_factor(60, 59), 0.5);    // running at speed
  EXPECT_DOUBLE_EQ(effect_time_factor(100, 40), 0.75);  // running well below it
}

}  // namespace
}  // namespace vn::test
