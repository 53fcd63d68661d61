#include "graphics/Particle_Effect.h"

#include <array>
#include <cmath>

#include "graphics/Particle_Main.h"
#include "script/Function_Math.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

constexpr int kEffectKinds = 12;

enum Shape : int {
  kPixel = 0,
  kDisk = 1,
  kLine = 3,
  kStar = 4,
  kRing = 6,
  kFlare = 8,
  kSpark = 9,
  kExplosion = 10,
  kCloud = 11,
  kSmoke = 12,
  kSnow = 13
};

// Made once per kind and size; their settings follow the speed factor on each use.
int effect_type(int kind, int size) {
  static std::array<std::array<int, 3>, kEffectKinds> ids = [] {
    std::array<std::array<int, 3>, kEffectKinds> made{};
    for (auto& sizes : made) sizes.fill(0);
    return made;
  }();
  static bool made = false;
  if (!made) {
    made = true;
    for (auto& sizes : ids) {
      for (int& id : sizes) id = internal_type_create();
    }
  }
  return ids[size_t(kind)][size_t(size)];
}

int life(double steps, double f) { return int(std::lround(steps / f)); }

// Sets the type of one kind and size for the factor f, and says how many particles one call
// makes.
int configure(RParticleType& t, int kind, int size, double f) {
  const double grow = size == 0 ? 1 : size == 1 ? 2 : 4;  // small, medium, large
  t = RParticleType();
  t.used = true;
  t.alpha = {1, 1, 0};
  switch (kind) {
    case 0:  // explosion: a burst of fiery puffs flying out and slowing
      t.shape = kExplosion;
      t.size = {0.1 * grow, 0.2 * grow};
      t.size_increment = -0.005 * grow * f;
      t.speed = {0.5 * grow * f, 1.5 * grow * f};
      t.speed_increment = -0.05 * grow * f;
      t.direction = {0, 360};
      t.orientation = {0, 360};
      t.life_min = life(10, f);
      t.life_max = life(15, f);
      t.alpha = {0.8, 0.6, 0};
      return size == 0 ? 10 : size == 1 ? 20 : 40;
    case 1:  // ring: one ring widening
    case 2:  // ellipse: the same, flattened
      t.shape = kRing;
      t.size = {0.1 * grow, 0.1 * grow};
      t.size_increment = 0.1 * grow * f;
      if (kind == 2) t.yscale = 0.5;
      t.life_min = life(10, f);
      t.life_max = life(12, f);
      return 1;
    case 3:  // firework: sparks in every direction, falling
      t.shape = kFlare;
      t.size = {0.1, 0.2};
      t.speed = {0.5 * grow * f, 2 * grow * f};
      t.direction = {0, 360};
      t.gravity = 0.05 * f * f;
      t.life_min = life(15, f);
      t.life_max = life(25, f);
      return size == 0 ? 40 : size == 1 ? 80 : 150;
    case 4:  // smoke: puffs growing where they are
    case 5:  // smokeup: puffs rising
      t.shape = kSmoke;
      t.size = {0.2 * grow, 0.3 * grow};
      t.size_increment = 0.01 * grow * f;
      t.speed = kind == 4 ? RRange{0, 0.2 * f} : RRange{1 * f, 1.5 * f};
      t.direction = kind == 4 ? RRange{0, 360} : RRange{80, 100};
      t.orientation = {0, 360};
      t.life_min = life(kind == 4 ? 25 : 30, f);
      t.life_max = life(kind == 4 ? 30 : 40, f);
      t.alpha = {0.6, 0.4, 0};
      return size == 0 ? 3 : size == 1 ? 6 : 12;
    case 6:  // star: one star turning and shrinking
      t.shape = kStar;
      t.size = {0.3 * grow, 0.3 * grow};
      t.size_increment = -0.015 * grow * f;
      t.orientation_increment = 10 * f;
      t.life_min = t.life_max = life(20, f);
      return 1;
    case 7:  // spark: one short flash
      t.shape = kSpark;
      t.size = {0.3 * grow, 0.3 * grow};
      t.orientation = {0, 360};
      t.life_min = t.life_max = life(10, f);
      t.alpha = {1, 0.8, 0};
      return 1;
    case 8:  // flare: a glow swelling and fading
      t.shape = kFlare;
      t.size = {0.4 * grow, 0.4 * grow};
      t.size_increment = 0.02 * grow * f;
      t.life_min = t.life_max = life(20, f);
      t.alpha = {1, 0.7, 0};
      return 1;
    case 9:  // cloud: a slow soft cloud coming and going
      t.shape = kCloud;
      t.size = {0.8 * grow, 1 * grow};
      t.xscale = 2;
      t.speed = {0.05 * f, 0.1 * f};
      t.direction = {0, 360};
      t.life_min = life(100, f);
      t.life_max = life(120, f);
      t.alpha = {0, 0.5, 0};
      return 1;
    case 10:  // rain: drops over the whole room falling slantwise
      t.shape = kLine;
      t.size = {0.2, 0.2};
      t.orientation = {250, 250};
      t.speed = {7 * f, 8 * f};
      t.direction = {250, 250};
      t.life_min = t.life_max = life(60, f);
      t.alpha = {0.4, 0.4, 0.4};
      return size == 0 ? 2 : size == 1 ? 5 : 9;
    case 11:  // snow: flakes drifting down over the whole room
      t.shape = kSnow;
      t.size = {0.1, 0.2};
      t.speed = {1 * f, 2 * f};
      t.direction = {260, 280};
      t.direction_wiggle = 10;
      t.orientation = {0, 360};
      t.life_min = t.life_max = life(250, f);
      t.alpha = {0.8, 0.8, 0.8};
      return size == 0 ? 1 : size == 1 ? 2 : 4;
  }
  return 0;
}

}  // namespace

double effect_time_factor(int room_speed, int frame_rate) {
  if (room_speed <= 30 || frame_rate <= 30) return 1;
  return 30.0 / (double(room_speed) / frame_rate < 1.2 ? room_speed : frame_rate);
}

void effect_create(bool above, int kind, double x, double y, int size, int32_t color) {
  if (kind < 0 || kind >= kEffectKinds) return;
  if (size < 0 || size > 2) size = 1;
  const RWorldState& world = world_state();
  const int room_speed = world.current != nullptr ? world.current->speed : 30;
  const double f = effect_time_factor(room_speed, world.fps);
  const int type_id = effect_type(kind, size);
  RParticleType* type = particle_type_at(type_id);
  const int number = configure(*type, kind, size, f);
  type->color = {double(color), double(color), double(color)};
  RParticleSystem& system = effect_system(above);
  if (kind == 10 || kind == 11) {
    // Weather covers the room, whatever the position given.
    const double width = world.current != nullptr ? world.current->width : 640;
    const double height = world.current != nullptr ? world.current->height : 480;
    for (int i = 0; i < number; ++i) {
      const double px = random_real() * (width + 0.4 * height);
      const double py = -10 - random_real() * 20;
      particles_create(system, px, py, type_id, 1);
    }
    return;
  }
  particles_create(system, x, y, type_id, number);
}

void effect_clear() {
  for (bool above : {false, true}) {
    if (RParticleSystem* system = effect_system_if_made(above)) system->particles.clear();
  }
}

}  // namespace vn
