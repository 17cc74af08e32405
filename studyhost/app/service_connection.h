// Where a run's HTTP requests go: the real level data service, another base
// URL, or a folder of responses served on loopback by the built-in mock.
#pragma once

#include <memory>
#include <string>

#include "studyhost/runtime/transport.h"

namespace studyhost {
class CurlTransport;
class MockLevelService;
}  // namespace studyhost

namespace studyhost::app {

class ServiceConnection {
 public:
  ServiceConnection();
  ~ServiceConnection();
  ServiceConnection(const ServiceConnection&) = delete;
  ServiceConnection& operator=(const ServiceConnection&) = delete;

  // `service`: empty for the real service; an http(s) base URL that replaces
  // the scheme and host of every request; or a folder whose responses the
  // mock serves on an ephemeral loopback port (checking `api_key` when it is
  // not empty). False with one line in `error` when it cannot.
  bool open(const std::string& service, const std::string& api_key, std::string& error);

  // Valid after a successful open, until this connection goes.
  Transport& transport();
  // Where requests go, for a person ("https://…", "mock service on …").
  const std::string& description() const { return description_; }

 private:
  std::unique_ptr<MockLevelService> mock_;
  std::unique_ptr<CurlTransport> transport_;
  std::string description_;
};

}  // namespace studyhost::app
