// The trading session start, read from the "Trading Session Start Time" input.
#pragma once

#include <cstdint>

#include "host/input_slot.h"

namespace timeframe {

// The time-of-day part of a time or date-time input in whole seconds (0 to
// 86,399); any other kind of input gives 0.
std::int32_t session_start_seconds(const host::InputSlot& input);

}  // namespace timeframe
