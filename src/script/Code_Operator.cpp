#include "script/Code_Operator.h"

#include <cmath>
#include <string>

#include "script/Code_Token.h"

namespace vn {

namespace {

// Strings stop growing here instead of exhausting memory.
constexpr size_t kMaxStringLength = size_t(1) << 30;
constexpr const char* kTooLong = "Out of memory: the string would be too long.";

double bits(int64_t pattern) { return double(pattern); }

// The low 8 bits of the count as a signed byte: 64 and more give 0, 32 to 63 shift by
// the count, anything lower (negatives included) by its low 5 bits.
int shift_count(const RValue& right, bool& zero) {
  int8_t s = int8_t(uint8_t(uint64_t(round_to_int64(right.real)) & 0xFF));
  zero = s >= 64;
  if (s >= 32) return s;
  return s & 31;
}

double truncated_quotient(double left, double right) { return std::trunc(left / right); }

const char* compare(int32_t op, RValue& left, const RValue& right) {
  if (left.kind != right.kind) return "Cannot compare arguments.";
  double d = left.kind == kReal ? left.real - right.real
                                : double(RString::compare(left.string, right.string));
  bool result;
  switch (op) {
    case kOpEqual: result = d > -kCompareTolerance && d < kCompareTolerance; break;
    case kOpNotEqual: result = d < -kCompareTolerance || d > kCompareTolerance; break;
    case kOpLess: result = d < -kCompareTolerance; break;
    case kOpLessEqual: result = d <= kCompareTolerance; break;
    case kOpGreater: result = d > kCompareTolerance; break;
    default: result = d >= -kCompareTolerance; break;  // kOpGreaterEqual
  }
  left.set_real(result ? 1.0 : 0.0);
  return nullptr;
}

}  // namespace

const char* apply_unary(int32_t op, RValue& value) {
  if (value.kind != kReal) return "Wrong type of arguments to unary operator.";
  switch (op) {
    case kOpNot: value.real = value.real < 0.5 ? 1.0 : 0.0; return nullptr;
    case kOpSubtract: value.real = -value.real; return nullptr;
    case kOpAdd: return nullptr;
    case kOpBitNot: value.real = bits(~round_to_int64(value.real)); return nullptr;
    default: return "Internal error: unknown unary operator.";
  }
}

const char* apply_binary(int32_t op, RValue& left, const RValue& right) {
  bool reals = left.kind == kReal && right.kind == kReal;
  switch (op) {
    case kOpAdd:
      if (reals) {
        left.real += right.real;
        return nullptr;
      }
      if (left.kind == kString && right.kind == kString) {
        if (right.string.empty()) return nullptr;
        if (left.string.empty()) {
          left.string = right.string;
          return nullptr;
        }
        if (left.string.size() + right.string.size() > kMaxStringLength) return kTooLong;
        std::string joined;
        joined.reserve(left.string.size() + right.string.size());
        joined.append(left.string.view());
        joined.append(right.string.view());
        left.string = RString(joined);
        return nullptr;
      }
      return "Wrong type of arguments to +.";
    case kOpSubtract:
      if (!reals) return "Wrong type of arguments to -.";
      left.real -= right.real;
      return nullptr;
    case kOpMultiply:
      if (reals) {
        left.real *= right.real;
        return nullptr;
      }
      if (left.kind == kReal && right.kind == kString) {
        int64_t count = round_to_int64(left.real);
        std::string repeated;
        if (count > 0 && !right.string.empty()) {
          if (uint64_t(count) > kMaxStringLength / right.string.size()) return kTooLong;
          size_t total = size_t(count) * right.string.size();
          repeated.reserve(total);
          repeated.append(right.string.view());
          // Doubling keeps a long repeat of a short piece to a few dozen copies.
          while (repeated.size() * 2 <= total) repeated.append(repeated);
          repeated.append(repeated.data(), total - repeated.size());
        }
        left.set_string(RString(repeated));
        return nullptr;
      }
      return "Wrong type of arguments to *.";
    case kOpDivide:
      if (!reals) return "Wrong type of arguments to /.";
      if (right.real == 0) return "Division by 0.";
      left.real /= right.real;
      return nullptr;
    case kOpDiv:
      if (!reals) return "Wrong type of arguments to div.";
      if (right.real == 0) return "Division by 0.";
      left.real = truncated_quotient(left.real, right.real);
      return nullptr;
    case kOpMod:
      if (!reals) return "Wrong type of arguments to mod.";
      if (right.real == 0) return "Modulo by 0.";
      left.real = left.real - truncated_quotient(left.real, right.real) * right.real;
      return nullptr;
    case kOpAnd:
      if (!reals) return "Wrong type of arguments for &&.";
      left.real = left.truth() && right.truth() ? 1.0 : 0.0;
      return nullptr;
    case kOpOr:
      if (!reals) return "Wrong type of arguments for ||.";
      left.real = left.truth() || right.truth() ? 1.0 : 0.0;
      return nullptr;
    case kOpXor:
      if (!reals) return "Wrong type of arguments for ^^.";
      left.real = left.truth() != right.truth() ? 1.0 : 0.0;
      return nullptr;
    case kOpBitOr:
      if (!reals) return "Wrong type of arguments for |.";
      left.real = bits(round_to_int64(left.real) | round_to_int64(right.real));
      return nullptr;
    case kOpBitAnd:
      if (!reals) return "Wrong type of arguments for &.";
      left.real = bits(round_to_int64(left.real) & round_to_int64(right.real));
      return nullptr;
    case kOpBitXor:
      if (!reals) return "Wrong type of arguments for ^.";
      left.real = bits(round_to_int64(left.real) ^ round_to_int64(right.real));
      return nullptr;
    case kOpShiftLeft:
    case kOpShiftRight: {
      if (!reals) {
        return op == kOpShiftLeft ? "Wrong type of arguments for <<."
                                  : "Wrong type of arguments for >>.";
      }
      bool zero;
      int count = shift_count(right, zero);
      uint64_t pattern = uint64_t(round_to_int64(left.real));
      if (zero) {
        pattern = 0;
      } else if (op == kOpShiftLeft) {
        pattern <<= count;
      } else {
        pattern >>= count;
      }
      left.real = bits(int64_t(pattern));
      return nullptr;
    }
    case kOpLess:
    case kOpLessEqual:
    case kOpEqual:
    case kOpNotEqual:
    case kOpGreaterEqual:
    case kOpGreater:
      return compare(op, left, right);
    default:
      return "Internal error: unknown binary operator.";
  }
}

}  // namespace vn
