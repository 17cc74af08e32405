// The price map overlay study's three exports for the charting platform. The
// SDK header and the DLL's name come first, as the platform's own build of a
// single study file expects them.
#include "sierrachart.h"

SCDLLName("QLX PRICEMAP OVERLAY")

#include <string_view>

#include "platform/bridge.h"
#include "pricemap_overlay/study_entry.h"

static_assert(std::string_view(pricemap::kStudyName) == "QLX PRICEMAP OVERLAY",
              "the DLL carries the study's own name");

SCSFExport scsf_qlx_pricemap_overlay(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &pricemap::run_study);
}
