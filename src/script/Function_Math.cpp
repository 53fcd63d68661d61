#include "script/Function_Math.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <iterator>
#include <numbers>
#include <string_view>
#include <system_error>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Operator.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

uint32_t generator_seed = 0;

// Strings stop growing here instead of exhausting memory; the operators use the same limit
// and the same message.
constexpr size_t kMaxStringLength = size_t(1) << 30;
constexpr const char* kTooLong = "Out of memory: the string would be too long.";

// Functions read the field their argument's kind names; a value of the other kind reads as
// real 0 or as the empty string, so results never depend on a stale field.
const RString kNoText;
double number(const RValue& value) { return value.kind == kReal ? value.real : 0.0; }
const RString& text(const RValue& value) { return value.kind == kString ? value.string : kNoText; }

void report(const char* message) { report_runtime_error(message, false); }

// An operation failed when it made a NaN out of numbers, or an infinity out of finite
// numbers (overflow, or a pole such as ln(0)).
bool failed(double result, double a) {
  return (std::isnan(result) && !std::isnan(a)) || (std::isinf(result) && std::isfinite(a));
}
bool failed(double result, double a, double b) {
  return (std::isnan(result) && !std::isnan(a) && !std::isnan(b)) ||
         (std::isinf(result) && std::isfinite(a) && std::isfinite(b));
}

// Rounds to an integer count, saturating instead of wrapping.
int64_t rounded(const RValue& value) { return round_to_int64(number(value)); }

// --- Random numbers ---

// An integer draw below a count that may exceed 32 bits: (new seed * n) >> 32, computed in
// two halves so nothing overflows. Below 2^32 it is exactly random_below's draw.
uint64_t random_below_wide(uint64_t n) {
  random_real();
  uint64_t seed = generator_seed;
  uint64_t high = n >> 32, low = n & 0xFFFFFFFFu;
  return seed * high + ((seed * low) >> 32);
}

// A uniform integer in [first, last] (the ends in either order), from floor()ed ends.
double random_integer_between(double first, double last) {
  if (!std::isfinite(first) || !std::isfinite(last)) return 0.0;
  if (last < first) std::swap(first, last);
  double span = last - first + 1.0;
  uint64_t count = span >= 9.2e18 ? uint64_t(9.2e18) : uint64_t(span);
  return first + double(random_below_wide(count));
}

void fn_is_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = args[0].kind == kReal ? 1.0 : 0.0;
}

void fn_is_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = args[0].kind == kString ? 1.0 : 0.0;
}

void fn_random(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = random_real() * number(args[0]);
}

void fn_random_range(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double low = number(args[0]), high = number(args[1]);
  result.real = low + random_real() * (high - low);
}

// irandom(x) draws from 0 .. floor(x), like irandom_range(0, x).
void fn_irandom(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = random_integer_between(0.0, std::floor(number(args[0])));
}

void fn_irandom_range(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = random_integer_between(std::floor(number(args[0])), std::floor(number(args[1])));
}

void fn_random_set_seed(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  set_random_seed(uint32_t(uint64_t(rounded(args[0]))));
}

void fn_random_get_seed(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.real = double(int32_t(generator_seed));
}

