#include "levelclient/date_text.h"

#include <array>

#include "host/study_interface.h"
#include "levelclient/number_text.h"

namespace levelclient {
namespace {

constexpr std::int32_t kFirstYear = 1901;
constexpr std::int32_t kLastYear = 2039;
// Moves the day count of the formula below so that 1899-12-30 is day 0.
constexpr std::int32_t kDayZeroOffset = 693959;

constexpr std::array<std::int32_t, 12> kMonthLength = {31, 28, 31, 30, 31, 30,
                                                       31, 31, 30, 31, 30, 31};
constexpr std::array<std::int32_t, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                           181, 212, 243, 273, 304, 334};

bool is_leap(std::int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// One "%d" after a literal '-', as the "%d-%d-%d" pattern reads it: the dash
// must follow the previous number directly.
IntRead read_after_dash(std::string_view text, const IntRead& previous) {
  if (previous.end >= text.size() || text[previous.end] != '-') return IntRead{false, 0, 0};
  return read_int(text, previous.end + 1);
}

}  // namespace

std::int32_t date_text_to_day(std::string_view text) {
  const std::string_view c = c_text(text);
  const IntRead year = read_int(c, 0);
  if (!year.ok) return 0;
  const IntRead month = read_after_dash(c, year);
  if (!month.ok) return 0;
  const IntRead day = read_after_dash(c, month);
  if (!day.ok) return 0;

  const std::int32_t y = year.value;
  const std::int32_t m = month.value;
  const std::int32_t d = day.value;
  if (y < kFirstYear || y > kLastYear || m < 1 || m > 12 || d < 1 || d > 31) return 0;
  const bool leap = is_leap(y);
  const std::int32_t length = (m == 2 && leap) ? 29 : kMonthLength[static_cast<std::size_t>(m - 1)];
  if (d > length) return 0;

  std::int32_t days = 365 * y + y / 4 - y / 100 + y / 400 +
                      kDaysBeforeMonth[static_cast<std::size_t>(m - 1)] + d - kDayZeroOffset;
  if (leap && m <= 2) days -= 1;
  return days;
}

std::int64_t date_text_to_datetime(std::string_view text) {
  return std::int64_t{date_text_to_day(text)} * host::kMicrosPerDay;
}

}  // namespace levelclient
