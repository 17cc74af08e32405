// A hook told of every host operation a study calls and of every study call,
// for tracing. Arguments are already readable text, with the API key redacted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace studyhost {

struct HostCall {
  std::int32_t instance = 0;  // the study instance
  std::string operation;      // "study_call", "use_drawing", "add_log", ...
  std::string arguments;
  std::string result;
};

using CallObserver = std::function<void(const HostCall&)>;

}  // namespace studyhost
