// Where the price map levels are drawn: the full redraw with its two passes,
// and the extend step that keeps the last period current.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "pricemap_overlay/drawing_context.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

// Deletes every level drawing of the study and draws everything again from
// the current inputs and price maps.
void redraw_all_levels(host::StudyInterface& sc);

// The passes read the price maps from the study state and draw with the
// context; in the study the context's map and settings are the state's own.

// Each period with its own price map (per-period mode).
void draw_every_period(const DrawingContext& context, const StudyState& state);

// One price map from its date to the last bar (latest-map mode).
void draw_one_period(const DrawingContext& context, const StudyState& state,
                     std::int32_t period_mode);

// Moves the right end of the last period's drawings to the newest bar. The
// multiplier is not used: nothing is drawn anew.
void extend_last_period(const DrawingContext& context);

}  // namespace pricemap
