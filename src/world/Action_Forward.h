// What the action functions share: the relative rule and the built-in functions of other
// families they forward to.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

class CInstanceBase;

double real_of(const RValue& value);
int32_t integer_of(const RValue& value);

// Whether the running action has its relative box ticked.
bool relative();
// The value, added to the current one when the action is relative.
double relative_to(double current, const RValue& value);
// A place given to an action, from self's position when the action is relative.
RValue relative_x(CInstanceBase* self, const RValue& value);
RValue relative_y(CInstanceBase* self, const RValue& value);

// A built-in function of another family. It is resolved when the action functions are
// registered; an action whose family is missing then is not registered at all, so a game
// that uses it fails to compile instead of calling nothing.
class CForward {
 public:
  explicit CForward(const char* name) : name_(name) {}

  bool resolve();
  void call(CInstanceBase* self, CInstanceBase* other, std::initializer_list<RValue> arguments,
            RValue& result);
  void call(CInstanceBase* self, CInstanceBase* other, std::initializer_list<RValue> arguments) {
    RValue result;
    call(self, other, arguments, result);
  }
  // The function's result, for the forwards that ask.
  RValue value(CInstanceBase* self, CInstanceBase* other, std::initializer_list<RValue> arguments) {
    RValue result;
    call(self, other, arguments, result);
    return result;
  }

 private:
  const char* name_;
  int32_t id_ = -1;
};

// Registers the action only when every function it forwards to is there.
void register_forwarding(std::string_view name, FunctionHandler handler, int argument_count,
                         std::initializer_list<CForward*> forwards);

}  // namespace vn
