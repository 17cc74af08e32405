// What the level drawing code works with: the context shared by every
// drawing of one redraw or extend step, and the bars of one period.
#pragma once

#include <cstdint>

#include "host/study_interface.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"

namespace pricemap {

// Made once per full redraw or extend step and handed down unchanged. In the
// study the map and the settings are the study state's own.
struct DrawingContext {
  host::StudyInterface& sc;         // chart, price increment, value format, drawing operations
  DrawnLevelMap& drawn;             // where every drawing made is recorded
  const DisplaySettings& settings;  // colours, switches, label and line settings
  float multiplier;                 // the "Multiplier" input, applied to every level and width
};

// One run of bars drawn with one price map.
struct PeriodSpan {
  std::int32_t first_bar;
  std::int32_t last_bar;  // inclusive
  bool is_last_period;    // the per-period pass's period that reaches the last bar
  bool with_labels;       // price labels may be drawn in this period
};

}  // namespace pricemap