void fn_randomize(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {
  seed_random_from_clock();
}

void fn_choose(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  if (argc <= 0) return;
  result = args[random_below(uint32_t(argc))];
}

// --- Rounding and arithmetic ---

void fn_abs(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::fabs(number(args[0]));
}

// nearbyint in the default rounding mode rounds half to even, like the language.
void fn_round(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::nearbyint(number(args[0]));
}

void fn_floor(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::floor(number(args[0]));
}

void fn_ceil(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::ceil(number(args[0]));
}

// Values within the comparison tolerance of 0 have no sign.
void fn_sign(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double value = number(args[0]);
  result.real = value <= -kCompareTolerance ? -1.0 : value < kCompareTolerance ? 0.0 : 1.0;
}

void fn_frac(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double value = number(args[0]);
  result.real = value - std::trunc(value);
}

void fn_sqrt(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double value = number(args[0]);
  if (value < 0) return report("Cannot apply sqrt to negative number.");
  result.real = std::sqrt(value);
}

void fn_sqr(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double value = number(args[0]);
  result.real = value * value;
}

// --- Exponentials and trigonometry ---

// One argument through `operation`; a failure leaves the result 0 and reports `message`.
template <double (*operation)(double)>
void checked(const RValue* args, RValue& result, const char* message) {
  double value = number(args[0]);
  double answer = operation(value);
  if (failed(answer, value)) return report(message);
  result.real = answer;
}

double exp_of(double x) { return std::exp(x); }
double ln_of(double x) { return std::log(x); }
double log2_of(double x) { return std::log2(x); }
double log10_of(double x) { return std::log10(x); }
double asin_of(double x) { return std::asin(x); }
double acos_of(double x) { return std::acos(x); }
double atan_of(double x) { return std::atan(x); }

void fn_exp(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<exp_of>(args, result, "Error in function exp().");
}
void fn_ln(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<ln_of>(args, result, "Error in function ln().");
}
void fn_log2(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<log2_of>(args, result, "Error in function log2().");
}
void fn_log10(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<log10_of>(args, result, "Error in function log10().");
}
void fn_arcsin(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<asin_of>(args, result, "Error in function arcsin().");
}
void fn_arccos(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<acos_of>(args, result, "Error in function arccos().");
}
void fn_arctan(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  checked<atan_of>(args, result, "Error in function arctan().");
}

void fn_sin(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::sin(number(args[0]));
}
void fn_cos(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::cos(number(args[0]));
}
void fn_tan(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = std::tan(number(args[0]));
}

// arctan2(y, x): the angle of the point (x, y).
void fn_arctan2(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double y = number(args[0]), x = number(args[1]);
  double answer = std::atan2(y, x);
  if (failed(answer, y, x)) return report("Error in function arctan2().");
  result.real = answer;
}

void fn_degtorad(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = number(args[0]) * (std::numbers::pi / 180.0);
}

void fn_radtodeg(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = number(args[0]) * (180.0 / std::numbers::pi);
}

void fn_power(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double base = number(args[0]), exponent = number(args[1]);
  double answer = std::pow(base, exponent);
  if (failed(answer, base, exponent)) return report("Error in function power().");
  result.real = answer;
}

// logn(b, x) = ln(x) / ln(b); a base or value whose logarithm fails fails the whole.
void fn_logn(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double base = number(args[0]), value = number(args[1]);
  double ln_base = std::log(base), ln_value = std::log(value);
  double answer = ln_value / ln_base;
  if (failed(ln_base, base) || failed(ln_value, value) || failed(answer, base, value)) {
    return report("Error in function logn().");
  }
  result.real = answer;
}

// --- Aggregates ---

// Whether `candidate` should replace `current` in min (less) or max (!less). The current
// value's kind decides how the two compare.
bool replaces(const RValue& current, const RValue& candidate, bool less) {
  if (current.kind == kReal) {
    double c = number(candidate);
    return less ? c < current.real : c > current.real;
  }
  int order = RString::compare(text(candidate), current.string);
  return less ? order < 0 : order > 0;
}

void extreme(int argc, const RValue* args, RValue& result, bool less) {
  if (argc <= 0) return;
  const RValue* best = &args[0];
  for (int i = 1; i < argc; ++i) {
    if (replaces(*best, args[i], less)) best = &args[i];
  }
  result = *best;
}

void fn_min(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  extreme(argc, args, result, true);
}
void fn_max(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  extreme(argc, args, result, false);
}
void fn_min3(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  extreme(3, args, result, true);
}
void fn_max3(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  extreme(3, args, result, false);
}

void fn_mean(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  if (argc <= 0) return;
  double sum = 0;
  for (int i = 0; i < argc; ++i) sum += number(args[i]);
  result.real = sum / argc;
}

// The first argument q with fewer than count / 2 values below it and at least count / 2
// at most it: the middle value, the lower middle one for an even count. At most 16
// arguments, so the quadratic count is cheap.
void fn_median(CInstanceBase*, CInstanceBase*, int argc, const RValue* args, RValue& result) {
  double half = argc / 2.0;
  for (int i = 0; i < argc; ++i) {
    double q = number(args[i]);
    int below = 0, at_most = 0;
    for (int j = 0; j < argc; ++j) {
      double value = number(args[j]);
      below += value < q;
      at_most += value <= q;
    }
    if (below < half && at_most >= half) {
      result.real = q;
      return;
    }
  }
}

// --- Conversions ---

// More significant digits than a double can carry are written as zeros.
constexpr int kSignificantDigits = 18;

// The text from to_chars made to read "1.23E+20" (upper-case E, signed exponent of at
// least two digits, which to_chars already gives).
std::string scientific_text(double value, int decimals) {
  char buffer[64];
  int mantissa_decimals = std::min(decimals, kSignificantDigits - 1);
  auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), value,
                                    std::chars_format::scientific, mantissa_decimals);
  if (error != std::errc()) return "ERROR";
  std::string out(buffer, end);
  size_t e = out.find('e');
  out[e] = 'E';
  out.insert(e, size_t(decimals - mantissa_decimals), '0');
  return out;
}

