// The 25 level labels drawn from one price map record: the text beside each
// line, its price, tier and role, and whether it lies near R, +c or -c.
#pragma once

#include <vector>

#include "pricemap_overlay/price_map.h"

namespace pricemap {

inline constexpr int kLevelLabelCount = 25;

// Builds the record's label list once and caches it in the record (proximity,
// labels, labels_stale); later calls on the same record return the cached list
// whatever increment they pass. The result is the caller's own copy.
std::vector<LevelLabel> build_level_labels(PriceMapRecord& record, float price_increment);

// proximity > |a - b| in single precision; a distance equal to the proximity
// is not near.
bool is_near(float proximity, float a, float b);

}  // namespace pricemap
