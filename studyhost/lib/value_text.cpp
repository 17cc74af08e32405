#include "studyhost/lib/value_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "host/study_interface.h"
#include "studyhost/lib/host_constants.h"

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

// 1899-12-30 is 25569 days before 1970-01-01.
constexpr std::int64_t kHostEpochToUnixDays = -25569;

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
  const CivilDate date = civil_from_days(days + kHostEpochToUnixDays);
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
  const CivilDate date = civil_from_days(std::int64_t{day} + kHostEpochToUnixDays);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04" PRId64 "-%02u-%02u", date.year, date.month, date.day);
  return buffer;
}

std::int64_t shift_date_time(std::int64_t datetime, std::int64_t offset) {
  std::int64_t shifted = 0;
  if (!__builtin_add_overflow(datetime, offset, &shifted)) return shifted;
  return offset > 0 ? std::numeric_limits<std::int64_t>::max()
                    : std::numeric_limits<std::int64_t>::min();
}

}  // namespace studyhost
