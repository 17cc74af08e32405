// The library's three exports for studyhost's record.
#include "host/export.h"
#include "host/study_interface.h"
#include "timeframe_structure/study_declaration.h"
#include "timeframe_structure/study_entry.h"

QLX_EXPORT int scdll_DLLVersion() {
  return host::kInterfaceVersion;
}

QLX_EXPORT const char* scdll_DLLName() {
  return timeframe::kStudyName;
}

// A record without studyhost's header belongs to another host (the charting
// platform hands its own structure to a DLL of this name): nothing of it is
// read or written, not even the entry marker.
QLX_EXPORT void scsf_qlx_timeframe_structure(host::StudyInterface* sc) {
  if (!host::is_studyhost_record(sc)) return;
  timeframe::run_study(*sc);
}
