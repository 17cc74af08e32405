// Record dates: a "year-month-day" text into a day number and a host
// date-time at midnight.
#pragma once

#include <cstdint>
#include <string_view>

namespace levelclient {

// Days since 1899-12-30 of a "%d-%d-%d" date text, 0 when it is no valid date
// between 1901 and 2039.
std::int32_t date_text_to_day(std::string_view text);
// The same date as a host date-time at midnight, 0 when invalid.
std::int64_t date_text_to_datetime(std::string_view text);

}  // namespace levelclient
