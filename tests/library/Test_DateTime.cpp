#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "library/Function_DateTime.h"
#include "platform/Platform_Clock.h"
#include "script/Code_Function.h"
#include "script/Script_Library.h"

namespace vn {
namespace {

namespace chrono = std::chrono;

// Day 0, 30 December 1899, counted from 1 January 1970.
constexpr int64_t kDayZero = -25569;

class DateTime : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      register_script_library();
      register_datetime_functions();
      return true;
    }();
    (void)registered;
  }

  static RValue argument(double value) { return RValue(value); }
  static RValue argument(const char* value) { return RValue(value); }

  template <class... Given>
  RValue call(const std::string& name, Given... given) {
    return call_with(name, {argument(given)...});
  }
  template <class... Given>
  double real(const std::string& name, Given... given) {
    return call(name, given...).real;
  }
  double date(int y, int m, int d) { return real("date_create_date", y, m, d); }

 private:
  RValue call_with(const std::string& name, std::vector<RValue> given) {
    int32_t id = -1;
    EXPECT_TRUE(find_function(name, id)) << name;
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) return RValue();
    EXPECT_EQ(function->argument_count, int(given.size())) << name;
    RValue slots[kMaxArguments];
    std::copy(given.begin(), given.end(), slots);
    RValue result;
    function->handler(nullptr, nullptr, int(given.size()), slots, result);
    return result;
  }
};

// The day number by the standard library's calendar.
int64_t civil_day(int y, int m, int d) {
  chrono::sys_days days{chrono::year(y) / chrono::month(unsigned(m)) / chrono::day(unsigned(d))};
  return days.time_since_epoch().count() - kDayZero;
}

// Thousands of date-times from year 1 to 9999 against the C library's calendar.
TEST_F(DateTime, PartsAgreeWithTheCLibrary) {
  std::mt19937_64 random(2024);
  std::uniform_int_distribution<int64_t> days(civil_day(1, 1, 1), civil_day(9999, 12, 31));
  std::uniform_int_distribution<int64_t> seconds(0, 86399);
  for (int round = 0; round < 5000; ++round) {
    int64_t day = days(random);
    if (round < 400) day = civil_day(1899 + round / 4 % 200, 12, 28) + round % 5;  // year ends
    int64_t second = round % 3 == 0 ? 0 : seconds(random);
    double value =
        day >= 0 ? double(day) + double(second) / 86400.0 : double(day) - double(second) / 86400.0;
    std::time_t moment = std::time_t((day + kDayZero) * 86400 + second);
    std::tm parts{};
    ASSERT_NE(gmtime_r(&moment, &parts), nullptr);
    char week[8];
    std::strftime(week, sizeof week, "%V", &parts);
    SCOPED_TRACE(std::to_string(value));
    ASSERT_EQ(real("date_get_year", value), parts.tm_year + 1900);
    ASSERT_EQ(real("date_get_month", value), parts.tm_mon + 1);
    ASSERT_EQ(real("date_get_day", value), parts.tm_mday);
    ASSERT_EQ(real("date_get_hour", value), parts.tm_hour);
    ASSERT_EQ(real("date_get_minute", value), parts.tm_min);
    ASSERT_EQ(real("date_get_second", value), parts.tm_sec);
    ASSERT_EQ(real("date_get_weekday", value), parts.tm_wday + 1);
    ASSERT_EQ(real("date_get_day_of_year", value), parts.tm_yday + 1);
    ASSERT_EQ(real("date_get_week", value), std::stoi(week));
    ASSERT_EQ(real("date_get_second_of_year", value),
              parts.tm_sec + 60 * (parts.tm_min + 60 * (parts.tm_hour + 24 * parts.tm_yday)));
    ASSERT_EQ(real("date_create_datetime", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                   parts.tm_hour, parts.tm_min, parts.tm_sec),
              value);
    chrono::year year(parts.tm_year + 1900);
    ASSERT_EQ(real("date_leap_year", value), year.is_leap() ? 1 : 0);
    ASSERT_EQ(real("date_days_in_year", value), year.is_leap() ? 366 : 365);
    unsigned last =
        unsigned((year / chrono::month(unsigned(parts.tm_mon + 1)) / chrono::last).day());
    ASSERT_EQ(real("date_days_in_month", value), last);
  }
}

