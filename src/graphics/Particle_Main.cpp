#include "graphics/Particle_Main.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/BM32_Color.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Particle_Form.h"
#include "script/Function_Math.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

constexpr double kRadians = std::numbers::pi / 180;
// One call never makes more than this many particles: a script asking for millions would
// otherwise take the memory of the machine.
constexpr int kMaxCreatedAtOnce = 100000;

std::vector<RParticleType>& types() {
  static std::vector<RParticleType> list;
  return list;
}

std::vector<RParticleType>& internal_types() {
  static std::vector<RParticleType> list;
  return list;
}

std::vector<RParticleSystem>& systems() {
  static std::vector<RParticleSystem> list;
  return list;
}

std::array<RParticleSystem, 2>& effect_systems() {
  static std::array<RParticleSystem, 2> list;
  return list;
}

// The game's systems in id order, then the effects below and above.
template <typename F>
void for_each_system(F&& action) {
  for (size_t i = 0; i < systems().size(); ++i) {
    if (systems()[i].used) action(systems()[i]);
  }
  for (RParticleSystem& system : effect_systems()) {
    if (system.used) action(system);
  }
}

template <typename T>
int first_free(std::vector<T>& list) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i].used) return int(i);
  }
  list.emplace_back();
  return int(list.size() - 1);
}

double uniform(double min, double max) {
  if (max <= min) return min;
  return min + (max - min) * random_real();
}

double triangle(double w) { return (w > 2 ? 4 - w : w) - 1; }

// The triangle wave of (value mod period) / (period / 4); ages and phases are whole, so no
// floating remainder is needed.
double wave(int64_t value, int period) {
  const int64_t rest = ((value % period) + period) % period;
  return triangle(double(rest) * 4 / period);
}

// The number of particles a count stands for: a negative one is a single particle with
// probability 1 / |n|.
int count_of(int number) {
  if (number >= 0) return std::min(number, kMaxCreatedAtOnce);
  return random_real() * -double(number) < 1 ? 1 : 0;
}

int32_t creation_color(const RParticleType& type) {
  switch (type.color_kind) {
    case 3: {
      const auto& c = type.component_ranges;
      const double r = uniform(c[0], c[1]), g = uniform(c[2], c[3]), b = uniform(c[4], c[5]);
      return int32_t(make_color_rgb(int64_t(r), int64_t(g), int64_t(b)));
    }
    case 4: {
      const auto& c = type.component_ranges;
      const double h = uniform(c[0], c[1]), s = uniform(c[2], c[3]), v = uniform(c[4], c[5]);
      return int32_t(make_color_hsv(h, s, v));
    }
    case 5:
      return int32_t(merge_color(int32_t(type.color[0]), int32_t(type.color[1]), random_real()));
    default:
      return int32_t(type.color[0]);
  }
}

void age_color(RParticle& particle, const RParticleType& type) {
  if (particle.life <= 0) {
    if (type.color_kind <= 2) particle.color = int32_t(type.color[0]);
    return;
  }
  const int32_t c1 = int32_t(type.color[0]), c2 = int32_t(type.color[1]),
                c3 = int32_t(type.color[2]);
  if (type.color_kind == 1) {
    particle.color =
        int32_t(merge_color(c1, c2, std::min(double(particle.age) / particle.life, 1.0)));
  } else if (type.color_kind == 2) {
    const double e = std::min(2.0 * particle.age / particle.life, 2.0);
    particle.color = int32_t(e < 1 ? merge_color(c1, c2, e) : merge_color(c2, c3, e - 1));
  }
}

void create_one(RParticleSystem& system, double x, double y, int type_id, int64_t color) {
  const RParticleType* type = particle_type_at(type_id);
  if (type == nullptr) return;
  RParticle p;
  p.type = p.look_type = p.motion_type = type_id;
  p.x = p.xprevious = x;
  p.y = p.yprevious = y;
  p.speed = uniform(type->speed.min, type->speed.max);
  p.direction = uniform(type->direction.min, type->direction.max);
  p.orientation = uniform(type->orientation.min, type->orientation.max);
  p.life = int(std::lround(uniform(type->life_min, type->life_max)));
  p.age = 0;
  p.color = creation_color(*type);
  if (color >= 0) p.color = int32_t(color);
  p.alpha = type->alpha[0];
  p.size = uniform(type->size.min, type->size.max);
  p.frame_offset = type->random_frame ? int(random_below(10000)) : 0;
  p.phase = int(random_below(100000));
  system.particles.push_back(p);
}

