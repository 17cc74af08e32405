// Texts the host makes for studies (prices and date-times), and date-times
// read back from the texts a user types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace studyhost {

// `format` decimals (clamped to 0..9), rounded as printf rounds.
std::string value_text(double value, std::int32_t format);

// "YYYY-MM-DD" for the date-only format, else "YYYY-MM-DD HH:MM:SS".
std::string date_time_text(std::int64_t datetime, std::int32_t format);

// "YYYY-MM-DD" of a day number (days since 1899-12-30), the form the level
// data service dates its records in.
std::string date_text(std::int32_t day);

// The host date-time (microseconds since 1899-12-30 00:00) of a calendar date
// and time of day; nothing when the date or the time does not exist.
std::optional<std::int64_t> host_date_time(int year, int month, int day, int hour, int minute,
                                           int second);

// Reads `YYYY-MM-DD HH:MM:SS` (or `YYYY-MM-DD` alone when `date_only`) as the
// whole of `text`.
std::optional<std::int64_t> parse_date_time(std::string_view text, bool date_only = false);

// A date-time moved by an offset (a chart's time zone), saturating instead of
// overflowing.
std::int64_t shift_date_time(std::int64_t datetime, std::int64_t offset);

}  // namespace studyhost
