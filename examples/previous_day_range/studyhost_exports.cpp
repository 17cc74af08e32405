// The example study's three exports for studyhost's record.
#include "examples/previous_day_range/previous_day_range.h"
#include "host/export.h"

QLX_EXPORT int scdll_DLLVersion() {
  return host::kInterfaceVersion;
}

QLX_EXPORT const char* scdll_DLLName() {
  return previous_day_range::kStudyName;
}

// A record without studyhost's header belongs to another host: nothing of it
// is read or written.
QLX_EXPORT void scsf_qlx_previous_day_range(host::StudyInterface* sc) {
  if (!host::is_studyhost_record(sc)) return;
  previous_day_range::run_study(*sc);
}
