#include "studyhost/net/curl_transport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "host/text_case.h"
#include "studyhost/runtime/redact.h"

namespace studyhost {

namespace {

constexpr long kMaxRedirects = 5;
constexpr const char* kWebProtocols = "http,https";
constexpr const char* kUserAgent = "studyhost/1.0";

// libcurl's global state is set up once per process, before the first
// transfer, and never torn down: transfers may run on any worker thread.
CURLcode global_init_result() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  return result;
}

bool scheme_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '-' || c == '.';
}

// Where the authority ("user@host:port") of a URL starts and ends; npos for a
// text that does not start with "scheme://".
struct Authority {
  std::size_t begin = std::string::npos;
  std::size_t end = std::string::npos;
};

Authority find_authority(std::string_view url) {
  const std::size_t sep = url.find("://");
  if (sep == std::string_view::npos || sep == 0) return {};
  for (std::size_t i = 0; i < sep; ++i) {
    if (!scheme_char(url[i])) return {};
  }
  Authority a;
  a.begin = sep + 3;
  a.end = url.find_first_of("/?#", a.begin);
  if (a.end == std::string_view::npos) a.end = url.size();
  return a;
}

// The host name of a URL (no user part, no port, no brackets), lower case.
std::string host_of(std::string_view url) {
  const Authority a = find_authority(url);
  if (a.begin == std::string::npos) return {};
  std::string_view auth = url.substr(a.begin, a.end - a.begin);
  const std::size_t at = auth.rfind('@');
  if (at != std::string_view::npos) auth.remove_prefix(at + 1);
  std::string_view name;
  if (!auth.empty() && auth.front() == '[') {
    const std::size_t close = auth.find(']');
    name = auth.substr(1, close == std::string_view::npos ? auth.npos : close - 1);
  } else {
    name = auth.substr(0, auth.find(':'));
  }
  std::string out;
  for (const char c : name) out.push_back(host::lower_ascii(c));
  return out;
}

// A proxy from the environment must not stand between us and a server on
// this machine (the mock service, a test's server).
bool loopback_host(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

struct BodySink {
  std::string body;
  std::size_t cap = 0;
  bool over_cap = false;
};

std::size_t write_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<BodySink*>(user);
  const std::size_t n = size * count;
  if (n > sink->cap - sink->body.size()) {
    sink->over_cap = true;
    return 0;  // anything but n ends the transfer with a write error
  }
  try {
    sink->body.append(data, n);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return n;
}

struct CancelWatch {
  const std::atomic<unsigned>* generation = nullptr;
  unsigned started = 0;
  bool cancelled = false;
};

int watch_cancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* watch = static_cast<CancelWatch*>(user);
  if (watch->generation->load() != watch->started) {
    watch->cancelled = true;
    return 1;
  }
  return 0;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

long milliseconds(std::chrono::milliseconds d) {
  return d.count() > 0 ? static_cast<long>(d.count()) : 0L;
}

HttpResult failure(std::string error) {
  HttpResult r;
  r.ok = false;
  r.error = redact_text(error);
  return r;
}

}  // namespace

std::string check_service_base(const std::string& base) {
  if (!host::starts_with_ignoring_case(base, "http://") &&
      !host::starts_with_ignoring_case(base, "https://")) {
    return "service URL must start with http:// or https://";
  }
  for (const char c : base) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F)
      return "service URL must not hold spaces or control characters";
  }
  if (base.find_first_of("?#") != std::string::npos) {
    return "service URL must not hold a query or a fragment";
  }
  const Authority a = find_authority(base);
  if (a.begin == std::string::npos || a.end == a.begin) return "service URL has no host";
  const std::string_view auth = std::string_view(base).substr(a.begin, a.end - a.begin);
  if (auth.find('@') != std::string_view::npos) return "service URL must not hold a user name";
  if (host_of(base).empty()) return "service URL has no host";
  return {};
}

std::string rewrite_service_url(const std::string& url, const std::string& base) {
  const Authority a = find_authority(url);
  if (a.begin == std::string::npos) return url;
  std::string out = base;
  while (!out.empty() && out.back() == '/') out.pop_back();
  if (a.end == url.size() || url[a.end] != '/') out.push_back('/');
  out.append(url, a.end, std::string::npos);
  return out;
}

std::string body_cap_error(std::size_t max_body_bytes) {
  constexpr std::size_t kMiB = 1024u * 1024u;
  if (max_body_bytes >= kMiB && max_body_bytes % kMiB == 0) {
    return "response larger than " + std::to_string(max_body_bytes / kMiB) + " MiB";
  }
  return "response larger than " + std::to_string(max_body_bytes) + " bytes";
}

CurlTransport::CurlTransport() : CurlTransport(CurlTransportOptions{}) {}

CurlTransport::CurlTransport(CurlTransportOptions options) : options_(std::move(options)) {
  if (!options_.service_base.empty()) {
    const std::string error = check_service_base(options_.service_base);
    if (!error.empty()) throw std::invalid_argument(error);
  }
}

void CurlTransport::cancel() {
  cancel_generation_.fetch_add(1);
}

HttpResult CurlTransport::fetch(const std::string& url) {
  CancelWatch watch{&cancel_generation_, cancel_generation_.load(), false};
  if (global_init_result() != CURLE_OK) return failure("libcurl could not be initialised");
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return failure("cannot start a transfer");
  CURL* h = easy.get();

  const std::string target =
      options_.service_base.empty() ? url : rewrite_service_url(url, options_.service_base);
  BodySink sink;
  sink.cap = options_.max_body_bytes;
  char detail[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(h, CURLOPT_URL, target.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, detail);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(options_.connect_timeout));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, milliseconds(options_.total_timeout));
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kWebProtocols);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
#else
  curl_easy_setopt(h, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  // A Content-Length past the cap ends the transfer before any body is read;
  // the write callback catches bodies without one.
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(sink.cap));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, write_body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, watch_cancel);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &watch);
  if (loopback_host(host_of(target))) curl_easy_setopt(h, CURLOPT_PROXY, "");

  const CURLcode code = curl_easy_perform(h);
  if (code == CURLE_OK) {
    HttpResult r;
    r.ok = true;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &r.status);
    r.body = std::move(sink.body);
    return r;
  }
  if (sink.over_cap || code == CURLE_FILESIZE_EXCEEDED) return failure(body_cap_error(sink.cap));
  if (watch.cancelled) return failure("transfer cancelled");
  if (code == CURLE_WRITE_ERROR) return failure("out of memory for the response");
  return failure(detail[0] != '\0' ? std::string(detail) : std::string(curl_easy_strerror(code)));
}

}  // namespace studyhost
