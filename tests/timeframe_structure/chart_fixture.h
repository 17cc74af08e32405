// A hand-built study interface record holding bar times and the twenty
// outputs, for driving the per-bar pass without a host.
#pragma once

#include <chrono>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/study_interface.h"
#include "timeframe_structure/period_levels.h"

namespace timeframe::test {

// Outputs start at this value so a test sees which bars the pass wrote.
inline constexpr float kUntouched = -1.0f;

// Host date-time of a civil date and time of day.
inline std::int64_t at(int year, unsigned month, unsigned day, int hour = 0, int minute = 0) {
  using namespace std::chrono;
  const sys_days date = std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day};
  const sys_days origin = std::chrono::year{1899} / December / std::chrono::day{30};
  const std::int64_t days = (date - origin).count();
  return days * host::kMicrosPerDay + (static_cast<std::int64_t>(hour) * 60 + minute) * 60000000LL;
}

inline constexpr std::int64_t kHour = 3600000000LL;

struct ChartFixture {
  std::vector<std::int64_t> times;
  std::vector<std::vector<float>> values;
  std::vector<host::SubgraphSlot> slots;
  host::StudyInterface sc{};

  explicit ChartFixture(std::vector<std::int64_t> bar_times)
      : times(std::move(bar_times)),
        values(kOutputCount, std::vector<float>(times.size(), kUntouched)),
        slots(kOutputCount) {
    sc.bar_count = static_cast<std::int32_t>(times.size());
    sc.bar_datetimes.elements = times.data();
    sc.bar_datetimes.count = sc.bar_count;
    for (std::size_t n = 0; n < slots.size(); ++n) {
      slots[n].values.elements = values[n].data();
      slots[n].values.count = sc.bar_count;
    }
    sc.subgraphs.elements = slots.data();
    sc.subgraphs.count = static_cast<std::int32_t>(slots.size());
  }
  ChartFixture(const ChartFixture&) = delete;
  ChartFixture& operator=(const ChartFixture&) = delete;

  void run(const PeriodRecords& records, std::int32_t session_start_seconds, bool crypto,
           std::int32_t first_bar = 0) {
    write_period_levels(sc, records, first_bar, sc.bar_count - 1, session_start_seconds, crypto);
  }

  // The bars whose output `n` the pass wrote.
  std::vector<std::int32_t> written(std::int32_t n) const {
    std::vector<std::int32_t> bars;
    for (std::size_t i = 0; i < times.size(); ++i)
      if (values[static_cast<std::size_t>(n)][i] != kUntouched)
        bars.push_back(static_cast<std::int32_t>(i));
    return bars;
  }
};

// Bars every `step` from `first` while before `end`.
inline std::vector<std::int64_t> bars_between(std::int64_t first, std::int64_t end,
                                              std::int64_t step) {
  std::vector<std::int64_t> times;
  for (std::int64_t t = first; t < end; t += step) times.push_back(t);
  return times;
}

}  // namespace timeframe::test
