// The trace of a run: one JSON line per study call and per host operation a
// study called, in call order.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "studyhost/runtime/call_observer.h"

namespace studyhost::app {

// {"seq", "instance", "operation", "arguments", "result"} for one call, as a
// single line without the newline. The API key shows as ***.
std::string trace_line(std::uint64_t seq, const HostCall& call);

class TraceLog {
 public:
  // Opens (truncates) the file; false with one line in `error` when it cannot.
  bool open(const std::string& path, std::string& error);
  // The observer to give the host; it writes to this log, which must outlive
  // the host's use of it.
  CallObserver observer();
  // Flushes and closes; false when some line could not be written.
  bool close(std::string& error);

 private:
  std::string path_;
  std::ofstream out_;
  std::uint64_t seq_ = 0;
};

}  // namespace studyhost::app