void update_life(RParticleSystem& system) {
  const size_t count = system.particles.size();
  for (size_t i = 0; i < count; ++i) {
    // Spawning appends, so the particle is read again through its index each time.
    RParticle& p = system.particles[i];
    p.age += 1;
    const RParticleType* type = particle_type_at(p.type);
    if (p.age >= p.life) {
      p.alive = false;
      if (type != nullptr && type->death_number != 0) {
        const int death_type = type->death_type;
        const double x = p.x, y = p.y;
        particles_create(system, x, y, death_type, type->death_number);
      }
    } else if (type != nullptr && type->step_number != 0) {
      const double x = p.x, y = p.y;
      particles_create(system, x, y, type->step_type, type->step_number);
    }
  }
  std::erase_if(system.particles, [](const RParticle& p) { return !p.alive; });
}

void update_motion(RParticleSystem& system) {
  std::vector<const RAttractor*> attractors;
  for (const RAttractor& a : system.attractors) {
    if (a.used) attractors.push_back(&a);
  }
  for (RParticle& p : system.particles) {
    const RParticleType* type = particle_type_at(p.motion_type);
    if (type == nullptr) type = particle_type_at(p.type);
    if (type == nullptr) continue;
    p.xprevious = p.x;
    p.yprevious = p.y;
    p.speed = std::max(0.0, p.speed + type->speed_increment);
    p.direction += type->direction_increment;
    p.orientation += type->orientation_increment;
    double pull_x = 0, pull_y = 0;
    if (type->gravity != 0 || !attractors.empty()) {
      double vx = p.speed * std::cos(p.direction * kRadians);
      double vy = -p.speed * std::sin(p.direction * kRadians);
      vx += type->gravity * std::cos(type->gravity_direction * kRadians);
      vy -= type->gravity * std::sin(type->gravity_direction * kRadians);
      for (const RAttractor* a : attractors) {
        if (a->force == 0 || a->distance == 0) continue;
        const double dx = a->x - p.x, dy = a->y - p.y;
        const double d = std::hypot(dx, dy);
        if (!(d > 0 && d <= a->distance)) continue;
        double amount = a->force;
        const double falloff = (a->distance - d) / a->distance;
        if (a->kind == kForceLinear) amount *= falloff;
        if (a->kind == kForceQuadratic) amount *= falloff * falloff;
        if (a->additive) {
          vx += dx / d * amount;
          vy += dy / d * amount;
        } else {
          pull_x += dx / d * amount;
          pull_y += dy / d * amount;
        }
      }
      const double speed = std::hypot(vx, vy);
      // Standing still keeps the direction it had.
      if (speed > 0) p.direction = std::atan2(-vy, vx) / kRadians;
      if (p.direction < 0) p.direction += 360;
      p.speed = speed;
    }
    const double t1 = wave(p.age + 4 * int64_t(p.phase), 20);
    const double t2 = wave(p.age + 3 * int64_t(p.phase), 24);
    const double speed = p.speed + type->speed_wiggle * t1;
    const double direction = (p.direction + type->direction_wiggle * t2) * kRadians;
    p.x += speed * std::cos(direction) + pull_x;
    p.y += -speed * std::sin(direction) + pull_y;
  }
}

void update_deflectors(RParticleSystem& system) {
  for (const RDeflector& deflector : system.deflectors) {
    if (!deflector.used) continue;
    for (RParticle& p : system.particles) {
      if (!inside_region(deflector.region, p.x, p.y)) continue;
      if (deflector.kind == kDeflectHorizontal) {
        p.direction = 180 - p.direction;
        p.x = p.xprevious - (p.x - p.xprevious);
      } else {
        p.direction = 360 - p.direction;
        p.y = p.yprevious - (p.y - p.yprevious);
      }
      p.speed = std::max(0.0, p.speed - deflector.friction);
    }
  }
}

void update_destroyers(RParticleSystem& system) {
  bool any = false;
  for (const RDestroyer& destroyer : system.destroyers) any = any || destroyer.used;
  if (!any) return;
  std::erase_if(system.particles, [&](const RParticle& p) {
    for (const RDestroyer& destroyer : system.destroyers) {
      if (destroyer.used && inside_region(destroyer.region, p.x, p.y)) return true;
    }
    return false;
  });
}

void update_changers(RParticleSystem& system) {
  for (const RChanger& changer : system.changers) {
    if (!changer.used || particle_type_at(changer.to_type) == nullptr) continue;
    for (RParticle& p : system.particles) {
      if (p.type != changer.from_type || !inside_region(changer.region, p.x, p.y)) continue;
      if (changer.kind == kChangeShape) {
        p.look_type = changer.to_type;
      } else if (changer.kind == kChangeMotion) {
        p.motion_type = changer.to_type;
      } else {
        p.type = p.look_type = p.motion_type = changer.to_type;
      }
    }
  }
}

