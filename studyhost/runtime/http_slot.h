// One study instance's HTTP request: at most one transfer in flight, run on a
// worker thread, its result published only when the host says so.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "studyhost/runtime/transport.h"

namespace studyhost {

class HttpSlot {
 public:
  explicit HttpSlot(Transport& transport);
  ~HttpSlot();  // waits for a transfer still running
  HttpSlot(const HttpSlot&) = delete;
  HttpSlot& operator=(const HttpSlot&) = delete;

  // Refused (false) while a transfer is in flight or unpublished, or when the
  // URL is not http(s) or holds spaces or control characters. Accepted: the
  // response text is emptied and the transfer starts.
  bool request(const std::string& url);

  // A transfer was accepted and its result not yet published.
  bool pending() const;
  // The URL of that transfer, as the study gave it; empty when none is.
  std::string pending_url() const;
  // The transfer has ended and waits to be published.
  bool completed() const;
  // Waits until the transfer ends or the deadline passes; true when ended.
  bool wait_until(std::chrono::steady_clock::time_point deadline) const;

  // Publishes an ended transfer: the body becomes the response text; a failure
  // publishes a short error text and appends one line (API key redacted) to
  // `log`. True when something was published.
  bool publish(std::vector<std::string>& log);

  // The response text the study sees: empty from acceptance until published.
  const std::string& response() const { return response_; }
  // Every accepted URL, in order.
  const std::vector<std::string>& requests() const { return requests_; }

  // Gives up a running transfer's thread (to be joined by whoever outlives the
  // transport's answer); used when the study goes before its download ends.
  std::thread detach_transfer();

 private:
  struct Transfer;
  Transport& transport_;
  std::shared_ptr<Transfer> transfer_;
  std::thread worker_;
  std::string response_;
  std::vector<std::string> requests_;
};

}  // namespace studyhost