TEST_F(DateTime, ValidityAtLeapDaysAndMidnight) {
  EXPECT_EQ(date(2009, 2, 29), 0);
  EXPECT_EQ(real("date_valid_date", 2009, 2, 29), 0);
  EXPECT_EQ(date(2008, 2, 29), civil_day(2008, 2, 29));
  EXPECT_EQ(real("date_valid_date", 1900, 2, 29), 0);
  EXPECT_EQ(real("date_valid_date", 2000, 2, 29), 1);
  EXPECT_EQ(real("date_valid_date", 2008, 4, 31), 0);
  EXPECT_EQ(real("date_valid_date", 0, 1, 1), 0);
  EXPECT_EQ(real("date_valid_date", 10000, 1, 1), 0);
  EXPECT_EQ(real("date_valid_date", 2008.4, 12.5, 31), 1);  // rounded: 2008, 12, 31
  EXPECT_EQ(real("date_valid_time", 24, 0, 0), 1);
  EXPECT_EQ(real("date_valid_time", 24, 0, 1), 0);
  EXPECT_EQ(real("date_valid_time", -1, 0, 0), 0);
  EXPECT_EQ(real("date_create_time", 24, 0, 0), 0);
  EXPECT_EQ(real("date_create_time", 18, 0, 0), 0.75);
  EXPECT_EQ(real("date_valid_datetime", 2008, 2, 29, 24, 0, 0), 1);
  EXPECT_EQ(real("date_create_datetime", 2008, 2, 30, 1, 0, 0), 0);
  EXPECT_EQ(real("date_get_weekday", 0.0), 7);  // a Saturday
  // Before day 0 the time of day sits below the whole day.
  double before = real("date_create_datetime", 1899, 12, 29, 6, 0, 0);
  EXPECT_EQ(before, -1.25);
  EXPECT_EQ(real("date_get_day", before), 29);
  EXPECT_EQ(real("date_get_hour", before), 6);
  EXPECT_EQ(real("date_date_of", before), -1);
  EXPECT_EQ(real("date_time_of", before), 0.25);
}

TEST_F(DateTime, MonthsClampAndOtherUnitsAdd) {
  double evening = date(2008, 1, 31) + 0.75;
  double next = real("date_inc_month", evening, 1);
  EXPECT_EQ(real("date_get_month", next), 2);
  EXPECT_EQ(real("date_get_day", next), 29);
  EXPECT_EQ(real("date_get_hour", next), 18);
  EXPECT_EQ(real("date_inc_month", date(2009, 3, 31), -1), date(2009, 2, 28));
  EXPECT_EQ(real("date_inc_month", date(2008, 12, 31), 14), date(2010, 2, 28));
  EXPECT_EQ(real("date_inc_month", date(2008, 1, 15), -25), date(2005, 12, 15));
  EXPECT_EQ(real("date_inc_year", date(2008, 2, 29), 1), date(2009, 2, 28));
  EXPECT_EQ(real("date_inc_year", date(2008, 2, 29), 4.4), date(2012, 2, 29));
  EXPECT_EQ(real("date_inc_day", date(2008, 12, 31), 1), date(2009, 1, 1));
  EXPECT_EQ(real("date_inc_week", date(2008, 12, 29), 1), date(2009, 1, 5));
  EXPECT_EQ(real("date_inc_hour", date(2008, 12, 31), 36), date(2009, 1, 1) + 0.5);
  EXPECT_EQ(real("date_get_minute", real("date_inc_minute", date(2000, 1, 1), 1439)), 59);
  EXPECT_EQ(real("date_get_second", real("date_inc_second", date(2000, 1, 1), 86399)), 59);

  // Random month steps against the standard library's calendar.
  std::mt19937 random(9);
  for (int round = 0; round < 2000; ++round) {
    int y = 1 + int(random() % 9998), m = 1 + int(random() % 12), d = 1 + int(random() % 31);
    int months = int(random() % 400) - 200;
    chrono::year_month_day start{chrono::year(y) / chrono::month(unsigned(m)) / chrono::last};
    if (unsigned(start.day()) < unsigned(d)) d = int(unsigned(start.day()));
    chrono::year_month target =
        chrono::year(y) / chrono::month(unsigned(m)) + chrono::months(months);
    if (int(target.year()) < 1 || int(target.year()) > 9999) continue;
    unsigned last = unsigned(
        chrono::year_month_day_last(target.year(), chrono::month_day_last(target.month())).day());
    int day = std::min(unsigned(d), last);
    ASSERT_EQ(real("date_inc_month", date(y, m, d), months),
              civil_day(int(target.year()), int(unsigned(target.month())), day))
        << y << "-" << m << "-" << d << " + " << months;
  }
}