// Rewrites a fixed-notation text with more than 18 significant digits so that only the
// first 18 (rounded) remain and the rest read 0, keeping its number of decimals.
std::string capped_fixed_text(double value, int decimals) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof(buffer), std::fabs(value),
                                    std::chars_format::scientific, kSignificantDigits - 1);
  if (error != std::errc()) return "ERROR";
  std::string_view text(buffer, size_t(end - buffer));
  size_t e = text.find('e');
  std::string digits;
  digits += text[0];
  digits.append(text.substr(2, e - 2));
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
  // The digits stand for 0.d1d2... * 10^(exponent + 1).
  std::string out = value < 0 ? "-" : "";
  std::string fraction;
  if (exponent >= 0) {
    size_t integer_digits = size_t(exponent) + 1;
    if (digits.size() < integer_digits) digits.resize(integer_digits, '0');
    out.append(digits, 0, integer_digits);
    fraction = digits.substr(integer_digits);
  } else {
    out += '0';
    fraction = std::string(size_t(-exponent - 1), '0') + digits;
  }
  fraction.resize(size_t(decimals), '0');
  if (decimals > 0) out += '.' + fraction;
  return out;
}

// The common layout of string and string_format: fixed notation with `decimals` decimals
// (0 to 18) and at most 18 significant digits; scientific notation with the same number
// of decimals in the mantissa when more than `max_integer_digits` digits would precede the
// point. A value whose digits all read 0 loses its minus sign ("0.00", never "-0.00").
// NaN and the infinities read "nan", "inf" and "-inf".
std::string format_fixed(double value, int decimals, int max_integer_digits) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  // The largest double has 309 integer digits.
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return "ERROR";
  std::string out(buffer, end);
  size_t first = out[0] == '-' ? 1 : 0;
  size_t point = out.find('.');
  size_t integer_digits = (point == std::string::npos ? out.size() : point) - first;
  if (int(integer_digits) > max_integer_digits) return scientific_text(value, decimals);
  size_t significant = 0;
  bool leading = true;
  for (size_t i = first; i < out.size(); ++i) {
    if (out[i] == '.') continue;
    if (out[i] != '0') leading = false;
    if (!leading) ++significant;
  }
  if (leading) {
    if (first) out.erase(0, 1);
    return out;
  }
  if (significant > size_t(kSignificantDigits)) {
    out = capped_fixed_text(value, decimals);
    // Rounding to fewer digits may carry into a new leading digit.
    first = out[0] == '-' ? 1 : 0;
    point = out.find('.');
    integer_digits = (point == std::string::npos ? out.size() : point) - first;
    if (int(integer_digits) > max_integer_digits) return scientific_text(value, decimals);
  }
  return out;
}

// Integers within the 64-bit range are written without decimals.
bool integral(double value) {
  return value >= -9223372036854775808.0 && value < 9223372036854775808.0 &&
         value == std::nearbyint(value);
}

