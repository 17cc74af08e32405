#include "studyhost/runtime/host.h"

#include <algorithm>
#include <string>

namespace studyhost {

Host::Host(Transport& transport) : transport_(transport) {}

Host::~Host() {
  // Closing the chart removes its studies: each gets its last call so it can
  // free what it holds.
  while (!instances_.empty()) remove_study(*instances_.front());
  if (!retired_transfers_.empty()) transport_.cancel();
  for (auto& worker : retired_transfers_) {
    if (worker.joinable()) worker.join();
  }
}

void Host::set_bars(std::vector<Bar> bars) {
  bars_ = std::move(bars);
  bars_changed();
}

void Host::bars_changed() {
  datetimes_.resize(bars_.size());
  for (std::size_t i = 0; i < bars_.size(); ++i) datetimes_[i] = bars_[i].datetime;
}

std::vector<StudyInstance*> Host::instances() const {
  std::vector<StudyInstance*> list;
  list.reserve(instances_.size());
  for (const auto& instance : instances_) list.push_back(instance.get());
  return list;
}

void Host::notify(const HostCall& call) const {
  if (observer_) observer_(call);
}

void Host::call_study(StudyInstance& instance) {
  host::StudyInterface& record = instance.record();
  record.chart_number = settings_.chart_number;
  record.price_increment = settings_.price_increment;
  record.value_format = settings_.value_format;
  record.skip_flag = settings_.skip_flag;
  instance.prepare_call(static_cast<std::int32_t>(bars_.size()),
                        datetimes_.empty() ? nullptr : datetimes_.data());
  if (observed()) {
    notify(HostCall{instance.id(), "study_call",
                    "defaults=" + std::to_string(record.defaults_call) +
                        " last=" + std::to_string(record.last_call) +
                        " index=" + std::to_string(record.current_index) +
                        " first=" + std::to_string(record.first_bar_to_update) +
                        " full=" + std::to_string(record.full_recalculation) +
                        " bars=" + std::to_string(record.bar_count) +
                        " menu=" + std::to_string(record.chosen_menu_id),
                    ""});
  }
  instance.library().function()(&record);
  // A menu choice is delivered with exactly one call.
  record.chosen_menu_id = 0;
}

StudyInstance& Host::add_study(const StudyLibrary& library) {
  instances_.push_back(
      std::make_unique<StudyInstance>(*this, library, next_instance_id_++, transport_));
  StudyInstance& instance = *instances_.back();
  host::StudyInterface& record = instance.record();
  record.defaults_call = 1;
  record.current_index = 0;
  record.first_bar_to_update = 0;
  call_study(instance);
  record.defaults_call = 0;
  if (!instance.declared_anything()) {
    // A library built for another host's structure finds no studyhost
    // header in the record and returns at once; running it on would only
    // show an empty study.
    instances_.pop_back();
    throw NotAStudyForThisHost(library.path() +
                               ": not a study for this host (its defaults call declared nothing)");
  }
  return instance;
}

void Host::remove_study(StudyInstance& instance) {
  const auto it = std::find_if(instances_.begin(), instances_.end(),
                               [&](const auto& held) { return held.get() == &instance; });
  if (it == instances_.end()) return;
  host::StudyInterface& record = instance.record();
  record.last_call = 1;
  call_study(instance);
  // A download still running outlives the study; its thread is joined when
  // the host goes.
  std::thread transfer = instance.http().detach_transfer();
  if (transfer.joinable()) retired_transfers_.push_back(std::move(transfer));
  // What the study put on the chart goes with it.
  drawings_.remove_owned_by(instance.id());
  menu_.remove_owned_by(instance.id());
  instances_.erase(it);
}

void Host::full_recalculation() {
  for (auto* instance : instances()) full_recalculation(*instance);
}

void Host::full_recalculation(StudyInstance& instance) {
  start_over(instance);
  host::StudyInterface& record = instance.record();
  const auto bar_count = static_cast<std::int32_t>(bars_.size());
  // The flag and the first bar are set before every call: a study may write
  // into its record, and what it wrote must not become the host's word.
  if (record.auto_loop != 0) {
    for (std::int32_t i = 0; i < bar_count; ++i) {
      record.current_index = i;
      record.first_bar_to_update = 0;
      record.full_recalculation = 1;
      call_study(instance);
    }
  } else {
    record.current_index = bar_count > 0 ? bar_count - 1 : 0;
    record.first_bar_to_update = 0;
    record.full_recalculation = 1;
    call_study(instance);
  }
  record.full_recalculation = 0;
}

void Host::start_over(StudyInstance& instance) {
  // Drawings whose identifiers the study forgets at a full recalculation must
  // not stay behind on the chart, nor values at bars it no longer writes (a
  // bar outside every period, a study showing an error): the chart then
  // shows what a study computes from scratch, whatever it showed before.
  drawings_.remove_owned_by(instance.id());
  instance.clear_values();
}

void Host::update(std::int32_t first_changed) {
  for (auto* instance : instances()) update(*instance, first_changed);
}

void Host::update(StudyInstance& instance, std::int32_t first_changed) {
  host::StudyInterface& record = instance.record();
  const auto bar_count = static_cast<std::int32_t>(bars_.size());
  first_changed = std::clamp(first_changed, 0, bar_count > 0 ? bar_count - 1 : 0);
  // An update from bar 0 (on a chart of one bar, every update) is still an
  // update: the study keeps its drawings and its download, and the host
  // leaves them on the chart.
  if (record.auto_loop != 0) {
    for (std::int32_t i = first_changed; i < bar_count; ++i) {
      record.current_index = i;
      record.first_bar_to_update = first_changed;
      record.full_recalculation = 0;
      call_study(instance);
    }
  } else {
    record.current_index = bar_count > 0 ? bar_count - 1 : 0;
    record.first_bar_to_update = first_changed;
    record.full_recalculation = 0;
    call_study(instance);
  }
}

void Host::add_bar(const Bar& bar) {
  add_bars(std::vector<Bar>{bar});
}

void Host::add_bars(const std::vector<Bar>& bars) {
  if (bars.empty()) return;
  // The previous last bar may have changed before it closed.
  const auto previous_last = static_cast<std::int32_t>(bars_.size()) - 1;
  bars_.insert(bars_.end(), bars.begin(), bars.end());
  for (const Bar& bar : bars) datetimes_.push_back(bar.datetime);
  // The studies have seen no bar yet: a chart's first bars are calculated in
  // full, as a chart whose data has loaded is.
  if (previous_last < 0) {
    full_recalculation();
    return;
  }
  update(previous_last);
}

void Host::change_last_bar(const Bar& bar) {
  if (bars_.empty()) {
    add_bar(bar);
    return;
  }
  bars_.back() = bar;
  datetimes_.back() = bar.datetime;
  update(static_cast<std::int32_t>(bars_.size()) - 1);
}

void Host::update_last_bar() {
  update(static_cast<std::int32_t>(bars_.size()) - 1);
}

bool Host::choose_menu(std::int32_t id) {
  const MenuEntry* entry = menu_.find(id);
  if (entry == nullptr || entry->separator) return false;
  const std::int32_t owner = entry->owner;
  for (auto& instance : instances_) {
    if (instance->id() != owner) continue;
    instance->record().chosen_menu_id = id;
    update(*instance, static_cast<std::int32_t>(bars_.size()) - 1);
    return true;
  }
  return false;
}

bool Host::downloads_pending() const {
  return std::any_of(instances_.begin(), instances_.end(),
                     [](const auto& instance) { return instance->http().pending(); });
}

bool Host::deliver_downloads(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool all_ended = true;
  for (auto& instance : instances_) {
    if (!instance->http().wait_until(deadline)) all_ended = false;
  }
  // Publication happens here, between updates, so what a study sees never
  // depends on how fast the network was.
  for (auto* instance : instances()) {
    if (!instance->http().completed()) continue;
    std::vector<std::string> lines;
    instance->http().publish(lines);
    for (auto& line : lines) instance->append_log(std::move(line));
    update(*instance, static_cast<std::int32_t>(bars_.size()) - 1);
  }
  return all_ended;
}

bool Host::settle_downloads(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (int round = 0; round < kMaxDownloadRounds && downloads_pending(); ++round) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!deliver_downloads(std::max(left, std::chrono::milliseconds(0)))) return false;
  }
  return !downloads_pending();
}

}  // namespace studyhost
