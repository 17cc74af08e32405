// A response body the platform hands over that is larger than any host hands
// a study: the study gets what studyhost gives it for such a body, a failed
// transfer's text, and the message log the same line, so the same download
// ends the same way in both hosts, and the study never parses it.
#pragma once

#include <string>

#include "sierrachart.h"

namespace qlx_platform {

class ResponseLimit {
 public:
  // The platform took a request for `url`: its body is looked at once, when
  // it arrives.
  void accepted(const char* url);

  // The response text the study sees on this call: the platform's own, or
  // the failed transfer's text for a body past the limit (its log line is
  // written the first time).
  const char* response_for_study(s_sc& sc);

 private:
  std::string url_;
  std::string failure_;    // handed instead of the body; empty when none
  bool measured_ = false;  // the body of the last request has been measured
};

}  // namespace qlx_platform
