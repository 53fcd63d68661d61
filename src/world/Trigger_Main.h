// Triggers at run time: their conditions compiled once after loading, and evaluated for
// the instances that handle them at their moment of the step.
#pragma once

#include <cstdint>

namespace vn {

enum TriggerMoment : int32_t { kTriggerStep = 0, kTriggerBeginStep = 1, kTriggerEndStep = 2 };

// Compiles every trigger's condition as an expression; the first failure is the fatal
// error "COMPILATION ERROR in condition of trigger " + name and gives false.
bool prepare_triggers();
// Forgets the compiled conditions (the game's triggers are going away).
void release_triggers();

// Every trigger with that moment, in index order, for every instance of the objects
// that handle it: the instance receives the trigger event while the condition holds.
void evaluate_triggers(int32_t moment);

}  // namespace vn
