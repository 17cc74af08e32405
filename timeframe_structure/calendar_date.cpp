#include "timeframe_structure/calendar_date.h"

namespace timeframe {
namespace {

// Day number of 0000-03-01 counted from 1899-12-30, negated: shifting by it
// puts day 0 at the start of a 400-year era that begins in March, so leap
// days fall at the end of each era year.
constexpr std::int64_t kEraOriginShift = 693899;
constexpr std::int64_t kDaysPerEra = 146097;

}  // namespace

CalendarDate civil_from_days(std::int32_t day_number) {
  const std::int64_t z = static_cast<std::int64_t>(day_number) + kEraOriginShift;
  const std::int64_t era = (z >= 0 ? z : z - (kDaysPerEra - 1)) / kDaysPerEra;
  const std::int64_t day_of_era = z - era * kDaysPerEra;  // 0 to 146096
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);  // from 1 March
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;              // 0 = March
  const std::int64_t day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const std::int64_t month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  const std::int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  return CalendarDate{static_cast<std::int32_t>(year), static_cast<std::int32_t>(month),
                      static_cast<std::int32_t>(day)};
}

}  // namespace timeframe