void update_look(RParticleSystem& system) {
  for (RParticle& p : system.particles) {
    const RParticleType* type = particle_type_at(p.look_type);
    if (type == nullptr) type = particle_type_at(p.type);
    if (type == nullptr) continue;
    p.size = std::max(0.0, p.size + type->size_increment);
    age_color(p, *type);
    const double e = p.life <= 0 ? 1 : 2.0 * p.age / p.life;
    p.alpha = e < 1 ? (1 - e) * type->alpha[0] + e * type->alpha[1]
                    : (2 - e) * type->alpha[1] + (e - 1) * type->alpha[2];
  }
}

struct RShapeTextures {
  uint64_t generation = ~uint64_t(0);
  std::array<int, kShapeCount> ids{};
};

void draw_particle(const RParticle& p, const RParticleType& type, double offset_x,
                   double offset_y) {
  const double angle = p.orientation + (type.orientation_relative ? p.direction : 0) +
                       type.orientation_wiggle * wave(p.age + 2 * int64_t(p.phase), 16);
  const double size = p.size + type.size_wiggle * wave(int64_t(p.age) + p.phase, 16);
  const uint32_t color = device_color(p.color, p.alpha);
  if (const CSprite* sprite = sprite_at(type.sprite)) {
    const int64_t frame = particle_frame(p, type, int(sprite->frames.size()));
    const int texture = sprite_frame_texture(*sprite, frame);
    if (texture < 0) return;
    draw_texture_part(texture, 0, 0, sprite->width(), sprite->height(), p.x + offset_x,
                      p.y + offset_y, sprite->xorigin, sprite->yorigin, size * type.xscale,
                      size * type.yscale, angle, same_colors(color));
    return;
  }
  const int texture = particle_shape_texture(type.shape);
  if (texture < 0) return;
  constexpr double kHalf = kShapePictureSize / 2.0;
  draw_texture_part(texture, 0, 0, kShapePictureSize, kShapePictureSize, p.x + offset_x,
                    p.y + offset_y, kHalf, kHalf, size * type.xscale, size * type.yscale, angle,
                    same_colors(color));
}

}  // namespace

int particle_type_create() {
  const int id = first_free(types());
  types()[size_t(id)] = RParticleType();
  types()[size_t(id)].used = true;
  return id;
}

void particle_type_destroy(int id) {
  if (id >= 0 && particle_type_at(id) != nullptr) types()[size_t(id)].used = false;
}

RParticleType* particle_type_at(int id) {
  if (id < 0) {
    const size_t index = size_t(-int64_t(id) - 1);
    return index < internal_types().size() ? &internal_types()[index] : nullptr;
  }
  if (size_t(id) >= types().size() || !types()[size_t(id)].used) return nullptr;
  return &types()[size_t(id)];
}

int internal_type_create() {
  internal_types().emplace_back();
  internal_types().back().used = true;
  return -int(internal_types().size());
}

void particle_type_clear(int id) {
  if (RParticleType* type = id >= 0 ? particle_type_at(id) : nullptr) {
    *type = RParticleType();
    type->used = true;
  }
}

int particle_system_create() {
  const int id = first_free(systems());
  systems()[size_t(id)] = RParticleSystem();
  systems()[size_t(id)].used = true;
  return id;
}

void particle_system_destroy(int id) {
  if (RParticleSystem* system = particle_system_at(id)) *system = RParticleSystem();
}

RParticleSystem* particle_system_at(int id) {
  if (id < 0 || size_t(id) >= systems().size() || !systems()[size_t(id)].used) return nullptr;
  return &systems()[size_t(id)];
}

void particle_system_clear(int id) {
  if (RParticleSystem* system = particle_system_at(id)) {
    *system = RParticleSystem();
    system->used = true;
  }
}

void particle_world_reset() {
  types().clear();
  systems().clear();
  effect_systems() = {};
}

RParticleSystem& effect_system(bool above) {
  RParticleSystem& system = effect_systems()[above ? 1 : 0];
  if (!system.used) {
    system = RParticleSystem();
    system.used = true;
    system.depth = above ? -100000 : 100000;
  }
  return system;
}

RParticleSystem* effect_system_if_made(bool above) {
  RParticleSystem& system = effect_systems()[above ? 1 : 0];
  return system.used ? &system : nullptr;
}

void particles_create(RParticleSystem& system, double x, double y, int type, int number,
                      int64_t color) {
  const int count = count_of(number);
  for (int i = 0; i < count; ++i) create_one(system, x, y, type, color);
}

double random_in_range(double min, double max, int distribution) {
  if (max <= min) return min;
  if (distribution != kDistrGaussian && distribution != kDistrInvGaussian) {
    return min + (max - min) * random_real();
  }
  double d = 0;
  do {
    d = random_real() * 6 - 3;
  } while (!(std::exp(-d * d / 2) > random_real()));
  if (distribution == kDistrGaussian) return min + (max - min) * (d + 3) / 6;
  return min + (max - min) * (d >= 0 ? d : d + 6) / 6;
}

