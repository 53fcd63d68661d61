// The built-in function registry and the resolution of a called name to a script, an
// extension function or a built-in function.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "script/Code_Value.h"
#include "script/Instance_Base.h"

namespace vn {

constexpr int32_t kFirstScriptFunction = 100000;
constexpr int32_t kFirstExtensionFunction = 500000;
constexpr int kMaxArguments = 16;
constexpr int kVariableArguments = -1;

// A handler receives self, other, the number of arguments given, the 16 argument slots
// (those past the count are real 0) and the result, preset to real 0. It never fails the
// call: it reports its own errors (report_runtime_error) and goes on.
using FunctionHandler = void (*)(CInstanceBase* self, CInstanceBase* other, int argc,
                                 const RValue* args, RValue& result);

struct RBuiltinFunction {
  std::string name;  // at most 64 characters
  FunctionHandler handler = nullptr;
  int argument_count = kVariableArguments;
};

void register_function(std::string_view name, FunctionHandler handler, int argument_count);
const RBuiltinFunction* builtin_function(int32_t id);
size_t builtin_function_count();

// Extension functions: supplied by the extension packages when there are any.
struct RExtensionLookup {
  std::function<int32_t(std::string_view name)> find;  // its id, or -1
  std::function<int(int32_t id)> argument_count;       // -100 when none
  std::function<std::string(int32_t id)> name;
  // Runs the function; false when it failed, with its message recorded.
  std::function<bool(int32_t id, CInstanceBase* self, CInstanceBase* other, int argc,
                     const RValue* args, RValue& result)>
      call;
};
// The lookup in use, for the interpreter's calls.
const RExtensionLookup& extension_lookup();
void set_extension_lookup(RExtensionLookup lookup);

// Scripts first, then extension functions, then built-in functions; exact comparisons.
bool find_function(std::string_view name, int32_t& id);
// -1 for scripts (any number), -100 for an identifier that names nothing.
int function_argument_count(int32_t id);
std::string function_name(int32_t id);

}  // namespace vn
