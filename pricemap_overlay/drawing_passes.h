// Where the price map levels are drawn: the full redraw with its two passes,
// and the extend step that keeps the last period current.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

// Deletes every level drawing of the study and draws everything again from
// the current inputs and price maps.
void redraw_all_levels(host::StudyInterface& sc);

// Each period with its own price map (per-period mode).
void draw_every_period(DrawnLevelMap& drawn, host::StudyInterface& sc, const StudyState& state,
                       const DisplaySettings& settings, float multiplier);

// One price map from its date to the last bar (latest-map mode).
void draw_one_period(DrawnLevelMap& drawn, host::StudyInterface& sc, const StudyState& state,
                     const DisplaySettings& settings, float multiplier, std::int32_t period_mode);

// Moves the right end of the last period's drawings to the newest bar.
void extend_last_period(DrawnLevelMap& drawn, host::StudyInterface& sc,
                        const DisplaySettings& settings);

}  // namespace pricemap
