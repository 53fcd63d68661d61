// What every operator computes, which kinds it accepts and its message when it refuses
// them. The interpreter, compound assignments and constant folding all use these.
#pragma once

#include <cstdint>

#include "script/Code_Value.h"

namespace vn {

// Null on success; otherwise the message, and the operand is unchanged.
const char* apply_unary(int32_t op, RValue& value);
// The result replaces the left operand.
const char* apply_binary(int32_t op, RValue& left, const RValue& right);

// Comparisons of reals and of strings with the absolute tolerance 1e-13.
constexpr double kCompareTolerance = 1e-13;

}  // namespace vn
