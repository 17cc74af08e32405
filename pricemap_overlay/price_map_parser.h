// Turns a downloaded price map response into dated records and a status.
#pragma once

#include "host/study_interface.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

// Replaces the records map with the records of a response and sets the status.
void parse_price_map(StudyState& state, host::StudyInterface& sc, const char* const* response);

}  // namespace pricemap