// The grammar of a number in text (after trimming):
//   number := [sign] mantissa [exponent]
//   mantissa := digits ["." [digits]] | "." digits
//   exponent := ("e" | "E") [sign] digits
// Returns false when the text is not such a number or its value is too large for a
// double; a value too small for one reads as 0 (with its sign).
bool parse_number(std::string_view text, double& value) {
  size_t i = 0, n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  size_t body = i;
  auto digit_at = [&](size_t at) { return at < n && text[at] >= '0' && text[at] <= '9'; };
  // The decimal magnitude (position of the first non-zero digit) tells overflow from
  // underflow when the conversion is out of range.
  int64_t magnitude = 0;
  bool nonzero = false;
  size_t integer_start = i;
  while (digit_at(i)) {
    if (text[i] != '0') nonzero = true;
    if (nonzero) ++magnitude;
    ++i;
  }
  size_t mantissa_digits = i - integer_start;
  if (i < n && text[i] == '.') {
    ++i;
    size_t fraction_start = i;
    while (digit_at(i)) {
      if (!nonzero && text[i] == '0') --magnitude;
      if (text[i] != '0') nonzero = true;
      ++i;
    }
    mantissa_digits += i - fraction_start;
  }
  if (mantissa_digits == 0) return false;
  int64_t exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
    if (!digit_at(i)) return false;
    while (digit_at(i)) {
      if (exponent < 100000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (i != n) return false;
  auto [end, error] =
      std::from_chars(text.data() + body, text.data() + n, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    if (nonzero && magnitude + exponent > 0) return false;
    value = 0.0;
  } else if (error != std::errc() || end != text.data() + n) {
    return false;
  }
  if (negative) value = -value;
  return true;
}

bool space(char c) { return static_cast<unsigned char>(c) <= ' '; }

void fn_real(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  if (args[0].kind == kReal) {
    result.real = args[0].real;
    return;
  }
  std::string_view source = args[0].string.view();
  while (!source.empty() && space(source.front())) source.remove_prefix(1);
  while (!source.empty() && space(source.back())) source.remove_suffix(1);
  if (source.empty()) return;
  double value;
  if (!parse_number(source, value)) return report("Error in function real().");
  result.real = value;
}

void fn_string(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  if (args[0].kind == kString) {
    result = args[0];
    return;
  }
  result.set_string(RString(real_to_text(args[0].real)));
}

// Decimals beyond 18 would only add zeros past the significant digits.
void fn_string_format(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  if (args[0].kind == kString) {
    result = args[0];
    return;
  }
  int decimals = int(std::clamp<int64_t>(rounded(args[2]), 0, kSignificantDigits));
  std::string out = format_fixed(args[0].real, decimals, kSignificantDigits);
  int64_t width = rounded(args[1]);
  if (width > int64_t(kMaxStringLength)) return report(kTooLong);
  if (width > int64_t(out.size())) out.insert(0, size_t(width) - out.size(), ' ');
  result.set_string(RString(out));
}

void fn_chr(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  char byte = char(uint8_t(uint64_t(rounded(args[0])) & 0xFF));
  result.set_string(RString(std::string_view(&byte, 1)));
}

void fn_ord(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const RString& s = text(args[0]);
  result.real = s.empty() ? 0.0 : double(s[0]);
}

// --- Strings ---

// Finds a pattern without ever going quadratic: short patterns through the library's
// search, whose work per position is bounded by the pattern's length; long ones with a
// prefix table (each text byte is looked at a bounded number of times).
class PatternFinder {
 public:
  explicit PatternFinder(std::string_view pattern) : pattern_(pattern) {
    if (pattern.size() <= kShortPattern) return;
    // border_[i]: the length of the longest proper border of pattern[0 .. i].
    border_.assign(pattern.size(), 0);
    for (size_t i = 1, k = 0; i < pattern.size(); ++i) {
      while (k > 0 && pattern[i] != pattern[k]) k = border_[k - 1];
      if (pattern[i] == pattern[k]) ++k;
      border_[i] = k;
    }
  }

  // The first occurrence starting at or after `from`, or npos. The pattern is not empty.
  size_t find(std::string_view text, size_t from) const {
    if (border_.empty()) return text.find(pattern_, from);
    for (size_t i = from, k = 0; i < text.size(); ++i) {
      while (k > 0 && text[i] != pattern_[k]) k = border_[k - 1];
      if (text[i] == pattern_[k]) ++k;
      if (k == pattern_.size()) return i + 1 - k;
    }
    return std::string_view::npos;
  }

 private:
  static constexpr size_t kShortPattern = 32;
  std::string_view pattern_;
  std::vector<size_t> border_;
};

void fn_string_length(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.real = double(text(args[0]).size());
}

// 1-based; 0 when absent or when sub is empty.
void fn_string_pos(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string_view sub = text(args[0]).view(), s = text(args[1]).view();
  if (sub.empty()) return;
  size_t at = PatternFinder(sub).find(s, 0);
  if (at != std::string_view::npos) result.real = double(at + 1);
}

// The 0-based start and the length of the bytes that a 1-based index and a count select
// in a string of `size` bytes: an index below 1 counts as 1, past the end selects nothing,
// and the count is cut at the end.
struct Span {
  size_t start = 0, length = 0;
};
Span clip(size_t size, int64_t index, int64_t count) {
  if (index < 1) index = 1;
  if (count <= 0 || uint64_t(index) > size) return Span{size, 0};
  size_t start = size_t(index - 1);
  return Span{start, std::min(size - start, size_t(uint64_t(count)))};
}

void set_text(RValue& result, std::string_view value) { result.set_string(RString(value)); }

void fn_string_copy(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const RString& s = text(args[0]);
  Span span = clip(s.size(), rounded(args[1]), rounded(args[2]));
  if (span.length == s.size()) {
    result.set_string(s);
    return;
  }
  set_text(result, s.view().substr(span.start, span.length));
}

void fn_string_char_at(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string_view s = text(args[0]).view();
  Span span = clip(s.size(), rounded(args[1]), 1);
  set_text(result, s.substr(span.start, span.length));
}

void fn_string_delete(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const RString& s = text(args[0]);
  Span span = clip(s.size(), rounded(args[1]), rounded(args[2]));
  if (span.length == 0) {
    result.set_string(s);
    return;
  }
  std::string out;
  out.reserve(s.size() - span.length);
  out.append(s.view().substr(0, span.start));
  out.append(s.view().substr(span.start + span.length));
  set_text(result, out);
}

// sub goes before the byte at the 1-based index; an index below 1 prepends, one past the
// end appends.
void fn_string_insert(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string_view sub = text(args[0]).view();
  const RString& s = text(args[1]);
  if (sub.empty()) {
    result.set_string(s);
    return;
  }
  if (s.size() + sub.size() > kMaxStringLength) return report(kTooLong);
  int64_t index = std::clamp<int64_t>(rounded(args[2]), 1, int64_t(s.size()) + 1);
  size_t at = size_t(index - 1);
  std::string out;
  out.reserve(s.size() + sub.size());
  out.append(s.view().substr(0, at));
  out.append(sub);
  out.append(s.view().substr(at));
  set_text(result, out);
}

template <char (*change)(char)>
void map_bytes(const RValue* args, RValue& result) {
  std::string out(text(args[0]).view());
  for (char& c : out) c = change(c);
  set_text(result, out);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

void fn_string_lower(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  map_bytes<lower>(args, result);
}
void fn_string_upper(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  map_bytes<upper>(args, result);
}

void fn_string_repeat(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string_view s = text(args[0]).view();
  int64_t count = rounded(args[1]);
  if (count <= 0 || s.empty()) {
    set_text(result, "");
    return;
  }
  if (uint64_t(count) > kMaxStringLength / s.size()) return report(kTooLong);
  std::string out;
  out.reserve(s.size() * size_t(count));
  for (int64_t i = 0; i < count; ++i) out.append(s);
  set_text(result, out);
}

bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool digit(char c) { return c >= '0' && c <= '9'; }
bool letter_or_digit(char c) { return letter(c) || digit(c); }

template <bool (*keep)(char)>
void filter_bytes(const RValue* args, RValue& result) {
  std::string out;
  for (char c : text(args[0]).view()) {
    if (keep(c)) out += c;
  }
  set_text(result, out);
}

void fn_string_letters(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  filter_bytes<letter>(args, result);
}
void fn_string_digits(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  filter_bytes<digit>(args, result);
}
void fn_string_lettersdigits(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                             RValue& result) {
  filter_bytes<letter_or_digit>(args, result);
}

// Replaces the first occurrence of sub, or every one scanning left to right from the end
// of the previous replacement, so inserted text is never searched again. An empty sub
// replaces nothing. The occurrences are counted first, so a result that would be too long
// is refused before anything is built.
void replace(const RValue* args, RValue& result, bool every) {
  const RString& s = text(args[0]);
  std::string_view sub = text(args[1]).view(), replacement = text(args[2]).view();
  std::string_view source = s.view();
  if (sub.empty()) {
    result.set_string(s);
    return;
  }
  PatternFinder finder(sub);
  auto next = [&](size_t after_previous) {
    return every ? finder.find(source, after_previous) : std::string_view::npos;
  };
  const size_t first = finder.find(source, 0);
  uint64_t count = 0;
  for (size_t at = first; at != std::string_view::npos; at = next(at + sub.size())) ++count;
  if (count == 0) {
    result.set_string(s);
    return;
  }
  uint64_t size = source.size() - count * sub.size() + count * replacement.size();
  if (size > kMaxStringLength) return report(kTooLong);
  std::string out;
  out.reserve(size_t(size));
  size_t done = 0;
  for (size_t at = first; at != std::string_view::npos; at = next(done)) {
    out.append(source.substr(done, at - done));
    out.append(replacement);
    done = at + sub.size();
  }
  out.append(source.substr(done));
  set_text(result, out);
}

void fn_string_replace(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  replace(args, result, false);
}
void fn_string_replace_all(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  replace(args, result, true);
}

// Non-overlapping occurrences from the left; 0 for an empty sub.
void fn_string_count(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  std::string_view sub = text(args[0]).view(), s = text(args[1]).view();
  if (sub.empty()) return;
  PatternFinder finder(sub);
  size_t count = 0;
  for (size_t at = finder.find(s, 0); at != std::string_view::npos;
       at = finder.find(s, at + sub.size())) {
    ++count;
  }
  result.real = double(count);
}

// --- Geometry ---

void fn_point_distance(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double dx = number(args[2]) - number(args[0]), dy = number(args[3]) - number(args[1]);
  result.real = std::sqrt(dx * dx + dy * dy);
}

// Degrees counter-clockwise on a screen whose y grows downwards, in [0, 360).
void fn_point_direction(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double dx = number(args[2]) - number(args[0]), dy = number(args[3]) - number(args[1]);
  if (dx != 0) {
    double angle = std::atan2(dy, dx) * (180.0 / std::numbers::pi);
    result.real = angle > 0 ? 360.0 - angle : -angle;
  } else {
    result.real = dy > 0 ? 270.0 : dy == 0 ? 0.0 : 90.0;
  }
}

// Results within 0.0001 of an integer become it, so axis-aligned directions give exact
// coordinates; adding 0 turns a negative zero into 0.
double snapped(double value) {
  double nearest = std::nearbyint(value);
  return std::fabs(value - nearest) <= 0.0001 ? nearest + 0.0 : value;
}

void fn_lengthdir_x(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double radians = number(args[1]) * (std::numbers::pi / 180.0);
  result.real = snapped(std::cos(radians) * number(args[0]));
}

void fn_lengthdir_y(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  double radians = number(args[1]) * (std::numbers::pi / 180.0);
  result.real = snapped(-std::sin(radians) * number(args[0]));
}

struct RMathFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

constexpr int kAny = kVariableArguments;

const RMathFunction kMathFunctions[] = {
    {"is_real", fn_is_real, 1},
    {"is_string", fn_is_string, 1},
    {"random", fn_random, 1},
    {"random_range", fn_random_range, 2},
    {"irandom", fn_irandom, 1},
    {"irandom_range", fn_irandom_range, 2},
    {"random_set_seed", fn_random_set_seed, 1},
    {"random_get_seed", fn_random_get_seed, 0},
    {"randomize", fn_randomize, 0},
    {"abs", fn_abs, 1},
    {"round", fn_round, 1},
    {"floor", fn_floor, 1},
    {"ceil", fn_ceil, 1},
    {"sign", fn_sign, 1},
    {"frac", fn_frac, 1},
    {"sqrt", fn_sqrt, 1},
    {"sqr", fn_sqr, 1},
    {"exp", fn_exp, 1},
    {"ln", fn_ln, 1},
    {"log2", fn_log2, 1},
    {"log10", fn_log10, 1},
    {"sin", fn_sin, 1},
    {"cos", fn_cos, 1},
    {"tan", fn_tan, 1},
    {"arcsin", fn_arcsin, 1},
    {"arccos", fn_arccos, 1},
    {"arctan", fn_arctan, 1},
    {"arctan2", fn_arctan2, 2},
    {"degtorad", fn_degtorad, 1},
    {"radtodeg", fn_radtodeg, 1},
    {"power", fn_power, 2},
    {"logn", fn_logn, 2},
    {"min", fn_min, kAny},
    {"max", fn_max, kAny},
    {"min3", fn_min3, 3},
    {"max3", fn_max3, 3},
    {"mean", fn_mean, kAny},
    {"median", fn_median, kAny},
    {"choose", fn_choose, kAny},
    {"real", fn_real, 1},
    {"string", fn_string, 1},
    {"string_format", fn_string_format, 3},
    {"chr", fn_chr, 1},
    {"ord", fn_ord, 1},
    {"string_length", fn_string_length, 1},
    {"string_pos", fn_string_pos, 2},
    {"string_copy", fn_string_copy, 3},
    {"string_char_at", fn_string_char_at, 2},
    {"string_delete", fn_string_delete, 3},
    {"string_insert", fn_string_insert, 3},
    {"string_lower", fn_string_lower, 1},
    {"string_upper", fn_string_upper, 1},
    {"string_repeat", fn_string_repeat, 2},
    {"string_letters", fn_string_letters, 1},
    {"string_digits", fn_string_digits, 1},
    {"string_lettersdigits", fn_string_lettersdigits, 1},
    {"string_replace", fn_string_replace, 3},
    {"string_replace_all", fn_string_replace_all, 3},
    {"string_count", fn_string_count, 2},
    {"point_distance", fn_point_distance, 4},
    {"point_direction", fn_point_direction, 4},
    {"lengthdir_x", fn_lengthdir_x, 2},
    {"lengthdir_y", fn_lengthdir_y, 2},
};
static_assert(std::size(kMathFunctions) == 63);

}  // namespace

uint32_t random_seed() { return generator_seed; }
void set_random_seed(uint32_t seed) { generator_seed = seed; }

double random_real() {
  generator_seed = generator_seed * 134775813u + 1u;
  return double(generator_seed) * (1.0 / 4294967296.0);
}

// The wall clock in nanoseconds, folded to 32 bits, differs from run to run.
void seed_random_from_clock() {
  uint64_t now = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
  set_random_seed(uint32_t(now ^ (now >> 32)));
}

uint32_t random_below(uint32_t n) {
  random_real();
  return uint32_t((uint64_t(generator_seed) * n) >> 32);
}

// string(x): integers in the 64-bit range without decimals ("12", "-3"); any other value
// with two decimals ("1.50", "-0.13"), rounded to nearest with ties to even on the exact
// binary value; more than 10 digits before the point switch to "1.23E+10" (two decimals
// in the mantissa, a signed exponent of at least two digits).
std::string real_to_text(double value) {
  if (integral(value)) {
    char buffer[24];
    auto end = std::to_chars(buffer, buffer + sizeof(buffer), int64_t(value)).ptr;
    return std::string(buffer, end);
  }
  return format_fixed(value, 2, 10);
}

void register_math_functions() {
  for (const RMathFunction& function : kMathFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
