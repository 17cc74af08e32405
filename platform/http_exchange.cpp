#include "platform/http_exchange.h"

namespace qlx_platform {
namespace {

// The URL with the value of every api_key parameter shown as ***, up to the
// next '&' or '#', as studyhost writes a URL into its log.
std::string url_without_key(std::string_view url) {
  constexpr std::string_view kKey = "api_key=";
  std::string shown;
  std::size_t from = 0;
  for (std::size_t at = url.find(kKey); at != std::string_view::npos; at = url.find(kKey, from)) {
    const std::size_t value = at + kKey.size();
    shown.append(url.substr(from, value - from));
    shown.append("***");
    from = url.find_first_of("&#", value);
    if (from == std::string_view::npos) from = url.size();
  }
  shown.append(url.substr(from));
  return shown;
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
    if (sc.HTTPResponse.GetChars()[0] == '\0') {
      failed_ = true;
      failure_text_ = std::string(kFailedTransferResponsePrefix) + kEmptyBodyReason;
      const std::string line =
          std::string(kFailedTransferLogPrefix) + url_without_key(url_) + ": " + kEmptyBodyReason;
      sc.AddMessageToLog(line.c_str(), 0);
    }
  }
  return failed_ ? failure_text_.c_str() : sc.HTTPResponse.GetChars();
}

}  // namespace qlx_platform
