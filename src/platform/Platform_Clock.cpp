#include "platform/Platform_Clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace vn {

namespace {
bool g_fixed = false;
double g_fixed_seconds = 0;
double g_fixed_start = 0;
}  // namespace

uint64_t tick_milliseconds() {
  if (g_fixed) return uint64_t(std::llround((g_fixed_seconds - g_fixed_start) * 1000.0));
  static const auto start = std::chrono::steady_clock::now();
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count());
}

double system_time_seconds() {
  if (g_fixed) return g_fixed_seconds;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(now).count();
}

RLocalTime local_time(double seconds) {
  double whole = std::floor(seconds);
  std::time_t moment = std::time_t(whole);
  std::tm parts{};
  localtime_r(&moment, &parts);
  RLocalTime time;
  time.year = parts.tm_year + 1900;
  time.month = parts.tm_mon + 1;
  time.day = parts.tm_mday;
  time.weekday = parts.tm_wday + 1;
  time.hour = parts.tm_hour;
  time.minute = parts.tm_min;
  time.second = parts.tm_sec;
  time.millisecond = int((seconds - whole) * 1000.0);
  return time;
}

double local_to_seconds(const RLocalTime& time) {
  std::tm parts{};
  parts.tm_year = time.year - 1900;
  parts.tm_mon = time.month - 1;
  parts.tm_mday = time.day;
  parts.tm_hour = time.hour;
  parts.tm_min = time.minute;
  parts.tm_sec = time.second;
  parts.tm_isdst = -1;
  return double(std::mktime(&parts)) + time.millisecond / 1000.0;
}

void use_fixed_clock(double start_seconds) {
  g_fixed = true;
  g_fixed_seconds = start_seconds;
  g_fixed_start = start_seconds;
}

bool fixed_clock() { return g_fixed; }

void advance_fixed_clock(double seconds) { g_fixed_seconds += seconds; }

}  // namespace vn
