// Period levels: one record per kind of period (trading session, week, month,
// quarter, year) and the per-bar pass that writes each record's high, low,
// close and mid on the bars of the period just before the one its date falls
// in.
#pragma once

#include <array>
#include <cstdint>

#include "host/study_interface.h"

namespace timeframe {

struct PeriodRecord {
  float high;
  float low;
  float close;
  float mid;          // (low + high) x 0.5 in 32-bit float
  std::int64_t date;  // host date-time at midnight; 0 = no record
};

// Records for timeframe codes 1 to 5, in code order.
inline constexpr std::int32_t kPeriodCount = 5;
using PeriodRecords = std::array<PeriodRecord, kPeriodCount>;

// Code c writes outputs 4 (c - 1) to 4 (c - 1) + 3: high, low, close, mid.
inline constexpr std::int32_t kOutputsPerPeriod = 4;
inline constexpr std::int32_t kOutputCount = kPeriodCount * kOutputsPerPeriod;

// Overwrites the record of timeframe code 1 to 5; any other code stores nothing.
void store_period(PeriodRecords& records, std::int32_t code, std::int64_t date, float high,
                  float low, float close);

void clear_periods(PeriodRecords& records);

// Writes the records into outputs 0 to 19 of every bar from `first_bar` to
// `last_bar` whose period is the one each record is paired with; other bars
// keep their values. The session start is 0 to 86,399 seconds. Allocates
// nothing.
void write_period_levels(host::StudyInterface& sc, const PeriodRecords& records,
                         std::int32_t first_bar, std::int32_t last_bar,
                         std::int32_t session_start_seconds, bool crypto);

}  // namespace timeframe
