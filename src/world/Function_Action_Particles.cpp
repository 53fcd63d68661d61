// The particle actions. They work on one particle system of their own and on types and
// emitters the game names by small numbers of its choosing; the numbers map to the ids the
// particle functions hand out, made on first use.
#include <map>

#include "world/Action_Forward.h"
#include "world/Function_Action.h"

namespace vn {

namespace {

using Args = const RValue*;

CForward g_part_system_create("part_system_create");
CForward g_part_system_exists("part_system_exists");
CForward g_part_system_destroy("part_system_destroy");
CForward g_part_system_depth("part_system_depth");
CForward g_part_particles_clear("part_particles_clear");
CForward g_part_type_create("part_type_create");
CForward g_part_type_exists("part_type_exists");
CForward g_part_type_shape("part_type_shape");
CForward g_part_type_sprite("part_type_sprite");
CForward g_part_type_size("part_type_size");
CForward g_part_type_color_mix("part_type_color_mix");
CForward g_part_type_color2("part_type_color2");
CForward g_part_type_alpha2("part_type_alpha2");
CForward g_part_type_life("part_type_life");
CForward g_part_type_speed("part_type_speed");
CForward g_part_type_direction("part_type_direction");
CForward g_part_type_gravity("part_type_gravity");
CForward g_part_type_step("part_type_step");
CForward g_part_type_death("part_type_death");
CForward g_part_emitter_create("part_emitter_create");
CForward g_part_emitter_exists("part_emitter_exists");
CForward g_part_emitter_destroy("part_emitter_destroy");
CForward g_part_emitter_region("part_emitter_region");
CForward g_part_emitter_burst("part_emitter_burst");
CForward g_part_emitter_stream("part_emitter_stream");
CForward g_effect_create_below("effect_create_below");
CForward g_effect_create_above("effect_create_above");

struct RActionParticles {
  int system = -1;
  std::map<int, int> types;     // the action's type number -> particle type id
  std::map<int, int> emitters;  // the action's emitter number -> emitter id in `system`
};
RActionParticles g_actions;

bool exists(CForward& check, std::initializer_list<RValue> arguments) {
  return real_of(check.value(nullptr, nullptr, arguments)) >= 0.5;
}

// The actions' system, made at depth 0 when an emitter needs one before any was created.
int action_system() {
  if (g_actions.system >= 0 && exists(g_part_system_exists, {RValue(g_actions.system)})) {
    return g_actions.system;
  }
  g_actions.system = integer_of(g_part_system_create.value(nullptr, nullptr, {}));
  g_actions.emitters.clear();
  return g_actions.system;
}

// -1 when the action has not made that type (or the game destroyed it).
int known_type(const RValue& number) {
  auto found = g_actions.types.find(integer_of(number));
  if (found == g_actions.types.end()) return -1;
  if (!exists(g_part_type_exists, {RValue(found->second)})) return -1;
  return found->second;
}

int action_type(const RValue& number) {
  int id = known_type(number);
  if (id >= 0) return id;
  id = integer_of(g_part_type_create.value(nullptr, nullptr, {}));
  g_actions.types[integer_of(number)] = id;
  return id;
}

int known_emitter(const RValue& number) {
  if (g_actions.system < 0) return -1;
  auto found = g_actions.emitters.find(integer_of(number));
  if (found == g_actions.emitters.end()) return -1;
  if (!exists(g_part_emitter_exists, {RValue(g_actions.system), RValue(found->second)})) return -1;
  return found->second;
}

void fn_action_partsyst_create(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  g_part_system_depth.call(nullptr, nullptr, {RValue(action_system()), args[0]});
}

void fn_action_partsyst_destroy(CInstanceBase*, CInstanceBase*, int, Args, RValue&) {
  if (g_actions.system >= 0)
    g_part_system_destroy.call(nullptr, nullptr, {RValue(g_actions.system)});
  g_actions.system = -1;
  g_actions.emitters.clear();
}

void fn_action_partsyst_clear(CInstanceBase*, CInstanceBase*, int, Args, RValue&) {
  if (g_actions.system < 0) return;
  g_part_particles_clear.call(nullptr, nullptr, {RValue(g_actions.system)});
}

// (type, shape, sprite, size min, size max, size increment): a sprite of -1 or less keeps
// the shape; a sprite animates, is not stretched and starts at a random frame.
void fn_action_parttype_create(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  RValue type(action_type(args[0]));
  g_part_type_shape.call(nullptr, nullptr, {type, args[1]});
  g_part_type_sprite.call(nullptr, nullptr,
                          {type, RValue(real_of(args[2]) < 0 ? -1.0 : real_of(args[2])),
                           RValue(1.0), RValue(0.0), RValue(1.0)});
  g_part_type_size.call(nullptr, nullptr, {type, args[3], args[4], args[5], RValue(0.0)});
}

// (type, kind: 0 a mix of the two colours, 1 changing from the first to the second,
// colour 1, colour 2, alpha at birth, alpha at death)
void fn_action_parttype_color(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  RValue type(action_type(args[0]));
  CForward& colors = integer_of(args[1]) == 0 ? g_part_type_color_mix : g_part_type_color2;
  colors.call(nullptr, nullptr, {type, args[2], args[3]});
  g_part_type_alpha2.call(nullptr, nullptr, {type, args[4], args[5]});
}

void fn_action_parttype_life(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  g_part_type_life.call(nullptr, nullptr, {RValue(action_type(args[0])), args[1], args[2]});
}

// (type, speed min, speed max, direction min, direction max, friction): friction slows
// the particle by that much each step.
void fn_action_parttype_speed(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  RValue type(action_type(args[0]));
  g_part_type_speed.call(nullptr, nullptr,
                         {type, args[1], args[2], RValue(-real_of(args[5])), RValue(0.0)});
  g_part_type_direction.call(nullptr, nullptr, {type, args[3], args[4], RValue(0.0), RValue(0.0)});
}

void fn_action_parttype_gravity(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  g_part_type_gravity.call(nullptr, nullptr, {RValue(action_type(args[0])), args[1], args[2]});
}

// (type, step type, step count, death type, death count): the secondary types are the
// action's numbers too; one the actions never made spawns nothing.
void fn_action_parttype_secondary(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  RValue type(action_type(args[0]));
  int step = known_type(args[1]);
  int death = known_type(args[3]);
  g_part_type_step.call(nullptr, nullptr,
                        {type, RValue(step >= 0 ? real_of(args[2]) : 0.0), RValue(step)});
  g_part_type_death.call(nullptr, nullptr,
                         {type, RValue(death >= 0 ? real_of(args[4]) : 0.0), RValue(death)});
}

// (emitter, shape, xmin, xmax, ymin, ymax); relative: the region moves with self.
void fn_action_partemit_create(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  RValue system(action_system());
  int id = known_emitter(args[0]);
  if (id < 0) {
    id = integer_of(g_part_emitter_create.value(nullptr, nullptr, {system}));
    g_actions.emitters[integer_of(args[0])] = id;
  }
  g_part_emitter_region.call(
      nullptr, nullptr,
      {system, RValue(id), relative_x(self, args[2]), relative_x(self, args[3]),
       relative_y(self, args[4]), relative_y(self, args[5]), args[1], RValue(0.0)});
}

void fn_action_partemit_destroy(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  int id = known_emitter(args[0]);
  if (id < 0) return;
  g_part_emitter_destroy.call(nullptr, nullptr, {RValue(g_actions.system), RValue(id)});
  g_actions.emitters.erase(integer_of(args[0]));
}

// (emitter, type, number)
void emit(CForward& how, Args args) {
  int emitter = known_emitter(args[0]);
  int type = known_type(args[1]);
  if (emitter < 0 || type < 0) return;
  how.call(nullptr, nullptr, {RValue(g_actions.system), RValue(emitter), RValue(type), args[2]});
}
void fn_action_partemit_burst(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  emit(g_part_emitter_burst, args);
}
void fn_action_partemit_stream(CInstanceBase*, CInstanceBase*, int, Args args, RValue&) {
  emit(g_part_emitter_stream, args);
}

// (kind, x, y, size, colour, where: 0 below the instances, otherwise above)
void fn_action_effect(CInstanceBase* self, CInstanceBase*, int, Args args, RValue&) {
  CForward& create = integer_of(args[5]) == 0 ? g_effect_create_below : g_effect_create_above;
  create.call(nullptr, nullptr,
              {args[0], relative_x(self, args[1]), relative_y(self, args[2]), args[3], args[4]});
}

}  // namespace

void reset_action_particles() { g_actions = RActionParticles(); }

void register_particle_actions() {
  reset_action_particles();
  register_forwarding("action_partsyst_create", fn_action_partsyst_create, 1,
                      {&g_part_system_create, &g_part_system_exists, &g_part_system_depth});
  register_forwarding("action_partsyst_destroy", fn_action_partsyst_destroy, 0,
                      {&g_part_system_destroy});
  register_forwarding("action_partsyst_clear", fn_action_partsyst_clear, 0,
                      {&g_part_particles_clear});
  std::initializer_list<CForward*> type_making = {&g_part_type_create, &g_part_type_exists,
                                                  &g_part_type_shape, &g_part_type_sprite,
                                                  &g_part_type_size};
  register_forwarding("action_parttype_create", fn_action_parttype_create, 6, type_making);
  // The older form of the action has the same arguments.
  register_forwarding("action_parttype_create_old", fn_action_parttype_create, 6, type_making);
  register_forwarding("action_parttype_color", fn_action_parttype_color, 6,
                      {&g_part_type_create, &g_part_type_exists, &g_part_type_color_mix,
                       &g_part_type_color2, &g_part_type_alpha2});
  register_forwarding("action_parttype_life", fn_action_parttype_life, 3,
                      {&g_part_type_create, &g_part_type_exists, &g_part_type_life});
  register_forwarding(
      "action_parttype_speed", fn_action_parttype_speed, 6,
      {&g_part_type_create, &g_part_type_exists, &g_part_type_speed, &g_part_type_direction});
  register_forwarding("action_parttype_gravity", fn_action_parttype_gravity, 3,
                      {&g_part_type_create, &g_part_type_exists, &g_part_type_gravity});
  register_forwarding(
      "action_parttype_secondary", fn_action_parttype_secondary, 5,
      {&g_part_type_create, &g_part_type_exists, &g_part_type_step, &g_part_type_death});
  register_forwarding("action_partemit_create", fn_action_partemit_create, 6,
                      {&g_part_system_create, &g_part_system_exists, &g_part_emitter_create,
                       &g_part_emitter_exists, &g_part_emitter_region});
  register_forwarding("action_partemit_destroy", fn_action_partemit_destroy, 1,
                      {&g_part_emitter_exists, &g_part_emitter_destroy});
  register_forwarding("action_partemit_burst", fn_action_partemit_burst, 3,
                      {&g_part_emitter_exists, &g_part_type_exists, &g_part_emitter_burst});
  register_forwarding("action_partemit_stream", fn_action_partemit_stream, 3,
                      {&g_part_emitter_exists, &g_part_type_exists, &g_part_emitter_stream});
  register_forwarding("action_effect", fn_action_effect, 6,
                      {&g_effect_create_below, &g_effect_create_above});
}

}  // namespace vn
