#include "library/Function_DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <exception>
#include <iomanip>
#include <iterator>
#include <locale>
#include <optional>
#include <sstream>
#include <string>

#include "platform/Platform_Clipboard.h"
#include "platform/Platform_Clock.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

using arguments::number;
using arguments::rounded;

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr double kOneMillisecond = 1.0 / 86400000.0;
// Day 0, 30 December 1899, counted from 1 January 1970.
constexpr int64_t kDayZeroFrom1970 = -25569;
// Date-times beyond this many days (about 270 million years) are taken as this far, so
// that the calendar arithmetic stays inside 64 bits.
constexpr double kFarthestDay = 1e11;

int64_t floor_divide(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Proleptic Gregorian calendar, by eras of 400 years (146097 days) counted from 1 March
// of year 0, so that the leap day ends each counted year.
int64_t days_from_civil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  int64_t era = floor_divide(year, 400);
  int64_t year_of_era = year - era * 400;
  int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct RCivil {
  int64_t year;
  int64_t month;
  int64_t day;
};

RCivil civil_from_days(int64_t days) {
  days += 719468;
  int64_t era = floor_divide(days, 146097);
  int64_t day_of_era = days - era * 146097;
  int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t shifted_month = (5 * day_of_year + 2) / 153;
  RCivil civil;
  civil.day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  civil.month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  civil.year = year_of_era + era * 400 + (civil.month <= 2);
  return civil;
}

bool leap_year(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int64_t days_in_month(int64_t year, int64_t month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap_year(year) ? 29 : kDays[month - 1];
}

// The day number (days since day 0) of a calendar date.
int64_t day_number(int64_t year, int64_t month, int64_t day) {
  return days_from_civil(year, month, day) - kDayZeroFrom1970;
}

bool valid_date(int64_t year, int64_t month, int64_t day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= days_in_month(year, month);
}

// 24:00:00 is a time only when asked whether it is valid.
bool valid_time(int64_t hour, int64_t minute, int64_t second, bool allow_midnight_end) {
  if (allow_midnight_end && hour == 24 && minute == 0 && second == 0) return true;
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

double time_value(int64_t hour, int64_t minute, int64_t second, int64_t millisecond) {
  return double(hour * 3600000 + minute * 60000 + second * 1000 + millisecond) /
         double(kMillisecondsPerDay);
}

// A day and a time of day as one real: the time goes below the day before day 0.
double combine(int64_t day, double time) {
  return day >= 0 ? double(day) + time : double(day) - time;
}

double sane(double value) {
  if (!std::isfinite(value)) return 0.0;
  return std::clamp(value, -kFarthestDay, kFarthestDay);
}

// The day and the time-of-day fraction of a date-time.
void split(double value, int64_t& day, double& time) {
  value = sane(value);
  double whole = std::trunc(value);
  day = int64_t(whole);
  time = std::fabs(value - whole);
}

struct RDateTime {
  int64_t day_number = 0;
  int64_t year = 1899;
  int64_t month = 12;
  int64_t day = 30;
  int64_t hour = 0;
  int64_t minute = 0;
  int64_t second = 0;
  int64_t millisecond = 0;
};

// The calendar parts, the time rounded to the nearest millisecond; a time that rounds up
// to 24:00 is the start of the next day.
RDateTime decode(double value) {
  int64_t day;
  double time;
  split(value, day, time);
  int64_t milliseconds = std::llround(time * double(kMillisecondsPerDay));
  if (milliseconds >= kMillisecondsPerDay) {
    milliseconds -= kMillisecondsPerDay;
    ++day;
  }
  RDateTime parts;
  parts.day_number = day;
  RCivil civil = civil_from_days(day + kDayZeroFrom1970);
  parts.year = civil.year;
  parts.month = civil.month;
  parts.day = civil.day;
  parts.hour = milliseconds / 3600000;
  parts.minute = milliseconds / 60000 % 60;
  parts.second = milliseconds / 1000 % 60;
  parts.millisecond = milliseconds % 1000;
  return parts;
}

int64_t day_of_year(const RDateTime& parts) {
  return parts.day_number - day_number(parts.year, 1, 1) + 1;
}

// 1 Sunday ... 7 Saturday; day 0 was a Saturday.
int64_t weekday(int64_t day) {
  int64_t from_sunday = (day + 6) % 7;
  return (from_sunday < 0 ? from_sunday + 7 : from_sunday) + 1;
}

// ISO 8601: the week's Thursday decides the year, and week 1 holds its first Thursday.
int64_t iso_week(const RDateTime& parts) {
  int64_t monday_based = (weekday(parts.day_number) + 5) % 7;  // Monday 0 ... Sunday 6
  int64_t thursday = parts.day_number - monday_based + 3;
  int64_t thursday_year = civil_from_days(thursday + kDayZeroFrom1970).year;
  return (thursday - day_number(thursday_year, 1, 1)) / 7 + 1;
}

// Months keep the day of the month, clamped to the length of the target month, and the
// time of day.
double add_months(double value, int64_t months) {
  int64_t day;
  double time;
  split(value, day, time);
  RCivil civil = civil_from_days(day + kDayZeroFrom1970);
  months = std::clamp<int64_t>(months, -int64_t(4e12), int64_t(4e12));
  int64_t total = civil.year * 12 + (civil.month - 1) + months;
  int64_t year = floor_divide(total, 12);
  int64_t month = total - year * 12 + 1;
  int64_t target = day_number(year, month, std::min(civil.day, days_in_month(year, month)));
  return combine(target, time);
}

RDateTime now() {
  RLocalTime local = local_time(system_time_seconds());
  RDateTime parts;
  parts.year = local.year;
  parts.month = local.month;
  parts.day = local.day;
  parts.hour = local.hour;
  parts.minute = local.minute;
  parts.second = local.second;
  parts.millisecond = local.millisecond;
  parts.day_number = day_number(local.year, local.month, local.day);
  return parts;
}

double time_of(const RDateTime& parts) {
  return time_value(parts.hour, parts.minute, parts.second, parts.millisecond);
}

int compare_with_tolerance(double a, double b) {
  if (std::fabs(a - b) < kOneMillisecond) return 0;
  return a < b ? -1 : 1;
}

// --- Text ---

const std::locale& user_locale() {
  static const std::locale locale = [] {
    try {
      return std::locale("");
    } catch (const std::exception&) {
      return std::locale::classic();
    }
  }();
  return locale;
}

// The locale's own date and time formats; the plain C locale would write the year with
// two digits, so it gets month/day/year with four.
std::string format(const RDateTime& parts, bool date, bool time) {
  const std::locale& locale = user_locale();
  std::string name = locale.name();
  bool plain = name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
  std::tm fields{};
  fields.tm_year = int(std::clamp<int64_t>(parts.year - 1900, -2000000000, 2000000000));
  fields.tm_mon = int(parts.month - 1);
  fields.tm_mday = int(parts.day);
  fields.tm_hour = int(parts.hour);
  fields.tm_min = int(parts.minute);
  fields.tm_sec = int(parts.second);
  fields.tm_wday = int(weekday(parts.day_number) - 1);
  fields.tm_yday = int(day_of_year(parts) - 1);
  std::string pattern;
  if (date) pattern += plain ? "%m/%d/%Y" : "%x";
  if (date && time) pattern += ' ';
  if (time) pattern += plain ? "%H:%M:%S" : "%X";
  std::ostringstream text;
  text.imbue(locale);
  text << std::put_time(&fields, pattern.c_str());
  std::string system_text = text.str();
  if (std::optional<std::string> exact = utf8_to_cp1252(system_text)) return *exact;
  return utf8_to_cp1252_lossy(system_text);
}

// --- Handlers ---

using Self = CInstanceBase*;
using Args = const RValue*;

struct RFamilyFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

// The parts of a date-time named by the functions of one argument.
template <class Part>
FunctionHandler part_handler() {
  return [](Self, Self, int, Args a, RValue& r) { r = double(Part()(decode(number(a[0])))); };
}

template <int64_t kUnitsPerDay>
void span(Self, Self, int, Args a, RValue& r) {
  r = std::fabs(number(a[0]) - number(a[1])) * double(kUnitsPerDay);
}

const RFamilyFunction kFunctions[] = {
    {"clipboard_has_text",
     [](Self, Self, int, Args, RValue& r) { r = clipboard_has_text() ? 1.0 : 0.0; }, 0},
    {"clipboard_set_text",
     [](Self, Self, int, Args a, RValue&) {
       clipboard_set_text(a[0].kind == kString ? a[0].string.view() : std::string_view());
     },
     1},
    {"clipboard_get_text",
     [](Self, Self, int, Args, RValue& r) { r = RValue(RString(clipboard_get_text())); },
     0},

    {"date_current_datetime",
     [](Self, Self, int, Args, RValue& r) {
       RDateTime parts = now();
       r = combine(parts.day_number, time_of(parts));
     },
     0},
    {"date_current_date",
     [](Self, Self, int, Args, RValue& r) { r = double(now().day_number); }, 0},
    {"date_current_time", [](Self, Self, int, Args, RValue& r) { r = time_of(now()); },
     0},
    {"date_create_datetime",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t year = rounded(a[0]), month = rounded(a[1]), day = rounded(a[2]);
       int64_t hour = rounded(a[3]), minute = rounded(a[4]), second = rounded(a[5]);
       if (valid_date(year, month, day) && valid_time(hour, minute, second, false)) {
         r = combine(day_number(year, month, day), time_value(hour, minute, second, 0));
       }
     },
     6},
    {"date_create_date",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t year = rounded(a[0]), month = rounded(a[1]), day = rounded(a[2]);
       if (valid_date(year, month, day)) r = double(day_number(year, month, day));
     },
     3},
    {"date_create_time",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t hour = rounded(a[0]), minute = rounded(a[1]), second = rounded(a[2]);
       if (valid_time(hour, minute, second, false)) r = time_value(hour, minute, second, 0);
     },
     3},
    {"date_valid_datetime",
     [](Self, Self, int, Args a, RValue& r) {
       bool valid = valid_date(rounded(a[0]), rounded(a[1]), rounded(a[2])) &&
                    valid_time(rounded(a[3]), rounded(a[4]), rounded(a[5]), true);
       r = valid ? 1.0 : 0.0;
     },
     6},
    {"date_valid_date",
     [](Self, Self, int, Args a, RValue& r) {
       r = valid_date(rounded(a[0]), rounded(a[1]), rounded(a[2])) ? 1.0 : 0.0;
     },
     3},
    {"date_valid_time",
     [](Self, Self, int, Args a, RValue& r) {
       r = valid_time(rounded(a[0]), rounded(a[1]), rounded(a[2]), true) ? 1.0 : 0.0;
     },
     3},
    {"date_inc_year",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t years = std::clamp<int64_t>(rounded(a[1]), -int64_t(1e12), int64_t(1e12));
       r = add_months(number(a[0]), years * 12);
     },
     2},
    {"date_inc_month",
     [](Self, Self, int, Args a, RValue& r) {
       r = add_months(number(a[0]), rounded(a[1]));
     },
     2},
    {"date_inc_week",
     [](Self, Self, int, Args a, RValue& r) {
       r = number(a[0]) + double(rounded(a[1])) * 7.0;
     },
     2},
    {"date_inc_day",
     [](Self, Self, int, Args a, RValue& r) { r = number(a[0]) + double(rounded(a[1])); },
     2},
    {"date_inc_hour",
     [](Self, Self, int, Args a, RValue& r) {
       r = number(a[0]) + double(rounded(a[1])) / 24.0;
     },
     2},
    {"date_inc_minute",
     [](Self, Self, int, Args a, RValue& r) {
       r = number(a[0]) + double(rounded(a[1])) / 1440.0;
     },
     2},
    {"date_inc_second",
     [](Self, Self, int, Args a, RValue& r) {
       r = number(a[0]) + double(rounded(a[1])) / 86400.0;
     },
     2},
    {"date_get_year", part_handler<decltype([](const RDateTime& p) { return p.year; })>(), 1},
    {"date_get_month", part_handler<decltype([](const RDateTime& p) { return p.month; })>(), 1},
    {"date_get_week", part_handler<decltype([](const RDateTime& p) { return iso_week(p); })>(), 1},
    {"date_get_day", part_handler<decltype([](const RDateTime& p) { return p.day; })>(), 1},
    {"date_get_hour", part_handler<decltype([](const RDateTime& p) { return p.hour; })>(), 1},
    {"date_get_minute", part_handler<decltype([](const RDateTime& p) { return p.minute; })>(), 1},
    {"date_get_second", part_handler<decltype([](const RDateTime& p) { return p.second; })>(), 1},
    {"date_get_weekday",
     part_handler<decltype([](const RDateTime& p) { return weekday(p.day_number); })>(), 1},
    {"date_get_day_of_year",
     part_handler<decltype([](const RDateTime& p) { return day_of_year(p); })>(), 1},
    {"date_get_hour_of_year",
     part_handler<decltype([](const RDateTime& p) {
       return p.hour + 24 * (day_of_year(p) - 1);
     })>(),
     1},
    {"date_get_minute_of_year",
     part_handler<decltype([](const RDateTime& p) {
       return p.minute + 60 * (p.hour + 24 * (day_of_year(p) - 1));
     })>(),
     1},
    {"date_get_second_of_year",
     part_handler<decltype([](const RDateTime& p) {
       return p.second + 60 * (p.minute + 60 * (p.hour + 24 * (day_of_year(p) - 1)));
     })>(),
     1},
    {"date_year_span",
     [](Self, Self, int, Args a, RValue& r) {
       r = std::fabs(number(a[0]) - number(a[1])) / 365.25;
     },
     2},
    {"date_month_span",
     [](Self, Self, int, Args a, RValue& r) {
       r = std::fabs(number(a[0]) - number(a[1])) / 30.4375;
     },
     2},
    {"date_week_span",
     [](Self, Self, int, Args a, RValue& r) {
       r = std::fabs(number(a[0]) - number(a[1])) / 7.0;
     },
     2},
    {"date_day_span", span<1>, 2},
    {"date_hour_span", span<24>, 2},
    {"date_minute_span", span<1440>, 2},
    {"date_second_span", span<86400>, 2},
    {"date_compare_datetime",
     [](Self, Self, int, Args a, RValue& r) {
       r = double(compare_with_tolerance(number(a[0]), number(a[1])));
     },
     2},
    {"date_compare_date",
     [](Self, Self, int, Args a, RValue& r) {
       double first = number(a[0]), second = number(a[1]);
       if (std::trunc(sane(first)) != std::trunc(sane(second))) r = first < second ? -1.0 : 1.0;
     },
     2},
    {"date_compare_time",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t day;
       double first, second;
       split(number(a[0]), day, first);
       split(number(a[1]), day, second);
       r = double(compare_with_tolerance(first, second));
     },
     2},
    {"date_date_of",
     [](Self, Self, int, Args a, RValue& r) {
       r = std::trunc(sane(number(a[0]))) + 0.0;
     },
     1},
    {"date_time_of",
     [](Self, Self, int, Args a, RValue& r) {
       int64_t day;
       double time;
       split(number(a[0]), day, time);
       r = time;
     },
     1},
    {"date_datetime_string",
     [](Self, Self, int, Args a, RValue& r) {
       r = RValue(RString(format(decode(number(a[0])), true, true)));
     },
     1},
    {"date_date_string",
     [](Self, Self, int, Args a, RValue& r) {
       r = RValue(RString(format(decode(number(a[0])), true, false)));
     },
     1},
    {"date_time_string",
     [](Self, Self, int, Args a, RValue& r) {
       r = RValue(RString(format(decode(number(a[0])), false, true)));
     },
     1},
    {"date_days_in_month",
     part_handler<decltype([](const RDateTime& p) { return days_in_month(p.year, p.month); })>(),
     1},
    {"date_days_in_year",
     part_handler<decltype([](const RDateTime& p) {
       return int64_t(leap_year(p.year) ? 366 : 365);
     })>(),
     1},
    {"date_leap_year",
     part_handler<decltype([](const RDateTime& p) { return int64_t(leap_year(p.year)); })>(), 1},
    {"date_is_today",
     [](Self, Self, int, Args a, RValue& r) {
       double today = double(now().day_number), value = number(a[0]);
       r = value >= today && value < today + 1.0 ? 1.0 : 0.0;
     },
     1},
};

static_assert(std::size(kFunctions) == 50, "3 clipboard and 47 date functions");

}  // namespace

void register_datetime_functions() {
  for (const RFamilyFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
