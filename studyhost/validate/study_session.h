// One chart with a study on it, as every validation test sets it up: the
// host, a transport that answers from memory, and the invariant checker
// watching every call.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "studyhost/runtime/chart.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/validate/input_values.h"
#include "studyhost/validate/invariants.h"
#include "studyhost/validate/test_transport.h"

namespace studyhost::validate {

// The API key every test gives the studies; it must never be shown.
inline constexpr const char* kTestKey = "QLXvalidateKEY7f3a";

// How long a test waits for the transfers of one update; answers come from
// memory, so only a study that keeps requesting comes near it.
inline constexpr std::chrono::seconds kDownloadWait{45};

class StudySession {
 public:
  explicit StudySession(std::vector<Bar> bars);
  ~StudySession();
  StudySession(const StudySession&) = delete;
  StudySession& operator=(const StudySession&) = delete;

  // Adds an instance (its defaults call) and notes its declared inputs.
  StudyInstance& add(const StudyLibrary& library);
  // Text inputs get a symbol and the test's key.
  void give_plausible_inputs(StudyInstance& study);
  // The texts of the study's key inputs now are what must never be shown.
  void watch_keys(StudyInstance& study);

  // Publishes every transfer and runs the updates that follow, as long as
  // the studies keep requesting; a time-out is a failure.
  void settle(const std::string& step);

  // The menu entries of `study` that can be chosen.
  std::vector<MenuEntry> entries_of(const StudyInstance& study) const;

  TestTransport transport;
  Host host;
  InvariantChecker checker;
  std::vector<DeclaredInput> inputs;  // of the study added last
};

}  // namespace studyhost::validate
