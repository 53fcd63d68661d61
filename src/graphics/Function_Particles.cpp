#include "graphics/Function_Particles.h"

#include <algorithm>
#include <limits>

#include "graphics/Particle_Effect.h"
#include "graphics/Particle_Main.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using Self = CInstanceBase*;
using Args = const RValue*;
using arguments::boolean;
using arguments::integer;
using arguments::number;

double truth(bool value) { return value ? 1.0 : 0.0; }

// The type a call names; null (nothing done) when it does not exist.
// Negative ids belong to the runner's effects.
RParticleType* type_of(Args a) {
  const int id = integer(a[0]);
  return id < 0 ? nullptr : particle_type_at(id);
}
RParticleSystem* system_of(Args a) { return particle_system_at(integer(a[0])); }

// A type id a script stores; a negative one stands for no type rather than an effect's.
int stored_type(const RValue& value) {
  const int id = integer(value);
  return id < 0 ? std::numeric_limits<int>::max() : id;
}

RRange range_of(const RValue& min, const RValue& max) { return {number(min), number(max)}; }

// The parts of a system (emitters, attractors, ...) share their handling: ids index a list
// whose entries are reused once free.
template <typename T, std::vector<T> RParticleSystem::*List>
struct Parts {
  static T* at(Args a) {
    RParticleSystem* system = system_of(a);
    if (system == nullptr) return nullptr;
    const int id = integer(a[1]);
    std::vector<T>& list = system->*List;
    if (id < 0 || size_t(id) >= list.size() || !list[size_t(id)].used) return nullptr;
    return &list[size_t(id)];
  }
  static void create(Self, Self, int, Args a, RValue& r) {
    r = -1.0;
    RParticleSystem* system = system_of(a);
    if (system == nullptr) return;
    std::vector<T>& list = system->*List;
    size_t id = 0;
    while (id < list.size() && list[id].used) ++id;
    if (id == list.size()) list.emplace_back();
    list[id] = T();
    list[id].used = true;
    r = double(id);
  }
  static void destroy(Self, Self, int, Args a, RValue&) {
    if (T* part = at(a)) *part = T();
  }
  static void destroy_all(Self, Self, int, Args a, RValue&) {
    if (RParticleSystem* system = system_of(a)) (system->*List).clear();
  }
  static void exists(Self, Self, int, Args a, RValue& r) { r = truth(at(a) != nullptr); }
  static void clear(Self, Self, int, Args a, RValue&) {
    if (T* part = at(a)) {
      *part = T();
      part->used = true;
    }
  }
};

using Emitters = Parts<REmitter, &RParticleSystem::emitters>;
using Attractors = Parts<RAttractor, &RParticleSystem::attractors>;
using Destroyers = Parts<RDestroyer, &RParticleSystem::destroyers>;
using Deflectors = Parts<RDeflector, &RParticleSystem::deflectors>;
using Changers = Parts<RChanger, &RParticleSystem::changers>;

RRegion region_of(Args a, bool with_shape) {
  RRegion region;
  region.xmin = number(a[2]);
  region.xmax = number(a[3]);
  region.ymin = number(a[4]);
  region.ymax = number(a[5]);
  region.shape = with_shape ? integer(a[6]) : kRegionRectangle;
  return region;
}

void set_colors(Args a, int kind, int count) {
  RParticleType* type = type_of(a);
  if (type == nullptr) return;
  type->color_kind = kind;
  for (int i = 0; i < 3; ++i) type->color[size_t(i)] = number(a[1 + std::min(i, count - 1)]);
}

void set_ranges(Args a, int kind) {
  RParticleType* type = type_of(a);
  if (type == nullptr) return;
  type->color_kind = kind;
  for (int i = 0; i < 6; ++i) type->component_ranges[size_t(i)] = number(a[1 + i]);
}

void set_alphas(Args a, int count) {
  if (RParticleType* type = type_of(a)) {
    for (int i = 0; i < 3; ++i) type->alpha[size_t(i)] = number(a[1 + std::min(i, count - 1)]);
  }
}

