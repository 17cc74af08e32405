// The timeframe structure study's three exports for the charting platform.
// The SDK header and the DLL's name come first, as the platform's own build of
// a single study file expects them.
#include "sierrachart.h"

SCDLLName("QLX TIMEFRAME STRUCTURE")

#include <string_view>

#include "platform/bridge.h"
#include "timeframe_structure/study_declaration.h"
#include "timeframe_structure/study_entry.h"

static_assert(std::string_view(timeframe::kStudyName) == "QLX TIMEFRAME STRUCTURE",
              "the DLL carries the study's own name");

SCSFExport scsf_qlx_timeframe_structure(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &timeframe::run_study);
}
