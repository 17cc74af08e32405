// The transport that fetches for real, with libcurl. A fetch blocks (the host
// already runs it on a worker thread), applies the connect and total time-outs
// and the body cap, verifies TLS peers and follows redirects only to http(s).
//
// Any response the server completes is a success, whatever its HTTP status: the
// level data service answers a bad key or an unknown symbol with a 4xx status
// and a JSON "message" the study must still read. Only a transfer that did not
// complete (no connection, time-out, cut body, body past the cap, cancelled)
// is a failure.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/transport.h"

namespace studyhost {

struct CurlTransportOptions {
  std::chrono::milliseconds connect_timeout{kConnectTimeout};
  std::chrono::milliseconds total_timeout{kTotalTimeout};
  std::size_t max_body_bytes = kMaxResponseBytes;
  // When not empty, "scheme://host[:port][/path]" that replaces the scheme and
  // host (with any port and user part) of every URL fetched, so a study's
  // request for the level data service reaches another server, such as the
  // mock on 127.0.0.1. The URL's own path and query follow the base's path.
  std::string service_base;
};

// Why `base` cannot serve as a service base; empty when it can.
std::string check_service_base(const std::string& base);

// `url` with its scheme and host replaced by `base` (as above); a URL without
// "scheme://" comes back unchanged.
std::string rewrite_service_url(const std::string& url, const std::string& base);

// The failure text for a body past `max_body_bytes`: "response larger than
// 64 MiB" for the host's cap.
std::string body_cap_error(std::size_t max_body_bytes);

class CurlTransport : public Transport {
 public:
  CurlTransport();
  // Throws std::invalid_argument when options.service_base is not usable.
  explicit CurlTransport(CurlTransportOptions options);

  const CurlTransportOptions& options() const { return options_; }

  HttpResult fetch(const std::string& url) override;
  // Ends the fetches running now (each within about a second); later fetches
  // run normally.
  void cancel() override;

 private:
  CurlTransportOptions options_;
  std::atomic<unsigned> cancel_generation_{0};
};

}  // namespace studyhost
