#include "timeframe_structure/period_levels.h"

#include <cmath>

#include "timeframe_structure/calendar_date.h"

namespace timeframe {
namespace {

constexpr std::int64_t kDay = host::kMicrosPerDay;
constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kSecondsPerDay = 86400;

// Bars further than about 2,700 years from 1899-12-30 cannot share a period
// with any record the service sends (1901 to 2039); skipping them keeps the
// session arithmetic far from 64-bit overflow on hostile bar times.
constexpr std::int64_t kFarthestBarTime = 1000000 * kDay;
// The session key time of such a bar lies within two days of it.
constexpr std::int64_t kFarthestKeyTime = kFarthestBarTime + 2 * kDay;

enum Code : std::int32_t { kSession = 1, kWeek = 2, kMonth = 3, kQuarter = 4, kYear = 5 };

std::int32_t day_number(std::int64_t date_time) {
  return static_cast<std::int32_t>(date_time / kDay);  // |result| < 2^27 for any int64
}

std::int64_t month_index(const CalendarDate& date) {
  return static_cast<std::int64_t>(date.year) * 12 + (date.month - 1);
}

std::int64_t quarter_index(const CalendarDate& date) {
  return static_cast<std::int64_t>(date.year) * 4 + (date.month - 1) / 3;
}

// The end of the trading session a bar belongs to: the next session start
// after the bar (a bar exactly at a session start opens the session ending one
// day later), moved back one day on crypto charts.
std::int64_t session_key_time(std::int64_t bar_time, std::int32_t session_start_seconds,
                              bool crypto) {
  const std::int64_t start =
      (static_cast<std::int64_t>(day_number(bar_time)) * kSecondsPerDay + session_start_seconds) *
      kMicrosPerSecond;
  std::int64_t end = start > bar_time ? start : start + kDay;
  if (crypto) end -= kDay;
  return end;
}

// Days divided by 7 in double precision, rounded half away from zero: a
// record date's number changes from Tuesday to Wednesday, and a session key
// time shifted by one day changes it at Monday 12:00.
std::int32_t week_number(std::int64_t date_time) {
  const double weeks = static_cast<double>(date_time) / static_cast<double>(kDay) / 7.0;
  return static_cast<std::int32_t>(std::round(weeks));  // |weeks| < 2^24 for any int64
}

// The first key time e from -kFarthestKeyTime on whose week, W(e + one day),
// is at least `week` (kFarthestKeyTime + 1 when there is none). The week
// number only grows with the time, so the key times of one week form the
// range from first_key_time_of_week(w) to first_key_time_of_week(w + 1), and
// a bar needs two comparisons instead of two divisions in double precision.
std::int64_t first_key_time_of_week(std::int32_t week) {
  std::int64_t low = -kFarthestKeyTime;
  std::int64_t high = kFarthestKeyTime + 1;
  while (low < high) {
    const std::int64_t middle = low + (high - low) / 2;
    if (week_number(middle + kDay) >= week)
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

// What a bar's session key time must give for each record to be written on
// it, worked out once per pass from the record dates. Every record pairs with
// the period just before its own; month and quarter compare the year too, so
// a record lands in one month or quarter of the chart, not in every year.
struct BarKeys {
  bool session_on, week_on, month_on, quarter_on, year_on;
  std::int32_t session_day;
  std::int64_t week_from, week_to;  // key times [from, to) of the week before the record's
  std::int64_t month;
  std::int64_t quarter;
  std::int32_t year;
};

BarKeys bar_keys_for(const PeriodRecords& records) {
  BarKeys keys{};
  const PeriodRecord& session = records[kSession - 1];
  const PeriodRecord& week = records[kWeek - 1];
  const PeriodRecord& month = records[kMonth - 1];
  const PeriodRecord& quarter = records[kQuarter - 1];
  const PeriodRecord& year = records[kYear - 1];
  // Date 0 is the empty record, not 1899-12-30: it is drawn nowhere.
  keys.session_on = session.date != 0;
  keys.week_on = week.date != 0;
  keys.month_on = month.date != 0;
  keys.quarter_on = quarter.date != 0;
  keys.year_on = year.date != 0;
  keys.session_day = day_number(session.date) - 1;
  const std::int32_t record_week = week_number(week.date);
  keys.week_from = first_key_time_of_week(record_week);
  keys.week_to = first_key_time_of_week(record_week + 1);
  keys.month = month_index(civil_from_days(day_number(month.date))) - 1;
  keys.quarter = quarter_index(civil_from_days(day_number(quarter.date))) - 1;
  keys.year = civil_from_days(day_number(year.date)).year - 1;
  return keys;
}

}  // namespace

void store_period(PeriodRecords& records, std::int32_t code, std::int64_t date, float high,
                  float low, float close) {
  if (code < kSession || code > kYear) return;
  PeriodRecord& record = records[static_cast<std::size_t>(code - 1)];
  record.high = high;
  record.low = low;
  record.close = close;
  record.mid = (low + high) * 0.5f;
  // Two prices near the float limit overflow their sum; halving each first
  // gives the midpoint they really have instead of an infinite level.
  if (std::isinf(record.mid) && std::isfinite(low) && std::isfinite(high)) {
    record.mid = low * 0.5f + high * 0.5f;
  }
  record.date = date;
}

void clear_periods(PeriodRecords& records) {
  records.fill(PeriodRecord{});
}

void write_period_levels(host::StudyInterface& sc, const PeriodRecords& records,
                         std::int32_t first_bar, std::int32_t last_bar,
                         std::int32_t session_start_seconds, bool crypto) {
  if (first_bar < 0) first_bar = 0;
  if (first_bar > last_bar) return;

  const BarKeys keys = bar_keys_for(records);
  if (!keys.session_on && !keys.week_on && !keys.month_on && !keys.quarter_on && !keys.year_on)
    return;
  const bool calendar_on = keys.month_on || keys.quarter_on || keys.year_on;

  host::SubgraphSlot* outputs[kOutputCount];
  for (std::int32_t n = 0; n < kOutputCount; ++n) outputs[n] = &host::element(sc.subgraphs, n);

  auto write = [&outputs](std::int32_t code, std::int32_t bar, const PeriodRecord& record) {
    host::SubgraphSlot** group = outputs + (code - 1) * kOutputsPerPeriod;
    host::element(group[0]->values, bar) = record.high;
    host::element(group[1]->values, bar) = record.low;
    host::element(group[2]->values, bar) = record.close;
    host::element(group[3]->values, bar) = record.mid;
  };

  // Consecutive bars mostly share a session day, so the calendar date of the
  // previous bar is kept.
  std::int32_t calendar_day = 0;
  CalendarDate calendar = civil_from_days(calendar_day);

  for (std::int32_t bar = first_bar;; ++bar) {
    const std::int64_t bar_time = host::element(sc.bar_datetimes, bar);
    if (bar_time >= -kFarthestBarTime && bar_time <= kFarthestBarTime) {
      const std::int64_t key_time = session_key_time(bar_time, session_start_seconds, crypto);
      const std::int32_t key_day = day_number(key_time);
      if (keys.session_on && key_day == keys.session_day)
        write(kSession, bar, records[kSession - 1]);
      if (keys.week_on && key_time >= keys.week_from && key_time < keys.week_to)
        write(kWeek, bar, records[kWeek - 1]);
      if (calendar_on) {
        if (key_day != calendar_day) {
          calendar_day = key_day;
          calendar = civil_from_days(key_day);
        }
        if (keys.month_on && month_index(calendar) == keys.month)
          write(kMonth, bar, records[kMonth - 1]);
        if (keys.quarter_on && quarter_index(calendar) == keys.quarter)
          write(kQuarter, bar, records[kQuarter - 1]);
        if (keys.year_on && calendar.year == keys.year) write(kYear, bar, records[kYear - 1]);
      }
    }
    if (bar == last_bar) break;
  }
}

}  // namespace timeframe
