// The soak as a command: defaults, the child process and its watchdog, what
// the parent checks of the child's output, and the report.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <sstream>

#include <nlohmann/json.hpp>

#include "studyhost/process/child_process.h"
#include "studyhost/process/heap_usage.h"
#include "studyhost/soak/soak.h"
#include "studyhost/soak/soak_checks.h"
#include "studyhost/soak/soak_run.h"

namespace studyhost::soak {
namespace {

using json = nlohmann::ordered_json;

// Sanitizers slow every step down several times; the watchdog allows for it.
constexpr int kSanitizerSlowdown = 4;
constexpr int kLargestInstanceCount = 16;

std::uint64_t fresh_seed() {
  std::random_device device;
  const std::uint64_t now =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  // Small enough to type back in with --seed.
  return ((static_cast<std::uint64_t>(device()) << 32) ^ device() ^ now) % 1000000000ull;
}

std::string with_commas(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

std::string mib(std::size_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

std::string signed_mib(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

json to_json(const SoakReport& r) {
  json j;
  j["passed"] = r.passed();
  j["libraries"] = r.libraries;
  j["seed"] = r.seed;
  j["faults"] = r.faults;
  j["instances"] = r.instances;
  j["bars"] = r.bars;
  j["start_bars"] = r.start_bars;
  j["steps"] = r.steps;
  j["new_bars"] = r.new_bars;
  j["bar_updates"] = r.bar_updates;
  j["user_actions"] = r.user_actions;
  j["full_recalculations"] = r.full_recalculations;
  j["requests"] = r.requests;
  j["service_requests"] = r.service_requests;
  json faults = json::object();
  for (std::size_t i = 0; i < kServiceFaultKinds; ++i) {
    faults[fault_name(static_cast<ServiceFault>(i))] = r.faults_by_kind[i];
  }
  j["faults_by_kind"] = faults;
  j["total_faults"] = r.total_faults();
  j["failed_transfers"] = r.failed_transfers;
  j["study_log_lines"] = r.study_log_lines;
  j["host_log_lines"] = r.host_log_lines;
  const MemoryFigures& m = r.memory;
  j["memory"] = {{"warm_resident", m.warm_resident},
                 {"final_resident", m.final_resident},
                 {"peak_resident", m.peak_resident},
                 {"warm_heap", m.warm_heap},
                 {"final_heap", m.final_heap},
                 {"chart_growth", m.chart_growth},
                 {"unexplained_growth", m.unexplained_growth},
                 {"measured_heap", m.measured_heap}};
  j["wall_seconds"] = r.wall_seconds;
  j["compared"] = r.compared;
  json outcomes = json::array();
  for (const InstanceOutcome& o : r.outcomes) {
    outcomes.push_back({{"study", o.study},
                        {"instance", o.instance},
                        {"identical", o.identical},
                        {"difference", o.difference},
                        {"drawings", o.drawings},
                        {"requests", o.requests},
                        {"study_log_lines", o.study_log_lines},
                        {"host_log_lines", o.host_log_lines}});
  }
  j["instances_at_end"] = outcomes;
  j["failures"] = r.failures;
  j["notes"] = r.notes;
  return j;
}

bool from_json(const std::string& text, SoakReport& r) {
  try {
    const json j = json::parse(text);
    r.libraries = j.at("libraries").get<std::vector<std::string>>();
    r.seed = j.at("seed").get<std::uint64_t>();
    r.faults = j.at("faults").get<std::string>();
    r.instances = j.at("instances").get<int>();
    r.bars = j.at("bars").get<std::size_t>();
    r.start_bars = j.at("start_bars").get<std::size_t>();
    r.steps = j.at("steps").get<std::size_t>();
    r.new_bars = j.at("new_bars").get<std::size_t>();
    r.bar_updates = j.at("bar_updates").get<std::size_t>();
    r.user_actions = j.at("user_actions").get<std::map<std::string, std::size_t>>();
    r.full_recalculations = j.at("full_recalculations").get<std::size_t>();
    r.requests = j.at("requests").get<std::size_t>();
    r.service_requests = j.at("service_requests").get<std::size_t>();
    for (std::size_t i = 0; i < kServiceFaultKinds; ++i) {
      r.faults_by_kind[i] =
          j.at("faults_by_kind").at(fault_name(static_cast<ServiceFault>(i))).get<std::uint64_t>();
    }
    r.failed_transfers = j.at("failed_transfers").get<std::size_t>();
    r.study_log_lines = j.at("study_log_lines").get<std::size_t>();
    r.host_log_lines = j.at("host_log_lines").get<std::size_t>();
    const json& m = j.at("memory");
    r.memory.warm_resident = m.at("warm_resident").get<std::size_t>();
    r.memory.final_resident = m.at("final_resident").get<std::size_t>();
    r.memory.peak_resident = m.at("peak_resident").get<std::size_t>();
    r.memory.warm_heap = m.at("warm_heap").get<std::size_t>();
    r.memory.final_heap = m.at("final_heap").get<std::size_t>();
    r.memory.chart_growth = m.at("chart_growth").get<std::size_t>();
    r.memory.unexplained_growth = m.at("unexplained_growth").get<std::int64_t>();
    r.memory.measured_heap = m.at("measured_heap").get<bool>();
    r.wall_seconds = j.at("wall_seconds").get<double>();
    r.compared = j.at("compared").get<bool>();
    for (const json& o : j.at("instances_at_end")) {
      InstanceOutcome outcome;
      outcome.study = o.at("study").get<std::string>();
      outcome.instance = o.at("instance").get<std::int32_t>();
      outcome.identical = o.at("identical").get<bool>();
      outcome.difference = o.at("difference").get<std::string>();
      outcome.drawings = o.at("drawings").get<std::size_t>();
      outcome.requests = o.at("requests").get<std::size_t>();
      outcome.study_log_lines = o.at("study_log_lines").get<std::size_t>();
      outcome.host_log_lines = o.at("host_log_lines").get<std::size_t>();
      r.outcomes.push_back(std::move(outcome));
    }
    r.failures = j.at("failures").get<std::vector<std::string>>();
    r.notes = j.at("notes").get<std::vector<std::string>>();
    return true;
  } catch (const json::exception&) {
    return false;
  }
}

// Where the child stopped, for a failure line.
std::string at_step(const process::ChildOutcome& outcome) {
  return "step " + std::to_string(outcome.last_step) + " (" +
         (outcome.last_what.empty() ? std::string("before the first step") : outcome.last_what) +
         ")";
}

// Checks the session's own output streams and fills in what a child that
// did not finish could not tell.
void judge_child(const process::ChildOutcome& outcome, std::chrono::seconds watchdog,
                 const SoakOptions& options, SoakReport& report) {
  const bool have_report = outcome.have_payload && from_json(outcome.payload, report);
  if (!have_report) {
    report.libraries = options.libraries;
    report.seed = options.seed;
    report.instances = options.instances;
    report.faults = options.faults;
    report.steps = outcome.last_step;
  }
  if (outcome.hung) {
    report.failures.push_back(at_step(outcome) + ": hang: no progress for " +
                              std::to_string(watchdog.count()) + " s");
  } else if (outcome.signal != 0) {
    report.failures.push_back(at_step(outcome) + ": crash: the session's process died on signal " +
                              process::signal_name(outcome.signal));
  } else if (!have_report && outcome.exit_status != 0) {
    // A sanitizer ends the process with a status of its own on a fault.
    report.failures.push_back(at_step(outcome) +
                              ": crash: the session's process ended with exit status " +
                              std::to_string(outcome.exit_status) + " and no report");
  } else if (!have_report) {
    report.failures.push_back(at_step(outcome) + ": the session's process ended without a report");
  }
  if (!report.passed() || !have_report) {
    for (const std::string& line : process::last_lines(outcome.errors)) {
      report.notes.push_back("stderr: " + line);
    }
  }
  SecretWatch secrets;
  for (int n = 0; n < static_cast<int>(options.libraries.size()) * options.instances; ++n) {
    secrets.add_key(soak_key(static_cast<std::size_t>(n)));
  }
  if (secrets.shown_in(outcome.errors)) {
    report.failures.push_back("the API key is shown on the session's output or error stream");
  }
}

// The bundled bars and responses, and this build's study libraries, where
// the options name none.
void fill_defaults(SoakOptions& o) {
#ifdef QLX_SOURCE_DATA_DIR
  if (o.bars.empty()) o.bars = std::string(QLX_SOURCE_DATA_DIR) + "/bars/es_5min.csv";
  if (o.service.empty()) o.service = std::string(QLX_SOURCE_DATA_DIR) + "/levels";
#endif
  if (!o.libraries.empty()) return;
#ifdef QLX_PRICEMAP_OVERLAY_64_LIBRARY
  o.libraries.emplace_back(QLX_PRICEMAP_OVERLAY_64_LIBRARY);
#endif
#ifdef QLX_TIMEFRAME_STRUCTURE_64_LIBRARY
  o.libraries.emplace_back(QLX_TIMEFRAME_STRUCTURE_64_LIBRARY);
#endif
}

// One line about the first option out of range, or empty.
std::string option_problem(const SoakOptions& o) {
  if (o.libraries.empty()) return "no study library to soak (name one or more)";
  if (o.bars.empty()) return "--bars: no bars file given";
  if (o.service.empty()) return "--service: no folder of responses given";
  if (o.instances < 1 || o.instances > kLargestInstanceCount) {
    return "--instances must be from 1 to " + std::to_string(kLargestInstanceCount);
  }
  if (o.start_bars < 1) return "--start-bars must be 1 or more";
  if (o.max_updates < 0) return "--max-updates must be 0 or more";
  if (o.action_every < 1) return "--action-every must be 1 or more";
  if (o.transfer_timeout.count() < 50 || o.transfer_timeout.count() > 60000) {
    return "--transfer-timeout must be from 50 to 60000 ms";
  }
  // A step that waits for a slow transfer would otherwise be reported as a
  // hang, where the soak knows it for a request that never ends.
  const std::chrono::milliseconds wait = longest_transfer_wait(o);
  if (o.step_watchdog <= wait) {
    return "--step-watchdog must be longer than a step may wait for a transfer: more than " +
           std::to_string(wait.count()) + " ms with --transfer-timeout " +
           std::to_string(o.transfer_timeout.count()) + " ms";
  }
  if (o.symbols.empty()) return "--symbols needs at least one symbol";
  for (const std::string& symbol : o.symbols) {
    if (symbol.empty()) return "--symbols must not hold an empty symbol";
  }
  FaultPlan plan;
  std::string error;
  if (!parse_fault_list(o.faults, plan, error)) return error;
  return {};
}

}  // namespace

std::uint64_t SoakReport::total_faults() const {
  std::uint64_t total = 0;
  for (const std::uint64_t n : faults_by_kind) total += n;
  return total;
}

std::chrono::milliseconds longest_transfer_wait(const SoakOptions& options) {
  // A transfer ends within the transport's time-outs; this much later it is a
  // request that never ends.
  constexpr std::chrono::milliseconds kTransferGrace{2000};
  return 2 * options.transfer_timeout + kTransferGrace;
}

std::string soak_key(std::size_t n) {
  // The digits are followed by '-', so no key is the start of another.
  return "QLX soak+key/%" + std::to_string(n + 1) + "-7f3a";
}

SoakReport run_soak(const SoakOptions& options) {
  if (options.in_process) return SoakRun(options, nullptr).run();
  const std::chrono::seconds watchdog =
      options.step_watchdog * (process::sanitized_build() ? kSanitizerSlowdown : 1);
  const auto started = std::chrono::steady_clock::now();
  const process::ChildOutcome outcome = process::run_child(
      [&](process::ChildProgress& progress) {
        return to_json(SoakRun(options, &progress).run())
            .dump(-1, ' ', false, json::error_handler_t::replace);
      },
      watchdog);
  SoakReport report;
  judge_child(outcome, watchdog, options, report);
  if (!outcome.have_payload) {
    report.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }
  return report;
}

void print_text(const SoakReport& r, std::ostream& out) {
  out << "soak: ";
  for (std::size_t i = 0; i < r.libraries.size(); ++i) out << (i ? ", " : "") << r.libraries[i];
  out << "\n  " << r.instances << " instance(s) of each, seed " << r.seed << ", faults "
      << (r.faults.empty() ? "?" : r.faults) << "\n";
  out << "  bars: " << with_commas(r.bars) << " (" << with_commas(r.start_bars) << " at the start, "
      << with_commas(r.new_bars) << " added, " << with_commas(r.bar_updates)
      << " updates of the last bar); " << with_commas(r.steps) << " steps\n";
  out << "  user actions:";
  if (r.user_actions.empty()) out << " none";
  for (const auto& [kind, n] : r.user_actions) out << " " << kind << " " << with_commas(n) << ";";
  out << " full recalculations " << with_commas(r.full_recalculations) << "\n";
  out << "  requests: " << with_commas(r.requests) << " by the studies, "
      << with_commas(r.service_requests) << " at the service, " << with_commas(r.total_faults())
      << " faults (";
  for (std::size_t i = 0; i < kServiceFaultKinds; ++i) {
    out << (i ? ", " : "") << fault_name(static_cast<ServiceFault>(i)) << " "
        << with_commas(r.faults_by_kind[i]);
  }
  out << "), " << with_commas(r.failed_transfers) << " failed transfers\n";
  out << "  message log: " << with_commas(r.study_log_lines) << " lines by the studies, "
      << with_commas(r.host_log_lines) << " by the host\n";
  const MemoryFigures& m = r.memory;
  out << "  memory: resident " << mib(m.warm_resident) << " after the warm-up, "
      << mib(m.final_resident) << " at the end, peak " << mib(m.peak_resident) << "; "
      << signed_mib(m.unexplained_growth) << " at most beyond the chart's data ("
      << mib(m.chart_growth) << ")" << (m.measured_heap ? ", measured on the heap" : "") << "\n";
  std::size_t identical = 0;
  for (const InstanceOutcome& o : r.outcomes) identical += o.identical ? 1 : 0;
  out << "  nothing lost: " << identical << " of " << r.outcomes.size()
      << " instances identical to a clean session"
      << (r.compared ? "" : " (the end was not reached)") << "\n";
  for (const InstanceOutcome& o : r.outcomes) {
    if (!o.identical) {
      out << "    instance " << o.instance << " (" << o.study << "): " << o.difference << "\n";
    }
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", r.wall_seconds);
  out << "  wall time: " << seconds << "\n";
  for (const std::string& failure : r.failures) out << "FAIL " << failure << "\n";
  if (!r.passed()) {
    for (const std::string& note : r.notes) out << "  note: " << note << "\n";
  }
  out << (r.passed() ? "PASS" : "FAIL");
  if (!r.passed()) out << "; reproduce with --seed " << r.seed;
  out << "\n";
}

void print_json(const SoakReport& report, std::ostream& out) {
  out << to_json(report).dump(2, ' ', false, json::error_handler_t::replace) << "\n";
}

namespace {

std::string rendered(const SoakReport& report, bool json) {
  std::ostringstream out;
  if (json) {
    print_json(report, out);
  } else {
    print_text(report, out);
  }
  return out.str();
}

// A failure may quote what a study showed; should that hold a key, the
// report hides it and says so as a failure of its own.
void hide_keys(SoakReport& report, const SoakOptions& options) {
  SecretWatch secrets;
  for (std::size_t n = 0; n < options.libraries.size() * std::size_t(options.instances); ++n) {
    secrets.add_key(soak_key(n));
  }
  if (!secrets.shown_in(rendered(report, options.json))) return;
  for (auto* lines : {&report.failures, &report.notes}) {
    for (std::string& line : *lines) line = secrets.masked(line);
  }
  for (InstanceOutcome& o : report.outcomes) o.difference = secrets.masked(o.difference);
  report.failures.push_back("the API key is shown in the soak's own report (hidden here)");
}

}  // namespace

int soak_command(SoakOptions options, std::ostream& out, std::ostream& err) {
  fill_defaults(options);
  if (const std::string problem = option_problem(options); !problem.empty()) {
    err << "studyhost: " << problem << "\n";
    return 1;
  }
  if (!options.seed_given) options.seed = fresh_seed();
  SoakReport report = run_soak(options);
  hide_keys(report, options);
  out << rendered(report, options.json);
  out.flush();
  return report.passed() ? 0 : 1;
}

}  // namespace studyhost::soak
