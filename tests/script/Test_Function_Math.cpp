#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Function_Math.h"

namespace vn {
namespace {

class RecordingDisplay : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool) override {
    messages.push_back(message);
    return ErrorChoice::Ignore;
  }
  std::vector<std::string> messages;
};

class MathFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      register_math_functions();
      return true;
    }();
    (void)registered;
    reset_error_state();
    error_settings() = RErrorSettings{};
    set_context_names(RContextNames{});
    set_error_display(&display_);
  }
  void TearDown() override { set_error_display(nullptr); }

  // Calls a function of the family through the registry, as the interpreter would.
  RValue call(const std::string& name, std::vector<RValue> given = {}) {
    int32_t id = -1;
    EXPECT_TRUE(find_function(name, id)) << name;
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) {
      ADD_FAILURE() << name << " is not a built-in function";
      return RValue();
    }
    EXPECT_TRUE(function->argument_count == kVariableArguments ||
                function->argument_count == int(given.size()))
        << name;
    RValue slots[kMaxArguments];
    for (size_t i = 0; i < given.size(); ++i) slots[i] = given[i];
    RValue result;
    function->handler(nullptr, nullptr, int(given.size()), slots, result);
    return result;
  }
  std::string text(const std::string& name, std::vector<RValue> given) {
    RValue result = call(name, std::move(given));
    EXPECT_TRUE(result.is_string()) << name;
    return result.string.str();
  }
  std::vector<std::string> take_messages() { return std::exchange(display_.messages, {}); }

  RecordingDisplay display_;
};

constexpr double kTwoTo32 = 4294967296.0;

TEST_F(MathFunctions, RandomSequenceFollowsTheSeed) {
  call("random_set_seed", {1.0});
  EXPECT_EQ(call("random", {1.0}).real, 134775814.0 / kTwoTo32);
  EXPECT_EQ(random_seed(), 134775814u);
  EXPECT_EQ(call("random_get_seed").real, 134775814.0);

  // The seed is taken modulo 2^32 and read back signed.
  call("random_set_seed", {-1.0});
  EXPECT_EQ(call("random_get_seed").real, -1.0);
  call("random_set_seed", {kTwoTo32 + 5});
  EXPECT_EQ(random_seed(), 5u);

  // An integer draw is the upper half of the product of the new seed and the count.
  set_random_seed(77);
  uint32_t next = 77u * 134775813u + 1u;
  EXPECT_EQ(call("irandom", {9.5}).real, double((uint64_t(next) * 10) >> 32));
  set_random_seed(77);
  EXPECT_EQ(call("random_range", {10.0, 20.0}).real, 10.0 + next / kTwoTo32 * 10.0);
  set_random_seed(77);
  EXPECT_EQ(call("choose", {"a", "b", "c"}).string.str(),
            std::string(1, char('a' + ((uint64_t(next) * 3) >> 32))));

  // No argument: no draw, real 0.
  set_random_seed(77);
  RValue none = call("choose");
  EXPECT_TRUE(none.is_real());
  EXPECT_EQ(none.real, 0.0);
  EXPECT_EQ(random_seed(), 77u);
}

