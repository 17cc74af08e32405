#include "studyhost/app/trace_log.h"

#include <nlohmann/json.hpp>

#include "studyhost/runtime/redact.h"

namespace studyhost::app {

std::string trace_line(std::uint64_t seq, const HostCall& call) {
  // The runtime describes URLs with the key already hidden; hiding it again
  // here keeps that promise whatever an operation puts in its texts.
  const nlohmann::ordered_json line = {{"seq", seq},
                                       {"instance", call.instance},
                                       {"operation", call.operation},
                                       {"arguments", redact_text(call.arguments)},
                                       {"result", redact_text(call.result)}};
  return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool TraceLog::open(const std::string& path, std::string& error) {
  path_ = path;
  seq_ = 0;
  out_.open(path, std::ios::binary | std::ios::trunc);
  if (!out_) {
    error = path + ": cannot write the file";
    return false;
  }
  return true;
}

CallObserver TraceLog::observer() {
  return [this](const HostCall& call) {
    if (!out_) return;
    out_ << trace_line(++seq_, call) << '\n';
  };
}

bool TraceLog::close(std::string& error) {
  if (!out_.is_open()) return true;
  out_.flush();
  const bool ok = static_cast<bool>(out_);
  out_.close();
  if (!ok) error = path_ + ": cannot write the file";
  return ok;
}

}  // namespace studyhost::app
