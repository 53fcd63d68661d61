#include "world/Trigger_Main.h"

#include <memory>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Main.h"
#include "world/Object_Lists.h"
#include "world/Run_Global.h"
#include "world/Trigger_Class.h"

namespace vn {

namespace {

// Parallel to the game's trigger list; null for an empty slot.
std::vector<std::unique_ptr<CCode>> g_conditions;

void evaluate_trigger(int32_t index, const CTrigger& trigger, CCode& condition) {
  for_each_listed(kEventTrigger, index, [&](CInstance* instance, const RFoundEvent& found) {
    RValue result;
    if (run_code(instance, instance, condition, result)) {
      if (result.is_real() && result.real >= 0.5) {
        perform_found_event(instance, instance, found, kEventTrigger, index);
      }
      return;
    }
    display_error("ERROR in trigger " + trigger.name + "\r\n" + last_error_message(), false);
    clear_error_flag();
  });
}

}  // namespace

bool prepare_triggers() {
  g_conditions.clear();
  const auto* triggers = world_resources().triggers;
  if (!triggers) return true;
  g_conditions.resize(triggers->size());
  for (size_t i = 0; i < triggers->size(); ++i) {
    const CTrigger* trigger = (*triggers)[i].get();
    if (!trigger) continue;
    auto code = std::make_unique<CCode>(trigger->condition, true);
    if (!code->compile()) {
      display_error("COMPILATION ERROR in condition of trigger " + trigger->name + "\r" +
                        last_error_message(),
                    true);
      g_conditions.clear();
      return false;
    }
    g_conditions[i] = std::move(code);
  }
  return true;
}

void release_triggers() { g_conditions.clear(); }

void evaluate_triggers(int32_t moment) {
  const auto* triggers = world_resources().triggers;
  if (!triggers) return;
  size_t count = std::min(triggers->size(), g_conditions.size());
  for (size_t i = 0; i < count && !request_pending(); ++i) {
    const CTrigger* trigger = (*triggers)[i].get();
    CCode* condition = g_conditions[i].get();
    if (!trigger || !condition || trigger->moment != moment) continue;
    evaluate_trigger(int32_t(i), *trigger, *condition);
  }
}

}  // namespace vn
