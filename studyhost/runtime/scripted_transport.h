// An in-memory transport for tests: answers by URL prefix, records every URL,
// and can hold responses until the test releases them.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "studyhost/runtime/transfer_gate.h"
#include "studyhost/runtime/transport.h"

namespace studyhost {

class ScriptedTransport : public Transport {
 public:
  // The longest matching prefix answers; a URL nothing matches fails with
  // "no scripted response".
  void respond(const std::string& url_prefix, std::string body, long status = 200);
  void fail(const std::string& url_prefix, std::string error);

  // While held, fetches wait until release(). cancel() ends held fetches as
  // failures, including ones that arrive later, until hold() is called again.
  void hold() { gate_.hold(); }
  void release() { gate_.release(); }

  // Every URL fetched, in order.
  std::vector<std::string> requests() const;
  // Fetches that have started and not yet returned.
  int waiting() const;

  HttpResult fetch(const std::string& url) override;
  void cancel() override { gate_.cancel(); }

 private:
  struct Script {
    std::string prefix;
    HttpResult result;
  };
  TransferGate gate_;
  mutable std::mutex mutex_;
  std::vector<Script> scripts_;
  std::vector<std::string> requests_;
  int waiting_ = 0;
};

}  // namespace studyhost
