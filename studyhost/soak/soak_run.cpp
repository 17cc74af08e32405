// The soak session as its child process runs it, from end to end: the set-up
// (bars, libraries, the faulty and the clean service, the instances), and at
// the end the service healing and every instance beside a clean session.
#include "studyhost/soak/soak_run.h"

#include <chrono>
#include <exception>
#include <string>

#include "studyhost/process/heap_usage.h"
#include "studyhost/session/bars_csv.h"
#include "studyhost/session/dump_json.h"
#include "studyhost/soak/soak_run_session.h"

namespace studyhost::soak {
namespace {

using Clock = std::chrono::steady_clock;

// A clean session's downloads, and the last ones, may take this long.
constexpr std::chrono::milliseconds kSettleWait{60000};

// A key as its URL carries it (see SecretWatch).
std::string sent_form(const std::string& key) {
  SecretWatch watch;
  watch.add_key(key);
  return watch.secrets().back();
}

}  // namespace

SoakRun::SoakRun(const SoakOptions& options, process::ChildProgress* progress)
    : options_(options), progress_(progress), s_(std::make_unique<Session>()) {}

SoakRun::~SoakRun() = default;

void SoakRun::begin_step(const std::string& what) {
  ++s_->step;
  s_->failures.set_step(s_->step, what);
  if (progress_ != nullptr) progress_->report(s_->step, what);
}

void SoakRun::fail(const std::string& kind, const std::string& detail) {
  s_->failures.fail(kind, detail);
}

bool SoakRun::set_up() {
  SoakReport& report = s_->report;
  std::string error;
  std::vector<Bar> bars;
  if (!session::load_bars_csv(options_.bars, bars, error)) {
    fail("the bars cannot be read", error);
    return false;
  }
  if (options_.max_bars > 0 && bars.size() > options_.max_bars) bars.resize(options_.max_bars);
  if (bars.size() <= options_.start_bars) {
    fail("too few bars", std::to_string(bars.size()) + " bars leave none to replay after the " +
                             std::to_string(options_.start_bars) + " the chart starts with");
    return false;
  }
  s_->bars = std::move(bars);
  for (const std::string& path : options_.libraries) {
    auto library = StudyLibrary::load(path, &error);
    if (!library) {
      fail("a library cannot be loaded", error);
      return false;
    }
    s_->libraries.push_back(std::move(library));
  }

  MockServiceOptions service;
  service.dir = options_.service;
  if (!parse_fault_list(options_.faults, service.faults, error)) {
    fail("bad faults", error);
    return false;
  }
  service.faults.seed = options_.seed;
  service.faults.client_timeout = options_.transfer_timeout;
  report.faults = fault_list_text(service.faults);
  // The service's own log lines carry the key as sent unless it hides it.
  s_->faulty.set_log([this](const std::string& line) {
    if (s_->secrets.shown_in(line)) fail("the API key is shown in the service's log", "");
  });
  s_->clean_service.set_log([](const std::string&) {});
  if (!s_->faulty.start(service, &error) ||
      !s_->clean_service.start(options_.service, 0, std::nullopt, &error)) {
    fail("the level data service cannot start", error);
    return false;
  }
  CurlTransportOptions transfers;
  transfers.connect_timeout = options_.transfer_timeout;
  transfers.total_timeout = options_.transfer_timeout;
  transfers.service_base = "http://127.0.0.1:" + std::to_string(s_->faulty.port());
  s_->curl = std::make_unique<CurlTransport>(transfers);
  CurlTransportOptions healed;
  healed.service_base = transfers.service_base;
  s_->healed = std::make_unique<CurlTransport>(healed);
  s_->counting = std::make_unique<CountingTransport>(*s_->curl);
  CurlTransportOptions clean;
  clean.service_base = "http://127.0.0.1:" + std::to_string(s_->clean_service.port());
  s_->clean = std::make_unique<CurlTransport>(clean);
  s_->transfer_limit = longest_transfer_wait(options_);

  // The most each study holds in a clean session on the whole chart.
  for (std::size_t i = 0; i < s_->libraries.size(); ++i) {
    begin_step("clean sessions of " + s_->libraries[i]->name() + " for what it holds at most");
    HeldLimits limits;
    const TypedInputs typed{options_.asset_class, options_.symbols.front(), soak_key(0)};
    if (!most_held(*s_->libraries[i], s_->bars, *s_->clean, typed, kSettleWait, limits, error)) {
      fail("no clean session", error);
      return false;
    }
    s_->limits.push_back(limits);
  }

  s_->host = std::make_unique<Host>(*s_->counting);
  s_->host->set_bars(
      std::vector<Bar>(s_->bars.begin(), s_->bars.begin() + std::ptrdiff_t(options_.start_bars)));
  for (std::size_t lib = 0; lib < s_->libraries.size(); ++lib) {
    for (int k = 0; k < options_.instances; ++k) {
      Soaked soaked;
      soaked.library = lib;
      soaked.key = soak_key(s_->soaked.size());
      soaked.key_sent = sent_form(soaked.key);
      begin_step("add instance " + std::to_string(s_->soaked.size() + 1) + " of " +
                 s_->libraries[lib]->name());
      soaked.study = &s_->host->add_study(*s_->libraries[lib]);
      soaked.id = soaked.study->id();
      soaked.driven = driven_inputs(*soaked.study);
      type_inputs(*soaked.study, soaked.driven,
                  TypedInputs{options_.asset_class, options_.symbols.front(), soaked.key});
      s_->secrets.add_key(soaked.key);
      s_->soaked.push_back(std::move(soaked));
    }
  }
  s_->observed = s_->host.get();
  s_->host->set_observer([this](const HostCall& call) { observe(call); });
  report.start_bars = options_.start_bars;
  return true;
}

void SoakRun::heal_and_compare() {
  SoakReport& report = s_->report;
  begin_step("the service heals");
  // The network heals with it: from now on transfers get the host's own
  // time-outs, so a busy machine cannot fail the last downloads.
  s_->faulty.set_faults(FaultPlan{});
  s_->counting->set_inner(*s_->healed);
  if (!s_->host->settle_downloads(kSettleWait)) {
    fail("a request never ended", "downloads still running after the service healed");
  }
  check_log();
  for (Soaked& s : s_->soaked) {
    if (s.driven.symbol >= 0) s.study->set_input_text(s.driven.symbol, options_.symbols.front());
  }
  begin_step("the last full recalculation");
  full_recalculation();
  if (!s_->host->settle_downloads(kSettleWait)) {
    fail("a request never ended", "downloads still running after the last full recalculation");
  }
  check_log();
  check_held();
  check_memory();
  MemoryFigures& m = report.memory;
  m.final_resident = resident_bytes();
  m.final_heap = process::heap_in_use();
  m.peak_resident = peak_resident_bytes();

  for (Soaked& s : s_->soaked) {
    begin_step("instance " + std::to_string(s.study->id()) + " beside a clean session");
    InstanceOutcome outcome;
    outcome.study = s_->libraries[s.library]->name();
    outcome.instance = s.study->id();
    outcome.requests = s.study->requests().size();
    outcome.study_log_lines = s.study_lines;
    outcome.host_log_lines = s.host_lines;
    const Comparison comparison = compare_with_clean(*s_->host, *s.study, *s_->clean, kSettleWait);
    outcome.identical = comparison.identical;
    outcome.difference = comparison.difference;
    outcome.drawings = comparison.clean_drawings;
    if (!comparison.identical) fail("lost: differs from a clean session", comparison.difference);
    const std::string dump =
        session::dump_study(*s_->host, *s.study, false)
            .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    if (s_->secrets.shown_in(dump)) fail("the API key is shown in the dump", "");
    report.requests += outcome.requests;
    report.study_log_lines += s.study_lines;
    report.host_log_lines += s.host_lines;
    report.outcomes.push_back(std::move(outcome));
  }
  report.compared = true;
}

SoakReport SoakRun::run() {
  const auto started = Clock::now();
  SoakReport& report = s_->report;
  report.libraries = options_.libraries;
  report.seed = options_.seed;
  report.instances = options_.instances;
  Rng rng(options_.seed);
  bool ready = false;
  try {
    ready = set_up();
  } catch (const std::exception& e) {
    // A library built for another host, say.
    fail("the session cannot start", e.what());
  }
  if (ready) {
    begin_step("the first full recalculation");
    full_recalculation();
    after_step(rng);
    replay(rng);
    heal_and_compare();
    report.bars = s_->host->bars().size();
    const ServiceCounts counts = s_->faulty.counts();
    report.service_requests = counts.requests;
    report.faults_by_kind = counts.faults;
    report.failed_transfers = s_->counting->failures();
    // Each of these faults ends its transfer as a failure; fewer failures
    // mean the service did not misbehave as asked, and the soak proved less.
    const std::uint64_t failing = counts.faults[std::size_t(ServiceFault::kDrop)] +
                                  counts.faults[std::size_t(ServiceFault::kSlow)] +
                                  counts.faults[std::size_t(ServiceFault::kZeroByte)];
    if (report.failed_transfers < failing) {
      fail("the service's faults did not reach the studies as asked",
           std::to_string(failing) + " drop, slow and zerobyte faults gave " +
               std::to_string(report.failed_transfers) + " failed transfers");
    }
  }
  // The last calls: a study that hangs in its last call is a hang too.
  begin_step("the last calls");
  s_->host.reset();
  report.steps = s_->step;
  s_->clean.reset();
  s_->counting.reset();
  s_->healed.reset();
  s_->curl.reset();
  s_->faulty.stop();
  s_->clean_service.stop();
  s_->libraries.clear();
  if (process::leaks_found()) {
    fail("memory was left unreachable", "see the leak report on the error stream");
  }
  report.failures = s_->failures.lines();
  report.wall_seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return report;
}

}  // namespace studyhost::soak
