#include "platform/http_exchange.h"

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

void HttpExchange::accepted(int request_id, int id_on_this_call, std::string_view url) {
  pending_ = true;
  request_id_ = request_id;
  stale_id_ = id_on_this_call;
  url_.assign(url.data(), url.size());
  failed_ = false;
  failure_text_.clear();
}

const char* HttpExchange::response(s_sc& sc) {
  if (pending_) {
    // HTTPRequestID may still hold what it held when the request was made;
    // should the platform have given this request that same identifier, the
    // identifier alone says nothing, and only a body tells the request ended.
    const bool completed = sc.HTTPRequestID == request_id_ &&
                           (request_id_ != stale_id_ || sc.HTTPResponse.GetLength() > 0);
    if (!completed) return "";
    pending_ = false;
    const char* const body = sc.HTTPResponse.GetChars();
    const char* reason = nullptr;
    if (body[0] == '\0') {
      reason = host::kEmptyResponse;
    } else if (longer_than(body, host::kMaxResponseBytes)) {
      reason = host::kResponseTooLarge;
    }
    if (reason != nullptr) {
      failed_ = true;
      failure_text_ = host::failed_transfer_response(url_, reason);
      sc.AddMessageToLog(host::failed_transfer_line(url_, reason).c_str(), 0);
    }
  }
  return failed_ ? failure_text_.c_str() : sc.HTTPResponse.GetChars();
}

}  // namespace qlx_platform
