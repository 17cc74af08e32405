// `studyhost soak`: a long live session against a level data service that
// misbehaves on purpose. K instances of each study library share one chart;
// its bars arrive one at a time, each built up by updates of the last bar,
// while a user switches the Symbol back and forth, changes the Time Frame,
// flips menu entries and switches, and turns the price map's per-period mode
// on and off, each a full recalculation or a redraw. The service answers
// with faults throughout; at the end it heals and one last full
// recalculation runs.
//
// What must hold is checked as the session goes, and each breach is a
// failure that names the step it happened at: no crash and no hang (the
// session runs in a child process with a watchdog on every step), no request
// that never ends, memory flat beyond what the growing chart itself needs,
// drawings, menu entries and host strings no more than a clean session
// holds, at most one message-log line per request from the study and one
// per failed transfer from the host, the API key (as typed and as sent)
// nowhere in any output, and at the end every instance identical to a clean
// session on the same bars and inputs.
//
// One seed fixes everything: the bars' updates, the user's actions, when the
// network delivers and which faults each request meets.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "studyhost/mock_service/fault_plan.h"

namespace studyhost::soak {

struct SoakOptions {
  std::vector<std::string> libraries;  // empty: both studies built with this command
  std::string bars;                    // bars CSV; empty: the bundled sample bars
  std::string service;                 // folder of responses; empty: the bundled ones
  std::uint64_t seed = 0;
  bool seed_given = false;       // false: a fresh seed, printed with the report
  int instances = 2;             // of each library
  std::size_t max_bars = 0;      // use only the first N bars of the file (0: all)
  std::size_t start_bars = 100;  // the chart holds these when the session starts
  std::string faults = "all";    // a fault list
  // The transport's connect and total time-out; a slow body outlasts it.
  std::chrono::milliseconds transfer_timeout{500};
  std::size_t action_every = 40;  // steps between user actions, on average
  int max_updates = 3;            // updates of the last bar per new bar, at most
  // A step still running after this long is a hang (four times as long in a
  // sanitizer build).
  std::chrono::seconds step_watchdog{60};
  std::vector<std::string> symbols = {"ES",
                                      "NQ"};  // the first is where the session starts and ends
  std::string asset_class = "Futures";
  bool json = false;
  bool in_process = false;  // no child process, for a debugger
};

// One instance at the end, beside a clean session on the same bars and inputs.
struct InstanceOutcome {
  std::string study;
  std::int32_t instance = 0;
  bool identical = false;
  std::string difference;  // the first one, when not identical
  std::size_t drawings = 0;
  std::size_t requests = 0;
  std::size_t study_log_lines = 0;
  std::size_t host_log_lines = 0;
};

struct MemoryFigures {
  std::size_t warm_resident = 0;   // after the warm-up
  std::size_t final_resident = 0;  // after the last recalculation
  std::size_t peak_resident = 0;   // the most the process held
  std::size_t warm_heap = 0;
  std::size_t final_heap = 0;
  // What the chart's own data (bars, values per bar, drawings) and the host's
  // records (message log, requested URLs) added since the warm-up: growth
  // they explain is not a leak.
  std::size_t chart_growth = 0;
  // The most the process grew beyond that at any sample.
  std::int64_t unexplained_growth = 0;
  bool measured_heap = false;  // heap bytes stand in for the resident size (sanitizer builds)
};

struct SoakReport {
  std::vector<std::string> libraries;
  std::uint64_t seed = 0;
  std::string faults;
  int instances = 0;
  std::size_t bars = 0;        // on the chart at the end
  std::size_t start_bars = 0;  // at the start
  std::size_t steps = 0;
  std::size_t new_bars = 0;
  std::size_t bar_updates = 0;
  std::map<std::string, std::size_t> user_actions;  // by kind
  std::size_t full_recalculations = 0;              // of the whole chart
  std::size_t requests = 0;                         // the studies' accepted requests
  std::size_t service_requests = 0;                 // what reached the service
  std::array<std::uint64_t, kServiceFaultKinds> faults_by_kind{};
  std::size_t failed_transfers = 0;
  std::size_t study_log_lines = 0;
  std::size_t host_log_lines = 0;
  MemoryFigures memory;
  double wall_seconds = 0;
  bool compared = false;  // the end was reached and compared
  std::vector<InstanceOutcome> outcomes;
  std::vector<std::string> failures;  // "step N (what): failure"
  std::vector<std::string> notes;
  bool passed() const { return failures.empty() && compared; }
  std::uint64_t total_faults() const;
};

// The API key instance `n` (from 0, over every library) types: long enough to
// be watched for, and with characters that percent-encoding changes, so the
// key as typed and as sent differ.
std::string soak_key(std::size_t n);

// Runs the session (in a child process unless options.in_process) and
// returns what it found; never throws for what a study does.
SoakReport run_soak(const SoakOptions& options);

void print_text(const SoakReport& report, std::ostream& out);
void print_json(const SoakReport& report, std::ostream& out);

// The subcommand: checks the options, soaks, prints the report to `out` and
// returns 0 only when everything held. A bad option is one line on `err`.
int soak_command(SoakOptions options, std::ostream& out, std::ostream& err);

}  // namespace studyhost::soak
