// Waiting for a chart's downloads, with a progress line for a person
// watching a terminal.
#pragma once

#include <chrono>
#include <ostream>

#include "studyhost/runtime/host.h"

namespace studyhost::session {

// Runs the host's settle of downloads (publish, then the update that picks
// each body up, repeated while studies chain requests). With `progress`, a
// line on `err` counts the seconds while it waits. False on a time-out.
bool wait_for_downloads(Host& host, std::chrono::milliseconds timeout, std::ostream& err,
                        bool progress);

// Whether standard error is a terminal (the only place a progress line goes).
bool stderr_is_terminal();

}  // namespace studyhost::session
