// An example study: the previous trading day's high and low, taken from the
// level data service's daily record, written as two per-bar outputs from the
// record's day on, with one text on the chart that says how the download went.
// The study interface hands a study bar times but no prices, so the range
// comes from the service, as the real studies' levels do.
#pragma once

#include "host/study_interface.h"

namespace previous_day_range {

inline constexpr const char* kStudyName = "QLX PREVIOUS DAY RANGE";

// One call of the study: the defaults call, an ordinary call or the last call.
void run_study(host::StudyInterface& sc) noexcept;

}  // namespace previous_day_range
