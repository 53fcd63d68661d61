// The drag-and-drop action functions whose areas exist: motion and appearance set by
// fields, instances created, changed and destroyed, rooms, alarms, time lines, score,
// lives and health, the game's end and restart, and the questions about them. Each acts
// on self and reads the relative flag its action set.
#pragma once

namespace vn {

// After every other family: a function that forwards to one not registered is left out.
void register_action_functions();

// The particle actions (registered by register_action_functions) keep a system, types and
// emitters of their own; a game that starts again starts without them.
void register_particle_actions();
void reset_action_particles();

}  // namespace vn
