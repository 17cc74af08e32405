// Gregorian calendar dates of host day numbers (days since 1899-12-30).
#pragma once

#include <cstdint>

namespace timeframe {

struct CalendarDate {
  std::int32_t year;
  std::int32_t month;  // 1 to 12
  std::int32_t day;    // 1 to 31
};

// The proleptic Gregorian date of a day number; total over the whole 32-bit
// range, with no allocation and no library call.
CalendarDate civil_from_days(std::int32_t day_number);

}  // namespace timeframe
