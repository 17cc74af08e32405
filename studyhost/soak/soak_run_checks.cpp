// The soak's checks as the session runs: every host call for a shown key,
// the message logs against requests and failed transfers, what each instance
// holds against a clean session, and memory against the warm-up.
#include "studyhost/soak/soak_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "studyhost/process/heap_usage.h"
#include "studyhost/soak/soak_run_session.h"

namespace studyhost::soak {
namespace {

using Clock = std::chrono::steady_clock;

// What memory may gain after the warm-up beyond what the chart's data and
// the host's records explain.
constexpr std::int64_t kGrowthLimit = 5 * 1024 * 1024;

std::string mib(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

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
  } else if (call.operation == "study_call") {
    // A full recalculation, counted once: by the host's own flag (on a chart
    // of one bar every update starts at bar 0 too), at its first call.
    const host::StudyInterface& r = soaked->study->record();
    if (r.defaults_call == 0 && r.last_call == 0 && r.full_recalculation != 0 &&
        (r.auto_loop == 0 || r.current_index == 0)) {
      ++soaked->full_recalculations;
    }
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

void SoakRun::check_log() {
  for (Soaked& s : s_->soaked) {
    const std::vector<std::string>& log = s.study->log();
    for (; s.log_checked < log.size(); ++s.log_checked) {
      const std::string& line = log[s.log_checked];
      if (s_->secrets.shown_in(line)) fail("the API key is shown in the message log", "");
      if (line.rfind(kHttpFailureLogPrefix, 0) == 0) ++s.host_lines;
    }
    // Every response a study reads may give one status line, and so may
    // every full recalculation, where a request may be refused or never sent
    // (a Symbol too long for the URL); an unread response gives none.
    HttpSlot& http = s.study->http();
    const std::size_t responses = s.study->requests().size() - (http.pending() ? 1 : 0);
    if (s.study_lines > responses + s.full_recalculations) {
      fail("more message-log lines than responses and full recalculations",
           "instance " + std::to_string(s.study->id()) + " wrote " + std::to_string(s.study_lines) +
               " lines for " + std::to_string(responses) + " responses and " +
               std::to_string(s.full_recalculations) + " full recalculations");
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
  // The heap's live bytes, not the resident size: the chart's arrays are
  // counted by capacity, of which the resident size holds only the pages
  // touched so far; and under a sanitizer freed memory waits in quarantine.
  heap = true;
  return process::heap_in_use();
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
    m.warm_heap = process::heap_in_use();
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

}  // namespace studyhost::soak