TEST_F(DateTime, WeeksAtTheYearsEdges) {
  EXPECT_EQ(real("date_get_week", date(2004, 12, 31)), 53);
  EXPECT_EQ(real("date_get_week", date(2005, 1, 2)), 53);
  EXPECT_EQ(real("date_get_week", date(2005, 1, 3)), 1);
  EXPECT_EQ(real("date_get_week", date(2008, 12, 29)), 1);
  EXPECT_EQ(real("date_get_week", date(2010, 1, 3)), 53);
  EXPECT_EQ(real("date_get_day_of_year", date(2008, 12, 31)), 366);
  EXPECT_EQ(real("date_get_hour_of_year", date(2009, 1, 2) + 0.5), 36);
  EXPECT_EQ(real("date_get_minute_of_year", date(2009, 1, 1) + 0.5), 720);
  // A time a fraction of a millisecond before midnight is the next day.
  double almost = date(2008, 12, 31) + 1.0 - 0.4 / 86400000.0;
  EXPECT_EQ(real("date_get_year", almost), 2009);
  EXPECT_EQ(real("date_get_hour", almost), 0);
}

TEST_F(DateTime, SpansAndComparisons) {
  EXPECT_EQ(real("date_hour_span", 10.0, 11.5), 36);
  EXPECT_EQ(real("date_year_span", 0.0, 730.5), 2);
  EXPECT_EQ(real("date_month_span", 30.4375, 0.0), 1);
  EXPECT_EQ(real("date_week_span", 0.0, 3.5), 0.5);
  EXPECT_EQ(real("date_second_span", 1.0, 1.5), 43200);
  double ms = 1.0 / 86400000.0;
  EXPECT_EQ(real("date_compare_datetime", 100.0, 100.0 + ms / 2), 0);
  EXPECT_EQ(real("date_compare_datetime", 100.0, 100.0 + 2 * ms), -1);
  EXPECT_EQ(real("date_compare_datetime", 100.1, 100.0), 1);
  EXPECT_EQ(real("date_compare_date", 100.1, 100.9), 0);
  EXPECT_EQ(real("date_compare_date", 100.9, 101.0), -1);
  EXPECT_EQ(real("date_compare_time", 100.25, 7.25 + ms / 2), 0);
  EXPECT_EQ(real("date_compare_time", 100.75, 7.25), 1);
}

// The clock is the platform's, so a run with a fixed clock sees it.
TEST_F(DateTime, CurrentTimeFollowsThePlatformClock) {
  auto as_value = [](double seconds) {
    RLocalTime local = local_time(seconds);
    return double(civil_day(local.year, local.month, local.day)) +
           (local.hour * 3600000.0 + local.minute * 60000.0 + local.second * 1000.0 +
            local.millisecond) /
               86400000.0;
  };
  double before = as_value(system_time_seconds());
  double now = real("date_current_datetime");
  double after = as_value(system_time_seconds());
  EXPECT_LE(before, now);
  EXPECT_LE(now, after);
  double today = real("date_current_date");
  EXPECT_EQ(today, std::floor(now));
  EXPECT_NEAR(real("date_current_time"), now - today, 1.0 / 86400.0);
  EXPECT_EQ(real("date_is_today", today), 1);
  EXPECT_EQ(real("date_is_today", today + 0.9999), 1);
  EXPECT_EQ(real("date_is_today", today + 1), 0);
  EXPECT_EQ(real("date_is_today", today - 0.0001), 0);
}

TEST_F(DateTime, StringsFollowTheLocale) {
  double value = real("date_create_datetime", 2009, 1, 5, 14, 3, 9);
  std::string both = call("date_datetime_string", value).string.str();
  std::string day = call("date_date_string", value).string.str();
  std::string time = call("date_time_string", value).string.str();
  EXPECT_FALSE(day.empty());
  EXPECT_FALSE(time.empty());
  EXPECT_EQ(both, day + " " + time);
  std::string name = std::locale("").name();
  if (name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0) {
    EXPECT_EQ(both, "01/05/2009 14:03:09");
  }
}

TEST_F(DateTime, ClipboardKeepsWindows1252Text) {
  call("clipboard_set_text", "caf\xE9 \x80");
  EXPECT_EQ(real("clipboard_has_text"), 1);
  EXPECT_EQ(call("clipboard_get_text").string.str(), "caf\xE9 \x80");
  call("clipboard_set_text", "");
  EXPECT_EQ(real("clipboard_has_text"), 0);
  EXPECT_EQ(call("clipboard_get_text").string.str(), "");
}

}  // namespace
}  // namespace vn
