// The soak's replay: the bars as they arrive, update by update, the user's
// actions at random steps, and the network handing over downloads or holding
// them back after each step.
#include "studyhost/soak/soak_run.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "host/input_slot.h"
#include "studyhost/soak/soak_run_session.h"

namespace studyhost::soak {
namespace {

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

bool chance(Rng& rng, int percent) {
  return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

template <typename T>
const T& any_of(Rng& rng, const std::vector<T>& items) {
  return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)];
}

}  // namespace

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

}  // namespace studyhost::soak
