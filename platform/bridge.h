// The studies inside the charting platform. The platform calls a study
// function with its own study structure (s_sc); the bridge keeps one
// host::StudyInterface per study instance, fills it from s_sc before every
// call, carries the study's requests to the platform's members and writes back
// what the study declared or changed. The study code itself is the same that
// studyhost runs.
#pragma once

#include "host/study_interface.h"
#include "sierrachart.h"

namespace qlx_platform {

// One call of a study written against host::StudyInterface.
using StudyRun = void (*)(host::StudyInterface&) noexcept;

// Runs the platform's call of one study instance through the bridge. A
// structure that begins with studyhost's header is not the platform's: the
// call returns at once and touches nothing of it.
void run_in_platform(SCStudyInterfaceRef sc, StudyRun run);

}  // namespace qlx_platform
