// The host side of every operation in the study interface record.
#pragma once

#include "host/study_interface.h"

namespace studyhost {

// Points the record's operations at this host's implementations.
void install_operations(host::StudyInterface& record);

}  // namespace studyhost
