// How the host fetches a URL. Transfers run on a worker thread; a transport
// applies the time-outs and the body cap of host_constants.h.
#pragma once

#include <string>

namespace studyhost {

struct HttpResult {
  bool ok = false;    // the transfer completed (any HTTP status)
  long status = 0;    // HTTP status when ok
  std::string body;   // the response body when ok
  std::string error;  // why it failed when not ok
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Called on a worker thread; must not throw (a throw counts as a failure).
  virtual HttpResult fetch(const std::string& url) = 0;
  // Asks fetches still running to end soon; called when the host shuts down.
  virtual void cancel() {}
};

}  // namespace studyhost
