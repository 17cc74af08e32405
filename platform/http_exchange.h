// One study instance's HTTP request as the study sees it in the platform.
// The studies take an empty response text for "still on its way", so the
// request's end must come from the platform's own signal for that request
// (the identifier MakeHTTPRequest returned, given back in HTTPRequestID on
// the call that completes it), not from the text. A request that completes
// with an empty body, or with one larger than any host hands a study, ends as
// a failed transfer ends in studyhost: one line in the message log and a
// short text that is not JSON, so the study's download ends with "Error
// parsing data" instead of waiting for ever, and a huge body is never parsed.
#pragma once

#include <string>
#include <string_view>

#include "sierrachart.h"

namespace qlx_platform {

class HttpExchange {
 public:
  // The platform accepted a request for `url`: `request_id` is what
  // MakeHTTPRequest returned, `id_on_this_call` the HTTPRequestID of the call
  // that made it.
  void accepted(int request_id, int id_on_this_call, std::string_view url);

  // The response text for this call: empty while the request is on its way;
  // the body once it has completed, or the failure text when the body was
  // empty or past host::kMaxResponseBytes, until the next accepted request.
  // Called once at the start of every call, it notices the completion and
  // writes the failure's log line.
  const char* response(s_sc& sc);

 private:
  bool pending_ = false;
  int request_id_ = 0;
  int stale_id_ = 0;
  std::string url_;
  bool failed_ = false;
  std::string failure_text_;
};

}  // namespace qlx_platform
