#include "platform/response_limit.h"

#include <cstddef>

#include "host/transfer_failure.h"

namespace qlx_platform {
namespace {

// Whether the text is longer than `limit`, reading at most one byte past it:
// the platform's own length count would read all of a huge body.
bool longer_than(const char* text, std::size_t limit) {
  for (std::size_t i = 0; i <= limit; ++i) {
    if (text[i] == '\0') return false;
  }
  return true;
}

}  // namespace

void ResponseLimit::accepted(const char* url) {
  url_ = url != nullptr ? url : "";
  failure_.clear();
  measured_ = false;
}

const char* ResponseLimit::response_for_study(s_sc& sc) {
  const char* body = sc.HTTPResponse.GetChars();
  // Measured once, when the body is first there; the platform keeps it until
  // the next request.
  if (!measured_ && body != nullptr && body[0] != '\0') {
    measured_ = true;
    if (longer_than(body, host::kMaxResponseBytes)) {
      failure_ = host::failed_transfer_response(url_, host::kResponseTooLarge);
      sc.AddMessageToLog(host::failed_transfer_line(url_, host::kResponseTooLarge).c_str(), 0);
    }
  }
  return failure_.empty() ? body : failure_.c_str();
}

}  // namespace qlx_platform