TEST_F(MathFunctions, IntegerDrawsCoverTheirRangeOnly) {
  set_random_seed(12345);
  auto seen = [&](const std::string& name, std::vector<RValue> given) {
    std::vector<double> values;
    for (int i = 0; i < 400; ++i) {
      double value = call(name, given).real;
      if (std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
    }
    std::sort(values.begin(), values.end());
    return values;
  };
  EXPECT_EQ(seen("irandom", {2.9}), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(seen("irandom_range", {3.7, 5.2}), (std::vector<double>{3, 4, 5}));
  EXPECT_EQ(seen("irandom_range", {5.0, 3.0}), (std::vector<double>{3, 4, 5}));
  EXPECT_EQ(seen("irandom_range", {-2.5, -1.0}), (std::vector<double>{-3, -2, -1}));
  EXPECT_EQ(seen("irandom", {0.0}), (std::vector<double>{0}));
  for (double value : seen("irandom", {1e12})) EXPECT_TRUE(value >= 0 && value <= 1e12);
  for (double value : seen("random", {3.0})) EXPECT_TRUE(value >= 0 && value < 3.0);
}

TEST_F(MathFunctions, RoundingAndSign) {
  EXPECT_EQ(call("round", {2.5}).real, 2.0);
  EXPECT_EQ(call("round", {3.5}).real, 4.0);
  EXPECT_EQ(call("round", {-2.5}).real, -2.0);
  EXPECT_EQ(call("floor", {-1.5}).real, -2.0);
  EXPECT_EQ(call("ceil", {-1.5}).real, -1.0);
  EXPECT_EQ(call("frac", {-3.75}).real, -0.75);
  EXPECT_EQ(call("sign", {1e-14}).real, 0.0);
  EXPECT_EQ(call("sign", {-1e-13}).real, -1.0);
  EXPECT_EQ(call("sign", {2e-13}).real, 1.0);
  EXPECT_EQ(call("is_real", {"1"}).real, 0.0);
  EXPECT_EQ(call("is_string", {"1"}).real, 1.0);
  // A string where a number belongs reads as 0, without a message.
  EXPECT_EQ(call("sqrt", {"x"}).real, 0.0);
  EXPECT_TRUE(take_messages().empty());
}

TEST_F(MathFunctions, InvalidOperationsReportAndGiveZero) {
  struct Case {
    const char* name;
    std::vector<RValue> args;
    const char* message;
  };
  const Case cases[] = {
      {"sqrt", {-1.0}, "Cannot apply sqrt to negative number."},
      {"exp", {1000.0}, "Error in function exp()."},
      {"ln", {0.0}, "Error in function ln()."},
      {"ln", {-1.0}, "Error in function ln()."},
      {"log2", {-4.0}, "Error in function log2()."},
      {"log10", {0.0}, "Error in function log10()."},
      {"arcsin", {2.0}, "Error in function arcsin()."},
      {"arccos", {-1.5}, "Error in function arccos()."},
      {"power", {-8.0, 1.0 / 3.0}, "Error in function power()."},
      {"power", {10.0, 400.0}, "Error in function power()."},
      {"power", {0.0, -1.0}, "Error in function power()."},
      {"logn", {1.0, 5.0}, "Error in function logn()."},
      {"logn", {-2.0, 8.0}, "Error in function logn()."},
      {"logn", {0.0, 8.0}, "Error in function logn()."},
  };
  for (const Case& c : cases) {
    RValue result = call(c.name, c.args);
    EXPECT_TRUE(result.is_real() && result.real == 0.0) << c.name;
    EXPECT_EQ(take_messages(), std::vector<std::string>{c.message}) << c.name;
  }
  // Edges that are not failures.
  EXPECT_EQ(call("sqrt", {0.0}).real, 0.0);
  EXPECT_EQ(call("exp", {-1000.0}).real, 0.0);
  EXPECT_EQ(call("power", {-8.0, 3.0}).real, -512.0);
  EXPECT_DOUBLE_EQ(call("logn", {2.0, 8.0}).real, 3.0);
  EXPECT_EQ(call("arctan2", {1.0, 0.0}).real, std::numbers::pi / 2);
  EXPECT_EQ(call("arctan2", {0.0, -1.0}).real, std::numbers::pi);
  EXPECT_TRUE(take_messages().empty());
}

TEST_F(MathFunctions, Aggregates) {
  EXPECT_EQ(text("min", {"b", "a", "c"}), "a");
  EXPECT_EQ(text("max", {"B", "a"}), "a");  // bytes, not letters
  EXPECT_EQ(call("max", {3.0, 7.0, 5.0}).real, 7.0);
  EXPECT_EQ(call("min3", {3.0, -7.0, 5.0}).real, -7.0);
  EXPECT_EQ(call("max3", {3.0, -7.0, 5.0}).real, 5.0);
  RValue none = call("min");
  EXPECT_TRUE(none.is_real() && none.real == 0.0);
  EXPECT_EQ(call("mean", {1.0, 2.0, 3.0, 4.0}).real, 2.5);
  EXPECT_EQ(call("mean").real, 0.0);
  EXPECT_EQ(call("median", {1.0, 2.0, 3.0, 4.0}).real, 2.0);
  EXPECT_EQ(call("median", {4.0, 1.0, 3.0, 2.0}).real, 2.0);
  EXPECT_EQ(call("median", {3.0, 1.0, 2.0}).real, 2.0);
  EXPECT_EQ(call("median", {5.0, 5.0, 1.0}).real, 5.0);
  EXPECT_EQ(call("median", {9.0}).real, 9.0);
  EXPECT_EQ(call("median").real, 0.0);
}

TEST_F(MathFunctions, StringOfAReal) {
  const std::pair<double, const char*> cases[] = {
      {3, "3"},
      {-3, "-3"},
      {2.5, "2.50"},
      {-0.126, "-0.13"},
      {0.1 + 0.2, "0.30"},
      {-0.001, "0.00"},
      {-0.0, "0"},
      {1e18, "1000000000000000000"},
      {1234567890.5, "1234567890.50"},
      {12345678901.5, "1.23E+10"},
      {9999999999.999, "1.00E+10"},
      {1e300, "1.00E+300"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(text("string", {value}), expected);
  EXPECT_EQ(text("string", {"a"}), "a");
}

TEST_F(MathFunctions, StringFormat) {
  EXPECT_EQ(text("string_format", {3.14159, 8.0, 2.0}), "    3.14");
  EXPECT_EQ(text("string_format", {"x", 8.0, 2.0}), "x");
  EXPECT_EQ(text("string_format", {-1.5, 6.0, 1.0}), "  -1.5");
  EXPECT_EQ(text("string_format", {12345.0, 2.0, 0.0}), "12345");
  EXPECT_EQ(text("string_format", {1.0, 0.0, -3.0}), "1");
  EXPECT_EQ(text("string_format", {1.0, 0.0, 40.0}), "1.000000000000000000");
  // Only 18 significant digits; the rest read 0.
  EXPECT_EQ(text("string_format", {100.0 / 3.0, 0.0, 18.0}), "33.333333333333335700");
  EXPECT_EQ(text("string_format", {1e20, 0.0, 2.0}), "1.00E+20");
  EXPECT_TRUE(call("string_format", {1.0, 1e15, 0.0}).is_real());
  EXPECT_EQ(take_messages(),
            std::vector<std::string>{"Out of memory: the string would be too long."});
}

TEST_F(MathFunctions, RealReadsDecimalNumbersOnly) {
  const std::pair<const char*, double> good[] = {
      {" 12.5 ", 12.5}, {"", 0},    {" \t ", 0},    {"-3e2", -300},  {"+.5", 0.5},
      {"5.", 5},        {"007", 7}, {"1E-2", 0.01}, {"1e-400", 0.0},
  };
  for (const auto& [source, expected] : good) EXPECT_EQ(call("real", {source}).real, expected);
  EXPECT_TRUE(take_messages().empty());
  for (const char* source :
       {"1,5", "1e", "e5", ".", "-", "0x10", "12abc", "nan", "inf", "1 2", "--1", "1e400"}) {
    EXPECT_EQ(call("real", {source}).real, 0.0) << source;
    EXPECT_EQ(take_messages(), std::vector<std::string>{"Error in function real()."}) << source;
  }
  EXPECT_EQ(call("real", {7.25}).real, 7.25);
}

TEST_F(MathFunctions, CharactersAndCodes) {
  EXPECT_EQ(text("chr", {65.0}), "A");
  EXPECT_EQ(text("chr", {65.5}), "B");  // round half to even
  EXPECT_EQ(text("chr", {321.0}), "A");
  EXPECT_EQ(text("chr", {0.0}), std::string(1, '\0'));
  EXPECT_EQ(call("ord", {"\xE9x"}).real, 233.0);
  EXPECT_EQ(call("ord", {""}).real, 0.0);
}

TEST_F(MathFunctions, PositionsAreClipped) {
  const std::string s = "abcdef";
  EXPECT_EQ(text("string_copy", {s, 2.0, 3.0}), "bcd");
  EXPECT_EQ(text("string_copy", {s, 0.0, 2.0}), "ab");
  EXPECT_EQ(text("string_copy", {s, -5.0, 2.0}), "ab");
  EXPECT_EQ(text("string_copy", {s, 5.0, 10.0}), "ef");
  EXPECT_EQ(text("string_copy", {s, 7.0, 1.0}), "");
  EXPECT_EQ(text("string_copy", {s, 2.0, -1.0}), "");
  EXPECT_EQ(text("string_copy", {s, 2.5, 2.0}), "bc");
  EXPECT_EQ(text("string_char_at", {s, 0.0}), "a");
  EXPECT_EQ(text("string_char_at", {s, 6.0}), "f");
  EXPECT_EQ(text("string_char_at", {s, 7.0}), "");
  EXPECT_EQ(text("string_delete", {s, 2.0, 3.0}), "aef");
  EXPECT_EQ(text("string_delete", {s, 0.0, 2.0}), "cdef");
  EXPECT_EQ(text("string_delete", {s, 5.0, 100.0}), "abcd");
  EXPECT_EQ(text("string_delete", {s, 7.0, 1.0}), s);
  EXPECT_EQ(text("string_insert", {"X", "abc", 1.0}), "Xabc");
  EXPECT_EQ(text("string_insert", {"X", "abc", 3.0}), "abXc");
  EXPECT_EQ(text("string_insert", {"X", "abc", 4.0}), "abcX");
  EXPECT_EQ(text("string_insert", {"X", "abc", 99.0}), "abcX");
  EXPECT_EQ(text("string_insert", {"X", "abc", -2.0}), "Xabc");
  EXPECT_EQ(call("string_pos", {"c", "abcabc"}).real, 3.0);
  EXPECT_EQ(call("string_pos", {"", "abc"}).real, 0.0);
  EXPECT_EQ(call("string_pos", {"d", "abc"}).real, 0.0);
  EXPECT_EQ(call("string_length", {"a\0b"}).real, 1.0);
  EXPECT_EQ(call("string_length", {std::string("a\0b", 3)}).real, 3.0);
}

TEST_F(MathFunctions, ByteClassesAndRepetition) {
  EXPECT_EQ(text("string_lower", {"AbZ\xC9"}), "abz\xC9");
  EXPECT_EQ(text("string_upper", {"azM\xE9"}), "AZM\xE9");
  EXPECT_EQ(text("string_letters", {"a1-B2\xE9"}), "aB");
  EXPECT_EQ(text("string_digits", {"a1-B2\xE9"}), "12");
  EXPECT_EQ(text("string_lettersdigits", {"a1-B2\xE9"}), "a1B2");
  EXPECT_EQ(text("string_repeat", {"ab", 3.0}), "ababab");
  EXPECT_EQ(text("string_repeat", {"ab", 2.5}), "abab");
  EXPECT_EQ(text("string_repeat", {"ab", -1.0}), "");
  EXPECT_TRUE(call("string_repeat", {"ab", 1e10}).is_real());
  EXPECT_EQ(take_messages(),
            std::vector<std::string>{"Out of memory: the string would be too long."});
}

TEST_F(MathFunctions, ReplaceAndCount) {
  EXPECT_EQ(text("string_replace", {"aXbXc", "X", "--"}), "a--bXc");
  EXPECT_EQ(text("string_replace_all", {"aXbXc", "X", "--"}), "a--b--c");
  EXPECT_EQ(text("string_replace_all", {"aaa", "a", "aa"}), "aaaaaa");
  EXPECT_EQ(text("string_replace_all", {"aaaa", "aa", "b"}), "bb");
  EXPECT_EQ(text("string_replace_all", {"abc", "", "x"}), "abc");
  EXPECT_EQ(text("string_replace_all", {"abc", "b", ""}), "ac");
  EXPECT_EQ(call("string_count", {"aa", "aaaa"}).real, 2.0);
  EXPECT_EQ(call("string_count", {"aba", "ababa"}).real, 1.0);
  EXPECT_EQ(call("string_count", {"", "abc"}).real, 0.0);

  // A result past the limit is refused before it is built.
  std::string many(1 << 20, 'a');
  EXPECT_TRUE(call("string_replace_all", {many, "a", std::string(2048, 'b')}).is_real());
  EXPECT_EQ(take_messages(),
            std::vector<std::string>{"Out of memory: the string would be too long."});
}

// Long patterns with repeated prefixes, where a naive search would look at every text
// position for the length of the pattern.
// A naive search needs about 10^12 byte comparisons here: minutes rather than the
// milliseconds a linear one takes, so a quadratic search shows as a test that never ends.
TEST_F(MathFunctions, LongPatternsAreFoundInLinearTime) {
  // Appended, not concatenated: GCC 12 warns of a copy out of bounds that is not there.
  std::string pattern(400000, 'a');
  pattern += 'b';
  std::string haystack(4000000, 'a');
  haystack += 'b';
  haystack += pattern;
  EXPECT_EQ(call("string_pos", {pattern, haystack}).real, 4000000.0 - 400000.0 + 1.0);
  EXPECT_EQ(call("string_count", {pattern, haystack}).real, 2.0);
  std::string periodic = "abababababababababababababababababababac";  // 40 bytes
  std::string around = "ababab" + periodic + "abab" + periodic + "ab";
  EXPECT_EQ(call("string_pos", {periodic, around}).real, 7.0);
  EXPECT_EQ(call("string_count", {periodic, around}).real, 2.0);
  EXPECT_EQ(text("string_replace_all", {around, periodic, "-"}), "ababab-abab-ab");
}

TEST_F(MathFunctions, Geometry) {
  EXPECT_EQ(call("point_distance", {1.0, 1.0, 4.0, 5.0}).real, 5.0);
  auto direction = [&](double x2, double y2) {
    return call("point_direction", {0.0, 0.0, x2, y2}).real;
  };
  EXPECT_DOUBLE_EQ(direction(10, 10), 315.0);
  EXPECT_DOUBLE_EQ(direction(-1, 1), 225.0);
  EXPECT_DOUBLE_EQ(direction(-1, -1), 135.0);
  EXPECT_EQ(direction(10, 0), 0.0);
  EXPECT_EQ(direction(-10, 0), 180.0);
  EXPECT_EQ(direction(0, -5), 90.0);
  EXPECT_EQ(direction(0, 5), 270.0);
  EXPECT_EQ(direction(0, 0), 0.0);

  double x = call("lengthdir_x", {10.0, 90.0}).real;
  EXPECT_EQ(x, 0.0);
  EXPECT_FALSE(std::signbit(x));
  EXPECT_FALSE(std::signbit(call("lengthdir_y", {10.0, 0.0}).real));
  EXPECT_EQ(call("lengthdir_y", {10.0, 90.0}).real, -10.0);
  EXPECT_EQ(call("lengthdir_x", {10.0, 180.0}).real, -10.0);
  EXPECT_NEAR(call("lengthdir_x", {10.0, 45.0}).real, 7.0710678, 1e-7);
}

}  // namespace
}  // namespace vn
