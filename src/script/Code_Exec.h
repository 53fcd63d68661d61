// The interpreter: runs a compiled code piece with a self and an other instance.
#pragma once

#include "script/Code_Main.h"
#include "script/Instance_Base.h"

namespace vn {

// The core: false when the run ended with an error, whose message is recorded.
bool run_code(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result);
// On failure the message is reported as a non-fatal run-time error with its context.
bool run_and_report(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result);
// On failure the result is the string "ERROR"; the caller reports.
bool run_for_value(CInstanceBase* self, CInstanceBase* other, CCode& code, RValue& result);

// The 16 argument slots shared by all code (argument0 ... argument15). Writing through
// argument_slots() is always safe; the two accessors below let calls save and restore
// only the slots that were ever written.
RValue* argument_slots();
const RValue& argument_value(int index);
void set_argument(int index, const RValue& value);

// Calls a function by identifier as a call in code does (built-in, script or
// extension). False when a script or extension function failed; its message is recorded.
bool call_function(int32_t id, CInstanceBase* self, CInstanceBase* other, int argc,
                   const RValue* args, RValue& result);

// Calls the script with that index; the arguments are moved into the argument slots
// (those past argc become real 0) and the caller's slots come back afterwards.
bool call_script(int32_t index, CInstanceBase* self, CInstanceBase* other, int argc,
                 RValue* args, RValue& result);

// Scripts calling scripts deeper than this end with a run-time error instead of
// exhausting the stack.
constexpr int kMaxCallDepth = 4096;

}  // namespace vn
