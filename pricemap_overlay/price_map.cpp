#include "pricemap_overlay/price_map.h"

#include "pricemap_overlay/day_lookup.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

const std::array<const char*, kLevelCount> kLevelKeys = {
    "APMD", "VAR",  "AD",   "MSD",  "R",    "+c",  "UT4",  "UL08", "UL07", "UT3", "UL05",
    "UL04", "UT2",  "UL02", "UT1",  "CRX+", "UP",  "CR+",  "DIR",  "CR-",  "DP",  "CRX-",
    "DT1",  "DL02", "DT2",  "DL04", "DL05", "DT3", "DL07", "DL08", "DT4",  "-c"};

std::int32_t latest_day(const StudyState& state) {
  return state.records.empty() ? 0 : state.records.rbegin()->first;
}

std::int32_t day_at_or_before(const StudyState& state, host::StudyInterface& sc,
                              std::int64_t date_time) {
  for (auto it = state.records.rbegin(); it != state.records.rend(); ++it) {
    const std::int64_t midnight = midnight_of(it->first);
    if (sc.convert_to_chart_time(&sc, &midnight) <= date_time) return it->first;
  }
  return 0;
}

PriceMapRecord copy_record(const StudyState& state, std::int32_t day) {
  const auto it = state.records.find(day);
  return it != state.records.end() ? it->second : PriceMapRecord{};
}

}  // namespace pricemap
