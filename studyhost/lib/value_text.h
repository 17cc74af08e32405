// Texts the host makes for studies: prices and date-times.
#pragma once

#include <cstdint>
#include <string>

namespace studyhost {

// `format` decimals (clamped to 0..9), rounded as printf rounds.
std::string value_text(double value, std::int32_t format);

// "YYYY-MM-DD" for the date-only format, else "YYYY-MM-DD HH:MM:SS".
std::string date_time_text(std::int64_t datetime, std::int32_t format);

// "YYYY-MM-DD" of a day number (days since 1899-12-30), the form the level
// data service dates its records in.
std::string date_text(std::int32_t day);

// A date-time moved by the chart's time-zone offset, saturating instead of
// overflowing.
std::int64_t shift_date_time(std::int64_t datetime, std::int64_t offset);

}  // namespace studyhost
