// The transport of a validation run: every request gets the response the
// test chose last, nothing leaves the process, and nothing piles up however
// many requests a study makes.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "studyhost/runtime/transfer_gate.h"
#include "studyhost/runtime/transport.h"

namespace studyhost::validate {

class TestTransport : public Transport {
 public:
  // What every later fetch answers: a body, or a failed transfer.
  void answer(std::string body);
  void fail(std::string error);
  // Only the next fetch answers `body`; later ones answer as before.
  void answer_once(std::string body);
  // Every later fetch answers a service message that repeats the api_key
  // value of the request's URL, as a service refusing a key might.
  void answer_echoing_key();

  // While held, fetches wait until release() or cancel().
  void hold() { gate_.hold(); }
  void release() { gate_.release(); }

  std::size_t fetches() const;

  HttpResult fetch(const std::string& url) override;
  void cancel() override { gate_.cancel(); }

 private:
  TransferGate gate_;
  mutable std::mutex mutex_;
  HttpResult result_{false, 0, {}, "no response chosen"};
  HttpResult once_;
  bool has_once_ = false;
  bool echo_key_ = false;
  std::size_t fetches_ = 0;
};

}  // namespace studyhost::validate
