#include "timeframe_structure/calendar_date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace timeframe {
namespace {

TEST(CivilFromDays, MatchesTheGregorianCalendarFrom1600To2400) {
  using namespace std::chrono;
  const sys_days origin = year{1899} / December / day{30};
  const auto first =
      static_cast<std::int32_t>((sys_days{year{1600} / January / 1} - origin).count());
  const auto last =
      static_cast<std::int32_t>((sys_days{year{2400} / December / 31} - origin).count());
  for (std::int32_t n = first; n <= last; ++n) {
    const year_month_day expected{origin + days{n}};
    const CalendarDate got = civil_from_days(n);
    ASSERT_EQ(got.year, static_cast<int>(expected.year())) << n;
    ASSERT_EQ(got.month, static_cast<int>(static_cast<unsigned>(expected.month()))) << n;
    ASSERT_EQ(got.day, static_cast<int>(static_cast<unsigned>(expected.day()))) << n;
  }
}

TEST(CivilFromDays, WholeIntegerRangeGivesValidDates) {
  for (const std::int32_t n :
       {std::numeric_limits<std::int32_t>::min(), -1, std::numeric_limits<std::int32_t>::max()}) {
    const CalendarDate d = civil_from_days(n);
    EXPECT_GE(d.month, 1);
    EXPECT_LE(d.month, 12);
    EXPECT_GE(d.day, 1);
    EXPECT_LE(d.day, 31);
  }
}

}  // namespace
}  // namespace timeframe
