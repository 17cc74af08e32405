// The soak session, as its child process runs it: set-up, the replay of the
// bars with the user's actions and the network's whims, healing, and the
// comparison with clean sessions. Every check names the step it failed at.
// soak_run.cpp holds the set-up and the end, soak_run_replay.cpp the replay
// and soak_run_checks.cpp the checks; soak_run_session.h is what they share.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "studyhost/process/child_process.h"
#include "studyhost/runtime/call_observer.h"
#include "studyhost/soak/soak.h"

namespace studyhost::soak {

class SoakRun {
 public:
  // `progress` (may be null) is told of every step, for the watchdog.
  SoakRun(const SoakOptions& options, process::ChildProgress* progress);
  ~SoakRun();
  SoakRun(const SoakRun&) = delete;
  SoakRun& operator=(const SoakRun&) = delete;

  SoakReport run();

 private:
  struct Session;
  struct Soaked;
  using Rng = std::mt19937_64;

  bool set_up();
  void begin_step(const std::string& what);
  void fail(const std::string& kind, const std::string& detail);
  Soaked* soaked_by_id(std::int32_t id);
  void observe(const HostCall& call);
  void full_recalculation();
  void replay(Rng& rng);
  void user_action(Rng& rng);
  void after_step(Rng& rng);
  void network(Rng& rng);
  void check_log();
  void check_held();
  void check_memory();
  std::size_t memory_now(bool& heap) const;
  void heal_and_compare();

  const SoakOptions& options_;
  process::ChildProgress* progress_;
  std::unique_ptr<Session> s_;
};

}  // namespace studyhost::soak