struct RFamilyFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RFamilyFunction kFunctions[] = {
    // --- Types ---
    {"part_type_create", [](Self, Self, int, Args, RValue& r) { r = double(particle_type_create()); },
     0},
    {"part_type_destroy", [](Self, Self, int, Args a, RValue&) { particle_type_destroy(integer(a[0])); },
     1},
    {"part_type_exists", [](Self, Self, int, Args a, RValue& r) { r = truth(type_of(a) != nullptr); },
     1},
    {"part_type_clear", [](Self, Self, int, Args a, RValue&) { particle_type_clear(integer(a[0])); },
     1},
    {"part_type_shape",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->shape = integer(a[1]);
         t->sprite = -1;
       }
     },
     2},
    {"part_type_sprite",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->sprite = integer(a[1]);
         t->animate = boolean(a[2]);
         t->stretch = boolean(a[3]);
         t->random_frame = boolean(a[4]);
       }
     },
     5},
    {"part_type_size",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->size = range_of(a[1], a[2]);
         t->size_increment = number(a[3]);
         t->size_wiggle = number(a[4]);
       }
     },
     5},
    {"part_type_scale",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->xscale = number(a[1]);
         t->yscale = number(a[2]);
       }
     },
     3},
    {"part_type_life",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->life_min = integer(a[1]);
         t->life_max = integer(a[2]);
       }
     },
     3},
    {"part_type_step",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->step_number = integer(a[1]);
         t->step_type = stored_type(a[2]);
       }
     },
     3},
    {"part_type_death",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->death_number = integer(a[1]);
         t->death_type = stored_type(a[2]);
       }
     },
     3},
    {"part_type_speed",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->speed = range_of(a[1], a[2]);
         t->speed_increment = number(a[3]);
         t->speed_wiggle = number(a[4]);
       }
     },
     5},
    {"part_type_direction",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->direction = range_of(a[1], a[2]);
         t->direction_increment = number(a[3]);
         t->direction_wiggle = number(a[4]);
       }
     },
     5},
    {"part_type_orientation",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->orientation = range_of(a[1], a[2]);
         t->orientation_increment = number(a[3]);
         t->orientation_wiggle = number(a[4]);
         t->orientation_relative = boolean(a[5]);
       }
     },
     6},
    {"part_type_gravity",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) {
         t->gravity = number(a[1]);
         t->gravity_direction = number(a[2]);
       }
     },
     3},
    {"part_type_color_mix", [](Self, Self, int, Args a, RValue&) { set_colors(a, 5, 2); }, 3},
    {"part_type_color_rgb", [](Self, Self, int, Args a, RValue&) { set_ranges(a, 3); }, 7},
    {"part_type_color_hsv", [](Self, Self, int, Args a, RValue&) { set_ranges(a, 4); }, 7},
    {"part_type_color1", [](Self, Self, int, Args a, RValue&) { set_colors(a, 0, 1); }, 2},
    {"part_type_color2", [](Self, Self, int, Args a, RValue&) { set_colors(a, 1, 2); }, 3},
    {"part_type_color3", [](Self, Self, int, Args a, RValue&) { set_colors(a, 2, 3); }, 4},
    {"part_type_color", [](Self, Self, int, Args a, RValue&) { set_colors(a, 2, 3); }, 4},
    {"part_type_alpha1", [](Self, Self, int, Args a, RValue&) { set_alphas(a, 1); }, 2},
    {"part_type_alpha2", [](Self, Self, int, Args a, RValue&) { set_alphas(a, 2); }, 3},
    {"part_type_alpha3", [](Self, Self, int, Args a, RValue&) { set_alphas(a, 3); }, 4},
    {"part_type_alpha", [](Self, Self, int, Args a, RValue&) { set_alphas(a, 3); }, 4},
    {"part_type_blend",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleType* t = type_of(a)) t->additive = boolean(a[1]);
     },
     2},
    // --- Systems ---
    {"part_system_create",
     [](Self, Self, int, Args, RValue& r) { r = double(particle_system_create()); }, 0},
    {"part_system_destroy",
     [](Self, Self, int, Args a, RValue&) { particle_system_destroy(integer(a[0])); }, 1},
    {"part_system_exists",
     [](Self, Self, int, Args a, RValue& r) { r = truth(system_of(a) != nullptr); }, 1},
    {"part_system_clear",
     [](Self, Self, int, Args a, RValue&) { particle_system_clear(integer(a[0])); }, 1},
    {"part_system_draw_order",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) s->old_to_new = boolean(a[1]);
     },
     2},
    {"part_system_depth",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) s->depth = number(a[1]);
     },
     2},
    {"part_system_position",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) {
         s->x = number(a[1]);
         s->y = number(a[2]);
       }
     },
     3},
    {"part_system_automatic_update",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) s->automatic_update = boolean(a[1]);
     },
     2},
    {"part_system_automatic_draw",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) s->automatic_draw = boolean(a[1]);
     },
     2},
    {"part_system_update",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) particle_system_update(*s);
     },
     1},
    {"part_system_drawit",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) particle_system_draw(*s);
     },
     1},
    // --- Particles ---
    {"part_particles_create",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) {
         if (integer(a[3]) >= 0) {
           particles_create(*s, number(a[1]), number(a[2]), integer(a[3]), integer(a[4]));
         }
       }
     },
     5},
    {"part_particles_create_color",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) {
         if (integer(a[3]) >= 0) {
           particles_create(*s, number(a[1]), number(a[2]), integer(a[3]), integer(a[5]),
                            int64_t(integer(a[4])) & 0xFFFFFF);
         }
       }
     },
     6},
    {"part_particles_clear",
     [](Self, Self, int, Args a, RValue&) {
       if (RParticleSystem* s = system_of(a)) s->particles.clear();
     },
     1},
    {"part_particles_count",
     [](Self, Self, int, Args a, RValue& r) {
       if (RParticleSystem* s = system_of(a)) r = double(s->particles.size());
     },
     1},
    // --- Emitters ---
    {"part_emitter_create", Emitters::create, 1},
    {"part_emitter_destroy", Emitters::destroy, 2},
    {"part_emitter_destroy_all", Emitters::destroy_all, 1},
    {"part_emitter_exists", Emitters::exists, 2},
    {"part_emitter_clear", Emitters::clear, 2},
    {"part_emitter_region",
     [](Self, Self, int, Args a, RValue&) {
       if (REmitter* e = Emitters::at(a)) {
         e->region = region_of(a, true);
         e->distribution = integer(a[7]);
       }
     },
     8},
    {"part_emitter_burst",
     [](Self, Self, int, Args a, RValue&) {
       if (REmitter* e = Emitters::at(a)) {
         const REmitter emitter = *e;
         if (integer(a[2]) >= 0) emitter_burst(*system_of(a), emitter, integer(a[2]), integer(a[3]));
       }
     },
     4},
    {"part_emitter_stream",
     [](Self, Self, int, Args a, RValue&) {
       if (REmitter* e = Emitters::at(a)) {
         e->stream_type = stored_type(a[2]);
         e->stream_number = integer(a[3]);
       }
     },
     4},
    // --- Attractors ---
    {"part_attractor_create", Attractors::create, 1},
    {"part_attractor_destroy", Attractors::destroy, 2},
    {"part_attractor_destroy_all", Attractors::destroy_all, 1},
    {"part_attractor_exists", Attractors::exists, 2},
    {"part_attractor_clear", Attractors::clear, 2},
    {"part_attractor_position",
     [](Self, Self, int, Args a, RValue&) {
       if (RAttractor* at = Attractors::at(a)) {
         at->x = number(a[2]);
         at->y = number(a[3]);
       }
     },
     4},
    {"part_attractor_force",
     [](Self, Self, int, Args a, RValue&) {
       if (RAttractor* at = Attractors::at(a)) {
         at->force = number(a[2]);
         at->distance = number(a[3]);
         at->kind = integer(a[4]);
         at->additive = boolean(a[5]);
       }
     },
     6},
    // --- Destroyers ---
    {"part_destroyer_create", Destroyers::create, 1},
    {"part_destroyer_destroy", Destroyers::destroy, 2},
    {"part_destroyer_destroy_all", Destroyers::destroy_all, 1},
    {"part_destroyer_exists", Destroyers::exists, 2},
    {"part_destroyer_clear", Destroyers::clear, 2},
    {"part_destroyer_region",
     [](Self, Self, int, Args a, RValue&) {
       if (RDestroyer* d = Destroyers::at(a)) d->region = region_of(a, true);
     },
     7},
    // --- Deflectors ---
    {"part_deflector_create", Deflectors::create, 1},
    {"part_deflector_destroy", Deflectors::destroy, 2},
    {"part_deflector_destroy_all", Deflectors::destroy_all, 1},
    {"part_deflector_exists", Deflectors::exists, 2},
    {"part_deflector_clear", Deflectors::clear, 2},
    {"part_deflector_region",
     [](Self, Self, int, Args a, RValue&) {
       if (RDeflector* d = Deflectors::at(a)) d->region = region_of(a, false);
     },
     6},
    {"part_deflector_kind",
     [](Self, Self, int, Args a, RValue&) {
       if (RDeflector* d = Deflectors::at(a)) d->kind = integer(a[2]);
     },
     3},
    {"part_deflector_friction",
     [](Self, Self, int, Args a, RValue&) {
       if (RDeflector* d = Deflectors::at(a)) d->friction = number(a[2]);
     },
     3},
    // --- Changers ---
    {"part_changer_create", Changers::create, 1},
    {"part_changer_destroy", Changers::destroy, 2},
    {"part_changer_destroy_all", Changers::destroy_all, 1},
    {"part_changer_exists", Changers::exists, 2},
    {"part_changer_clear", Changers::clear, 2},
    {"part_changer_region",
     [](Self, Self, int, Args a, RValue&) {
       if (RChanger* c = Changers::at(a)) c->region = region_of(a, true);
     },
     7},
    {"part_changer_kind",
     [](Self, Self, int, Args a, RValue&) {
       if (RChanger* c = Changers::at(a)) c->kind = integer(a[2]);
     },
     3},
    {"part_changer_types",
     [](Self, Self, int, Args a, RValue&) {
       if (RChanger* c = Changers::at(a)) {
         c->from_type = stored_type(a[2]);
         c->to_type = stored_type(a[3]);
       }
     },
     4},
    // --- Effects ---
    {"effect_create_below",
     [](Self, Self, int, Args a, RValue&) {
       effect_create(false, integer(a[0]), number(a[1]), number(a[2]), integer(a[3]),
                     integer(a[4]));
     },
     5},
    {"effect_create_above",
     [](Self, Self, int, Args a, RValue&) {
       effect_create(true, integer(a[0]), number(a[1]), number(a[2]), integer(a[3]),
                     integer(a[4]));
     },
     5},
    {"effect_clear", [](Self, Self, int, Args, RValue&) { effect_clear(); }, 0},
};

}  // namespace

void register_particle_functions() {
  for (const RFamilyFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
