// The date, time and clipboard functions.
//
// A date-time is a real: its whole part counts days since 30 December 1899 (day 0) and its
// fraction is the time of day (0.5 is noon), in local time without a zone. As the whole
// part is the integer part, a day before day 0 carries its time of day as a fraction
// below the whole part: -1.25 is 29 December 1899, 06:00. The current time follows the
// platform clock, so a deterministic run sees its fixed clock.
#pragma once

namespace vn {

// Registers the 3 clipboard and 47 date functions, in the order of the vocabulary.
void register_datetime_functions();

}  // namespace vn
