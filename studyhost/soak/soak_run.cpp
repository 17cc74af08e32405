// The soak session itself, run in the child process: the chart, the faulty
// service, the user, and the checks after every step.
#include "studyhost/soak/soak_run.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <random>
#include <unordered_map>

#include "host/input_slot.h"
#include "studyhost/app/bars_csv.h"
#include "studyhost/app/dump_json.h"
#include "studyhost/lib/curl_transport.h"
#include "studyhost/lib/host.h"
#include "studyhost/lib/library_loader.h"
#include "studyhost/lib/mock_level_service.h"
#include "studyhost/soak/clean_session.h"
#include "studyhost/soak/soak_checks.h"
#include "studyhost/validate/heap_usage.h"

namespace studyhost::soak {
namespace {

using Clock = std::chrono::steady_clock;
using Rng = std::mt19937_64;

// The network hands over what has arrived after this share of the steps
// that find a download pending; after the others it holds it back, and the
// chart goes on without it.
constexpr int kDeliverPercent = 60;
// Steps between counts of what the host holds, and between memory samples.
constexpr std::uint64_t kCountEvery = 32;
constexpr std::uint64_t kMemoryEvery = 256;
// The share of the replayed bars that warms the session up before memory is
// measured, and the least number of them.
constexpr std::size_t kWarmupPercent = 10;
constexpr std::size_t kLeastWarmupBars = 50;
constexpr std::int64_t kGrowthLimit = 5 * 1024 * 1024;
// A transfer ends within the transport's time-outs; this much later it is a
// request that never ends.
constexpr std::chrono::milliseconds kTransferGrace{2000};
// A clean session's downloads, and the last ones, may take this long.
constexpr std::chrono::milliseconds kSettleWait{60000};

bool chance(Rng& rng, int percent) {
  return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

template <typename T>
const T& any_of(Rng& rng, const std::vector<T>& items) {
  return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}

std::string mib(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// Counts, by URL, the transfers the host will take for failures: no
// complete response, or a body that is empty, holds a zero byte or is past
// the cap.
class CountingTransport : public Transport {
 public:
  explicit CountingTransport(Transport& inner) : inner_(&inner) {}

  // Fetches from now on go through `inner` (which must outlive this).
  void set_inner(Transport& inner) { inner_.store(&inner); }

  HttpResult fetch(const std::string& url) override {
    HttpResult result = inner_.load()->fetch(url);
    const bool failed = !result.ok || result.body.empty() ||
                        result.body.find('\0') != std::string::npos ||
                        result.body.size() > kMaxResponseBytes;
    if (failed) {
      std::lock_guard lock(mutex_);
      ++failures_[url];
    }
    return result;
  }
  void cancel() override { inner_.load()->cancel(); }

  // Failed transfers of URLs that hold `text` (an instance's key as sent).
  std::size_t failures_with(const std::string& text) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [url, n] : failures_) count += url.find(text) != std::string::npos ? n : 0;
    return count;
  }
  std::size_t failures() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& entry : failures_) count += entry.second;
    return count;
  }

 private:
  std::atomic<Transport*> inner_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, std::size_t> failures_;
};

// A key as its URL carries it (see SecretWatch).
std::string sent_form(const std::string& key) {
  SecretWatch watch;
  watch.add_key(key);
  return watch.secrets().back();
}

}  // namespace

// One soaked instance and what the soak knows of it.
struct SoakRun::Soaked {
  StudyInstance* study = nullptr;
  std::int32_t id = 0;  // the study's, readable while the host removes it
  std::size_t library = 0;
  std::string key;
  std::string key_sent;
  DrivenInputs driven;
  std::size_t study_lines = 0;
  std::size_t host_lines = 0;
  std::size_t log_checked = 0;
  Clock::time_point request_started{};
};

