#include <gtest/gtest.h>

#include <cmath>

#include "script/Code_Operator.h"
#include "script/Code_Token.h"

namespace vn {
namespace {

RValue binary(int32_t op, RValue left, const RValue& right, const char** error = nullptr) {
  const char* message = apply_binary(op, left, right);
  if (error) *error = message;
  return left;
}

std::string refusal(int32_t op, RValue left, const RValue& right) {
  const char* message = apply_binary(op, left, right);
  return message ? message : "";
}

TEST(Operators, ArithmeticAndStrings) {
  EXPECT_EQ(binary(kOpMultiply, 3.0, RValue("ab")).string.str(), "ababab");
  EXPECT_EQ(binary(kOpMultiply, 2.5, RValue("ab")).string.str(), "abab");
  EXPECT_EQ(binary(kOpMultiply, -1.0, RValue("ab")).string.str(), "");
  std::string seven_hundred;
  for (int i = 0; i < 700; ++i) seven_hundred += "xyz";
  EXPECT_EQ(binary(kOpMultiply, 700.0, RValue("xyz")).string.str(), seven_hundred);
  EXPECT_EQ(refusal(kOpMultiply, RValue("ab"), 3.0), "Wrong type of arguments to *.");
  EXPECT_EQ(binary(kOpAdd, RValue("a"), RValue("b")).string.str(), "ab");
  EXPECT_EQ(refusal(kOpAdd, RValue("a"), 1.0), "Wrong type of arguments to +.");
  EXPECT_EQ(refusal(kOpSubtract, RValue("a"), 1.0), "Wrong type of arguments to -.");
  EXPECT_EQ(binary(kOpDiv, -7.0, 2.0).real, -3);
  EXPECT_EQ(binary(kOpMod, -7.0, 2.0).real, -1);
  EXPECT_EQ(binary(kOpMod, 7.0, -2.0).real, 1);
  EXPECT_EQ(binary(kOpMod, 7.5, 2.0).real, 1.5);
  EXPECT_EQ(refusal(kOpDivide, 5.0, 0.0), "Division by 0.");
  EXPECT_EQ(refusal(kOpDiv, 5.0, 0.0), "Division by 0.");
  EXPECT_EQ(refusal(kOpMod, 5.0, 0.0), "Modulo by 0.");
  EXPECT_EQ(refusal(kOpDivide, RValue("a"), 0.0), "Wrong type of arguments to /.");
  // A repeat that would not fit in memory is refused instead of attempted.
  EXPECT_NE(refusal(kOpMultiply, 1e15, RValue("abc")), "");
}

TEST(Operators, ComparisonsUseAnAbsoluteTolerance) {
  EXPECT_EQ(binary(kOpEqual, 0.1 + 0.2, 0.3).real, 1);
  EXPECT_EQ(binary(kOpEqual, 1.0, 1.0 + 2e-13).real, 0);
  EXPECT_EQ(binary(kOpNotEqual, 1.0, 1.0 + 2e-13).real, 1);
  EXPECT_EQ(binary(kOpLess, 1.0, 1.0 + 5e-14).real, 0);
  EXPECT_EQ(binary(kOpLessEqual, 1.0 + 5e-14, 1.0).real, 1);
  EXPECT_EQ(binary(kOpLess, RValue("abc"), RValue("abd")).real, 1);
  EXPECT_EQ(binary(kOpLess, RValue("B"), RValue("a")).real, 1);
  EXPECT_EQ(binary(kOpLess, RValue("ab"), RValue("abc")).real, 1);
  EXPECT_EQ(binary(kOpGreater, RValue("\xE9"), RValue("z")).real, 1);  // bytes are unsigned
  EXPECT_EQ(refusal(kOpEqual, RValue("1"), 1.0), "Cannot compare arguments.");
}

TEST(Operators, BitsAndShifts) {
  EXPECT_EQ(binary(kOpShiftLeft, 1.0, 64.0).real, 0);
  EXPECT_EQ(binary(kOpShiftLeft, 1.0, 63.0).real, std::ldexp(-1.0, 63));
  EXPECT_EQ(binary(kOpShiftLeft, 1.0, 33.0).real, std::ldexp(1.0, 33));
  EXPECT_EQ(binary(kOpShiftLeft, 1.0, -1.0).real, std::ldexp(1.0, 31));  // low 5 bits
  EXPECT_EQ(binary(kOpShiftLeft, 1.0, 256.0 + 2).real, 4);                // low byte
  EXPECT_EQ(binary(kOpShiftRight, -1.0, 1.0).real, 9223372036854775807.0);
  EXPECT_EQ(binary(kOpBitOr, 2.5, 0.0).real, 2);
  EXPECT_EQ(binary(kOpBitOr, 3.5, 0.0).real, 4);
  EXPECT_EQ(refusal(kOpShiftRight, RValue("a"), 1.0), "Wrong type of arguments for >>.");
  EXPECT_EQ(refusal(kOpBitXor, RValue("a"), 1.0), "Wrong type of arguments for ^.");
  EXPECT_EQ(refusal(kOpXor, RValue("a"), 1.0), "Wrong type of arguments for ^^.");
}

TEST(Operators, UnaryAndLogic) {
  RValue value(2.0);
  EXPECT_EQ(apply_unary(kOpNot, value), nullptr);
  EXPECT_EQ(value.real, 0);
  value = RValue(0.4);
  apply_unary(kOpNot, value);
  EXPECT_EQ(value.real, 1);
  value = RValue(2.5);
  apply_unary(kOpBitNot, value);
  EXPECT_EQ(value.real, -3);
  value = RValue("a");
  EXPECT_STREQ(apply_unary(kOpAdd, value), "Wrong type of arguments to unary operator.");
  EXPECT_EQ(binary(kOpXor, 1.0, 0.6).real, 0);
  EXPECT_EQ(binary(kOpAnd, 0.5, 0.5).real, 1);
  EXPECT_EQ(binary(kOpOr, 0.49, 0.0).real, 0);
}

}  // namespace
}  // namespace vn
