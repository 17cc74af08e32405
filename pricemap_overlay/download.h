// The price map download: the request issued on a full recalculation, the
// response picked up on a later call, and the status text shown from the
// study state.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

// The letter sent for a Time Frame entry: 0 "D", 1 "W", 2 "M", 3 "Q", 4 "Y",
// any other entry "unk".
const char* time_frame_letter(std::int32_t entry_index);

// Shows the state's status text, red while an error is showing; with `log`
// the text also goes to the host's message log.
void show_state_status(host::StudyInterface& sc, const StudyState& state, bool log);

// Bar-0 call, before the levels are drawn again: a price map read for another
// Asset Class, Symbol or Time Frame than the inputs now hold, or one whose
// read failed, is dropped with its per-bar values, so the chart shows none of
// it while the new download is on its way. A map of the same inputs stays
// until the new one arrives.
void drop_map_of_other_inputs(host::StudyInterface& sc, StudyState& state);

// Runs while a download is wanted: checks the API Key and Symbol and asks the
// host to fetch the price map. A refusal keeps the download wanted, so the
// next call tries again.
void request_step(host::StudyInterface& sc, StudyState& state);

// Runs while a download is pending: once the host's response text is there,
// parses it, shows and logs the outcome and redraws the levels; a failed read
// also clears the per-bar values, as it clears the drawings. True when a
// response was read (whatever its outcome).
bool response_step(host::StudyInterface& sc, StudyState& state);

}  // namespace pricemap
