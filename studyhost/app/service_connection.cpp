#include "studyhost/app/service_connection.h"

#include <filesystem>
#include <stdexcept>

#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"

namespace studyhost::app {
namespace {

bool is_http_url(const std::string& text) {
  return text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
}

}  // namespace

ServiceConnection::ServiceConnection() = default;

ServiceConnection::~ServiceConnection() {
  // The transport goes first: a fetch still running against the mock ends
  // before the mock does.
  transport_.reset();
  mock_.reset();
}

bool ServiceConnection::open(const std::string& service, const std::string& api_key,
                             std::string& error) {
  CurlTransportOptions options;
  if (service.empty()) {
    description_ = "the level data service";
  } else if (is_http_url(service)) {
    if (const std::string problem = check_service_base(service); !problem.empty()) {
      error = "--service " + service + ": " + problem;
      return false;
    }
    options.service_base = service;
    description_ = service;
  } else {
    std::error_code ec;
    if (!std::filesystem::is_directory(service, ec)) {
      error = "--service " + service + ": neither an http(s) URL nor a folder of responses";
      return false;
    }
    mock_ = std::make_unique<MockLevelService>();
    // The study's requests are in the dump and the trace; the mock's own
    // request lines would only repeat them.
    mock_->set_log([](const std::string&) {});
    std::optional<std::string> key;
    if (!api_key.empty()) key = api_key;
    if (!mock_->start(service, 0, key, &error)) {
      mock_.reset();
      return false;
    }
    options.service_base = "http://127.0.0.1:" + std::to_string(mock_->port());
    description_ =
        "mock service on 127.0.0.1:" + std::to_string(mock_->port()) + " serving " + service;
  }
  try {
    transport_ = std::make_unique<CurlTransport>(std::move(options));
  } catch (const std::invalid_argument& e) {
    error = "--service " + service + ": " + e.what();
    return false;
  }
  return true;
}

Transport& ServiceConnection::transport() {
  if (!transport_) throw std::logic_error("service connection not open");
  return *transport_;
}

}  // namespace studyhost::app