bool inside_region(const RRegion& region, double x, double y) {
  if (x < region.xmin || x > region.xmax || y < region.ymin || y > region.ymax) return false;
  const double rx = (region.xmax - region.xmin) / 2, ry = (region.ymax - region.ymin) / 2;
  if (rx <= 0 || ry <= 0) return true;
  const double u = (x - region.xmin - rx) / rx, v = (y - region.ymin - ry) / ry;
  if (region.shape == kRegionEllipse) return u * u + v * v <= 1;
  if (region.shape == kRegionDiamond) return std::abs(u) + std::abs(v) <= 1;
  return true;
}

void emitter_burst(RParticleSystem& system, const REmitter& emitter, int type, int number) {
  if (particle_type_at(type) == nullptr) return;
  const int count = count_of(number);
  const RRegion& r = emitter.region;
  const bool line = r.shape == kRegionLine;
  for (int i = 0; i < count; ++i) {
    double u = 0, v = 0;
    for (;;) {
      u = random_in_range(0, 1, emitter.distribution);
      v = random_in_range(0, 1, emitter.distribution);
      if (emitter.distribution == kDistrInvGaussian && !line) {
        if (random_real() < 0.5) {
          u = random_real();
        } else {
          v = random_real();
        }
      }
      const double du = u - 0.5, dv = v - 0.5;
      if (r.shape == kRegionEllipse && du * du + dv * dv > 0.25) continue;
      if (r.shape == kRegionDiamond && std::abs(du) + std::abs(dv) > 0.5) continue;
      break;
    }
    const double x = r.xmin + u * (r.xmax - r.xmin);
    const double y = r.ymin + (line ? u : v) * (r.ymax - r.ymin);
    create_one(system, x, y, type, -1);
  }
}

void particle_system_update(RParticleSystem& system) {
  update_life(system);
  update_motion(system);
  if (!system.deflectors.empty()) update_deflectors(system);
  if (!system.destroyers.empty()) update_destroyers(system);
  if (!system.changers.empty()) update_changers(system);
  update_look(system);
  // Indexes: a stream may not keep a reference while particles are added.
  for (size_t i = 0; i < system.emitters.size(); ++i) {
    const REmitter emitter = system.emitters[i];
    if (emitter.used && emitter.stream_number != 0) {
      emitter_burst(system, emitter, emitter.stream_type, emitter.stream_number);
    }
  }
}

void particle_system_draw(RParticleSystem& system) {
  CGraphicsDevice& device = graphics_device();
  if (!device.exists() || system.particles.empty()) return;
  const bool interpolation = device.states().interpolation;
  device.set_interpolation(true);
  bool additive = false;
  const size_t count = system.particles.size();
  for (size_t k = 0; k < count; ++k) {
    const RParticle& p = system.particles[system.old_to_new ? k : count - 1 - k];
    const RParticleType* type = particle_type_at(p.look_type);
    if (type == nullptr) type = particle_type_at(p.type);
    if (type == nullptr) continue;
    if (type->additive != additive) {
      additive = type->additive;
      device.set_blend_mode(additive ? kBlendAdd : kBlendNormal);
    }
    draw_particle(p, *type, system.x, system.y);
  }
  if (additive) device.set_blend_mode(kBlendNormal);
  device.set_interpolation(interpolation);
}

int64_t particle_frame(const RParticle& p, const RParticleType& type, int frame_count) {
  if (!type.animate) return p.frame_offset;
  if (!type.stretch) return p.frame_offset + int64_t(p.age);
  const double part = p.life > 0 ? double(p.age) / p.life : 0;
  return int64_t(std::floor(double(frame_count) * part)) + p.frame_offset;
}

void update_particle_systems() {
  for_each_system([](RParticleSystem& system) {
    if (system.automatic_update) particle_system_update(system);
  });
}

double next_particle_depth(double below) {
  double best = kNoParticleDepth;
  for_each_system([&](RParticleSystem& system) {
    if (system.automatic_draw && system.depth < below && system.depth > best) best = system.depth;
  });
  return best;
}

void draw_particle_systems_at(double depth) {
  for_each_system([&](RParticleSystem& system) {
    if (system.automatic_draw && std::abs(system.depth - depth) <= 0.01) {
      particle_system_draw(system);
    }
  });
}

int particle_shape_texture(int shape) {
  static RShapeTextures textures;
  if (texture_renderer() == nullptr) return -1;
  if (textures.generation != texture_table_generation()) {
    textures.generation = texture_table_generation();
    textures.ids.fill(-1);
  }
  const size_t index = size_t(std::clamp(shape, 0, kShapeCount - 1));
  int& id = textures.ids[index];
  if (id < 0 || !texture_exists(id)) {
    id = texture_create_from_alpha(kShapePictureSize, kShapePictureSize,
                                   particle_shape_alpha(int(index)));
  }
  return id;
}

}  // namespace vn
