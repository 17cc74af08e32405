// The example study's exports for the charting platform: the same study code,
// run through the bridge, which fills a host::StudyInterface from the
// platform's own structure on every call.
#include "examples/previous_day_range/previous_day_range.h"
#include "platform/bridge.h"

SCDLLName(previous_day_range::kStudyName)

SCSFExport scsf_qlx_previous_day_range(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &previous_day_range::run_study);
}
