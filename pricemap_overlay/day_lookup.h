// The price map day of many bars at once. A records day counts for a bar when
// the host's conversion of its midnight is not after the bar's date-time, and
// the latest such day wins. Asking the host for every record on every bar is
// bars x records calls; this converts each midnight once and answers each bar
// with a binary search, giving the same day as the one-by-one walk for any
// conversion the host applies, monotonic or not.
#pragma once

#include <cstdint>
#include <vector>

#include "host/study_interface.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {

// Host date-time of a day's midnight; saturates instead of overflowing for
// day numbers no valid date produces.
std::int64_t midnight_of(std::int32_t day);

struct DayLookup {
  std::vector<std::int32_t> days;  // ascending, as in the records map
  // Smallest converted midnight among days[j] and every later day. It never
  // decreases, and the latest day whose own converted midnight is not after t
  // is the last position whose value here is not after t.
  std::vector<std::int64_t> latest_min;
};

// Converts every record's midnight once with the host's chart-time conversion.
void build_day_lookup(DayLookup& lookup, const RecordsMap& records, host::StudyInterface& sc);

// The latest day whose converted midnight is not after date_time; 0 when none.
std::int32_t day_for(const DayLookup& lookup, std::int64_t date_time);

}  // namespace pricemap
