// Time as the game sees it: a millisecond tick count and the local calendar time. A
// deterministic run replaces both with a clock that only moves when told to.
#pragma once

#include <cstdint>

namespace vn {

// Milliseconds since an arbitrary start, never going back.
uint64_t tick_milliseconds();

// Seconds since 1970 as a real, with the fraction.
double system_time_seconds();

struct RLocalTime {
  int year = 1970;
  int month = 1;    // 1 ... 12
  int day = 1;      // 1 ... 31
  int weekday = 1;  // 1 Sunday ... 7 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
// The local time of a moment given in seconds since 1970.
RLocalTime local_time(double seconds);
// The moment of a local time (the inverse of local_time).
double local_to_seconds(const RLocalTime& time);

// A fixed clock starts at the given moment and moves only through advance_fixed_clock.
void use_fixed_clock(double start_seconds);
bool fixed_clock();
void advance_fixed_clock(double seconds);

}  // namespace vn
