// The price map overlay study as each host calls it. The exported entry
// points live with the host they are built for; this is what they run.
#pragma once

#include "host/study_interface.h"

namespace pricemap {

inline constexpr const char* kStudyName = "QLX PRICEMAP OVERLAY";

// One call of the study: the defaults call, an ordinary call or the last call.
void run_study(host::StudyInterface& sc) noexcept;

}  // namespace pricemap
