// A stand-in for the level data service on 127.0.0.1, answering from files:
//
//   GET /wp-json/fernhollow/v1/getcsv?assetClass=A&symbol=S&timeframe=T&api_key=K
//     -> DIR/A/S_T.json                                 200
//     key configured and K differs                      401 {"message":"Invalid API key"}
//     no such file                                      404 {"message":"No data"}
//     a parameter missing or empty, T not D W M Q Y,
//     A or S holding "/", "\", "..", NUL or a control   400 {"message":"Bad request"}
//
// Every answer is JSON. Each request gives one log line: method, path and
// query with the api_key value shown as ***, and the status.
//
// With a fault plan (fault_plan.h) the service misbehaves on
// purpose: some answers become the plan's faults, and the log line names the
// fault after the status. Every fault ends by itself: a slow body a little
// after the clients' time-out, a delayed answer well before it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "studyhost/mock_service/fault_plan.h"

namespace studyhost {

// The only address the service listens on: it is for this machine's clients.
inline constexpr char kMockServiceHost[] = "127.0.0.1";

struct MockServiceOptions {
  std::string dir;                     // the folder of <assetClass>/<symbol>_<timeframe>.json
  int port = 0;                        // 0 picks a free port
  std::optional<std::string> api_key;  // when set, the only key accepted
  FaultPlan faults;                    // none unless given
};

// What the service has answered so far.
struct ServiceCounts {
  std::uint64_t requests = 0;
  std::array<std::uint64_t, kServiceFaultKinds> faults{};  // by ServiceFault
  std::uint64_t total_faults() const;
};

class MockLevelService {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  MockLevelService();
  ~MockLevelService();  // stops
  MockLevelService(const MockLevelService&) = delete;
  MockLevelService& operator=(const MockLevelService&) = delete;

  // Receives the log lines; may be called from the service's threads, one
  // line at a time. Set before start().
  void set_log(LogSink sink);

  // Serves `dir` on 127.0.0.1:`port` (0 picks a free port). With `api_key`
  // set, only that key is accepted. False, with *error set to one line, when
  // the folder is missing, the port is taken or the service already runs.
  bool start(const std::string& dir, int port, std::optional<std::string> api_key,
             std::string* error);
  bool start(const MockServiceOptions& options, std::string* error);
  // Replaces the fault plan from the next request on; FaultPlan{} heals the
  // service. Requests counted for each target so far keep their count.
  void set_faults(const FaultPlan& faults);
  ServiceCounts counts() const;
  // The port served; 0 when not running.
  int port() const;
  bool running() const;
  // Ends the service and waits for its threads; nothing when not running.
  void stop();

 private:
  struct State;
  void wait_for_listener() const;
  std::unique_ptr<State> state_;
};

// The query of a request target ("path?query") as it may be logged: the value
// of every api_key parameter (however its name is percent-encoded) shown as
// ***, and bytes outside printable ASCII as %XX.
std::string loggable_target(const std::string& target);

}  // namespace studyhost