struct SoakRun::Session {
  SoakReport report;
  FailureLog failures;
  SecretWatch secrets;
  std::vector<Bar> bars;
  std::vector<std::unique_ptr<StudyLibrary>> libraries;
  std::vector<HeldLimits> limits;  // by library
  // Declared in the order they are built: the host goes before the
  // transports, the transports before the services.
  MockLevelService faulty;
  MockLevelService clean_service;
  std::unique_ptr<CurlTransport> curl;
  std::unique_ptr<CurlTransport> healed;  // the faulty service's, with the host's time-outs
  std::unique_ptr<CountingTransport> counting;
  std::unique_ptr<CurlTransport> clean;
  std::unique_ptr<Host> host;
  // The host as the observer reaches it, also while the host removes its
  // studies as it goes (when `host` is already empty).
  Host* observed = nullptr;
  std::vector<Soaked> soaked;
  std::uint64_t step = 0;
  std::chrono::milliseconds transfer_limit{0};
  // Memory at the end of the warm-up: the process, and what the chart and
  // the host's records explain.
  bool warm = false;
  std::size_t warm_measure = 0;
  std::size_t warm_explained = 0;
};

SoakRun::SoakRun(const SoakOptions& options, validate::ChildProgress* progress)
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
  if (!app::load_bars_csv(options_.bars, bars, error)) {
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
  if (!parse_fault_spec(options_.faults, service.faults, error)) {
    fail("bad faults", error);
    return false;
  }
  service.faults.seed = options_.seed;
  service.faults.client_timeout = options_.transfer_timeout;
  report.faults = fault_spec_text(service.faults);
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
  s_->transfer_limit = 2 * options_.transfer_timeout + kTransferGrace;

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

SoakRun::Soaked* SoakRun::soaked_by_id(std::int32_t id) {
  for (Soaked& s : s_->soaked) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

void SoakRun::observe(const HostCall& call) {
  if (s_->secrets.shown_in(call.arguments) || s_->secrets.shown_in(call.result)) {
    fail("the API key is shown in the trace", call.operation);
  }
  Soaked* soaked = soaked_by_id(call.instance);
  if (soaked == nullptr) return;
  if (call.operation == "add_log") {
    ++soaked->study_lines;
  } else if (call.operation == "http_request") {
    if (call.result == "1") soaked->request_started = Clock::now();
  } else if (call.operation == "use_drawing") {
    const auto& drawings = s_->observed->drawings();
    const auto found = drawings.find(std::atoi(call.result.c_str()));
    if (found != drawings.end() && s_->secrets.shown_in(found->second.text)) {
      fail("the API key is shown in a drawing's text", "");
    }
  } else if (call.operation.rfind("menu_", 0) == 0) {
    for (const MenuEntry& entry : s_->observed->menu()) {
      if (s_->secrets.shown_in(entry.text)) fail("the API key is shown in a menu entry", "");
    }
  }
}

void SoakRun::full_recalculation() {
  s_->host->full_recalculation();
  ++s_->report.full_recalculations;
}

void SoakRun::network(Rng& rng) {
  if (!s_->host->downloads_pending() || !chance(rng, kDeliverPercent)) return;
  if (!s_->host->deliver_downloads(s_->transfer_limit)) {
    fail("a request never ended",
         "still running " + std::to_string(s_->transfer_limit.count()) + " ms after it started");
  }
}

void SoakRun::check_log() {
  for (Soaked& s : s_->soaked) {
    const std::vector<std::string>& log = s.study->log();
    for (; s.log_checked < log.size(); ++s.log_checked) {
      const std::string& line = log[s.log_checked];
      if (s_->secrets.shown_in(line)) fail("the API key is shown in the message log", "");
      if (line.rfind(kHttpFailureLogPrefix, 0) == 0) ++s.host_lines;
    }
    // Every response a study reads may give one status line; a refused or
    // unread request gives none.
    HttpSlot& http = s.study->http();
    const std::size_t responses = s.study->requests().size() - (http.pending() ? 1 : 0);
    if (s.study_lines > responses) {
      fail("more message-log lines than requests",
           "instance " + std::to_string(s.study->id()) + " wrote " + std::to_string(s.study_lines) +
               " lines for " + std::to_string(responses) + " responses");
    }
    const std::size_t failed = s_->counting->failures_with(s.key_sent);
    if (s.host_lines > failed) {
      fail("more host lines than failed transfers",
           "instance " + std::to_string(s.study->id()) + ": " + std::to_string(s.host_lines) +
               " lines for " + std::to_string(failed) + " failed transfers");
    }
    if (http.pending() && !http.completed() &&
        Clock::now() - s.request_started > s_->transfer_limit) {
      fail("a request never ended", "instance " + std::to_string(s.study->id()) + " still waits " +
                                        std::to_string(s_->transfer_limit.count()) +
                                        " ms after its request");
    }
  }
}

void SoakRun::check_held() {
  for (Soaked& s : s_->soaked) {
    const HeldLimits& limit = s_->limits[s.library];
    std::size_t drawings = 0;
    std::size_t entries = 0;
    for (const auto& [id, d] : s_->host->drawings()) drawings += d.owner == s.study->id() ? 1 : 0;
    for (const MenuEntry& e : s_->host->menu()) entries += e.owner == s.study->id() ? 1 : 0;
    const std::string who = "instance " + std::to_string(s.study->id()) + " holds ";
    if (drawings > limit.drawings) {
      fail("more drawings than a clean session holds", who + std::to_string(drawings) +
                                                           ", a clean session at most " +
                                                           std::to_string(limit.drawings));
    }
    if (entries > limit.menu_entries) {
      fail("more menu entries than a clean session holds", who + std::to_string(entries) +
                                                               ", a clean session " +
                                                               std::to_string(limit.menu_entries));
    }
    const std::size_t strings = held_host_strings(*s.study);
    if (strings > limit.host_strings) {
      fail("more host strings than a clean session holds", who + std::to_string(strings) +
                                                               ", a clean session " +
                                                               std::to_string(limit.host_strings));
    }
  }
}

std::size_t SoakRun::memory_now(bool& heap) const {
  // Under a sanitizer freed memory waits in quarantine and the resident size
  // says nothing of leaks; its own count of live bytes does.
  heap = validate::sanitized_build();
  return heap ? validate::heap_in_use() : resident_bytes();
}

void SoakRun::check_memory() {
  MemoryFigures& m = s_->report.memory;
  bool heap = false;
  const std::size_t now = memory_now(heap);
  const std::size_t explained = chart_data_bytes(*s_->host) + host_record_bytes(*s_->host);
  if (!s_->warm) {
    s_->warm = true;
    s_->warm_measure = now;
    s_->warm_explained = explained;
    m.warm_resident = resident_bytes();
    m.warm_heap = validate::heap_in_use();
    m.measured_heap = heap;
    return;
  }
  const auto growth =
      static_cast<std::int64_t>(now) - static_cast<std::int64_t>(s_->warm_measure) -
      (static_cast<std::int64_t>(explained) - static_cast<std::int64_t>(s_->warm_explained));
  m.unexplained_growth = std::max(m.unexplained_growth, growth);
  m.chart_growth = explained > s_->warm_explained ? explained - s_->warm_explained : 0;
  if (growth >= kGrowthLimit) {
    fail("memory grows", mib(growth) + " since the warm-up beyond what the chart's data and the " +
                             "host's records explain (" + mib(kGrowthLimit) + " allowed)");
  }
}

void SoakRun::after_step(Rng& rng) {
  network(rng);
  check_log();
  if (s_->step % kCountEvery == 0) check_held();
  if (s_->warm && s_->step % kMemoryEvery == 0) check_memory();
}

void SoakRun::user_action(Rng& rng) {
  Soaked& s = s_->soaked[std::uniform_int_distribution<std::size_t>(0, s_->soaked.size() - 1)(rng)];
  StudyInstance& study = *s.study;
  std::vector<std::string> kinds;
  if (s.driven.symbol >= 0 && options_.symbols.size() > 1) kinds.emplace_back("symbol");
  if (s.driven.time_frame >= 0 && study.list_entries(s.driven.time_frame).size() > 1) {
    kinds.emplace_back("time frame");
  }
  if (s.driven.period_mode) kinds.emplace_back("period mode");
  std::vector<std::int32_t> entries;
  for (const MenuEntry& entry : s_->host->menu()) {
    if (entry.owner == study.id() && !entry.separator) entries.push_back(entry.id);
  }
  if (!entries.empty()) kinds.emplace_back("menu");
  if (!s.driven.switches.empty()) kinds.emplace_back("switch");
  if (kinds.empty()) return;
  const std::string kind = any_of(rng, kinds);
  ++s_->report.user_actions[kind];
  const std::string who = "instance " + std::to_string(study.id());

  if (kind == "symbol") {
    // Back and forth: away from the first symbol, then back to it.
    const std::string now = host::text_value(study.input(s.driven.symbol));
    std::string next = options_.symbols.front();
    if (now == next) {
      next = options_.symbols[std::uniform_int_distribution<std::size_t>(
          1, options_.symbols.size() - 1)(rng)];
    }
    begin_step("user: " + who + " Symbol " + next + ", full recalculation");
    study.set_input_text(s.driven.symbol, next);
    full_recalculation();
  } else if (kind == "time frame") {
    const auto entries_count =
        static_cast<std::int32_t>(study.list_entries(s.driven.time_frame).size());
    const std::int32_t now = host::stored_int(study.input(s.driven.time_frame));
    const std::int32_t next =
        (now + std::uniform_int_distribution<std::int32_t>(1, entries_count - 1)(rng)) %
        entries_count;
    begin_step("user: " + who + " Time Frame " + std::to_string(next) + ", full recalculation");
    study.set_input_int(s.driven.time_frame, next);
    full_recalculation();
  } else if (kind == "period mode") {
    const std::int32_t now = host::stored_int(study.input(kPeriodModeInput));
    const std::int32_t next =
        (now + std::uniform_int_distribution<std::int32_t>(1, kPeriodModes - 1)(rng)) %
        kPeriodModes;
    begin_step("user: " + who + " period mode " + std::to_string(next) + ", full recalculation");
    study.set_input_int(kPeriodModeInput, next);
    full_recalculation();
  } else if (kind == "menu") {
    const std::int32_t id = any_of(rng, entries);
    const MenuEntry* entry = s_->host->menu_store().find(id);
    begin_step("user: " + who + " menu \"" + (entry != nullptr ? entry->text : "") + "\"");
    s_->host->choose_menu(id);
  } else {
    const std::int32_t input = any_of(rng, s.driven.switches);
    const bool on = host::yes_no_value(study.input(input));
    begin_step("user: " + who + " \"" + host::text_of(study.input(input).name) + "\" " +
               (on ? "off" : "on") + ", full recalculation");
    study.set_input_yes_no(input, !on);
    full_recalculation();
  }
  after_step(rng);
}

void SoakRun::replay(Rng& rng) {
  SoakReport& report = s_->report;
  const std::size_t first = options_.start_bars;
  const std::size_t replayed = s_->bars.size() - first;
  const std::size_t warmup = std::max(kLeastWarmupBars, replayed * kWarmupPercent / 100);
  const auto action_chance =
      1.0 / static_cast<double>(std::max<std::size_t>(options_.action_every, 1));
  std::uniform_real_distribution<double> unit(0.0, 1.0);

  for (std::size_t b = first; b < s_->bars.size(); ++b) {
    const Bar& bar = s_->bars[b];
    const int updates = std::uniform_int_distribution<int>(0, options_.max_updates)(rng);
    // The bar as it stands after `made` of its updates: from its open
    // towards its close, inside its high and low; whole after the last.
    auto building = [&](int made) {
      if (made >= updates) return bar;
      const float part = static_cast<float>(made + 1) / static_cast<float>(updates + 1);
      Bar b2 = bar;
      b2.close = bar.open + (bar.close - bar.open) * part;
      b2.high = std::max(bar.open, b2.close);
      b2.low = std::min(bar.open, b2.close);
      b2.volume = bar.volume * part;
      return b2;
    };
    begin_step("new bar " + std::to_string(b));
    s_->host->add_bar(building(0));
    ++report.new_bars;
    after_step(rng);
    for (int made = 1; made <= updates; ++made) {
      begin_step("update " + std::to_string(made) + " of bar " + std::to_string(b));
      s_->host->change_last_bar(building(made));
      ++report.bar_updates;
      after_step(rng);
      if (unit(rng) < action_chance) user_action(rng);
    }
    if (unit(rng) < action_chance) user_action(rng);
    if (!s_->warm && b + 1 - first >= warmup) check_memory();
  }
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
  m.final_heap = validate::heap_in_use();
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
        app::dump_study(*s_->host, *s.study, false)
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
  if (validate::leaks_found()) {
    fail("memory was left unreachable", "see the leak report on the error stream");
  }
  report.failures = s_->failures.lines();
  report.wall_seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return report;
}

}  // namespace studyhost::soak
