// Particle types, particle systems with their emitters, attractors, destroyers, deflectors
// and changers, the step update of a system and its drawing. Every random choice draws from
// the runner's shared generator, so a seeded run repeats exactly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vn {

enum ParticleShape : int { kShapeCount = 14 };
enum RegionShape : int {
  kRegionRectangle = 0,
  kRegionEllipse = 1,
  kRegionDiamond = 2,
  kRegionLine = 3
};
enum Distribution : int { kDistrLinear = 0, kDistrGaussian = 1, kDistrInvGaussian = 2 };
enum ForceKind : int { kForceConstant = 0, kForceLinear = 1, kForceQuadratic = 2 };
enum DeflectKind : int { kDeflectVertical = 0, kDeflectHorizontal = 1 };
enum ChangeKind : int { kChangeAll = 0, kChangeShape = 1, kChangeMotion = 2 };

struct RRange {
  double min = 0;
  double max = 0;
};

struct RParticleType {
  bool used = false;
  int shape = 0;
  int sprite = -1;
  bool animate = true;
  bool stretch = false;
  bool random_frame = false;
  RRange size{1, 1};
  double size_increment = 0;
  double size_wiggle = 0;
  double xscale = 1;
  double yscale = 1;
  int life_min = 100;
  int life_max = 100;
  int death_type = 0;
  int death_number = 0;
  int step_type = 0;
  int step_number = 0;
  RRange speed;
  double speed_increment = 0;
  double speed_wiggle = 0;
  RRange direction;
  double direction_increment = 0;
  double direction_wiggle = 0;
  double gravity = 0;
  double gravity_direction = 270;
  RRange orientation;
  double orientation_increment = 0;
  double orientation_wiggle = 0;
  bool orientation_relative = false;
  // 0 one colour, 1 two, 2 three, 3 RGB ranges, 4 HSV ranges, 5 a mix of two.
  int color_kind = 0;
  std::array<double, 3> color{16777215, 16777215, 16777215};
  // Kinds 3 and 4: min, max of each of the three components.
  std::array<double, 6> component_ranges{};
  std::array<double, 3> alpha{1, 1, 1};
  bool additive = false;
};

struct RParticle {
  bool alive = true;
  int type = 0;
  // The types a changer may have given the look or the motion alone.
  int look_type = 0;
  int motion_type = 0;
  int age = 0;
  int life = 0;
  double x = 0, y = 0, xprevious = 0, yprevious = 0;
  double speed = 0, direction = 0, orientation = 0;
  int32_t color = 0xFFFFFF;
  double alpha = 1;
  double size = 1;
  int frame_offset = 0;
  int phase = 0;
};

struct RRegion {
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  int shape = kRegionRectangle;
};

struct REmitter {
  bool used = false;
  RRegion region;
  int distribution = kDistrLinear;
  int stream_type = 0;
  int stream_number = 0;
};

struct RAttractor {
  bool used = false;
  double x = 0, y = 0;
  double force = 0;
  double distance = 0;
  int kind = kForceConstant;
  bool additive = false;
};

struct RDestroyer {
  bool used = false;
  RRegion region;
};

struct RDeflector {
  bool used = false;
  RRegion region;
  int kind = kDeflectVertical;
  double friction = 0;
};

struct RChanger {
  bool used = false;
  RRegion region;
  int from_type = 0;
  int to_type = 0;
  int kind = kChangeAll;
};

struct RParticleSystem {
  bool used = false;
  std::vector<RParticle> particles;
  std::vector<REmitter> emitters;
  std::vector<RAttractor> attractors;
  std::vector<RDestroyer> destroyers;
  std::vector<RDeflector> deflectors;
  std::vector<RChanger> changers;
  double depth = 0;
  double x = 0, y = 0;  // drawing offset
  bool old_to_new = true;
  bool automatic_update = true;
  bool automatic_draw = true;
};

// --- Types ---
int particle_type_create();
void particle_type_destroy(int id);
// Null for an id that is not in use. Negative ids name the runner's own types (those of the
// ready-made effects), which scripts never reach.
RParticleType* particle_type_at(int id);
int internal_type_create();
// Back to the defaults, staying in use.
void particle_type_clear(int id);

// --- Systems ---
int particle_system_create();
void particle_system_destroy(int id);
RParticleSystem* particle_system_at(int id);
// Particles and every emitter, attractor, destroyer, deflector and changer go; the settings
// are back to the defaults.
void particle_system_clear(int id);
// Every system and type goes (a game that starts again).
void particle_world_reset();

// The two systems of the ready-made effects, outside the table scripts see; made on first
// use with the depth below (100000) or above (-100000) everything.
RParticleSystem& effect_system(bool above);
// Null when not made yet.
RParticleSystem* effect_system_if_made(bool above);

// n particles of a type at (x, y); negative n: one with probability 1 / |n|. With a colour
// (>= 0) the particles take it in place of their type's.
void particles_create(RParticleSystem& system, double x, double y, int type, int number,
                      int64_t color = -1);
void emitter_burst(RParticleSystem& system, const REmitter& emitter, int type, int number);

// A value of a range with a distribution (min when max <= min).
double random_in_range(double min, double max, int distribution);
bool inside_region(const RRegion& region, double x, double y);

void particle_system_update(RParticleSystem& system);
// At the current depth, through the device's sprite batches.
void particle_system_draw(RParticleSystem& system);

// The sprite frame a particle shows (before wrapping to the sprite's frame count).
int64_t particle_frame(const RParticle& particle, const RParticleType& type, int frame_count);

// What the step cycle does: every system with automatic update, in id order.
void update_particle_systems();
// Room drawing: the greatest depth of an automatically drawn system that is below the given
// one (kNoParticleDepth when none), and drawing those within 0.01 of a depth.
constexpr double kNoParticleDepth = -1e9;
double next_particle_depth(double below);
void draw_particle_systems_at(double depth);

// The texture of a built-in shape's picture (made when first needed on each device); -1
// without a device.
int particle_shape_texture(int shape);
constexpr int kShapePictureSize = 64;

}  // namespace vn
