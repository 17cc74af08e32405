#include "timeframe_structure/period_levels.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>

#include "chart_fixture.h"

namespace timeframe {
namespace {

using test::at;
using test::bars_between;
using test::ChartFixture;
using test::kHour;

constexpr std::int32_t k1700 = 61200;
constexpr std::int32_t k1200 = 43200;
constexpr std::int64_t kDay = host::kMicrosPerDay;

enum Output : std::int32_t {
  kSessionHigh = 0,
  kWeekHigh = 4,
  kMonthHigh = 8,
  kQuarterHigh = 12,
  kYearHigh = 16
};

PeriodRecords one_record(std::int32_t code, std::int64_t date) {
  PeriodRecords records{};
  store_period(records, code, date, 110.0f, 90.0f, 101.0f);
  return records;
}

// The bars of the fixture with times in [from, to).
std::vector<std::int32_t> bars_in(const ChartFixture& chart, std::int64_t from, std::int64_t to) {
  std::vector<std::int32_t> bars;
  for (std::size_t i = 0; i < chart.times.size(); ++i)
    if (chart.times[i] >= from && chart.times[i] < to) bars.push_back(static_cast<std::int32_t>(i));
  return bars;
}

std::vector<std::int32_t> bars_where(const ChartFixture& chart,
                                     const std::function<bool(std::chrono::year_month_day)>& pick) {
  using namespace std::chrono;
  const sys_days origin = year{1899} / December / day{30};
  std::vector<std::int32_t> bars;
  for (std::size_t i = 0; i < chart.times.size(); ++i)
    if (pick(year_month_day{origin + days{chart.times[i] / kDay}}))
      bars.push_back(static_cast<std::int32_t>(i));
  return bars;
}

TEST(SessionLevels, RecordIsDrawnOverTheSessionBeforeItsDate) {
  const auto hourly = bars_between(at(2025, 10, 4), at(2025, 10, 11), kHour);
  {
    // The bar at exactly 17:00 opens the session ending the next day at 17:00.
    ChartFixture chart(hourly);
    chart.run(one_record(1, at(2025, 10, 8)), k1700, false);
    EXPECT_EQ(chart.written(kSessionHigh),
              bars_in(chart, at(2025, 10, 6, 17), at(2025, 10, 7, 17)));
    const auto bar = static_cast<std::size_t>(chart.written(kSessionHigh).front());
    EXPECT_EQ(chart.values[0][bar], 110.0f);
    EXPECT_EQ(chart.values[1][bar], 90.0f);
    EXPECT_EQ(chart.values[2][bar], 101.0f);
    EXPECT_EQ(chart.values[3][bar], 100.0f);
    for (std::int32_t n = 4; n < kOutputCount; ++n) EXPECT_TRUE(chart.written(n).empty()) << n;
  }
  {
    ChartFixture chart(hourly);
    chart.run(one_record(1, at(2025, 10, 9)), 0, false);
    EXPECT_EQ(chart.written(kSessionHigh), bars_in(chart, at(2025, 10, 7), at(2025, 10, 8)));
  }
  {
    ChartFixture chart(hourly);
    chart.run(one_record(1, at(2025, 10, 8)), 0, true);
    EXPECT_EQ(chart.written(kSessionHigh), bars_in(chart, at(2025, 10, 7), at(2025, 10, 8)));
  }
}

TEST(WeekLevels, RecordsFromWednesdayToTuesdayShareTheWeekBeforeIt) {
  const auto hourly = bars_between(at(2025, 9, 20), at(2025, 10, 13), kHour);
  // Session start 17:00: the week runs from Sunday 17:00 (key time Monday 17:00).
  for (unsigned day = 1; day <= 7; ++day) {
    ChartFixture chart(hourly);
    chart.run(one_record(2, at(2025, 10, day)), k1700, false);
    EXPECT_EQ(chart.written(kWeekHigh), bars_in(chart, at(2025, 9, 28, 17), at(2025, 10, 5, 17)))
        << "record dated 2025-10-0" << day;
  }
  {
    ChartFixture chart(hourly);
    chart.run(one_record(2, at(2025, 9, 30)), k1700, false);
    EXPECT_EQ(chart.written(kWeekHigh), bars_in(chart, at(2025, 9, 21, 17), at(2025, 9, 28, 17)));
  }
  {
    // Session start 12:00 puts a key time exactly on Monday 12:00, where the
    // week number rounds half away from zero into the new week.
    ChartFixture chart(hourly);
    chart.run(one_record(2, at(2025, 10, 1)), k1200, false);
    EXPECT_EQ(chart.written(kWeekHigh), bars_in(chart, at(2025, 9, 28, 12), at(2025, 10, 5, 12)));
  }
}

class CalendarLevels : public ::testing::Test {
 protected:
  // One bar a day at 12:00; with session start 17:00 its session day is its own day.
  ChartFixture chart{bars_between(at(2023, 6, 1, 12), at(2026, 3, 1), kDay)};
};

TEST_F(CalendarLevels, MonthRecordIsDrawnOnThePreviousMonthOfItsOwnYearOnly) {
  using namespace std::chrono;
  chart.run(one_record(3, at(2025, 10, 1)), k1700, false);
  EXPECT_EQ(chart.written(kMonthHigh), bars_where(chart, [](year_month_day d) {
              return d.year() == year{2025} && d.month() == September;
            }));
}

TEST_F(CalendarLevels, JanuaryMonthRecordIsDrawnOnTheDecemberOfThePreviousYear) {
  using namespace std::chrono;
  chart.run(one_record(3, at(2025, 1, 15)), k1700, false);
  EXPECT_EQ(chart.written(kMonthHigh), bars_where(chart, [](year_month_day d) {
              return d.year() == year{2024} && d.month() == December;
            }));
}

TEST_F(CalendarLevels, QuarterRecordIsDrawnOnThePreviousQuarterOfItsOwnYearOnly) {
  using namespace std::chrono;
  chart.run(one_record(4, at(2025, 11, 20)), k1700, false);
  EXPECT_EQ(chart.written(kQuarterHigh), bars_where(chart, [](year_month_day d) {
              return d.year() == year{2025} && d.month() >= July && d.month() <= September;
            }));
}

TEST_F(CalendarLevels, FirstQuarterRecordIsDrawnOnTheFourthQuarterOfThePreviousYear) {
  using namespace std::chrono;
  chart.run(one_record(4, at(2025, 2, 3)), k1700, false);
  EXPECT_EQ(chart.written(kQuarterHigh), bars_where(chart, [](year_month_day d) {
              return d.year() == year{2024} && d.month() >= October;
            }));
}

TEST_F(CalendarLevels, YearRecordIsDrawnOnThePreviousYear) {
  using namespace std::chrono;
  chart.run(one_record(5, at(2025, 6, 30)), k1700, false);
  EXPECT_EQ(chart.written(kYearHigh),
            bars_where(chart, [](year_month_day d) { return d.year() == year{2024}; }));
}

TEST_F(CalendarLevels, EmptyRecordsWriteNoBar) {
  chart.run(PeriodRecords{}, k1700, false);
  for (std::int32_t n = 0; n < kOutputCount; ++n) EXPECT_TRUE(chart.written(n).empty()) << n;

  // Not even around their own date 1899-12-30.
  ChartFixture old_chart(bars_between(at(1898, 6, 1), at(1900, 3, 1), 6 * kHour));
  old_chart.run(PeriodRecords{}, k1700, false);
  for (std::int32_t n = 0; n < kOutputCount; ++n) EXPECT_TRUE(old_chart.written(n).empty()) << n;
}

TEST(SessionDayLevels, MonthFollowsTheSessionDayNotTheBarDay) {
  // Bars at 18:00 with session start 17:00 belong to the next day's session:
  // 31 August 18:00 is in the September session, 30 September 18:00 is not.
  ChartFixture chart(bars_between(at(2025, 8, 1, 18), at(2025, 11, 1), kDay));
  chart.run(one_record(3, at(2025, 10, 1)), k1700, false);
  EXPECT_EQ(chart.written(kMonthHigh), bars_in(chart, at(2025, 8, 31), at(2025, 9, 30)));
}

TEST(PeriodPass, RewritesOnlyFromTheFirstBarToUpdate) {
  ChartFixture chart(bars_between(at(2025, 9, 1, 12), at(2025, 10, 1), kDay));
  const PeriodRecords records = one_record(3, at(2025, 10, 1));
  chart.run(records, k1700, false, 20);
  EXPECT_EQ(chart.written(kMonthHigh), bars_in(chart, at(2025, 9, 21), at(2025, 10, 1)));

  ChartFixture past_end(bars_between(at(2025, 9, 1, 12), at(2025, 10, 1), kDay));
  past_end.run(records, k1700, false, 30);
  EXPECT_TRUE(past_end.written(kMonthHigh).empty());

  ChartFixture negative(bars_between(at(2025, 9, 1, 12), at(2025, 10, 1), kDay));
  negative.run(records, k1700, false, -5);
  EXPECT_EQ(negative.written(kMonthHigh).size(), 30u);
}

TEST(PeriodPass, BarTimesFarOutsideTheCalendarWriteNothing) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  ChartFixture chart({kMin, kMin + 1, -kDay, kMax - 1, kMax});
  PeriodRecords records{};
  for (std::int32_t code = 1; code <= kPeriodCount; ++code)
    store_period(records, code, at(2025, 1, 1), 1.0f, 1.0f, 1.0f);
  chart.run(records, 86399, true);
  for (std::int32_t n = 0; n < kOutputCount; ++n) EXPECT_TRUE(chart.written(n).empty()) << n;
}

TEST(PeriodRecords, StoreFillsOnlyTimeframesOneToFive) {
  PeriodRecords records{};
  store_period(records, 0, at(2025, 1, 1), 1.0f, 2.0f, 3.0f);
  store_period(records, 6, at(2025, 1, 1), 1.0f, 2.0f, 3.0f);
  store_period(records, -1, at(2025, 1, 1), 1.0f, 2.0f, 3.0f);
  for (const PeriodRecord& r : records) EXPECT_EQ(r.date, 0);

  store_period(records, 4, at(2025, 1, 1), 4500.25f, 4400.5f, 4450.0f);
  store_period(records, 4, at(2025, 4, 1), 4600.25f, 4410.5f, 4550.0f);
  EXPECT_EQ(records[3].date, at(2025, 4, 1));
  EXPECT_EQ(records[3].high, 4600.25f);
  EXPECT_EQ(records[3].low, 4410.5f);
  EXPECT_EQ(records[3].close, 4550.0f);
  EXPECT_EQ(records[3].mid, (4410.5f + 4600.25f) * 0.5f);

  clear_periods(records);
  for (const PeriodRecord& r : records) {
    EXPECT_EQ(r.date, 0);
    EXPECT_EQ(r.high, 0.0f);
    EXPECT_EQ(r.mid, 0.0f);
  }
}

}  // namespace
}  // namespace timeframe
