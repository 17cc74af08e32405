// The price map overlay study's three exports for the charting platform.
#include "platform/bridge.h"
#include "pricemap_overlay/study_entry.h"

SCDLLName(pricemap::kStudyName)

    SCSFExport scsf_qlx_pricemap_overlay(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &pricemap::run_study);
}
