// How the mock level data service misbehaves on purpose: which fault each
// request gets, and what each fault kind makes of the answer the service
// would have given. Only the service's own files include this; the plan
// itself and its fault list are in fault_plan.h.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "studyhost/mock_service/fault_plan.h"
#include "studyhost/mock_service/mock_level_service.h"

namespace studyhost::mock_service {

// With the charset named the server sends bodies uncompressed: it compresses
// only the bare type, and for a client that accepts brotli that took about
// 50 ms a response, far more than it saves on 127.0.0.1.
inline constexpr const char* kJson = "application/json; charset=utf-8";
// Names the fault an answer carries, for a person reading the exchange; it
// also tells the error handler that a body yet to come is on its way.
inline constexpr const char* kFaultHeader = "X-Level-Service-Fault";

// What the service answers a request when it behaves.
struct Answer {
  int status;
  std::string body;
};

// The fault plan in force and what the service has answered under it, shared
// by the service's threads.
class FaultDealer {
 public:
  // From the next request on; the counts of requests by target stay.
  void set_plan(const FaultPlan& plan);
  ServiceCounts counts() const;
  // Counts the request and gives its fault, with the plan it came from and
  // how many requests for `target` came before it.
  ServiceFault next(const std::string& target, FaultPlan& plan, std::uint64_t& nth);

 private:
  mutable std::mutex mutex_;
  FaultPlan plan_;
  std::unordered_map<std::string, std::uint64_t> seen_;  // requests so far, by target
  ServiceCounts counts_;
};

// Slow and delayed answers wait here, so stopping the service need not wait
// them out.
class FaultWaits {
 public:
  // The service starts: waits take their whole time again.
  void restart();
  // The service stops: every wait ends now, and later ones at once.
  void stop();
  // Waits `time`, or less when the service stops; false when it stopped.
  bool pause(std::chrono::milliseconds time);

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

// The status an answer of `status` goes out with under `fault`.
int fault_status(ServiceFault fault, int status);

// Sends `a` in `res` as `fault` makes it (ServiceFault::kNone: as it is).
// `plan` and `nth` are what FaultDealer::next gave for the request; slow and
// delayed answers wait in `waits`, which must outlive the response.
void answer_with_fault(const httplib::Request& req, httplib::Response& res, Answer a,
                       ServiceFault fault, const FaultPlan& plan, std::uint64_t nth,
                       FaultWaits& waits);

}  // namespace studyhost::mock_service
