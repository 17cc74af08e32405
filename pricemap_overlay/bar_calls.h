// What the bar calls add to the study's per-call flow: the menu and period
// mode at state creation and last call, the bar-0 refresh of settings, menu
// and drawings, and on every bar the level values and the extend step.
#pragma once

#include "host/study_interface.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {

// Right after the study state is stored: the period mode starts at 0 and the
// level menu is created.
void on_state_created(host::StudyInterface& sc);

// After the study state is gone; runs also when no state ever existed.
void on_last_call(host::StudyInterface& sc);

// Bar-0 call: settings from the inputs into the state.
void rebuild_display_settings(host::StudyInterface& sc, StudyState& state);

// Bar-0 call: the latest-map flag from the period mode input.
void update_latest_map_flag(host::StudyInterface& sc);

// Bar-0 call: menu texts and check marks, the per-period day, the full redraw
// and the Symbol label of subgraph 26.
void refresh_bar_zero_views(host::StudyInterface& sc, StudyState& state);

// After a price map was read: the bars called before it arrived get its
// values as the bar calls would give them (every bar in latest-map mode, the
// last bar's day in per-period mode), so no bar keeps the values of a map
// read earlier until the next full recalculation.
void rewrite_bar_values(host::StudyInterface& sc, StudyState& state);

// Every bar call with a clear status: the bar's level values and, when due,
// the extend step that stretches the last period to the newest bar.
void write_bar_values_and_extend(host::StudyInterface& sc, StudyState& state);

}  // namespace pricemap
