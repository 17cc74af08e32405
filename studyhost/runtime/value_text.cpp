#include "studyhost/runtime/value_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "host/study_interface.h"
#include "studyhost/runtime/host_constants.h"

namespace studyhost {
namespace {

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's
// civil_from_days), valid over the whole range of day counts a 64-bit
// microsecond date-time can hold.
CivilDate civil_from_days(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<std::uint64_t>(z - era * 146097);
  const std::uint64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const std::uint64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::uint64_t mp = (5 * doy + 2) / 153;
  const auto d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const auto m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  return {m <= 2 ? y + 1 : y, m, d};
}

constexpr std::int64_t kMicrosPerSecond = 1000000;

// Days from 1970-01-01 to a proleptic Gregorian date.
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The host's day 0, 1899-12-30, counted from 1970-01-01.
constexpr std::int64_t kHostEpochDays = days_from_civil(1899, 12, 30);
static_assert(kHostEpochDays == -25569);

bool leap_year(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap_year(year) ? 29 : kDays[month - 1];
}

// A run of exactly `width` digits.
bool digits(std::string_view text, std::size_t at, std::size_t width, int& value) {
  if (at + width > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + width; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::string value_text(double value, std::int32_t format) {
  const int decimals = static_cast<int>(std::clamp(format, 0, kMaxValueDecimals));
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  if (n < 0) return std::string();
  if (static_cast<std::size_t>(n) < sizeof buffer)
    return std::string(buffer, static_cast<std::size_t>(n));
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.resize(static_cast<std::size_t>(n));
  return text;
}

std::string date_time_text(std::int64_t datetime, std::int32_t format) {
  // Floor division so that date-times before the epoch fall on the right day.
  std::int64_t days = datetime / host::kMicrosPerDay;
  std::int64_t micros = datetime % host::kMicrosPerDay;
  if (micros < 0) {
    micros += host::kMicrosPerDay;
    days -= 1;
  }
  const CivilDate date = civil_from_days(days + kHostEpochDays);
  const std::int64_t seconds = micros / 1000000;
  char buffer[64];
  if (format == kDateOnlyFormat) {
    std::snprintf(buffer, sizeof buffer, "%04" PRId64 "-%02u-%02u", date.year, date.month,
                  date.day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%04" PRId64 "-%02u-%02u %02d:%02d:%02d", date.year,
                  date.month, date.day, static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  }
  return buffer;
}

std::string date_text(std::int32_t day) {
  const CivilDate date = civil_from_days(std::int64_t{day} + kHostEpochDays);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04" PRId64 "-%02u-%02u", date.year, date.month, date.day);
  return buffer;
}

std::optional<std::int64_t> host_date_time(int year, int month, int day, int hour, int minute,
                                           int second) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > days_in_month(year, month)) return std::nullopt;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  const std::int64_t days =
      days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
      kHostEpochDays;
  const std::int64_t seconds = static_cast<std::int64_t>(hour) * 3600 + minute * 60 + second;
  return days * host::kMicrosPerDay + seconds * kMicrosPerSecond;
}

std::optional<std::int64_t> parse_date_time(std::string_view text, bool date_only) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const std::size_t length = date_only ? 10 : 19;
  if (text.size() != length) return std::nullopt;
  if (!digits(text, 0, 4, year) || text[4] != '-' || !digits(text, 5, 2, month) || text[7] != '-' ||
      !digits(text, 8, 2, day)) {
    return std::nullopt;
  }
  if (!date_only &&
      (text[10] != ' ' || !digits(text, 11, 2, hour) || text[13] != ':' ||
       !digits(text, 14, 2, minute) || text[16] != ':' || !digits(text, 17, 2, second))) {
    return std::nullopt;
  }
  return host_date_time(year, month, day, hour, minute, second);
}

std::int64_t shift_date_time(std::int64_t datetime, std::int64_t offset) {
  std::int64_t shifted = 0;
  if (!__builtin_add_overflow(datetime, offset, &shifted)) return shifted;
  return offset > 0 ? std::numeric_limits<std::int64_t>::max()
                    : std::numeric_limits<std::int64_t>::min();
}

}  // namespace studyhost
