// The host operations of the record a bridged study sees, each carried to the
// platform member that does the same thing.
#pragma once

#include "host/study_interface.h"

namespace qlx_platform {

// Installs every operation; the record's host context must be the
// BridgedInstance that owns it.
void install_operations(host::StudyInterface& record);

}  // namespace qlx_platform
