// Which bar a date-time falls on.
#pragma once

#include <cstdint>
#include <vector>

#include "studyhost/runtime/chart.h"

namespace studyhost {

// The first bar at or after `datetime`; past the last bar, the last bar; an
// empty chart gives 0. Bars are expected in time order; out-of-order bars give
// some bar index, never a fault.
std::int32_t bar_index_at(const std::vector<Bar>& bars, std::int64_t datetime);

}  // namespace studyhost
