#include "pricemap_overlay/day_lookup.h"

#include <algorithm>
#include <limits>

namespace pricemap {

std::int64_t midnight_of(std::int32_t day) {
  // Days whose midnight is past what 64 bits count saturate.
  constexpr std::int64_t kLastDay = std::numeric_limits<std::int64_t>::max() / host::kMicrosPerDay;
  if (day > kLastDay) return std::numeric_limits<std::int64_t>::max();
  if (day < -kLastDay) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(day) * host::kMicrosPerDay;
}

void build_day_lookup(DayLookup& lookup, const RecordsMap& records, host::StudyInterface& sc) {
  lookup.days.clear();
  lookup.latest_min.clear();
  lookup.days.reserve(records.size());
  lookup.latest_min.resize(records.size());
  for (const auto& [day, record] : records) {
    const std::int64_t midnight = midnight_of(day);
    lookup.latest_min[lookup.days.size()] = sc.convert_to_chart_time(&sc, &midnight);
    lookup.days.push_back(day);
  }
  for (std::size_t j = lookup.latest_min.size(); j-- > 1;) {
    lookup.latest_min[j - 1] = std::min(lookup.latest_min[j - 1], lookup.latest_min[j]);
  }
}

std::int32_t day_for(const DayLookup& lookup, std::int64_t date_time) {
  const auto past = std::upper_bound(lookup.latest_min.begin(), lookup.latest_min.end(), date_time);
  if (past == lookup.latest_min.begin()) return 0;
  return lookup.days[static_cast<std::size_t>(past - lookup.latest_min.begin()) - 1];
}

}  // namespace pricemap
