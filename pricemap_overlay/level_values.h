// Fifteen levels of a price map published as per-bar values in subgraphs 10
// to 24, scaled by the "Multiplier" input.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {

inline constexpr std::int32_t kFirstLevelSubgraph = 10;
inline constexpr std::int32_t kLevelSubgraphCount = 15;

// Writes multiplier × level into the subgraphs for every bar from `first_bar`
// to `last_bar` inclusive; nothing when first_bar > last_bar. Allocates
// nothing.
void write_level_values(host::StudyInterface& sc, const PriceMapRecord& record,
                        std::int32_t first_bar, std::int32_t last_bar, float multiplier);

// Writes 0 into the subgraphs on every bar: no level of a map that may not be
// shown stays for the alerts and spreadsheets that read them.
void clear_level_values(host::StudyInterface& sc);

}  // namespace pricemap
