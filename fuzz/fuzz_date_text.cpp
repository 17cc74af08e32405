// Record date texts: any text gives either 0 or the day number of a real date
// between 1901-01-01 and 2039-12-31, and writing that date out again as
// "year-month-day" reads back as the same day.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_host.h"
#include "host/study_interface.h"
#include "levelclient/date_text.h"

namespace {

// 1901-01-01 and 2039-12-31 as days since 1899-12-30.
constexpr std::int32_t kFirstDay = 367;
constexpr std::int32_t kLastDay = 51135;

// The civil date of a day number (days since 1899-12-30), written out the
// way the service sends dates.
std::string date_of(std::int32_t day) {
  // Days since 0000-03-01 in the proleptic Gregorian calendar (1899-12-30 is
  // 25569 days before 1970-01-01, which is 719468 days after 0000-03-01).
  const std::int64_t z = static_cast<std::int64_t>(day) - 25569 + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t y = yoe + era * 400;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", static_cast<long long>(y),
                static_cast<long long>(m), static_cast<long long>(d));
  return buffer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = qlxfuzz::as_text(data, size);
  const std::int32_t day = levelclient::date_text_to_day(text);
  const std::int64_t date_time = levelclient::date_text_to_datetime(text);
  qlxfuzz::check(date_time == static_cast<std::int64_t>(day) * host::kMicrosPerDay,
                 "date-time is not the day's midnight");
  if (day == 0) return 0;
  qlxfuzz::check(day >= kFirstDay && day <= kLastDay, "date outside 1901 to 2039 accepted");
  const std::string written = date_of(day);
  qlxfuzz::check(levelclient::date_text_to_day(written) == day,
                 "a date does not read back as the same day");
  return 0;
}
