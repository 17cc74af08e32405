// The library's three exports for studyhost's record.
#include "host/export.h"
#include "host/study_interface.h"
#include "pricemap_overlay/study_entry.h"

QLX_EXPORT int scdll_DLLVersion() {
  return host::kInterfaceVersion;
}

QLX_EXPORT const char* scdll_DLLName() {
  return pricemap::kStudyName;
}

// A record without studyhost's header belongs to another host (the charting
// platform hands its own structure to a DLL of this name): nothing of it is
// read or written.
QLX_EXPORT void scsf_qlx_pricemap_overlay(host::StudyInterface* sc) {
  if (!host::is_studyhost_record(sc)) return;
  pricemap::run_study(*sc);
}
