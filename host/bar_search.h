// Which bar of a chart a date-time falls on, as every host answers the
// studies' bar lookup: studyhost from its bars, the platform bridge from the
// chart's bar times.
#pragma once

#include <cstdint>

namespace host {

// The first of `count` bars whose time, `time_of(index)`, is at or after
// `date_time`; past the last bar, the last bar; no bars give 0. A lower bound
// written out, so bars out of time order still give a bar of the chart.
template <typename TimeOf>
std::int32_t first_bar_at_or_after(std::int32_t count, std::int64_t date_time, TimeOf time_of) {
  if (count <= 0) return 0;
  std::int32_t low = 0;
  std::int32_t high = count;
  while (low < high) {
    const std::int32_t middle = low + (high - low) / 2;
    if (time_of(middle) < date_time) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low < count ? low : count - 1;
}

}  // namespace host
