// The built-in variable registry, the global store with its globalvar flags, and the
// rules by which the interpreter reads and writes a variable through a scope.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/Instance_Base.h"

namespace vn {

// --- Built-in variables ---

// A handler receives the instance through which the variable is reached and the
// flattened array index (0 when none was written).
using VariableGetter = bool (*)(CInstanceBase* instance, int32_t index, RValue& out);
using VariableSetter = bool (*)(CInstanceBase* instance, int32_t index, const RValue& value);

constexpr int kMaxBuiltinVariables = 500;

struct RBuiltinVariable {
  std::string name;
  VariableGetter get = nullptr;
  VariableSetter set = nullptr;  // null: read-only
};

// Appends an entry; a 501st shows "INTERNAL ERROR: Adding too many variables".
void register_variable(std::string_view name, VariableGetter get, VariableSetter set);
// -1 when no built-in variable has that name.
int32_t find_builtin_variable(std::string_view name);
const RBuiltinVariable* builtin_variable(int32_t id);
size_t builtin_variable_count();

// --- Settings ---

// Reading a variable that was never assigned yields the real 0 instead of an error.
bool& uninitialized_zero();

// --- Globals ---

CVariableList& global_store();
// A fresh global store and 10000 globalvar flags, all false.
void globals_reset();
void globalvar_declare(int32_t id);
bool is_globalvar(int32_t id);
// Version 700, the store, the flag count, a byte per flag.
void globals_save(CStream& stream);
void globals_load(CStream& stream);

// --- Access through an instance or a scope ---

bool instance_get(CInstanceBase* instance, int32_t id, int32_t index, RValue& out);
bool instance_set(CInstanceBase* instance, int32_t id, int32_t index, const RValue& value);
bool scoped_get(int32_t scope, int32_t id, int32_t index, RValue& out);
bool scoped_set(int32_t scope, int32_t id, int32_t index, const RValue& value);

// The message of a failed read.
std::string unknown_variable_message(int32_t id, int32_t index);

}  // namespace vn
