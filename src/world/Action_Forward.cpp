#include "world/Action_Forward.h"

#include "script/Variable_BuiltIn.h"
#include "world/Instance_Class.h"

namespace vn {

double real_of(const RValue& value) { return value.is_real() ? value.real : 0.0; }
int32_t integer_of(const RValue& value) { return round_to_int32(real_of(value)); }

bool relative() { return run_state().argument_relative; }

double relative_to(double current, const RValue& value) {
  return relative() ? current + real_of(value) : real_of(value);
}

RValue relative_x(CInstanceBase* self, const RValue& value) {
  CInstance* instance = as_instance(self);
  return RValue(instance ? relative_to(instance->x, value) : real_of(value));
}
RValue relative_y(CInstanceBase* self, const RValue& value) {
  CInstance* instance = as_instance(self);
  return RValue(instance ? relative_to(instance->y, value) : real_of(value));
}

bool CForward::resolve() {
  id_ = -1;
  for (size_t i = 0; i < builtin_function_count(); ++i) {
    const RBuiltinFunction* function = builtin_function(int32_t(i));
    if (function && function->handler && function->name == name_) {
      id_ = int32_t(i);
      return true;
    }
  }
  return false;
}

void CForward::call(CInstanceBase* self, CInstanceBase* other,
                    std::initializer_list<RValue> arguments, RValue& result) {
  const RBuiltinFunction* function = id_ >= 0 ? builtin_function(id_) : nullptr;
  if (!function || !function->handler) return;
  RValue slots[kMaxArguments];
  int count = 0;
  for (const RValue& value : arguments) slots[count++] = value;
  function->handler(self, other, count, slots, result);
}

void register_forwarding(std::string_view name, FunctionHandler handler, int argument_count,
                         std::initializer_list<CForward*> forwards) {
  for (CForward* forward : forwards) {
    if (!forward->resolve()) return;
  }
  register_function(name, handler, argument_count);
}

}  // namespace vn
