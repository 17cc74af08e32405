// Runs work in a child process: a crash, an abort or a hang there is
// reported as that work's failure, and the caller goes on.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace studyhost::process {

// What a child tells its parent while it works, through memory they share:
// a step count that moves on with each step, and what the step is. The
// watchdog measures from the last move, so long work that keeps moving is
// not a hang.
struct ChildProgress {
  std::atomic<std::uint64_t> step{0};
  char what[240] = {};
  // Names the step and moves the count on.
  void report(std::uint64_t number, std::string_view description);
};

struct ChildOutcome {
  bool have_payload = false;
  std::string payload;  // what the work returned
  bool hung = false;    // the watchdog stopped it
  // The step it reported last, and what that step was: where it hung or died.
  std::uint64_t last_step = 0;
  std::string last_what;
  int signal = 0;        // the signal it died on, or 0
  int exit_status = -1;  // its exit status when it exited
  std::string errors;    // the end of what it wrote to its output and error streams
};

// Forks and runs `work` in the child, its output and error streams going to
// the parent; the text it returns comes back as the payload. A child whose
// progress has not moved for `watchdog` is killed.
ChildOutcome run_child(const std::function<std::string(ChildProgress&)>& work,
                       std::chrono::milliseconds watchdog);

// The last lines of a child's error stream that say something, a sanitizer's
// ERROR and SUMMARY lines first.
std::vector<std::string> last_lines(const std::string& text);

// A name for a signal: its number and what it means.
std::string signal_name(int signal);

}  // namespace studyhost::process
