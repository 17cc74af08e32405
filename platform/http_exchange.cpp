#include "platform/http_exchange.h"

#include <cstddef>
#include <string>
#include <utility>

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
    const char* const body = sc.HTTPResponse.GetChars();
    const char* reason = nullptr;
    if (body[0] == '\0') {
      reason = host::kEmptyResponse;
    } else if (longer_than(body, host::kMaxResponseBytes)) {
      reason = host::kResponseTooLarge;
    }
    if (reason != nullptr) {
      // Both texts are made before the request counts as ended: without
      // memory for them it stays pending and the next call tries again,
      // instead of handing the study the body it must not read.
      std::string response = host::failed_transfer_response(url_, reason);
      const std::string line = host::failed_transfer_line(url_, reason);
      failure_text_ = std::move(response);
      failed_ = true;
      pending_ = false;
      sc.AddMessageToLog(line.c_str(), 0);
    } else {
      pending_ = false;
    }
  }
  return failed_ ? failure_text_.c_str() : sc.HTTPResponse.GetChars();
}

}  // namespace qlx_platform
