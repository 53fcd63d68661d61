#include "world/Event_Action.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_InlineArray.h"
#include "world/Action_Class.h"
#include "world/Event_Main.h"
#include "world/Room_Main.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

bool relative_flag(const CAction& action) { return action.uses_relative && action.relative; }

// A question's result counts by its real part; a string's is 0.
bool result_truth(const RValue& result) { return result.is_real() && result.real >= 0.5; }

// A failed call of a script or extension function leaves its message recorded.
void report_failed_call() {
  report_runtime_error(last_error_message(), false);
  clear_error_flag();
}

// Code actions see their arguments as argument0 ...; the caller's slots and relative flag
// come back afterwards, whatever the code did to them.
bool run_code_action(CInstance* self, CInstance* other, const CAction& action, RValue& result) {
  // Held here: the code may change the very event it belongs to.
  std::shared_ptr<CCode> code = action.code;
  if (!code) return true;
  const int count = std::clamp(action.argument_count, 0, kMaxActionArguments);
  // Sized to the action: clearing frames for every possible argument cost a third of
  // the step in rooms full of code actions.
  TInlineArray<RValue, kMaxActionArguments> saved{size_t(count)};
  TInlineArray<RValue, kMaxActionArguments> values{size_t(count)};
  TInlineArray<std::shared_ptr<CCode>, kMaxActionArguments> codes{size_t(count)};
  for (int i = 0; i < count; ++i) {
    saved[i] = argument_value(i);
    codes[i] = action.argument_codes[size_t(i)];
    if (!codes[i]) values[i] = action.argument_values[size_t(i)];
  }
  RRunState& state = run_state();
  bool saved_relative = state.argument_relative;
  state.argument_relative = relative_flag(action);
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    if (codes[i]) ok = run_and_report(self, other, *codes[i], values[i]);
    if (ok) set_argument(i, values[i]);
  }
  if (ok) ok = run_and_report(self, other, *code, result);
  for (int i = 0; i < count; ++i) set_argument(i, saved[i]);
  state.argument_relative = saved_relative;
  return ok;
}

// Function actions leave the relative flag set for whatever the function calls later.
// What the action says is read before anything runs: an argument's code may add to the
// list the action lives in and move it.
bool run_function_action(CInstance* self, CInstance* other, const CAction& action, RValue& result) {
  run_state().argument_relative = relative_flag(action);
  const int32_t function = action.function_index;
  const int count = std::clamp(action.argument_count, 0, kMaxActionArguments);
  TInlineArray<RValue, kMaxActionArguments> arguments{size_t(count)};
  TInlineArray<std::shared_ptr<CCode>, kMaxActionArguments> codes{size_t(count)};
  for (int i = 0; i < count; ++i) {
    codes[i] = action.argument_codes[size_t(i)];
    if (!codes[i]) arguments[i] = action.argument_values[size_t(i)];
  }
  for (int i = 0; i < count; ++i) {
    if (codes[i] && !run_and_report(self, other, *codes[i], arguments[i])) return false;
  }
  if (function < 0) return true;
  if (!call_function(function, self, other, count, arguments.data(), result)) {
    report_failed_call();
    return false;
  }
  return true;
}

// The instances an object-applied action visits, taken before the first run: instances
// created by the runs are not visited.
std::vector<CInstance*> applied_instances(int32_t object) {
  CLiveRoom* room = current_room();
  if (!room) return {};
  return room->family_list(object);
}

bool skipped(const CInstance* instance) { return instance->destroyed || instance->deactivated; }

// Which of the three ways an action is applied.
enum class AppliedTo { kSelf, kOther, kObject };

AppliedTo applied_to(const CAction& action) {
  if (!action.uses_apply_to || action.apply_to == -1 || action.apply_to < -2) {
    return AppliedTo::kSelf;
  }
  return action.apply_to == -2 ? AppliedTo::kOther : AppliedTo::kObject;
}

}  // namespace

bool ensure_prepared(const CAction& action) {
  if (action.prepared) return true;
  // The action belongs to a live event of the game's lists, never to a constant.
  return prepare_action(const_cast<CAction&>(action));
}

bool evaluate_argument(CInstance* self, CInstance* other, const CAction& action, int index,
                       RValue& out) {
  std::shared_ptr<CCode> code = action.argument_codes[size_t(index)];
  if (!code) {
    out = action.argument_values[size_t(index)];
    return true;
  }
  return run_and_report(self, other, *code, out);
}

bool perform_action(CInstance* self, CInstance* other, const CAction& action, RValue& result) {
  result = RValue();
  if (!self || !other || !ensure_prepared(action)) return false;
  switch (action.execution) {
    case kExecuteCode:
      return run_code_action(self, other, action, result);
    case kExecuteFunction:
      return run_function_action(self, other, action, result);
    default:
      return true;
  }
}

void run_action(CInstance* self, CInstance* other, const CAction& action) {
  RValue result;
  perform_action(self, other, action, result);
}

bool test_action(CInstance* self, CInstance* other, const CAction& action) {
  const bool inverted = action.not_flag;
  RValue result;
  perform_action(self, other, action, result);
  return result_truth(result) != inverted;
}

void run_applied(CInstance* self, CInstance* other, const std::vector<CAction>& actions,
                 size_t index) {
  const CAction& action = actions[index];
  switch (applied_to(action)) {
    case AppliedTo::kSelf:
      run_action(self, other, action);
      return;
    case AppliedTo::kOther:
      run_action(other, self, action);
      return;
    case AppliedTo::kObject:
      for (CInstance* instance : applied_instances(action.apply_to)) {
        if (request_pending() || index >= actions.size()) return;
        if (!skipped(instance)) run_action(instance, other, actions[index]);
      }
      return;
  }
}

bool test_applied(CInstance* self, CInstance* other, const std::vector<CAction>& actions,
                  size_t index) {
  const CAction& action = actions[index];
  switch (applied_to(action)) {
    case AppliedTo::kSelf:
      return test_action(self, other, action);
    case AppliedTo::kOther:
      return test_action(other, self, action);
    case AppliedTo::kObject:
      break;
  }
  for (CInstance* instance : applied_instances(action.apply_to)) {
    if (request_pending() || index >= actions.size()) break;
    if (!skipped(instance) && !test_action(instance, other, actions[index])) return false;
  }
  return true;
}

}  // namespace vn
