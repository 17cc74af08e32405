// The timeframe structure study's three exports for the charting platform.
#include "platform/bridge.h"
#include "timeframe_structure/study_declaration.h"
#include "timeframe_structure/study_entry.h"

SCDLLName(timeframe::kStudyName)

    SCSFExport scsf_qlx_timeframe_structure(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &timeframe::run_study);
}
