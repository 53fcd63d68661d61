// Running one action: its arguments evaluated, then its function called or its code run,
// on self, on other or on every instance of an object (apply-to).
#pragma once

#include <cstddef>
#include <vector>

#include "script/Code_Value.h"

namespace vn {

class CAction;
class CInstance;

// One run on (self, other), apply-to aside; false when an argument, the code or a script
// it called failed (the error is reported). The result is that of the function or code.
bool perform_action(CInstance* self, CInstance* other, const CAction& action, RValue& result);

// A normal action and a question, each once on (self, other).
void run_action(CInstance* self, CInstance* other, const CAction& action);
bool test_action(CInstance* self, CInstance* other, const CAction& action);

// Action index of the list with apply-to: self, other (as self, with self as other), or
// each instance of the object's family that is not destroyed, as self. A question is true
// when every run is. The action is looked up again for each instance, since a run may
// change the list it belongs to.
void run_applied(CInstance* self, CInstance* other, const std::vector<CAction>& actions,
                 size_t index);
bool test_applied(CInstance* self, CInstance* other, const std::vector<CAction>& actions,
                  size_t index);

// An action not prepared yet (one added while the game runs) is prepared on first use;
// false when that fails.
bool ensure_prepared(const CAction& action);

// The value of an argument: ready, or its expression evaluated on (self, other).
bool evaluate_argument(CInstance* self, CInstance* other, const CAction& action, int index,
                       RValue& out);

}  // namespace vn
